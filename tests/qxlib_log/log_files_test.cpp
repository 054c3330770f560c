// The log's files as other users and other processes meet them: who may read
// them, reading where one may not write, and writer handles kept too long.
#include <csignal>
#include <cstdlib>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "OtherUser.h"
#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

namespace {

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Runs `body` in a child process that cannot write to `folder`: as user
// 65534 when this test runs as root (root writes everywhere), otherwise as
// this user with the folder made read-only for the time of the call.
bool inReaderWithoutWriteAccess(const std::string& folder, const std::function<bool()>& body) {
    if (testsupport::canActAsOtherUser()) {
        ::chmod(folder.c_str(), 0755);
        return testsupport::asOtherUser(body);
    }
    ::chmod(folder.c_str(), 0555);
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body() ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    ::chmod(folder.c_str(), 0755);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder under /tmp that another user may enter but not write to.
class ReadOnlyForOthers {
public:
    ReadOnlyForOthers() {
        char name[] = "/tmp/selvane-archive-XXXXXX";
        if (::mkdtemp(name))
            m_path = name;
        ::chmod(m_path.c_str(), 0755);
    }
    ~ReadOnlyForOthers() {
        ::chmod(m_path.c_str(), 0755);
        std::system(("rm -rf '" + m_path + "'").c_str());
    }
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

bool countsAre(const std::string& path, int32_t trials, int32_t steps) {
    int32_t t = -1, s = -1;
    return QxLogGetRecordCountsWVB(path.c_str(), &t, &s) == QX_OK && t == trials && s == steps;
}

} // namespace

TEST(LogFiles, ArePrivateToTheUserWhileWrittenAndAfter) {
    TempDir dir;
    const Layout layout;
    const std::string path = dir.file("run.qxlog");
    const mode_t old = ::umask(022);
    const int32_t writer = createLog(path, layout);
    ::umask(old);
    ASSERT_NE(writer, 0);
    for (int32_t n = 1; n <= 3; ++n)
        ASSERT_EQ(appendTrial(writer, layout, n), QX_OK);
    EXPECT_EQ(modeOf(path), 0600u);
    for (const char* companion : {"-wal", "-shm"}) {
        if (exists(path + companion)) {
            EXPECT_EQ(modeOf(path + companion), 0600u) << companion;
        }
    }
    ASSERT_EQ(QxLogClose(writer), QX_OK);
    EXPECT_EQ(modeOf(path), 0600u);
}

TEST(LogFiles, AClosedHandleIsRefusedEvenWhenItsSlotServesAnotherLog) {
    TempDir dir;
    const Layout layout;
    const std::string first = dir.file("first.qxlog");
    const std::string second = dir.file("second.qxlog");
    const int32_t old = createLog(first, layout);
    ASSERT_NE(old, 0);
    ASSERT_EQ(QxLogClose(old), QX_OK);
    const int32_t current = createLog(second, layout);
    ASSERT_NE(current, 0);
    EXPECT_NE(current, old);

    EXPECT_EQ(appendTrial(old, layout, 1), QX_E_STALE_LOG_HANDLE);
    EXPECT_EQ(appendStep(old, layout, 1, 1), QX_E_STALE_LOG_HANDLE);
    EXPECT_EQ(QxLogClose(old), QX_E_STALE_LOG_HANDLE);
    EXPECT_TRUE(countsAre(second, 0, 0)) << "the stale handle appended into the other log";
    char name[64] = {}, method[64] = {}, message[256] = {};
    QxGetExceptionInfoWVB(QX_E_STALE_LOG_HANDLE, name, 64, method, 64, message, 256);
    EXPECT_NE(std::string(message).find("was closed"), std::string::npos) << message;

    EXPECT_EQ(appendTrial(current, layout, 1), QX_OK);
    EXPECT_TRUE(countsAre(second, 1, 0));
    EXPECT_EQ(QxLogClose(current), QX_OK);
    EXPECT_EQ(QxLogClose(0), QX_E_INVALID_ARGUMENT) << "a handle never given out is unknown, not stale";
    EXPECT_EQ(QxLogClose(-5), QX_E_INVALID_ARGUMENT);
}

TEST(LogFiles, AClosedLogIsReadableWhereTheReaderCannotWrite) {
    ReadOnlyForOthers archive;
    const Layout layout;
    const std::string path = archive.file("archived.qxlog");
    const int32_t writer = createLog(path, layout);
    ASSERT_NE(writer, 0);
    for (int32_t n = 1; n <= 40; ++n)
        ASSERT_EQ(appendTrial(writer, layout, n), QX_OK);
    ASSERT_EQ(appendStep(writer, layout, 1, 1), QX_OK);
    ASSERT_EQ(QxLogClose(writer), QX_OK);
    ::chmod(path.c_str(), 0644); // shared read-only on purpose
    EXPECT_FALSE(exists(path + "-wal")) << "a closed log leaves WAL mode";

    EXPECT_TRUE(inReaderWithoutWriteAccess(
        archive.path(), [&] { return countsAre(path, 40, 1) && readsBackExactly(path, layout, 0, 40); }));
}

TEST(LogFiles, ALogClosedWhileAReaderHadItOpenIsStillReadableWhereTheReaderCannotWrite) {
    // The Watcher reads the log while the add-in closes it: the writer cannot
    // leave WAL mode then, and the -wal and -shm files stay beside the log.
    ReadOnlyForOthers archive;
    const Layout layout;
    const std::string path = archive.file("watched.qxlog");
    const int32_t writer = createLog(path, layout);
    ASSERT_NE(writer, 0);
    for (int32_t n = 1; n <= 25; ++n)
        ASSERT_EQ(appendTrial(writer, layout, n), QX_OK);
    ASSERT_TRUE(countsAre(path, 25, 0)); // this process's reader stays open
    ASSERT_EQ(QxLogClose(writer), QX_OK);
    ::chmod(path.c_str(), 0644);

    // Another spelling of the path, so the child opens a reader of its own
    // instead of the one it inherited.
    const std::string other = archive.path() + "/./watched.qxlog";
    EXPECT_TRUE(inReaderWithoutWriteAccess(archive.path(), [&] { return countsAre(other, 25, 0); }));
}

TEST(LogFiles, ALogWhoseWriterWasKilledIsStillReadable) {
    TempDir dir;
    const Layout layout;
    const std::string path = dir.file("killed.qxlog");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int32_t writer = createLog(path, layout);
        for (int32_t n = 1; n <= 30; ++n)
            if (writer == 0 || appendTrial(writer, layout, n) != QX_OK)
                ::_exit(1);
        ::kill(::getpid(), SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(countsAre(path, 30, 0));
    EXPECT_TRUE(readsBackExactly(path, layout, 0, 30));
}
