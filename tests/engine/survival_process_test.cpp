#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "EngineTestEnv.h"
#include "SurvivalChecker.h"
#include "ol/NamedMutex.h"

using enginetest::ScopedEnv;
using enginetest::TempLogDir;

namespace {

// The add-in's stand-in: a child process that holds the add-in's mutex until
// it is killed.
class AddInProcess {
public:
    AddInProcess() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(fds[0]);
            ol::NamedMutex mutex;
            const char ok = mutex.create(engine::SurvivalChecker::kAddInMutexName) ? '1' : '0';
            [[maybe_unused]] const ssize_t n = ::write(fds[1], &ok, 1);
            if (ok == '1')
                for (;;)
                    ::pause();
            ::_exit(1);
        }
        ::close(fds[1]);
        char ok = '0';
        m_holding = m_pid > 0 && ::read(fds[0], &ok, 1) == 1 && ok == '1';
        ::close(fds[0]);
    }
    ~AddInProcess() { kill(); }

    bool holding() const { return m_holding; }
    // Dies the hard way, as a crashing host would.
    void kill() {
        if (m_pid <= 0)
            return;
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

// Private mutex folder and a diagnostic log for every process of the case.
class SurvivalProcessTest : public ::testing::Test {
protected:
    SurvivalProcessTest() : m_runtime("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path())) {
        m_logs.touch(QStringLiteral("MirrowLoggingDetail.txt"));
    }

    // Starts the probe and waits until its start-up is done.
    void startProbe(QProcess& probe, const QStringList& args) {
        probe.setProgram(QStringLiteral(SURVIVAL_PROBE_PATH));
        probe.setArguments(args);
        probe.start();
        ASSERT_TRUE(probe.waitForStarted(10000));
        while (!probe.canReadLine() && probe.state() == QProcess::Running)
            probe.waitForReadyRead(10000);
        ASSERT_EQ(probe.readLine().trimmed(), QByteArray("ready")) << probe.readAllStandardError().constData();
    }

    QByteArray engineLog() const {
        QFile f(m_logs.file(QStringLiteral("QxLib.log")));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    QTemporaryDir m_runtimeDir;
    ScopedEnv m_runtime;
    TempLogDir m_logs;
};

} // namespace

TEST_F(SurvivalProcessTest, EndsWhenAddInDies) {
    AddInProcess addIn;
    ASSERT_TRUE(addIn.holding());
    QProcess probe;
    startProbe(probe, {QStringLiteral("--automation")});

    // While the add-in lives, the Watcher lives on across several ticks.
    EXPECT_FALSE(probe.waitForFinished(2500));

    QElapsedTimer sinceKill;
    addIn.kill();
    sinceKill.start();
    ASSERT_TRUE(probe.waitForFinished(10000));
    const qint64 ms = sinceKill.elapsed();
    std::printf("[ measured ] Watcher ended %lld ms after the add-in died\n", static_cast<long long>(ms));
    // Generous: one polling interval is 1000 ms; a loaded machine adds its own delays.
    EXPECT_LT(ms, 5000);
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    // The engine was freed on the way out (its own log says so).
    EXPECT_TRUE(engineLog().contains("QxFree")) << engineLog().constData();
    EXPECT_TRUE(m_logs.logMessages().contains(QStringLiteral("SurvivalChecker.TimerProc: Entering")));
}

TEST_F(SurvivalProcessTest, SelfDestructEndsAStuckProcess) {
    AddInProcess addIn;
    ASSERT_TRUE(addIn.holding());
    QProcess probe;
    startProbe(probe, {QStringLiteral("--automation"), QStringLiteral("--hang-after-loop")});
    addIn.kill();
    // The probe's main would block forever after its event loop; only the
    // self-destruct timer can end it, and it does so with exit code 0.
    ASSERT_TRUE(probe.waitForFinished(10000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_TRUE(engineLog().contains("QxFree"));
}

TEST_F(SurvivalProcessTest, StandAloneRunsWithoutSurvivalChecker) {
    // No add-in at all: a Watcher started by hand must not end itself.
    QProcess probe;
    startProbe(probe, {});
    EXPECT_FALSE(probe.waitForFinished(2000));
    EXPECT_EQ(probe.state(), QProcess::Running);
    probe.kill();
    probe.waitForFinished(10000);
    EXPECT_FALSE(m_logs.logMessages().contains(QStringLiteral("SurvivalChecker.TimerProc: Entering")));
    EXPECT_FALSE(engineLog().contains("QxFree"));
}
