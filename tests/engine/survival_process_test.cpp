#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>

#include <sys/wait.h>
#include <unistd.h>

#include <QElapsedTimer>
#include <QProcess>

#include "EngineTestEnv.h"
#include "SurvivalChecker.h"
#include "ol/NamedMutex.h"

using namespace Qt::StringLiterals;

namespace {

// The add-in's stand-in: a child process that holds the add-in's mutex until
// it is killed, the hard way, as a crashing host dies.
class AddInProcess {
public:
    AddInProcess() {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ol::NamedMutex mutex;
            const char ok = mutex.create(engine::SurvivalChecker::kAddInMutexName) ? '1' : '0';
            if (::write(fds[1], &ok, 1) == 1 && ok == '1')
                for (;;)
                    ::pause();
            ::_exit(1);
        }
        char ok = '0';
        m_holding = m_pid > 0 && ::read(fds[0], &ok, 1) == 1 && ok == '1';
        ::close(fds[0]);
        ::close(fds[1]);
    }
    ~AddInProcess() { kill(); }
    bool holding() const { return m_holding; }
    void kill() {
        if (m_pid > 0 && ::kill(m_pid, SIGKILL) == 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    bool m_holding = false;
};

// A private mutex folder, and the diagnostic log on for every process.
class SurvivalProcessTest : public ::testing::Test {
protected:
    SurvivalProcessTest() { m_logs.touch(u"MirrowLoggingDetail.txt"_s); }

    // Starts the probe and waits until its start-up is done.
    void startProbe(const QStringList& args) {
        m_probe.start(QStringLiteral(SURVIVAL_PROBE_PATH), args);
        while (!m_probe.canReadLine() && m_probe.waitForReadyRead(10000)) {
        }
        ASSERT_EQ(m_probe.readLine().trimmed(), QByteArray("ready")) << m_probe.readAllStandardError().constData();
    }
    bool engineFreed() const {
        QFile f(m_logs.file(u"QxLib.log"_s));
        return f.open(QIODevice::ReadOnly) && f.readAll().contains("QxFree");
    }

    QTemporaryDir m_runtimeDir;
    enginetest::ScopedEnv m_runtime{"XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path())};
    enginetest::TempLogDir m_logs;
    QProcess m_probe;
};

} // namespace

TEST_F(SurvivalProcessTest, EndsWhenAddInDies) {
    AddInProcess addIn;
    ASSERT_TRUE(addIn.holding());
    startProbe({u"--automation"_s});
    EXPECT_FALSE(m_probe.waitForFinished(2500)) << "ended while the add-in lived";

    QElapsedTimer sinceKill;
    addIn.kill();
    sinceKill.start();
    ASSERT_TRUE(m_probe.waitForFinished(10000));
    std::printf("[ measured ] Watcher ended %lld ms after the add-in died\n",
                static_cast<long long>(sinceKill.elapsed()));
    EXPECT_LT(sinceKill.elapsed(), 5000); // one polling interval is 1000 ms; generous for a loaded machine
    EXPECT_EQ(m_probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_probe.exitCode(), 0);
    EXPECT_TRUE(engineFreed());
    EXPECT_TRUE(m_logs.logMessages().contains(u"SurvivalChecker.TimerProc: Entering"_s));
}

TEST_F(SurvivalProcessTest, SelfDestructEndsAStuckProcess) {
    AddInProcess addIn;
    ASSERT_TRUE(addIn.holding());
    // The probe blocks for ever after its event loop: only the self-destruct
    // timer can end it, with exit code 0.
    startProbe({u"--automation"_s, u"--hang-after-loop"_s});
    addIn.kill();
    ASSERT_TRUE(m_probe.waitForFinished(10000));
    EXPECT_EQ(m_probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(m_probe.exitCode(), 0);
    EXPECT_TRUE(engineFreed());
}

TEST_F(SurvivalProcessTest, StandAloneRunsWithoutSurvivalChecker) {
    // No add-in at all: a Watcher started by hand must not end itself.
    startProbe({});
    EXPECT_FALSE(m_probe.waitForFinished(2000));
    EXPECT_EQ(m_probe.state(), QProcess::Running);
    m_probe.kill();
    m_probe.waitForFinished(10000);
    EXPECT_FALSE(m_logs.logMessages().contains(u"SurvivalChecker.TimerProc: Entering"_s));
    EXPECT_FALSE(engineFreed());
}
