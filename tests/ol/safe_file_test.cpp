// Files and folders another user can aim at: planted links, files and
// folders of theirs at the names this system writes to.
#include <fstream>
#include <sstream>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "OtherUser.h"
#include "ol/Directories.h"
#include "ol/NamedMutex.h"
#include "ol/SafeFile.h"
#include "test_env.h"

namespace {

std::string readAll(const std::string& file) {
    std::stringstream s;
    s << std::ifstream(file).rdbuf();
    return s.str();
}

void writeText(const std::string& file, const std::string& text) {
    std::ofstream(file) << text;
}

mode_t modeOf(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 0;
}

bool isLink(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

} // namespace

TEST(SafeFile, ReplaceWritesANewPrivateFileAndNeverThroughALink) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string victim = root + "/victim.txt";
    const std::string target = root + "/run-progress.png";
    writeText(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), target.c_str()), 0);

    std::string why;
    ASSERT_TRUE(ol::safefile::replaceFile(target, "graph", 5, why)) << why;
    EXPECT_EQ(readAll(victim), "precious") << "the link was followed";
    EXPECT_FALSE(isLink(target));
    EXPECT_EQ(readAll(target), "graph");
    EXPECT_EQ(modeOf(target), 0600u);

    // Replacing again leaves nothing but the two files behind.
    ASSERT_TRUE(ol::safefile::replaceFile(target, "second", 6, why)) << why;
    EXPECT_EQ(readAll(target), "second");
    EXPECT_EQ(std::system(("test $(ls -A '" + root + "' | wc -l) -eq 2").c_str()), 0) << "a temporary file was left";

    EXPECT_FALSE(ol::safefile::replaceFile(root + "/missing/x.png", "x", 1, why));
    EXPECT_NE(why.find("missing"), std::string::npos) << why;
}

TEST(SafeFile, AppendRefusesLinksAndNarrowsItsOwnFiles) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string victim = root + "/victim.txt";
    const std::string log = root + "/Selvane.log";
    writeText(victim, "precious");
    ASSERT_EQ(::symlink(victim.c_str(), log.c_str()), 0);
    std::string why;
    EXPECT_LT(ol::safefile::openForAppend(log, why), 0);
    EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;
    EXPECT_EQ(readAll(victim), "precious");

    const std::string own = root + "/QxLib.log";
    writeText(own, "a\n");
    ::chmod(own.c_str(), 0644);
    const int fd = ol::safefile::openForAppend(own, why);
    ASSERT_GE(fd, 0) << why;
    EXPECT_TRUE(ol::safefile::writeAll(fd, "b\n", 2));
    ::close(fd);
    EXPECT_EQ(readAll(own), "a\nb\n");
    EXPECT_EQ(modeOf(own), 0600u) << "a log others could read stays readable";

    const std::string created = root + "/new.log";
    const int fd2 = ol::safefile::openForAppend(created, why);
    ASSERT_GE(fd2, 0) << why;
    ::close(fd2);
    EXPECT_EQ(modeOf(created), 0600u);

    EXPECT_LT(ol::safefile::createNew(own, why), 0) << "createNew opened an existing file";
    EXPECT_LT(ol::safefile::createNew(log, why), 0) << "createNew opened a link";
}

TEST(SafeFile, AnotherUsersLinkOrFileInASharedFolderIsNeverWrittenThrough) {
    SKIP_UNLESS_OTHER_USER_POSSIBLE();
    testsupport::SharedFolder shared;
    ASSERT_FALSE(shared.path().empty());
    QTemporaryDir mine;
    const std::string victim = mine.path().toStdString() + "/mine.txt";
    writeText(victim, "precious");
    const std::string graph = shared.file("run-progress.png");
    const std::string log = shared.file("Selvane.log");
    ASSERT_TRUE(testsupport::asOtherUser([&] {
        return ::symlink(victim.c_str(), graph.c_str()) == 0 &&
               ::close(::open(log.c_str(), O_CREAT | O_WRONLY, 0666)) == 0;
    }));

    std::string why;
    EXPECT_TRUE(ol::safefile::replaceFile(graph, "graph", 5, why)) << why;
    EXPECT_EQ(readAll(victim), "precious");
    EXPECT_LT(ol::safefile::openForAppend(log, why), 0) << "appended to another user's file";
    EXPECT_NE(why.find("not a file of your own"), std::string::npos) << why;
}

TEST(PrivateFolders, AFolderOfAnotherUserIsRefusedWithWhatToDo) {
    SKIP_UNLESS_OTHER_USER_POSSIBLE();
    testsupport::SharedFolder shared;
    const std::string squatted = shared.file("selvane");
    ASSERT_TRUE(testsupport::asOtherUser([&] { return ::mkdir(squatted.c_str(), 0777) == 0; }));
    ::chmod(squatted.c_str(), 0777);

    std::string why;
    EXPECT_FALSE(ol::safefile::ensurePrivateDirectory(squatted, why, true));
    EXPECT_NE(why.find("belongs to user 65534"), std::string::npos) << why;
    EXPECT_NE(why.find("Have it removed"), std::string::npos) << why;

    // The runtime folder of the named mutexes, squatted the same way: the
    // mutex is refused with the reason, not as "held by another process".
    const oltest::EnvVar runtime("XDG_RUNTIME_DIR", shared.path().c_str());
    const oltest::EnvVar instance("SELVANE_INSTANCE", nullptr);
    QString reason;
    EXPECT_TRUE(ol::runtimeDirectory(&reason).isEmpty());
    EXPECT_TRUE(reason.contains(QStringLiteral("belongs to user 65534"))) << reason.toStdString();
    ol::NamedMutex mutex;
    reason.clear();
    EXPECT_FALSE(
        mutex.create(QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8"), ol::NamedMutex::Mode::Shared, &reason));
    EXPECT_TRUE(reason.contains(QStringLiteral("belongs to user 65534"))) << reason.toStdString();
    EXPECT_FALSE(reason.contains(QStringLiteral("already holds"))) << reason.toStdString();
}

TEST(PrivateFolders, OwnFoldersMustBeClosedToOthersAndNotLinks) {
    QTemporaryDir dir;
    const std::string root = dir.path().toStdString();
    const std::string open = root + "/open";
    ASSERT_EQ(::mkdir(open.c_str(), 0755), 0);
    ::chmod(open.c_str(), 0755);
    std::string why;
    EXPECT_TRUE(ol::safefile::ensurePrivateDirectory(open, why)) << why;
    EXPECT_FALSE(ol::safefile::ensurePrivateDirectory(open, why, true));
    EXPECT_NE(why.find("chmod 700"), std::string::npos) << why;
    ::chmod(open.c_str(), 0777);
    EXPECT_FALSE(ol::safefile::ensurePrivateDirectory(open, why));
    EXPECT_NE(why.find("written by other users"), std::string::npos) << why;

    const std::string link = root + "/link";
    ASSERT_EQ(::symlink(open.c_str(), link.c_str()), 0);
    EXPECT_FALSE(ol::safefile::ensurePrivateDirectory(link, why));
    EXPECT_NE(why.find("symbolic link"), std::string::npos) << why;

    const std::string made = root + "/a/b/c";
    EXPECT_TRUE(ol::safefile::ensurePrivateDirectory(made, why, true)) << why;
    EXPECT_EQ(modeOf(root + "/a"), 0700u);
    EXPECT_EQ(modeOf(made), 0700u);
}

TEST(PrivateFolders, RunFilesGoToTheUsersOwnLogFolderNotTmp) {
    QTemporaryDir dir;
    const oltest::EnvVar logs("SELVANE_LOG_DIR", dir.path() + QStringLiteral("/state/selvane"));
    QString why;
    const QString runs = ol::runFilesDirectory(&why);
    ASSERT_FALSE(runs.isEmpty()) << why.toStdString();
    EXPECT_TRUE(runs.startsWith(dir.path())) << runs.toStdString();
    EXPECT_EQ(modeOf(runs.toStdString()), 0700u);
}
