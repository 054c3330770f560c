#include "FormProgressEF.h"

#include <algorithm>
#include <cmath>

#include <QCloseEvent>
#include <QEventLoop>
#include <QFrame>
#include <QLabel>
#include <QPointer>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

#include "DiagnosticLog.h"
#include "FormSurvival.h"
#include "FrontierWindowTexts.h"
#include "LanguageFont.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"
#include "ol/VisualServices.h"
#include "pages/FrontierPages.h"
#include "pages/FrontierProgressPage.h"
#include "pages/FrontierStoppingOptionsPage.h"

namespace watcher {

namespace {

constexpr double kButtonSize = 480;
constexpr double kBottomBarHeight = 600;

void log(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

QToolButton* makeButton(QWidget* parent, const char* name, bool checkable) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    button->setCheckable(checkable);
    button->setIconSize(QSize(24, 24));
    return button;
}

} // namespace

FormProgressEF::FormProgressEF(QWidget* parent) : QWidget(parent, Qt::Window) {
    buildControls();
}

FormProgressEF::~FormProgressEF() = default;

void FormProgressEF::buildControls() {
    setObjectName(QStringLiteral("FormProgressEF"));
    TabMain = new QTabWidget(this);
    TabMain->setObjectName(QStringLiteral("TabMain"));
    TabMain->setUsesScrollButtons(false);
    for (int i = 0; i < TabCount; ++i) {
        auto* frame = new QFrame;
        frame->setObjectName(QStringLiteral("FrameTabMain%1").arg(i));
        FrameTabMain[static_cast<size_t>(i)] = frame;
        TabMain->addTab(frame, QString());
    }
    connect(TabMain, &QTabWidget::currentChanged, this, [this](int) { TabMain_Click(); });
    LabelProgressStatus = new QLabel(this);
    LabelProgressStatus->setObjectName(QStringLiteral("LabelProgressStatus"));

    m_ProgressPage = new FrontierProgressPage(FrameTabMain[TabProgress], LabelProgressStatus);
    m_SummaryPage = new FrontierSummaryPage(FrameTabMain[TabSummary]);
    m_LogPage = new FrontierLogPage(FrameTabMain[TabLog]);
    m_StoppingPage = new FrontierStoppingOptionsPage(FrameTabMain[TabStoppingOptions]);
    m_SummaryPage->ShareSolutions(&m_ProgressPage->solutions());
    m_Pages = {m_ProgressPage, m_SummaryPage, m_LogPage, m_StoppingPage};

    CommandHelp = makeButton(this, "CommandHelp", false);
    CommandMinimizeWatcher = makeButton(this, "CommandMinimizeWatcher", false);
    CommandRun = makeButton(this, "CommandRun", true);
    CommandPause = makeButton(this, "CommandPause", true);
    CommandStop = makeButton(this, "CommandStop", false);
    CommandOK = new QToolButton(this);
    CommandOK->setObjectName(QStringLiteral("CommandOK"));
    CommandOK->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // Its caption is not localized in this window.
    CommandOK->setText(QStringLiteral("OK"));
    CommandOK->setVisible(false);
    connect(CommandRun, &QToolButton::clicked, this,
            [this] { runControlClick(&manager::WatcherManager::CommandResumeOptimization_ProcessClick); });
    connect(CommandPause, &QToolButton::clicked, this,
            [this] { runControlClick(&manager::WatcherManager::CommandPauseOptimization_ProcessClick); });
    connect(CommandStop, &QToolButton::clicked, this,
            [this] { runControlClick(&manager::WatcherManager::CommandStopOptimization_ProcessClick); });
    connect(CommandOK, &QToolButton::clicked, this, [this] { CommandOK_Click(); });
    connect(CommandHelp, &QToolButton::clicked, this, [this] {
        if (m_Manager != nullptr)
            ol::tryOr(false, [&] { return m_Manager->ShowHelp(m_HelpContextID), true; });
    });
    connect(CommandMinimizeWatcher, &QToolButton::clicked, this, [this] {
        if (!m_IgnoreMinimizeClicks && m_Manager != nullptr)
            ol::tryOr(false, [&] { return m_Manager->ShowCompactWindow(), true; });
    });

    TimerUpdate = new QTimer(this);
    TimerUpdate->setInterval(1000);
    connect(TimerUpdate, &QTimer::timeout, this, [this] { TimerUpdate_Timer(); });
    resizeTwips(this, manager::kFrontierMinClientWidth, manager::kFrontierMinClientHeight);
}

// The client area keeps its smallest size; the graphs stay square.
void FormProgressEF::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const manager::TwipsSize kept = manager::FrontierClientSize(widthTwips(this), heightTwips(this));
    // Compared in whole pixels: the smallest size in twips is seldom a whole
    // number of pixels, and a resize to the same pixels brings no new event.
    const QSize keptPixels(std::max(width(), twipsToPixels(kept.width, this)),
                           std::max(height(), twipsToPixels(kept.height, this)));
    if (keptPixels != size()) {
        resize(keptPixels);
        return;
    }
    const double w = widthTwips(this), h = heightTwips(this);
    const double bottomTop = h - kBottomBarHeight;
    setGeometryTwips(TabMain, 60, 120, w - 120, bottomTop - 620);
    setGeometryTwips(LabelProgressStatus, 120, bottomTop - 450, w - 240, 255);
    setGeometryTwips(CommandHelp, 60, bottomTop + 60, kButtonSize, kButtonSize);
    setGeometryTwips(CommandMinimizeWatcher, 600, bottomTop + 60, kButtonSize, kButtonSize);
    const double stopLeft = w - 60 - kButtonSize;
    setGeometryTwips(CommandStop, stopLeft, bottomTop + 60, kButtonSize, kButtonSize);
    setGeometryTwips(CommandPause, stopLeft - 520, bottomTop + 60, kButtonSize, kButtonSize);
    setGeometryTwips(CommandRun, stopLeft - 1040, bottomTop + 60, kButtonSize, kButtonSize);
    setGeometryTwips(CommandOK, w - 1060, bottomTop + 60, 1000, kButtonSize);
    m_ProgressPage->ArrangeGraphs(manager::FrontierGraphSide(w - 120, bottomTop - 620));
}

void FormProgressEF::Initialize(manager::WatcherManager* manager) {
    log(QStringLiteral("WATCHER: entering FormProgress.Initialize"));
    try {
        if (manager == nullptr)
            ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("FormProgressEF.Initialize"),
                           QStringLiteral("p_Manager"));
        m_Manager = manager;
        m_SettingControls = true;
        TabMain->setTabEnabled(TabSummary, false);
        TabMain->setTabEnabled(TabLog, false);
        setWindowIcon(FormSurvival::ButtonIcon(FormSurvival::Picture::Watcher, true));
        using Picture = FormSurvival::Picture;
        CommandRun->setIcon(FormSurvival::ButtonIcon(Picture::Run, true));
        CommandPause->setIcon(FormSurvival::ButtonIcon(Picture::Pause, true));
        CommandStop->setIcon(FormSurvival::ButtonIcon(Picture::Stop, true));
        CommandMinimizeWatcher->setIcon(FormSurvival::ButtonIcon(Picture::MinimizeWatcher, true));
        CommandHelp->setIcon(FormSurvival::ButtonIcon(Picture::Help, true));
        ApplyFormLocalization();
        PageContext context;
        context.manager = m_Manager;
        context.window = this;
        context.settingControls = &m_SettingControls;
        context.dialogConfiguration = [this] { return m_DialogConfiguration; };
        for (WatcherPage* page : m_Pages)
            page->Initialize(context);
        TabMain->setCurrentIndex(TabProgress);
        SetHelpContextForTab();
        m_SettingControls = false;
        EnableFrameOfSelectedTab();
        GoToRunningConfig();
        m_MoveWatch.remember(this);
        log(QStringLiteral("FormProgressEF.Initialize: about to activate timer"));
        TimerUpdate->start();
        log(QStringLiteral("FormProgressEF.Initialize: activated timer"));
        log(QStringLiteral("Exiting FormProgressEF.Initialize without error"));
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("FormProgressEF.Initialize"));
        const QString text = engine::DiagnosticLog::ErrorText(QStringLiteral("Watcher Initialize method"), error);
        log(text);
        ol::raiseError(ol::kErrGeneral, QStringLiteral("FormProgressEF.Initialize"), text);
    }
}

void FormProgressEF::ApplyFormLocalization() {
    using engine::GetResourceString;
    setWindowTitle(GetResourceString(4001));
    ol::windowService().setCaption(windowRef(), GetResourceString(4001));
    // The language's interface font on every control, as in the single
    // optimization's window.
    ApplyLanguageFont(this);
    CommandHelp->setToolTip(GetResourceString(4002));
    CommandMinimizeWatcher->setToolTip(GetResourceString(4004));
    CommandRun->setToolTip(GetResourceString(4005));
    CommandPause->setToolTip(GetResourceString(4006));
    CommandStop->setToolTip(GetResourceString(4007));
    constexpr std::array<int, TabCount> captions = {4014, 4015, 4016, 4019};
    for (int i = 0; i < TabCount; ++i)
        TabMain->setTabText(i, GetResourceString(captions[static_cast<size_t>(i)]));
    for (WatcherPage* page : m_Pages)
        page->ApplyLocalization(m_Manager);
}

void FormProgressEF::InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t) {
    log(QStringLiteral("FormProgressEF.InitializeAfterFirstTrial, entering"));
    ol::StepGuard guard;
    guard.run([&] { m_ProgressPage->ProgressTab_InitializeAfterFirstTrial(graphAllTrialsInitialNumTrialsShown); });
    TabMain->setTabEnabled(TabSummary, true);
    TabMain->setTabEnabled(TabLog, true);
    m_GotInitializedAfterFirstTrial = true;
    guard.run([&] { m_Manager->BothDialogs_Update(true, false); });
    log(QStringLiteral("InitializeAfterFirstTrial, updated form"));
    m_ProgressPage->ShowAfterFirstTrial();
    update();
}

void FormProgressEF::Update(bool forceUpdateOfEverything, bool) {
    ol::StepGuard guard;
    bool ready = false;
    guard.run([&] { ready = m_Manager != nullptr && m_Manager->TrialCount() >= 1 && m_GotInitializedAfterFirstTrial; });
    if (!ready)
        return;
    SetHelpContextForTab();
    guard.run([&] { m_LogPage->PrepareUpdate(); });
    const PageUpdate request{TabMain->currentIndex() == TabProgress, forceUpdateOfEverything};
    for (WatcherPage* page : m_Pages)
        guard.run([&] { page->Update(request); });
    if (guard.failed())
        log(engine::DiagnosticLog::ErrorText(QStringLiteral("FormProgress.Update method"), *guard.lastError()));
}

void FormProgressEF::ShowStatusText(const QString& text) {
    LabelProgressStatus->setText(text);
}

void FormProgressEF::Unload() {
    hide();
    TimerUpdate->stop();
    m_Unloading = true;
    close();
    m_Unloading = false;
}

void FormProgressEF::Dispose() {
    ol::StepGuard guard;
    for (WatcherPage* page : m_Pages)
        guard.run([&] { page->Dispose(); });
    m_Manager = nullptr;
}

void FormProgressEF::SetTopmost(bool topmost) {
    setStaysOnTop(this, topmost);
}

int32_t FormProgressEF::TopTwips() const {
    return static_cast<int32_t>(std::lround(topTwips(this)));
}

ol::WindowRef FormProgressEF::windowRef() {
    return ol::WindowRef::local(this);
}

bool FormProgressEF::UpdateTimerEnabled() const {
    return TimerUpdate->isActive();
}

void FormProgressEF::SetUpdateTimerEnabled(bool on) {
    if (on)
        TimerUpdate->start();
    else
        TimerUpdate->stop();
}

bool FormProgressEF::MirGraphModalDialogBeingDisplayed() const {
    log(QStringLiteral("FormProgressEF, about to check ModalDialogBeingDisplayed property of graphs"));
    const bool shown = m_ProgressPage->ModalDialogBeingDisplayed();
    log(QStringLiteral("FormProgressEF, checked ModalDialogBeingDisplayed property of graphs"));
    return shown;
}

void FormProgressEF::ShowModal() {
    if (isVisible())
        hide();
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    connect(CommandOK, &QToolButton::clicked, &loop, &QEventLoop::quit);
    show();
    const QPointer<FormProgressEF> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self.isNull())
        return;
    setWindowModality(Qt::NonModal);
}

void FormProgressEF::GoToRunningConfig() {
    m_DialogConfiguration = kConfigRunning;
    ApplyDialogConfiguration();
}

void FormProgressEF::GoToPausingConfig() {
    m_DialogConfiguration = kConfigPaused;
    ApplyDialogConfiguration();
}

void FormProgressEF::ApplyDialogConfiguration() {
    const bool previous = m_SettingControls;
    m_SettingControls = true;
    const bool stopped = m_DialogConfiguration == kConfigStopped;
    CommandRun->setVisible(!stopped);
    CommandPause->setVisible(!stopped);
    CommandStop->setVisible(!stopped);
    CommandOK->setVisible(stopped);
    if (stopped)
        m_IgnoreMinimizeClicks = true;
    CommandRun->setChecked(m_DialogConfiguration == kConfigRunning);
    CommandPause->setChecked(m_DialogConfiguration == kConfigPaused);
    TabMain->setTabVisible(TabStoppingOptions, stopped);
    m_SettingControls = previous;
}

void FormProgressEF::GoToStoppingConfig() {
    ol::StepGuard guard;
    m_DialogConfiguration = kConfigStopped;
    guard.run([&] { ApplyDialogConfiguration(); });
    guard.run([&] { m_StoppingPage->ArrangeForStopping(); });
    guard.run([&] {
        const bool previous = m_SettingControls;
        m_SettingControls = true;
        TabMain->setCurrentIndex(TabStoppingOptions);
        m_SettingControls = previous;
    });
    guard.run([&] { EnableFrameOfSelectedTab(); });
    guard.run([&] { ol::windowService().bringToFront(windowRef()); });
    guard.run([&] { update(); });
}

void FormProgressEF::ControlsAfterStopClickedDisableEnable(bool enable) {
    m_IgnoreRunControlClicks = !enable;
    m_IgnoreMinimizeClicks = !enable;
}

void FormProgressEF::RestoreRunPauseButtonState() {
    const bool previous = m_IgnoreRunControlClicks;
    m_IgnoreRunControlClicks = true;
    CommandRun->setChecked(m_DialogConfiguration == kConfigRunning);
    CommandPause->setChecked(m_DialogConfiguration == kConfigPaused);
    m_IgnoreRunControlClicks = previous;
}

void FormProgressEF::CheckWindowMoved() {
    if (m_MoveWatch.movedSinceLastCheck(this) && m_Manager != nullptr)
        m_Manager->RequestXLUpdate();
}

void FormProgressEF::SetHelpContextForTab() {
    m_HelpContextID = manager::FrontierHelpContextForTab(TabMain->currentIndex());
}

void FormProgressEF::EnableFrameOfSelectedTab() {
    for (int i = 0; i < TabCount; ++i)
        FrameTabMain[static_cast<size_t>(i)]->setEnabled(i == TabMain->currentIndex());
}

void FormProgressEF::TabMain_Click() {
    SetHelpContextForTab();
    if (!m_SettingControls)
        EnableFrameOfSelectedTab();
}

// Run, Pause and Stop only hand the click to the manager; Stop asks nothing
// of its own.
void FormProgressEF::runControlClick(void (manager::WatcherManager::*process)()) {
    if (m_SettingControls || m_IgnoreRunControlClicks || m_Manager == nullptr) {
        RestoreRunPauseButtonState();
        return;
    }
    ol::StepGuard guard;
    guard.run([&] { TabMain->setFocus(Qt::OtherFocusReason); });
    guard.run([&] { (m_Manager->*process)(); });
}

// OK as in the single optimization's window, without a solution to keep:
// the host gets its interactivity back, the page's choices go into the
// manager, the window hides, and the host's stopping-options receiver gets
// the choices with the manager's Stop_SolutionToKeep.
void FormProgressEF::CommandOK_Click() {
    log(QStringLiteral("WATCHER, CommandOK_Click: entering"));
    manager::WatcherManager* const mgr = m_Manager;
    ol::StepGuard steps;
    steps.run([&] {
        if (mgr != nullptr)
            manager::stopping::RestoreHostInteraction(*mgr);
    });
    manager::stopping::TakeChoicesAndHandToHost(mgr, m_Manager, [&] {
        m_StoppingPage->StoppingOptionsTab_GetInfo();
        hide();
        log(QStringLiteral("WATCHER, CommandOK_Click: hid dialog"));
    });
}

void FormProgressEF::TimerUpdate_Timer() {
    if (m_StopTimer || m_Manager == nullptr)
        return;
    manager::WatcherManager* const mgr = m_Manager;
    ol::StepGuard guard;
    guard.run([&] { mgr->CheckForXLRequestToAskUserAboutSolverAndProcess(); });
    guard.run([&] {
        mgr->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    });
    guard.run([&] {
        if (!mgr->GotInitializedAfterFirstTrial())
            mgr->InitializeAfterFirstTrialIfReady();
    });
    const auto runStatus = [mgr] { return engine::QxLib().QxPopGetRunStatus(mgr->Input_PopHandle()); };
    guard.run([&] {
        if (runStatus() != manager::WatcherManager::kRunStatusStopped && m_ResumeSignalCount > 0) {
            --m_ResumeSignalCount;
            mgr->RequestXLUpdate();
        }
    });
    int16_t status = 0;
    guard.run([&] { status = runStatus(); });
    if (status == manager::WatcherManager::kRunStatusPaused) {
        guard.run([&] {
            log(QStringLiteral("TimerUpdate_Timer, m_Manager.WaitingAfterPauseClicked=") +
                (mgr->WaitingAfterPauseClicked() ? QStringLiteral("True") : QStringLiteral("False")));
            log(QStringLiteral("TimerUpdate_Timer, m_Manager.WaitingAfterStopClicked=") +
                (mgr->WaitingAfterStopClicked() ? QStringLiteral("True") : QStringLiteral("False")));
            // A pause between two optimizations of the series waits for the
            // manager too.
            if (mgr->WaitingAfterPauseClicked() || mgr->WaitingAfterStopClicked() ||
                mgr->WaitingAfterEFNextOptimizationClicked())
                mgr->ProcessPausedMessageFromExcel();
        });
    } else if (status == manager::WatcherManager::kRunStatusStopped) {
        m_StopTimer = true;
        TimerUpdate->stop();
        guard.run([&] { mgr->BothDialogs_Update(true, true); });
        bool showOptions = false;
        guard.run([&] { showOptions = mgr->Stop_AtEndShowOptionsToUser(); });
        if (showOptions) {
            guard.run([&] { mgr->ReadStoppingOptionsFromWatcher(); });
            guard.run([&] { GoToStoppingConfig(); });
            guard.run([&] {
                if (mgr->Input_OptimizationStartedFromGUI()) {
                    hide();
                    mgr->SendCommandToShowWatcherModally();
                }
            });
        }
    } else {
        guard.run([&] { mgr->BothDialogs_Update(false, false); });
    }
    guard.run([&] {
        if (mgr->OLToldWatcherToStopTimer()) {
            m_StopTimer = true;
            TimerUpdate->stop();
            mgr->TellOLWatcherStoppedTimer();
        }
    });
}

void FormProgressEF::closeEvent(QCloseEvent* event) {
    if (m_Unloading)
        event->accept();
    else
        event->ignore();
}

} // namespace watcher
