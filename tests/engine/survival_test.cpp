#include <gtest/gtest.h>

#include <atomic>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <unistd.h>

#include "Application.h"
#include "EngineTestEnv.h"
#include "QxLibBinding.h"
#include "SurvivalChecker.h"
#include "SurvivalHost.h"
#include "ol/Directories.h"
#include "ol/NamedMutex.h"
#include "ol/ScriptedVisualServices.h"

using namespace engine;
using namespace Qt::StringLiterals;
using enginetest::raised;
using ol::WindowRef;

namespace {

// The current manager as the survival checker sees it.
class ScriptedManager : public SurvivalHost {
public:
    bool excelApplicationSet = true;
    int32_t majorVersion = 16;
    int64_t appWindow = 42;
    WindowRef questionWindow;
    bool macroFails = false;
    QStringList macros;

    bool hasExcelApplication() override { return excelApplicationSet; }
    void runExcelMacro(const QString& macro) override {
        macros << macro;
        if (macroFails)
            ol::raiseError(ol::kErrGeneral, u"Run"_s, u"the host did not answer"_s);
    }
    int32_t excelMajorVersion() override { return majorVersion; }
    int64_t excelAppWindow() override { return appWindow; }
    WindowRef findTopLevelWindow(const QString& title) override {
        return title == u"Selvane"_s ? questionWindow : WindowRef();
    }
};

// Runs the event loop until pred holds or 10 s pass.
template <class P> bool waitFor(P pred) {
    QDeadlineTimer deadline(10000);
    while (!pred() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return pred();
}

// Each case: a private mutex folder, the add-in's mutex held by this
// process, scripted window services, observed end and self-destruct.
class SurvivalTest : public ::testing::Test {
protected:
    SurvivalTest() : m_runtime("XDG_RUNTIME_DIR", QFile::encodeName(m_runtimeDir.path())) {}

    void SetUp() override {
        ASSERT_TRUE(m_addIn.create(SurvivalChecker::kAddInMutexName));
        ProcessState::setProcessId(static_cast<int32_t>(::getpid()));
        ProcessState::setCurrentManager(&m_manager);
        ApplicationHooks hooks;
        hooks.endProgram = [this] { ++m_endCalls; };
        hooks.selfDestruct = [this] { ++m_selfDestructs; };
        SetApplicationHooks(hooks);
    }
    void TearDown() override {
        SurvivalChecker::KillPollingTimer();
        ProcessState::setCurrentManager(nullptr);
        ProcessState::setModalDialogUp(false);
        ProcessState::setQuestionShown(false);
        ProcessState::setStartedByAutomation(false);
        if (m_endCalls > 0) // an armed self-destruct fires into its observer first
            waitFor([this] { return m_selfDestructs > 0; });
        SetApplicationHooks({});
    }

    // The windows brought to the front since the last clearCalls().
    std::vector<WindowRef> fronted() const {
        std::vector<WindowRef> out;
        for (const ol::ScriptedCall& c : m_scripted.callsOf(u"bringToFront"_s))
            out.push_back(c.window);
        return out;
    }

    QTemporaryDir m_runtimeDir;
    enginetest::ScopedEnv m_runtime;
    ol::NamedMutex m_addIn;
    ol::ScriptedVisualServices m_scripted;
    ol::ScopedVisualServices m_services{m_scripted.asServices()};
    ScriptedManager m_manager;
    int m_endCalls = 0;
    std::atomic<int> m_selfDestructs{0};
    QObject m_question; // a window of this process
};

} // namespace

TEST_F(SurvivalTest, PollingIntervalFollowsModalFlag) {
    SurvivalChecker::StartPollingTimer();
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);
    ProcessState::setModalDialogUp(true);
    SurvivalChecker::RestartPollingTimer();
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 100);
    SurvivalChecker::KillPollingTimer();
    EXPECT_FALSE(SurvivalChecker::isPolling());
    // A tick re-arms the timer with the interval of the moment.
    ProcessState::setModalDialogUp(false);
    SurvivalChecker::TimerProc();
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);
    EXPECT_EQ(m_endCalls, 0);
}

TEST_F(SurvivalTest, ModalDialogRunsMacroAndKeepsHostWindowInFront) {
    ProcessState::setModalDialogUp(true);
    m_scripted.setForegroundWindow(WindowRef::host(7)); // another window of the host
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_manager.macros, QStringList{u"Selvane.xla!OptDoEvents"_s});
    EXPECT_EQ(fronted(), std::vector<WindowRef>{WindowRef::host(42)});

    // Nothing to bring forward: the main window in front already, a window of
    // this process in front, an old host version, a host without a main window.
    m_scripted.clearCalls();
    m_scripted.setForegroundWindow(WindowRef::host(42));
    SurvivalChecker::TimerProc();
    m_scripted.setForegroundWindow(WindowRef::local(&m_question));
    SurvivalChecker::TimerProc();
    m_scripted.setForegroundWindow(WindowRef::host(7));
    m_manager.majorVersion = 14;
    SurvivalChecker::TimerProc();
    m_manager.majorVersion = 16;
    m_manager.appWindow = 0;
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(fronted().empty());
    EXPECT_EQ(m_manager.macros.size(), 5);

    // No macro without a modal dialog, without the host's application, without a manager.
    ProcessState::setModalDialogUp(false);
    SurvivalChecker::TimerProc();
    ProcessState::setModalDialogUp(true);
    m_manager.excelApplicationSet = false;
    SurvivalChecker::TimerProc();
    ProcessState::setCurrentManager(nullptr);
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_manager.macros.size(), 5);
}

TEST_F(SurvivalTest, QuestionIsKeptInFrontOfHost) {
    m_manager.questionWindow = WindowRef::local(&m_question);
    ProcessState::setQuestionShown(true);
    m_scripted.setForegroundWindow(WindowRef::host(42));
    SurvivalChecker::TimerProc();
    EXPECT_EQ(fronted(), std::vector<WindowRef>{WindowRef::local(&m_question)});

    // The question in front already, the flag cleared, the window not this process's.
    m_scripted.clearCalls();
    m_scripted.setForegroundWindow(WindowRef::local(&m_question));
    SurvivalChecker::TimerProc();
    m_scripted.setForegroundWindow(WindowRef::host(42));
    ProcessState::setQuestionShown(false);
    SurvivalChecker::TimerProc();
    ProcessState::setQuestionShown(true);
    m_manager.questionWindow = WindowRef::host(99);
    SurvivalChecker::TimerProc();
    EXPECT_TRUE(fronted().empty());
}

TEST_F(SurvivalTest, FailingStepDoesNotStopTheTick) {
    m_manager.questionWindow = WindowRef::local(&m_question);
    m_manager.macroFails = true;
    ProcessState::setModalDialogUp(true);
    ProcessState::setQuestionShown(true);
    m_scripted.setForegroundWindow(WindowRef::host(7));
    SurvivalChecker::TimerProc();
    EXPECT_EQ(fronted(), std::vector<WindowRef>{WindowRef::local(&m_question)});
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 100);
}

TEST_F(SurvivalTest, MacroRunsOnEveryFastTick) {
    ProcessState::setModalDialogUp(true);
    SurvivalChecker::StartPollingTimer();
    EXPECT_TRUE(waitFor([this] { return m_manager.macros.size() >= 3; }));
}

TEST_F(SurvivalTest, AddInGoneEndsProgramAndArmsSelfDestruct) {
    enginetest::TempLogDir logs;
    logs.startLogging();
    SurvivalChecker::StartPollingTimer();
    m_addIn.release();
    SurvivalChecker::TimerProc();
    EXPECT_EQ(m_endCalls, 1);
    EXPECT_FALSE(SurvivalChecker::isPolling()) << "a process that ends does not poll again";
    EXPECT_TRUE(waitFor([this] { return m_selfDestructs == 1; }));
    EXPECT_EQ(logs.logMessages(), QStringList{u"SurvivalChecker.TimerProc: Entering"_s});
}

TEST_F(SurvivalTest, StartUpStandAloneThenByAutomation) {
    enginetest::TempLogDir logs;
    logs.touch(u"MirrowLoggingDetail.txt"_s);
    int windowsCreated = 0;
    ApplicationHooks hooks;
    hooks.createSurvivalWindow = [&] { ++windowsCreated; };
    SetApplicationHooks(hooks);

    InitializeApplication();
    EXPECT_TRUE(ProcessState::applicationInitialized());
    EXPECT_TRUE(IsQxLibBound());
    EXPECT_FALSE(SurvivalChecker::isPolling()) << "stand-alone: no survival checker";
    EXPECT_EQ(windowsCreated, 0);
    const QString vnt = ol::systemDirectory() + u"/libvntlib8.so"_s;
    const QStringList messages = logs.logMessages();
    ASSERT_EQ(messages.size(), 12);
    EXPECT_EQ(messages.first(), u"InitializeApplication: Entering"_s);
    EXPECT_EQ(messages[6], u"WATCHER: Exiting InitializeQxLib"_s);
    EXPECT_EQ(messages.mid(7), (QStringList{u"*TECH SUPPORT* About to load VntLib using this path: "_s + vnt,
                                            u"Called LoadLibrary for VntLib"_s, u"*TECH SUPPORT* VntLib was loaded."_s,
                                            u"*TECH SUPPORT* VntLib initialization call returned."_s,
                                            u"InitializeApplication: Exiting"_s}));

    ProcessState::setStartedByAutomation(true);
    InitializeApplication();
    EXPECT_EQ(windowsCreated, 1);
    EXPECT_EQ(SurvivalChecker::pollingInterval(), 1000);

    const ol::OLError noDir = raised([] { LoadVntLib(QString()); });
    EXPECT_EQ(noDir.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(noDir.description(), u"Could not find Mirrow System directory."_s);
    QTemporaryDir empty;
    const ol::OLError noLib = raised([&] { LoadVntLib(empty.path()); });
    EXPECT_EQ(noLib.number(), ol::kErrLibraryNotFound);
    EXPECT_EQ(noLib.description(), u"Could not load the library "_s + empty.path() + u"/libvntlib8.so."_s);
}
