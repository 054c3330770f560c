// The population lock across processes and threads: a dead holder is
// recovered, a live one makes others time out, the lock is recursive, and
// an unlock without the lock is refused.
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "pop_test_support.h"

using namespace poptest;

namespace {

const std::vector<double> kGenes{1.5, 2.5, 3.5};
const std::vector<ChromosomeSetup> kShape{{QX_METHOD_RECIPE, kGenes, 0, 10, 0}};

// Creates a population, reports its handle, then obeys: 1 = lock,
// 2 = unlock (each answered with the result), anything else = exit holding
// whatever it holds.
int lockingHelper(const Link& link) {
    int32_t pop = 0;
    const int32_t counts[] = {3};
    const int16_t methods[] = {QX_METHOD_RECIPE};
    if (QxPopCreate(4, 1, counts, methods, &pop) != QX_OK || QxOrgSetGenes(pop, 1, kGenes.data(), 3) != QX_OK ||
        QxPopSetRunStatus(pop, QxRunStatusOptimizing) != QX_OK)
        return 1;
    link.send(pop);
    for (int64_t cmd = link.receive(); cmd == 1 || cmd == 2; cmd = link.receive())
        link.send(cmd == 1 ? QxPopLock(pop) : QxPopUnlock(pop));
    return 0;
}

// Whether a fresh process gets the lock: 0 yes, 2 timed out, 1 other error.
int lockInOtherProcess(int32_t pop) {
    HelperProcess other([pop](const Link&) {
        const int32_t rc = QxPopLock(pop);
        return rc == QX_OK ? (QxPopUnlock(pop) == QX_OK ? 0 : 1) : (rc == QX_E_LOCK_TIMEOUT ? 2 : 1);
    });
    return other.wait();
}

} // namespace

TEST(PopLockDeadHolder, KilledHolderIsRecoveredByTheWaitingLocker) {
    char dir[] = "/tmp/qxpop-log-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    setenv("SELVANE_LOG_DIR", dir, 1);
    ASSERT_EQ(QxInit3(QX_INTERFACE_VERSION, QX_INIT_LOG, 0, ""), QX_OK);

    HelperProcess addin(lockingHelper);
    const TestPopulation pop(static_cast<int32_t>(addin.link().receive()));
    ASSERT_GT(pop, 0);
    for (int i = 0; i < 2; ++i) { // recursively: held twice when it dies
        addin.link().send(1);
        ASSERT_EQ(addin.link().receive(), QX_OK);
    }

    // The Watcher's case: already waiting for the lock when the add-in dies.
    std::atomic<int32_t> rc{-100};
    std::atomic<int64_t> lockedAt{0};
    std::atomic<bool> started{false};
    std::thread watcher([&] {
        started = true;
        rc = QxPopLock(pop);
        lockedAt = nowUs();
        if (rc == QX_OK)
            QxPopUnlock(pop);
    });
    while (!started)
        std::this_thread::yield();
    std::this_thread::sleep_for(std::chrono::milliseconds(200)); // let it block in the lock
    const int64_t killedAt = nowUs();
    addin.kill(SIGKILL);
    watcher.join();
    EXPECT_EQ(addin.wait(), 128 + SIGKILL);

    ASSERT_EQ(rc.load(), QX_OK) << lastFailureMessage(rc);
    const double latencyMs = static_cast<double>(lockedAt - killedAt) / 1000.0;
    std::cout << "[ measured ] lock recovered " << latencyMs << " ms after SIGKILL of the holder\n";
    EXPECT_LT(latencyMs, 2000.0);
    ASSERT_EQ(QxPopLock(pop), QX_OK);
    EXPECT_EQ(genesOf(pop, 1), kGenes) << "the population is whole and usable";
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusOptimizing);
    EXPECT_EQ(next(pop), 1);
    EXPECT_EQ(QxOrgSetResult(pop, 1, 3.0, 0.0, 0), QX_OK);
    EXPECT_EQ(QxPopGetTrialCount(pop), 1);
    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    EXPECT_EQ(QxPopUnlock(pop), QX_E_STATE) << "the dead holder's recursion count is gone";
    EXPECT_EQ(lockInOtherProcess(pop), 0);

    std::stringstream log;
    log << std::ifstream(std::string(dir) + "/QxLib.log").rdbuf();
    EXPECT_NE(log.str().find("was locked by a process that ended; the lock was recovered"), std::string::npos)
        << log.str();
    QxFree();
    unsetenv("SELVANE_LOG_DIR");
}

TEST(PopLockLiveHolder, OthersTimeOutUntilTheHolderUnlocks) {
    setenv("SELVANE_QX_LOCK_TIMEOUT_MS", "300", 1);
    HelperProcess addin(lockingHelper);
    const TestPopulation pop(static_cast<int32_t>(addin.link().receive()));
    ASSERT_GT(pop, 0);
    addin.link().send(1);
    ASSERT_EQ(addin.link().receive(), QX_OK);

    EXPECT_EQ(QxPopLock(pop), QX_E_LOCK_TIMEOUT);
    EXPECT_NE(lastFailureMessage(QX_E_LOCK_TIMEOUT).find("300 ms"), std::string::npos);
    EXPECT_EQ(QxPopUnlock(pop), QX_E_STATE) << "a timed-out lock is not held";
    // Calls that lock internally give up the same way; single values do not wait.
    int32_t organism = 0;
    EXPECT_EQ(QxPopNextOrganism(pop, &organism), QX_E_LOCK_TIMEOUT);
    EXPECT_EQ(QxOrgSetResult(pop, 1, 1.0, 0.0, 0), QX_E_LOCK_TIMEOUT);
    EXPECT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToPause), QX_OK);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusMarkToPause);

    addin.link().send(2);
    ASSERT_EQ(addin.link().receive(), QX_OK);
    EXPECT_EQ(QxPopLock(pop), QX_OK);
    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    unsetenv("SELVANE_QX_LOCK_TIMEOUT_MS");
}

TEST(PopLockLiveHolder, RecursiveLockIsReleasedByTheLastUnlockOfItsThread) {
    setenv("SELVANE_QX_LOCK_TIMEOUT_MS", "200", 1);
    const TestPopulation pop(4, kShape);
    ASSERT_EQ(QxPopLock(pop), QX_OK);
    ASSERT_EQ(QxPopLock(pop), QX_OK); // a nested event loop locks again
    EXPECT_EQ(next(pop), 1) << "calls that lock internally work under the caller's lock";
    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    EXPECT_EQ(lockInOtherProcess(pop), 2) << "still held once";

    int32_t threadUnlock = 0, threadLock = 0;
    std::thread([&] {
        threadUnlock = QxPopUnlock(pop);
        threadLock = QxPopLock(pop);
    }).join();
    EXPECT_EQ(threadUnlock, QX_E_STATE) << "another thread cannot release it";
    EXPECT_EQ(threadLock, QX_E_LOCK_TIMEOUT);

    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    EXPECT_EQ(lockInOtherProcess(pop), 0);
    EXPECT_EQ(QxPopUnlock(pop), QX_E_STATE);
    unsetenv("SELVANE_QX_LOCK_TIMEOUT_MS");
}

TEST(PopLockLiveHolder, FreeingAPopulationThatThisThreadHoldsReleasesIt) {
    int32_t handle = 0;
    {
        const TestPopulation pop(4, kShape);
        handle = pop;
        ASSERT_EQ(QxPopLock(pop), QX_OK);
        ASSERT_EQ(QxPopLock(pop), QX_OK);
    }
    EXPECT_EQ(QxPopLock(handle), QX_E_BAD_HANDLE);
    // Locking works afterwards. Had the held mutex been unmapped, this thread's
    // robust-mutex list would still point into it and the next lock would
    // write there; a larger population makes sure it maps somewhere else.
    const TestPopulation again(1000, {{QX_METHOD_RECIPE, std::vector<double>(40, 1.0), 0, 10, 0}});
    EXPECT_EQ(QxPopLock(again), QX_OK);
    EXPECT_EQ(QxPopUnlock(again), QX_OK);
}

// The window timer's lock: refused at once (or after the wait it names) while
// another process holds the lock, without touching the default wait; taken
// as soon as the holder lets go.
TEST(PopTryLock, ABusyLockIsRefusedWithinTheGivenWaitAndTakenOnceFree) {
    setenv("SELVANE_QX_LOCK_TIMEOUT_MS", "300", 1);
    HelperProcess addin(lockingHelper);
    const TestPopulation pop(static_cast<int32_t>(addin.link().receive()));
    ASSERT_GT(pop, 0);
    addin.link().send(1);
    ASSERT_EQ(addin.link().receive(), QX_OK);

    EXPECT_EQ(QxPopTryLock(pop, 0), QX_E_LOCK_TIMEOUT);
    const int64_t before = nowUs();
    EXPECT_EQ(QxPopTryLock(pop, 150), QX_E_LOCK_TIMEOUT);
    EXPECT_GE(nowUs() - before, 140000) << "the given wait is waited";
    EXPECT_NE(lastFailureMessage(QX_E_LOCK_TIMEOUT).find("150 ms"), std::string::npos);
    EXPECT_EQ(QxPopUnlock(pop), QX_E_STATE) << "a refused lock is not held";
    EXPECT_EQ(QxPopTryLock(pop, -1), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxPopTryLock(pop, 5001), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxPopTryLock(0, 0), QX_E_BAD_HANDLE);

    // The holder lets go while the try-lock waits: it gets the lock.
    std::thread unlocker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        addin.link().send(2);
    });
    EXPECT_EQ(QxPopTryLock(pop, 5000), QX_OK);
    unlocker.join();
    EXPECT_EQ(addin.link().receive(), QX_OK);
    // Recursive like QxPopLock: this thread may take it again without waiting.
    EXPECT_EQ(QxPopTryLock(pop, 0), QX_OK);
    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    EXPECT_EQ(lockInOtherProcess(pop), 2) << "still held once";
    EXPECT_EQ(QxPopUnlock(pop), QX_OK);
    EXPECT_EQ(lockInOtherProcess(pop), 0);
    unsetenv("SELVANE_QX_LOCK_TIMEOUT_MS");
}
