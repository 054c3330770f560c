#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QObject>
#include <QTemporaryDir>
#include <QThread>

#include <unistd.h>

#include "Application.h"
#include "EngineTestEnv.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "SurvivalChecker.h"
#include "SurvivalHost.h"
#include "ol/Directories.h"
#include "ol/NamedMutex.h"
#include "ol/OLError.h"
#include "ol/ScriptedVisualServices.h"

using namespace engine;
using enginetest::ScopedEnv;
using enginetest::TempLogDir;

namespace {

// The current manager as the survival checker sees it, scripted.
class ScriptedManager : public SurvivalHost {
public:
    bool excelApplicationSet = true;
    int32_t majorVersion = 16;
    int64_t appWindow = 42;
    ol::WindowRef questionWindow;
    bool macroFails = false;
    QStringList macros;

    bool hasExcelApplication() override { return excelApplicationSet; }
    void runExcelMacro(const QString& macro) override {
        macros << macro;
        if (macroFails)
            ol::raiseError(ol::kErrGeneral, QStringLiteral("Run"), QStringLiteral("the host did not answer"));
    }
    int32_t excelMajorVersion() override { return majorVersion; }
    int64_t excelAppWindow() override { return appWindow; }
    ol::WindowRef findTopLevelWindow(const QString& title) override {
        return title == QStringLiteral("Selvane") ? questionWindow : ol::WindowRef();
    }
};

// Runs the event loop until pred holds or 10 s pass.
template <class P> bool waitFor(P pred) {
    QDeadlineTimer deadline(10000);
    while (!pred() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(1);
    }
    return pred();
}

// Each case: a private runtime folder for mutexes, the add-in's mutex held
// (by this process), scripted window services, no process flags set.
class SurvivalTest : public ::testing::Test {
protected:
    SurvivalTest()
        : m_runtime("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path())), m_services(m_scripted.asServices()) {}

    void SetUp() override {
        ASSERT_TRUE(m_addIn.create(SurvivalChecker::kAddInMutexName));
        ProcessState::setProcessId(static_cast<int32_t>(::getpid()));
        ProcessState::setCurrentManager(&m_manager);
        ApplicationHooks hooks;
        hooks.endProgram = [this] { ++m_endCalls; };
        hooks.selfDestruct = [this] { m_selfDestructs.fetch_add(1); };
        SetApplicationHooks(hooks);
    }
    void TearDown() override {
        SurvivalChecker::KillPollingTimer();
        ProcessState::setCurrentManager(nullptr);
        ProcessState::setModalDialogUp(false);
        ProcessState::setQuestionShown(false);
        ProcessState::setStartedByAutomation(false);
        // Let an armed self-destruct timer fire into its observer before the
        // hooks go away.
        if (m_endCalls > 0)
            waitFor([this] { return m_selfDestructs.load() > 0; });
        SetApplicationHooks({});
    }

    std::vector<ol::ScriptedCall> fronted() const { return m_scripted.callsOf(QStringLiteral("bringToFront")); }

    QTemporaryDir m_runtimeDir;
    ScopedEnv m_runtime;
    ol::NamedMutex m_addIn;
    ol::ScriptedVisualServices m_scripted;
    ol::ScopedVisualServices m_services;
    ScriptedManager m_manager;
    int m_endCalls = 0;
    std::atomic<int> m_selfDestructs{0};
};

} // namespace

TEST_F(SurvivalTest, PollingIntervalFollowsModalFlag) {
    SurvivalChecker::StartPollingTimer();
    EXPECT_TRUE(SurvivalChecker::isPolling());
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);
    ProcessState::setModalDialogUp(true);
    SurvivalChecker::RestartPollingTimer();
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 100);
    SurvivalChecker::KillPollingTimer();
    EXPECT_FALSE(SurvivalChecker::isPolling());
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 0);

    // A tick re-arms the timer with the interval of the moment.
    ProcessState::setModalDialogUp(false);
    SurvivalChecker::TimerProc();
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);
    EXPECT_EQ(m_endCalls, 0);
}

TEST_F(SurvivalTest, ModalDialogRunsMacroAndKeepsHostWindowInFront) {
    ProcessState::setModalDialogUp(true);
    // Another window of the host is in front: the host's main window comes forward.
    m_scripted.setForegroundWindow(ol::WindowRef::host(7));
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_manager.macros, QStringList{QStringLiteral("Selvane.xla!OptDoEvents")});
    ASSERT_EQ(fronted().size(), 1u);
    EXPECT_EQ(fronted()[0].window, ol::WindowRef::host(42));

    // Already in front, or a window of this process in front: nothing to do.
    m_scripted.clearCalls();
    m_scripted.setForegroundWindow(ol::WindowRef::host(42));
    SurvivalChecker::TimerProc();
    QObject own;
    m_scripted.setForegroundWindow(ol::WindowRef::local(&own));
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(fronted().empty());
    EXPECT_EQ(m_manager.macros.size(), 3);

    // Old host versions and a host without a main window get the macro only.
    m_scripted.setForegroundWindow(ol::WindowRef::host(7));
    m_manager.majorVersion = 14;
    SurvivalChecker::TimerProc();
    m_manager.majorVersion = 16;
    m_manager.appWindow = 0;
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(fronted().empty());
    EXPECT_EQ(m_manager.macros.size(), 5);
}

TEST_F(SurvivalTest, NoMacroWithoutModalDialogOrHost) {
    m_scripted.setForegroundWindow(ol::WindowRef::host(7));
    SurvivalChecker::TimerProc();
    ProcessState::setModalDialogUp(true);
    m_manager.excelApplicationSet = false;
    SurvivalChecker::TimerProc();
    ProcessState::setCurrentManager(nullptr);
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(m_manager.macros.isEmpty());
    EXPECT_TRUE(fronted().empty());
    EXPECT_TRUE(SurvivalChecker::isPolling());
}

TEST_F(SurvivalTest, QuestionIsKeptInFrontOfHost) {
    QObject question;
    m_manager.questionWindow = ol::WindowRef::local(&question);
    ProcessState::setQuestionShown(true);
    m_scripted.setForegroundWindow(ol::WindowRef::host(42));
    SurvivalChecker::TimerProc();
    ASSERT_EQ(fronted().size(), 1u);
    EXPECT_EQ(fronted()[0].window, ol::WindowRef::local(&question));

    // The question in front already, the flag cleared, or no such window of
    // this process: nothing is brought forward.
    m_scripted.clearCalls();
    m_scripted.setForegroundWindow(ol::WindowRef::local(&question));
    SurvivalChecker::TimerProc();
    m_scripted.setForegroundWindow(ol::WindowRef::host(42));
    ProcessState::setQuestionShown(false);
    SurvivalChecker::TimerProc();
    ProcessState::setQuestionShown(true);
    m_manager.questionWindow = ol::WindowRef::host(99);
    SurvivalChecker::TimerProc();
    m_manager.questionWindow = ol::WindowRef();
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(fronted().empty());
}

TEST_F(SurvivalTest, FailingStepDoesNotStopTheTick) {
    QObject question;
    m_manager.questionWindow = ol::WindowRef::local(&question);
    m_manager.macroFails = true;
    ProcessState::setModalDialogUp(true);
    ProcessState::setQuestionShown(true);
    m_scripted.setForegroundWindow(ol::WindowRef::host(7));
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_manager.macros.size(), 1);
    // The question step still ran, and the timer is armed again.
    ASSERT_EQ(fronted().size(), 1u);
    EXPECT_EQ(fronted()[0].window, ol::WindowRef::local(&question));
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 100);
}

TEST_F(SurvivalTest, MacroRunsOnEveryFastTick) {
    ProcessState::setModalDialogUp(true);
    SurvivalChecker::StartPollingTimer();
    EXPECT_TRUE(waitFor([this] { return m_manager.macros.size() >= 3; }));
    EXPECT_EQ(m_endCalls, 0);
}

TEST_F(SurvivalTest, AddInGoneEndsProgramAndArmsSelfDestruct) {
    TempLogDir logs;
    logs.startLogging();
    SurvivalChecker::StartPollingTimer();
    m_addIn.release();
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_endCalls, 1);
    EXPECT_FALSE(SurvivalChecker::isPolling()) << "a process that ends does not poll again";
    EXPECT_TRUE(waitFor([this] { return m_selfDestructs.load() == 1; }));
    EXPECT_EQ(logs.logMessages(), QStringList{QStringLiteral("SurvivalChecker.TimerProc: Entering")});
}

TEST_F(SurvivalTest, StartUpStandAloneAndByAutomation) {
    TempLogDir logs;
    logs.touch(QStringLiteral("MirrowLoggingDetail.txt"));
    int windowsCreated = 0;
    ApplicationHooks hooks;
    hooks.createSurvivalWindow = [&] { ++windowsCreated; };
    SetApplicationHooks(hooks);

    ProcessState::setStartedByAutomation(false);
    InitializeApplication();
    EXPECT_TRUE(ProcessState::applicationInitialized());
    EXPECT_EQ(ProcessState::processId(), static_cast<int32_t>(::getpid()));
    EXPECT_TRUE(IsQxLibBound());
    EXPECT_FALSE(SurvivalChecker::isPolling()) << "stand-alone: no survival checker";
    EXPECT_EQ(windowsCreated, 0);

    const QString vnt = ol::systemDirectory() + QStringLiteral("/libvntlib8.so");
    const QStringList messages = logs.logMessages();
    ASSERT_GE(messages.size(), 7);
    EXPECT_EQ(messages.first(), QStringLiteral("InitializeApplication: Entering"));
    EXPECT_EQ(messages.mid(messages.size() - 5),
              (QStringList{QStringLiteral("*TECH SUPPORT* About to load VntLib using this path: ") + vnt,
                           QStringLiteral("Called LoadLibrary for VntLib"),
                           QStringLiteral("*TECH SUPPORT* VntLib was loaded."),
                           QStringLiteral("*TECH SUPPORT* VntLib initialization call returned."),
                           QStringLiteral("InitializeApplication: Exiting")}));
    EXPECT_TRUE(messages.contains(QStringLiteral("WATCHER: Exiting InitializeQxLib")));

    ProcessState::setStartedByAutomation(true);
    InitializeApplication();
    EXPECT_EQ(windowsCreated, 1);
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);
}

TEST_F(SurvivalTest, VntLibFailures) {
    try {
        LoadVntLib(QString());
        ADD_FAILURE() << "nothing was raised";
    } catch (const ol::OLError& e) {
        EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
        EXPECT_EQ(e.description(), QStringLiteral("Could not find Mirrow System directory."));
    }
    QTemporaryDir empty;
    try {
        LoadVntLib(empty.path());
        ADD_FAILURE() << "nothing was raised";
    } catch (const ol::OLError& e) {
        EXPECT_EQ(e.number(), ol::kErrLibraryNotFound);
        EXPECT_EQ(e.description(),
                  QStringLiteral("Could not load the library ") + empty.path() + QStringLiteral("/libvntlib8.so."));
    }
}
