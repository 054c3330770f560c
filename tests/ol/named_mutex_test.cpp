#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "ol/NamedMutex.h"
#include "test_env.h"

extern char** environ;

namespace {

const QString kAddinMutex = QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8");
const QString kWatcherMutex = QStringLiteral("MirrowSurvivalMutex_GraphingEngineVersion8");

// A child process that takes the mutex, reports on a pipe and then waits to
// be killed.
struct MutexHolderChild {
    pid_t pid = -1;

    bool start(const QString& name, ol::NamedMutex::Mode mode = ol::NamedMutex::Mode::Exclusive) {
        int fds[2];
        if (::pipe(fds) != 0)
            return false;
        pid = ::fork();
        if (pid == 0) {
            ::close(fds[0]);
            ol::NamedMutex mutex;
            const char ok = mutex.create(name, mode) ? 'y' : 'n';
            if (::write(fds[1], &ok, 1) != 1)
                ::_exit(2);
            for (;;)
                ::pause();
        }
        ::close(fds[1]);
        char reply = 0;
        const bool got = pid > 0 && ::read(fds[0], &reply, 1) == 1;
        ::close(fds[0]);
        return got && reply == 'y';
    }

    void killAndWait() {
        if (pid <= 0)
            return;
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        pid = -1;
    }

    ~MutexHolderChild() { killAndWait(); }
};

} // namespace

TEST(NamedMutex, ExistsOnlyWhileHeld) {
    oltest::PrivateRuntimeDir runtime;
    EXPECT_FALSE(ol::NamedMutex::exists(kWatcherMutex)) << "never created";
    {
        ol::NamedMutex mutex;
        ASSERT_TRUE(mutex.create(kWatcherMutex));
        EXPECT_TRUE(mutex.isHeld());
        EXPECT_EQ(mutex.name(), kWatcherMutex);
        // The holder is this very process: the probe must still see it.
        EXPECT_TRUE(ol::NamedMutex::exists(kWatcherMutex));
        EXPECT_TRUE(ol::NamedMutex::exists(kWatcherMutex)) << "probing must not take the mutex away";
        EXPECT_FALSE(ol::NamedMutex::exists(kAddinMutex)) << "other names are independent";
        mutex.release();
        EXPECT_FALSE(mutex.isHeld());
        EXPECT_FALSE(ol::NamedMutex::exists(kWatcherMutex));
        ASSERT_TRUE(mutex.create(kWatcherMutex));
    }
    EXPECT_FALSE(ol::NamedMutex::exists(kWatcherMutex)) << "destruction releases";
}

TEST(NamedMutex, SecondHolderInTheSameProcessIsRefused) {
    oltest::PrivateRuntimeDir runtime;
    ol::NamedMutex first;
    ol::NamedMutex second;
    ASSERT_TRUE(first.create(kAddinMutex));
    EXPECT_FALSE(second.create(kAddinMutex));
    EXPECT_FALSE(second.isHeld());
    first.release();
    EXPECT_TRUE(second.create(kAddinMutex));

    // Moving hands the lock over without a gap.
    ol::NamedMutex moved(std::move(second));
    EXPECT_TRUE(moved.isHeld());
    EXPECT_FALSE(second.isHeld()); // NOLINT(bugprone-use-after-move): checking the moved-from state
    EXPECT_TRUE(ol::NamedMutex::exists(kAddinMutex));
    moved = ol::NamedMutex();
    EXPECT_FALSE(ol::NamedMutex::exists(kAddinMutex));

    EXPECT_FALSE(first.create(QString()));
    EXPECT_FALSE(first.create(QStringLiteral("../x"))) << "a name must not leave the lock folder";
}

TEST(NamedMutex, HeldByAnotherProcessAndDroppedWhenItIsKilled) {
    oltest::PrivateRuntimeDir runtime;
    MutexHolderChild child;
    ASSERT_TRUE(child.start(kAddinMutex));
    EXPECT_TRUE(ol::NamedMutex::exists(kAddinMutex));
    ol::NamedMutex mine;
    EXPECT_FALSE(mine.create(kAddinMutex)) << "the child holds it";

    child.killAndWait();
    EXPECT_FALSE(ol::NamedMutex::exists(kAddinMutex)) << "the kernel drops the lock of a killed holder";
    EXPECT_TRUE(mine.create(kAddinMutex));
}

TEST(NamedMutex, NotInheritedByStartedPrograms) {
    // A program started while the mutex is held must not keep it alive after
    // this process lets it go (the lock file is opened close-on-exec).
    oltest::PrivateRuntimeDir runtime;
    ol::NamedMutex mutex;
    ASSERT_TRUE(mutex.create(kWatcherMutex));
    pid_t pid = -1;
    char sleepPath[] = "/bin/sleep";
    char seconds[] = "60";
    char* argv[] = {sleepPath, seconds, nullptr};
    ASSERT_EQ(::posix_spawn(&pid, sleepPath, nullptr, nullptr, argv, environ), 0);
    mutex.release();
    const bool stillExists = ol::NamedMutex::exists(kWatcherMutex);
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    EXPECT_FALSE(stillExists);
}

TEST(NamedMutex, SeveralAddInsHoldTheSurvivalMutexAtOnceUntilTheLastIsKilled) {
    // Every add-in of the user holds the survival mutex shared; the Watcher
    // probes whether any holder still lives.
    oltest::PrivateRuntimeDir runtime;
    const auto shared = ol::NamedMutex::Mode::Shared;
    MutexHolderChild first;
    MutexHolderChild second;
    ASSERT_TRUE(first.start(kAddinMutex, shared));
    ASSERT_TRUE(second.start(kAddinMutex, shared)) << "a second add-in was refused the survival mutex";
    EXPECT_TRUE(ol::NamedMutex::exists(kAddinMutex));

    first.killAndWait();
    EXPECT_TRUE(ol::NamedMutex::exists(kAddinMutex)) << "the second add-in still lives";
    ol::NamedMutex exclusive;
    QString why;
    EXPECT_FALSE(exclusive.create(kAddinMutex, ol::NamedMutex::Mode::Exclusive, &why));
    EXPECT_TRUE(why.contains(QStringLiteral("already holds"))) << why.toStdString();

    second.killAndWait();
    EXPECT_FALSE(ol::NamedMutex::exists(kAddinMutex)) << "no holder is left";
    ol::NamedMutex third;
    EXPECT_TRUE(third.create(kAddinMutex, shared));
    EXPECT_TRUE(ol::NamedMutex::exists(kAddinMutex));
}
