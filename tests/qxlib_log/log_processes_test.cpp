// The add-in and the Watcher are separate processes: a writer in a child
// process, the reader here.
#include <chrono>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

namespace {

// Runs `body` in a child process; the child's exit status is body's result.
template <typename Body> pid_t spawn(Body&& body) {
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(body());
    return child;
}

int waitFor(pid_t child) {
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

bool exited(pid_t child, int& status) {
    int raw = 0;
    const pid_t r = ::waitpid(child, &raw, WNOHANG);
    if (r != child)
        return false;
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return true;
}

} // namespace

TEST(LogAcrossProcesses, TheReaderSeesEveryRecordWholeWhileTheWriterAppends) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    Layout layout;
    layout.genes = 20;
    constexpr int32_t kTrials = 10000;
    // Selector 1 gets a step every 10 trials, selector 2 every 25.
    const pid_t writer = spawn([&] {
        const int32_t w = createLog(path, layout);
        if (w == 0)
            return 10;
        int32_t steps1 = 0, steps2 = 0;
        for (int32_t n = 1; n <= kTrials; ++n) {
            if (appendTrial(w, layout, n) != QX_OK)
                return 11;
            if (n % 10 == 0 && appendStep(w, layout, 1, ++steps1) != QX_OK)
                return 12;
            if (n % 25 == 0 && appendStep(w, layout, 2, ++steps2) != QX_OK)
                return 13;
        }
        return QxLogClose(w) == QX_OK ? 0 : 14;
    });
    ASSERT_GT(writer, 0);

    int32_t seenTrials = 0, seenSteps1 = 0, seenSteps2 = 0;
    int polls = 0, readsWhileWriting = 0;
    int status = -1;
    bool done = false;
    const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(2);
    while (!::testing::Test::HasFailure() && std::chrono::steady_clock::now() < giveUp) {
        // Once the child has exited, one more pass reads what is left.
        const bool last = done;
        done = done || exited(writer, status);
        int32_t trials = -1, steps1 = -1, steps2 = -1;
        const int32_t rc = QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps1);
        if (rc == QX_E_NO_LOG && !done) {
            ::usleep(200); // the child has not created it yet
            continue;
        }
        ASSERT_EQ(rc, QX_OK);
        ASSERT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), nullptr, 2, &steps2), QX_OK);
        ++polls;
        ASSERT_GE(trials, seenTrials) << "the trial count went backwards";
        ASSERT_GE(steps1, seenSteps1);
        ASSERT_GE(steps2, seenSteps2);
        // Every record the counts promise is there, whole.
        for (int32_t n = seenTrials + 1; n <= trials; ++n)
            ASSERT_TRUE(readsBackExactly(path, layout, 0, n));
        for (int32_t n = seenSteps1 + 1; n <= steps1; ++n)
            ASSERT_TRUE(readsBackExactly(path, layout, 1, n));
        for (int32_t n = seenSteps2 + 1; n <= steps2; ++n)
            ASSERT_TRUE(readsBackExactly(path, layout, 2, n));
        // An older record still reads the same.
        if (trials > 0) {
            ASSERT_TRUE(readsBackExactly(path, layout, 0, 1 + polls % trials));
        }
        if (!done && trials > seenTrials)
            ++readsWhileWriting;
        seenTrials = trials;
        seenSteps1 = steps1;
        seenSteps2 = steps2;
        if (last)
            break;
        ::usleep(100); // poll rather than spin
    }
    if (!done) {
        ::kill(writer, SIGKILL);
        waitFor(writer);
    }
    EXPECT_EQ(status, 0) << "writer child failed";
    EXPECT_EQ(seenTrials, kTrials);
    EXPECT_EQ(seenSteps1, kTrials / 10);
    EXPECT_EQ(seenSteps2, kTrials / 25);
    // Not an assertion on speed: it shows that the two really overlapped.
    RecordProperty("polls_while_writing", readsWhileWriting);
}

TEST(LogAcrossProcesses, TheCachedReaderFollowsTheFileAtThePath) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    Layout first;
    {
        const int32_t w = createLog(path, first);
        for (int32_t n = 1; n <= 7; ++n)
            ASSERT_EQ(appendTrial(w, first, n), QX_OK);
        ASSERT_EQ(QxLogClose(w), QX_OK);
    }
    ASSERT_TRUE(readsBackExactly(path, first, 0, 7)); // the reader is now cached

    Layout second;
    second.genes = 9;
    second.chromosomes = 4;
    second.names = {"x", "y"};
    second.hardNotSoft = {1, 0};
    second.isAtomic = {QX_FALSE, QX_TRUE};
    ASSERT_EQ(waitFor(spawn([&] {
                  const int32_t w = createLog(path, second);
                  for (int32_t n = 1; n <= 3; ++n)
                      if (appendTrial(w, second, n) != QX_OK)
                          return 1;
                  return QxLogClose(w) == QX_OK ? 0 : 2;
              })),
              0);
    int32_t chromosomes = -1, genes = -1, constraints = -1, trials = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), &chromosomes, &genes, &constraints), QX_OK);
    EXPECT_EQ(chromosomes, 4);
    EXPECT_EQ(genes, 9);
    EXPECT_EQ(constraints, 2);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 3);
    EXPECT_TRUE(readsBackExactly(path, second, 0, 3));

    // Removed: gone for the reader too. Back again: read again.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_E_NO_LOG);
    ASSERT_EQ(waitFor(spawn([&] {
                  const int32_t w = createLog(path, first);
                  return appendTrial(w, first, 1) == QX_OK && QxLogClose(w) == QX_OK ? 0 : 1;
              })),
              0);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 1);
    EXPECT_TRUE(readsBackExactly(path, first, 0, 1));
}

TEST(LogAcrossProcesses, AWriterThatDiesLeavesEveryAppendedRecord) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    // The child is killed by a signal right after its last append returns:
    // no close, no checkpoint.
    const pid_t child = spawn([&] {
        const int32_t w = createLog(path, layout);
        for (int32_t n = 1; n <= 250; ++n)
            if (appendTrial(w, layout, n) != QX_OK)
                return 1;
        ::raise(SIGKILL);
        return 2;
    });
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 250);
    for (int32_t n = 1; n <= 250; n += 17)
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
    EXPECT_TRUE(readsBackExactly(path, layout, 0, 250));
}
