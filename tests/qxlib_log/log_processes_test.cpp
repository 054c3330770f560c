// The add-in and the Watcher are separate processes: the writer runs in a
// child process, the reader here.
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

#include <gtest/gtest.h>

#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

namespace {

// Runs `body` in a child process whose exit status is body's result.
template <typename Body> pid_t spawn(Body&& body) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    return child;
}

int exitStatus(pid_t child, int options = 0) {
    int status = 0;
    if (::waitpid(child, &status, options) != child)
        return -2; // still running
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace

TEST(LogAcrossProcesses, TheReaderSeesEveryRecordWholeWhileTheWriterAppends) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    Layout layout;
    layout.genes = 20;
    constexpr int32_t kTrials = 10000;
    const pid_t writer = spawn([&] {
        const int32_t w = createLog(path, layout);
        int32_t rc = w == 0;
        for (int32_t n = 1; n <= kTrials && rc == QX_OK; ++n) {
            rc = appendTrial(w, layout, n);
            if (rc == QX_OK && n % 10 == 0)
                rc = appendStep(w, layout, 1, n / 10);
            if (rc == QX_OK && n % 25 == 0)
                rc = appendStep(w, layout, 2, n / 25);
        }
        return rc == QX_OK && QxLogClose(w) == QX_OK ? 0 : 1;
    });
    ASSERT_GT(writer, 0);

    // seen[t]: records of table t checked so far. Counts may only grow, and
    // every record they promise reads back whole and exact.
    int32_t seen[3] = {0, 0, 0};
    int status = -2, pollsWhileWriting = 0;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    for (bool last = false; !last && !HasFailure() && std::chrono::steady_clock::now() < giveUp;) {
        last = status != -2; // one more pass once the writer has finished
        if (!last)
            status = exitStatus(writer, WNOHANG);
        int32_t counts[3] = {-1, -1, -1};
        const int32_t rc = QxLogGetRecordCountsWVB(path.c_str(), &counts[0], &counts[1]);
        if (rc == QX_E_NO_LOG && status == -2) {
            ::usleep(200); // not created yet
            continue;
        }
        ASSERT_EQ(rc, QX_OK);
        ASSERT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), nullptr, 2, &counts[2]), QX_OK);
        for (int32_t t = 0; t < 3; ++t) {
            ASSERT_GE(counts[t], seen[t]) << "the count of table " << t << " went backwards";
            for (int32_t n = seen[t] + 1; n <= counts[t]; ++n)
                ASSERT_TRUE(readsBackExactly(path, layout, t, n));
            seen[t] = counts[t];
        }
        pollsWhileWriting += status == -2;
        ::usleep(100);
    }
    if (status == -2) {
        ::kill(writer, SIGKILL);
        exitStatus(writer);
    }
    EXPECT_EQ(status, 0) << "the writer failed";
    EXPECT_EQ(seen[0], kTrials);
    EXPECT_EQ(seen[1], kTrials / 10);
    EXPECT_EQ(seen[2], kTrials / 25);
    RecordProperty("polls_while_writing", pollsWhileWriting); // shows that the two overlapped
}

TEST(LogAcrossProcesses, TheCachedReaderFollowsTheFileAtThePath) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout first;
    const int32_t w = createLog(path, first);
    for (int32_t n = 1; n <= 7; ++n)
        ASSERT_EQ(appendTrial(w, first, n), QX_OK);
    ASSERT_EQ(QxLogClose(w), QX_OK);
    ASSERT_TRUE(readsBackExactly(path, first, 0, 7)); // the reader is now cached

    Layout second;
    second.genes = 9;
    second.chromosomes = 4;
    second.names = {"x", "y"};
    auto writeLog = [&](const Layout& layout, int32_t trials) {
        return exitStatus(spawn([&] {
            const int32_t h = createLog(path, layout);
            for (int32_t n = 1; n <= trials; ++n)
                if (appendTrial(h, layout, n) != QX_OK)
                    return 1;
            return QxLogClose(h) == QX_OK ? 0 : 2;
        }));
    };
    ASSERT_EQ(writeLog(second, 3), 0);
    int32_t chromosomes = -1, genes = -1, constraints = -1, trials = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), &chromosomes, &genes, &constraints), QX_OK);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(std::vector({chromosomes, genes, constraints, trials}), std::vector({4, 9, 2, 3}));
    EXPECT_TRUE(readsBackExactly(path, second, 0, 3));

    // Removed: gone for the reader too. Back again: read again.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_E_NO_LOG);
    ASSERT_EQ(writeLog(first, 1), 0);
    EXPECT_TRUE(readsBackExactly(path, first, 0, 1));
}

TEST(LogAcrossProcesses, AWriterThatDiesLeavesEveryAppendedRecord) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    // Killed right after its last append returns: no close, no checkpoint.
    const pid_t child = spawn([&] {
        const int32_t w = createLog(path, layout);
        for (int32_t n = 1; n <= 250; ++n)
            if (appendTrial(w, layout, n) != QX_OK)
                return 1;
        ::raise(SIGKILL);
        return 2;
    });
    EXPECT_EQ(exitStatus(child), -1) << "the child was not killed";
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 250);
    for (int32_t n = 1; n <= 250; n += 83)
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
}
