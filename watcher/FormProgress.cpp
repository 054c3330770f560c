#include "FormProgress.h"

#include <cmath>

#include <QAbstractItemModel>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "DiagnosticLog.h"
#include "FormSurvival.h"
#include "GraphControl.h"
#include "LanguageFont.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "WindowIcon.h"
#include "WindowPlacement.h"
#include "compact/ExcelUpdatingMenu.h"
#include "ol/StepGuard.h"
#include "ol/VisualServices.h"
#include "pages/ColorGraphPage.h"
#include "pages/ConstraintSolverPage.h"
#include "pages/GeneticParametersPanel.h"
#include "pages/LogPage.h"
#include "pages/PopulationPage.h"
#include "pages/ProgressPage.h"
#include "pages/StoppingOptionsPage.h"
#include "pages/SummaryPage.h"
#include "pages/WatcherPage.h"

namespace watcher {

namespace {

// How far Form_Load keeps the window from the work area's left and bottom edges.
constexpr double kPlacementMargin = 100;

// Help topics of the tab items, by index.
constexpr std::array<int32_t, FormProgress::TabCount> kTabHelpContexts = {1090, 1080, 1110, 1100, 1120, 1200, 1130};

// Resource texts of the tab captions, by index.
constexpr std::array<int, FormProgress::TabCount> kTabCaptions = {4014, 4015, 4016, 4017, 4018, 4512, 4019};

// The tab item of each page slot.
constexpr std::array<int, FormProgress::SlotCount> kSlotTabs = {
    FormProgress::TabProgress,         FormProgress::TabSummary,        FormProgress::TabSummary,
    FormProgress::TabPopulation,       FormProgress::TabColorGraph,     FormProgress::TabLog,
    FormProgress::TabConstraintSolver, FormProgress::TabStoppingOptions};

// Initialize sets the pages up in this order (the population grid before
// the genetic-algorithm parameters); Update refreshes them in slot order.
constexpr std::array<FormProgress::PageSlot, FormProgress::SlotCount> kInitializeOrder = {
    FormProgress::SlotProgress,          FormProgress::SlotSummary,        FormProgress::SlotPopulation,
    FormProgress::SlotGeneticParameters, FormProgress::SlotColorGraph,     FormProgress::SlotLog,
    FormProgress::SlotConstraintSolver,  FormProgress::SlotStoppingOptions};

QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

} // namespace

FormProgress::FormProgress(QWidget* parent) : QWidget(parent, Qt::Window) {
    buildControls();
}

FormProgress::~FormProgress() {
    // A window destroyed while shown modally must not leave the nested loop
    // waiting for a hide that never comes.
    if (m_ModalLoop != nullptr)
        m_ModalLoop->quit();
}

QString FormProgress::frameTabMainName(int index) {
    return QStringLiteral("FrameTabMain%1").arg(index);
}

bool FormProgress::closeRefused(bool unloading, bool fromWindowSystem, bool sessionEnding) {
    return !unloading && fromWindowSystem && !sessionEnding;
}

int32_t FormProgress::helpContextForTab(int index) {
    if (index < 0 || index >= TabCount)
        return 0;
    return kTabHelpContexts[static_cast<size_t>(index)];
}

void FormProgress::log(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

// The pages, each built on the frame of its tab. A page added later gets a
// slot (PageSlot) and one line here; the window calls it through
// WatcherPage in its slot's order.
void FormProgress::createPages() {
    m_ProgressPage = new ProgressPage(FrameTabMain[TabProgress], LabelProgressStatus);
    addPage(SlotProgress, m_ProgressPage);
    m_SummaryPage = new SummaryPage(FrameTabMain[TabSummary]);
    addPage(SlotSummary, m_SummaryPage);
    addPage(SlotGeneticParameters, new GeneticParametersPanel(FrameTabMain[TabSummary], m_SummaryPage->grid()));
    addPage(SlotPopulation, new PopulationPage(FrameTabMain[TabPopulation]));
    addPage(SlotColorGraph, new ColorGraphPage(FrameTabMain[TabColorGraph]));
    addPage(SlotConstraintSolver, new ConstraintSolverPage(FrameTabMain[TabConstraintSolver]));
    m_LogPage = new LogPage(FrameTabMain[TabLog]);
    addPage(SlotLog, m_LogPage);
    addPage(SlotStoppingOptions, new StoppingOptionsPage(FrameTabMain[TabStoppingOptions]));
}

void FormProgress::addPage(PageSlot slot, WatcherPage* page) {
    m_Pages[static_cast<size_t>(slot)] = page;
    for (QTableView* grid : page->Grids())
        grid->viewport()->installEventFilter(this);
    for (QAbstractScrollArea* grid : page->RowGrids())
        grid->viewport()->installEventFilter(this);
}

int FormProgress::tabOfSlot(PageSlot slot) {
    return kSlotTabs[static_cast<size_t>(slot)];
}

template <class F> void FormProgress::forEachPage(F&& hook) {
    ol::StepGuard guard;
    for (WatcherPage* page : m_Pages)
        if (page != nullptr)
            guard.run([&] { hook(*page); });
}

template <class F> void FormProgress::forEachPageOfRun(F&& hook) {
    ol::StepGuard guard;
    for (WatcherPage* page : m_Pages) {
        if (page == nullptr)
            continue;
        guard.run([&] {
            if (m_Manager != nullptr && page->AppliesTo(*m_Manager))
                hook(*page);
        });
    }
}

QList<QTableView*> FormProgress::pageGrids() const {
    QList<QTableView*> grids;
    for (WatcherPage* page : m_Pages)
        if (page != nullptr)
            grids << page->Grids();
    return grids;
}

QList<QAbstractScrollArea*> FormProgress::pageRowGrids() const {
    QList<QAbstractScrollArea*> grids;
    for (WatcherPage* page : m_Pages)
        if (page != nullptr)
            grids << page->RowGrids();
    return grids;
}

// Places the window in the lower left corner of the work area of the monitor
// that shows the host's main window.
void FormProgress::Form_Load() {
    const ol::WorkArea area =
        ol::screenService().workAreaOfWindow(ol::WindowRef::host(m_Manager ? m_Manager->Input_ExcelAppHwnd() : 0));
    const double left = area.leftEdge() * area.twipsPerPixelX + kPlacementMargin;
    // The window's outer height (with its title bar) keeps the whole window
    // above the margin.
    // The frame is known once the window exists in the window system.
    create();
    const double outerHeight = pixelsToTwips(frameGeometry().height(), this);
    const double top = area.bottomEdge() * area.twipsPerPixelY - outerHeight - kPlacementMargin;
    moveTwips(this, left, top);
}

// ---------------------------------------------------------------- lifecycle

void FormProgress::Initialize(manager::WatcherManager* manager) {
    log(QStringLiteral("WATCHER: entering FormProgress.Initialize"));
    try {
        if (manager == nullptr)
            ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("FormProgress.Initialize"),
                           QStringLiteral("p_Manager"));
        m_Manager = manager;
        m_SettingControls = true;
        Form_Load();

        SetDataTabsEnabled(false);

        SetWindowIcon(this, kProductIconName, true);
        ArrangeControlsForMode();

        ApplyFormLocalization(false);

        // The pages, in their set-up order; each catches its own errors.
        PageContext context;
        context.manager = m_Manager;
        context.window = this;
        context.settingControls = &m_SettingControls;
        context.dialogConfiguration = [this] { return m_DialogConfiguration; };
        for (PageSlot slot : kInitializeOrder) {
            WatcherPage* const p = page(slot);
            if (p != nullptr && p->AppliesTo(*m_Manager))
                p->Initialize(context);
        }

        const bool solverMode = m_Manager->Input_ConstraintSolverMode();
        const bool geneticAlgorithm = m_Manager->Input_OptimizationEngine() == 1;

        TabMain->setTabVisible(TabConstraintSolver, solverMode);
        SelectTab(solverMode ? TabConstraintSolver : TabProgress);
        TabMain->setTabVisible(TabPopulation, geneticAlgorithm);
        TabMain->setTabVisible(TabColorGraph, geneticAlgorithm);

        SetHelpContextForTab();
        m_SettingControls = false;
        EnableFrameOfSelectedTab();
        GoToRunningConfig();

        m_MoveWatch.remember(this);

        log(QStringLiteral("FormProgress.Initialize: About to call Me.TimerUpdate.Enabled = True"));
        TimerUpdate->start();
        m_SettingControls = false;
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("FormProgress.Initialize"));
        const QString text = engine::DiagnosticLog::ErrorText(QStringLiteral("Watcher Initialize method"), error);
        log(text);
        ol::raiseError(ol::kErrGeneral, QStringLiteral("FormProgress.Initialize"), text);
    }
}

void FormProgress::InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow) {
    ol::StepGuard guard;
    forEachPageOfRun(
        [&](WatcherPage& p) { p.InitializeAfterFirstTrial(graphAllTrialsInitialNumTrialsShown, numLastTrialsToShow); });
    guard.run([&] { SetDataTabsEnabled(true); });
    // Timing runs without a person open the full window on one tab, so the
    // cost of that tab's refresh shows in the add-in's trials per second.
    if (const int tab = tabFromName(qEnvironmentVariable("SELVANE_WATCHER_OPEN_TAB")); tab >= 0) {
        guard.run([&] { SelectTab(tab); });
        guard.run([&] { m_Manager->ShowFullWatcher(); });
    }
    m_GotInitializedAfterFirstTrial = true;
    guard.run([&] { m_Manager->BothDialogs_Update(true, false); });
    log(QStringLiteral("InitializeAfterFirstTrial, updated form"));
    forEachPageOfRun([](WatcherPage& p) { p.ShowAfterFirstTrial(); });
    guard.run([&] { update(); });
}

void FormProgress::Update(bool forceUpdateOfEverything, bool /*updateLastResult*/) {
    log(QStringLiteral("FormProgress.Update: Entering"));
    ol::StepGuard guard;
    bool ready = false;
    guard.run([&] { ready = m_Manager != nullptr && m_Manager->TrialCount() >= 1 && m_GotInitializedAfterFirstTrial; });
    if (ready) {
        guard.run([&] { SetHelpContextForTab(); });
        forEachPageOfRun([](WatcherPage& p) { p.PrepareUpdate(); });
        const int selected = TabMain->currentIndex();
        for (int i = 0; i < SlotCount; ++i) {
            WatcherPage* const p = m_Pages[static_cast<size_t>(i)];
            if (p == nullptr)
                continue;
            const PageUpdate request{kSlotTabs[static_cast<size_t>(i)] == selected, forceUpdateOfEverything};
            guard.run([&] {
                if (m_Manager != nullptr && p->AppliesTo(*m_Manager))
                    p->Update(request);
            });
        }
    }
    if (guard.failed())
        log(engine::DiagnosticLog::ErrorText(QStringLiteral("FormProgress.Update method"), *guard.lastError()));
    log(QStringLiteral("FormProgress.Update: Exiting"));
}

void FormProgress::ShowStatusText(const QString& text) {
    LabelProgressStatus->setText(text);
}

void FormProgress::Dispose() {
    m_Manager = nullptr;
    log(QStringLiteral("WATCHER, FormProgress.Dispose: Set m_Manager = Nothing"));
    // The pages let go of the run; the log page releases its log server.
    forEachPage([](WatcherPage& p) { p.Dispose(); });
    log(QStringLiteral("WATCHER, FormProgress.Dispose: Set m_LogServer = Nothing"));
}

void FormProgress::Hide() {
    hide();
}

void FormProgress::Unload() {
    hide();
    TimerUpdate->stop();
    m_Unloading = true;
    close();
    m_Unloading = false;
}

void FormProgress::Show() {
    show();
}

bool FormProgress::Visible() const {
    return isVisible();
}

void FormProgress::SetTopmost(bool topmost) {
    setStaysOnTop(this, topmost);
}

int32_t FormProgress::TopTwips() const {
    return static_cast<int32_t>(std::lround(topTwips(this)));
}

ol::WindowRef FormProgress::windowRef() {
    return ol::WindowRef::local(this);
}

bool FormProgress::UpdateTimerEnabled() const {
    return TimerUpdate->isActive();
}

void FormProgress::SetUpdateTimerEnabled(bool on) {
    if (on)
        TimerUpdate->start();
    else
        TimerUpdate->stop();
}

bool FormProgress::MirGraphModalDialogBeingDisplayed() const {
    for (WatcherPage* p : m_Pages)
        if (p != nullptr && p->ModalDialogBeingDisplayed())
            return true;
    return false;
}

void FormProgress::ShowModal() {
    // Window modality can only change while the window is hidden.
    if (isVisible())
        hide();
    setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    m_ModalLoop = &loop;
    show();
    // Calls served meanwhile may dispose of the run and delete the window.
    const QPointer<FormProgress> self(this);
    loop.exec(QEventLoop::DialogExec);
    if (self.isNull())
        return;
    m_ModalLoop = nullptr;
    if (isVisible())
        hide();
    setWindowModality(Qt::NonModal);
}

// A paint or a resize tells the selected page, as a change of tab does: the
// colour graph redraws once after it.
void FormProgress::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    AfterShow();
}

void FormProgress::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
    AfterShow();
}

void FormProgress::AfterShow() {
    const int selected = TabMain->currentIndex();
    ol::StepGuard guard;
    for (int i = 0; i < SlotCount; ++i) {
        WatcherPage* const p = m_Pages[static_cast<size_t>(i)];
        if (p != nullptr && kSlotTabs[static_cast<size_t>(i)] == selected)
            guard.run([&] { p->PageSelected(); });
    }
}

bool FormProgress::ExportProgressGraph(const QString& path, const QString& title, double axisMaximum, int width,
                                       int height) {
    return m_ProgressPage->ExportAllTrialsGraph(path, title, axisMaximum, width, height);
}

// ---------------------------------------------------------------- configurations

void FormProgress::GoToRunningConfig() {
    m_DialogConfiguration = kConfigRunning;
    ApplyDialogConfiguration();
}

void FormProgress::GoToPausingConfig() {
    m_DialogConfiguration = kConfigPaused;
    ApplyDialogConfiguration();
}

void FormProgress::ApplyDialogConfiguration() {
    const bool previous = m_SettingControls;
    m_SettingControls = true;
    ol::StepGuard guard;
    const bool stopped = m_DialogConfiguration == kConfigStopped;
    guard.run([&] {
        CommandRun->setVisible(!stopped);
        CommandPause->setVisible(!stopped);
        CommandStop->setVisible(!stopped);
        CommandOK->setVisible(stopped);
    });
    if (stopped) {
        guard.run([&] {
            CommandExcelUpdate->setIcon(FormSurvival::ButtonIcon(FormSurvival::Picture::ExcelUpdate, false));
            CommandMinimizeWatcher->setIcon(FormSurvival::ButtonIcon(FormSurvival::Picture::MinimizeWatcher, false));
            m_IgnoreExcelUpdateClicks = true;
            m_IgnoreMinimizeClicks = true;
        });
    }
    guard.run([&] {
        CommandRun->setChecked(m_DialogConfiguration == kConfigRunning);
        CommandPause->setChecked(m_DialogConfiguration == kConfigPaused);
    });
    guard.run([&] { TabMain->setTabVisible(TabStoppingOptions, stopped); });
    guard.run([&] { update(); });
    m_SettingControls = previous;
}

void FormProgress::GoToStoppingConfig() {
    ol::StepGuard guard;
    m_DialogConfiguration = kConfigStopped;
    forEachPageOfRun([](WatcherPage& p) { p.GoingToStoppingConfig(); });
    guard.run([&] { ApplyDialogConfiguration(); });
    forEachPageOfRun([](WatcherPage& p) { p.ArrangeForStopping(); });
    guard.run([&] {
        const bool previous = m_SettingControls;
        m_SettingControls = true;
        SelectTab(TabStoppingOptions);
        m_SettingControls = previous;
    });
    guard.run([&] { EnableFrameOfSelectedTab(); });
    forEachPageOfRun([](WatcherPage& p) { p.StoppingConfigApplied(); });
    guard.run([&] { ol::windowService().bringToFront(windowRef()); });
    guard.run([&] { update(); });
}

void FormProgress::ControlsAfterStopClickedDisableEnable(bool enable) {
    ol::StepGuard guard;
    guard.run([&] { ShowButtonImages(enable); });
    m_IgnoreExcelUpdateClicks = !enable;
    m_IgnoreRunControlClicks = !enable;
    m_IgnoreMinimizeClicks = !enable;
}

void FormProgress::RestoreRunPauseButtonState() {
    const bool previous = m_IgnoreRunControlClicks;
    m_IgnoreRunControlClicks = true;
    ol::StepGuard guard;
    guard.run([&] {
        if (m_DialogConfiguration == kConfigRunning)
            CommandRun->setChecked(true);
        if (m_DialogConfiguration == kConfigPaused)
            CommandPause->setChecked(true);
    });
    m_IgnoreRunControlClicks = previous;
}

void FormProgress::ShowButtonImages(bool enabled) {
    using Picture = FormSurvival::Picture;
    CommandRun->setIcon(FormSurvival::ButtonIcon(Picture::Run, enabled));
    CommandPause->setIcon(FormSurvival::ButtonIcon(Picture::Pause, enabled));
    CommandStop->setIcon(FormSurvival::ButtonIcon(Picture::Stop, enabled));
    CommandExcelUpdate->setIcon(FormSurvival::ButtonIcon(Picture::ExcelUpdate, enabled));
    CommandMinimizeWatcher->setIcon(FormSurvival::ButtonIcon(Picture::MinimizeWatcher, enabled));
}

void FormProgress::CheckWindowMoved() {
    NotifyExcelIfMoved();
}

void FormProgress::NotifyExcelIfMoved() {
    if (m_MoveWatch.movedSinceLastCheck(this) && m_Manager != nullptr)
        m_Manager->RequestXLUpdate();
}

// ---------------------------------------------------------------- tabs

int FormProgress::tabFromName(const QString& name) {
    static const std::pair<const char*, int> kNames[] = {
        {"progress", TabProgress},     {"summary", TabSummary},        {"log", TabLog},
        {"population", TabPopulation}, {"color-graph", TabColorGraph},
    };
    for (const auto& [text, tab] : kNames)
        if (name == QLatin1String(text))
            return tab;
    return -1;
}

void FormProgress::SelectTab(int index) {
    TabMain->setCurrentIndex(index);
}

void FormProgress::SetDataTabsEnabled(bool enabled) {
    for (int tab : {TabSummary, TabPopulation, TabLog, TabColorGraph})
        TabMain->setTabEnabled(tab, enabled);
}

void FormProgress::ArrangeControlsForMode() {
    for (QFrame* frame : FrameTabMain)
        frame->setFrameStyle(QFrame::NoFrame);
    FrameBottom->setFrameShape(QFrame::NoFrame);
    ShowButtonImages(true);
    CommandHelp->setIcon(FormSurvival::ButtonIcon(FormSurvival::Picture::Help, true));
}

void FormProgress::SetHelpContextForTab() {
    m_HelpContextID = helpContextForTab(TabMain->currentIndex());
}

void FormProgress::EnableFrameOfSelectedTab() {
    const bool previous = m_SettingControls;
    m_SettingControls = true;
    const int selected = TabMain->currentIndex();
    for (int i = 0; i < TabMain->count(); ++i)
        FrameTabMain[static_cast<size_t>(i)]->setEnabled(i == selected);
    m_SettingControls = previous;
}

void FormProgress::TabMain_Click() {
    SetHelpContextForTab();
    if (m_SettingControls)
        return;
    EnableFrameOfSelectedTab();
    AfterShow();
}

// ---------------------------------------------------------------- localization

void FormProgress::ApplyFormLocalization(bool /*changingLanguage*/) {
    using engine::GetResourceString;
    // The window keeps its own title too, whichever window service is
    // installed (a scripted one only records the caption).
    setWindowTitle(GetResourceString(4001));
    ol::windowService().setCaption(windowRef(), GetResourceString(4001));
    ApplyLanguageFont(this);

    CommandHelp->setToolTip(GetResourceString(4002));
    CommandExcelUpdate->setToolTip(GetResourceString(4003));
    CommandMinimizeWatcher->setToolTip(GetResourceString(4004));
    CommandRun->setToolTip(GetResourceString(4005));
    CommandPause->setToolTip(GetResourceString(4006));
    CommandStop->setToolTip(GetResourceString(4007));
    CommandOK->setText(GetResourceString(4008));

    m_ExcelUpdatingMenu =
        ExcelUpdatingMenu::build(windowRef(), ExcelUpdatingMenu::kWatcherOnText, ExcelUpdatingMenu::kWatcherBestText,
                                 ExcelUpdatingMenu::kWatcherOffText);
    m_GridPopupMenu = ol::PopupMenu(windowRef());
    m_GridPopupMenu.addItem(gridCopyMenuKey(), GetResourceString(4052));

    for (int i = 0; i < TabCount; ++i)
        TabMain->setTabText(i, GetResourceString(kTabCaptions[static_cast<size_t>(i)]));

    // The pages' own labels and captions, including the constraint-solver
    // and generator-seed texts in that mode.
    forEachPage([&](WatcherPage& p) { p.ApplyLocalization(m_Manager); });
}

// ---------------------------------------------------------------- timer

void FormProgress::TimerUpdate_Timer() {
    log(QStringLiteral("WATCHER: entering TimerUpdate_Timer, Me.StopTimer=") + boolText(m_StopTimer));
    if (m_StopTimer)
        return;
    log(QStringLiteral("WATCHER: entering TimerUpdate_Timer, past Me.StopTimer check"));
    ol::StepGuard guard;
    log(QStringLiteral("TimerUpdate_Timer, past If Not m_Manager.FormsGotInitialized Then "
                       "m_Manager.InitializeFormsIfReady"));
    manager::WatcherManager* const mgr = m_Manager;
    if (mgr == nullptr)
        return;

    guard.run([&] {
        if (!mgr->Input_ConstraintSolverMode())
            mgr->CheckForXLRequestToAskUserAboutSolverAndProcess();
    });
    guard.run([&] {
        if (!mgr->Input_ConstraintSolverMode())
            mgr->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    });
    guard.run([&] {
        if (!mgr->GotInitializedAfterFirstTrial())
            mgr->InitializeAfterFirstTrialIfReady();
    });

    // The status is read afresh before each test, so a change between two
    // reads is taken by the later test.
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
            if (mgr->Input_MCoreOptimization())
                return;
            log(QStringLiteral("TimerUpdate_Timer: received message from Excal that status is QxRunStatusPaused"));
            log(QStringLiteral("TimerUpdate_Timer, m_Manager.WaitingAfterPauseClicked=") +
                boolText(mgr->WaitingAfterPauseClicked()));
            log(QStringLiteral("TimerUpdate_Timer, m_Manager.WaitingAfterStopClicked=") +
                boolText(mgr->WaitingAfterStopClicked()));
            if (mgr->WaitingAfterPauseClicked() || mgr->WaitingAfterStopClicked())
                mgr->ProcessPausedMessageFromExcel();
        });
    } else {
        status = 0;
        guard.run([&] { status = runStatus(); });
        // The end of the run hides the window; while a graph's dialog is up
        // it waits for a later tick.
        if (status == manager::WatcherManager::kRunStatusStopped && MirGraphModalDialogBeingDisplayed()) {
            log(QStringLiteral("TimerUpdate_Timer: status is QxRunStatusStopped, a graph dialog is up; waiting"));
        } else if (status == manager::WatcherManager::kRunStatusStopped) {
            log(QStringLiteral("TimerUpdate_Timer: status is QxRunStatusStopped"));
            m_StopTimer = true;
            TimerUpdate->stop();
            guard.run([&] { mgr->BothDialogs_Update(true, true); });
            log(QStringLiteral("TimerUpdate_Timer: updated both dialogs"));
            bool showOptions = false;
            guard.run([&] { showOptions = mgr->Stop_AtEndShowOptionsToUser(); });
            if (showOptions) {
                log(QStringLiteral("TimerUpdate_Timer: about to call m_Manager.ReadStoppingOptionsFromWatcher"));
                guard.run([&] { mgr->ReadStoppingOptionsFromWatcher(); });
                log(QStringLiteral("TimerUpdate_Timer: m_Manager.ReadStoppingOptionsFromWatcher returned"));
                guard.run([&] { GoToStoppingConfig(); });
                log(QStringLiteral("TimerUpdate_Timer: GoToStoppingConfig returned"));
                guard.run([&] {
                    if (windowState().testFlag(Qt::WindowMinimized))
                        setWindowState(windowState() & ~Qt::WindowMinimized);
                });
                // Only a run started from the add-in's own user interface is
                // shown modally by the add-in at its end.
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
    }

    guard.run([&] {
        if (mgr->OLToldWatcherToStopTimer()) {
            m_StopTimer = true;
            TimerUpdate->stop();
            mgr->TellOLWatcherStoppedTimer();
        }
    });
    log(QStringLiteral("WATCHER: exiting TimerUpdate_Timer, past Me.StopTimer check"));
}

// ---------------------------------------------------------------- buttons

void FormProgress::SendFocusAway() {
    TabMain->setFocus(Qt::OtherFocusReason);
}

void FormProgress::CommandRun_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks) {
        RestoreRunPauseButtonState();
        return;
    }
    ol::StepGuard guard;
    guard.run([&] { SendFocusAway(); });
    guard.run([&] { m_Manager->CommandResumeOptimization_ProcessClick(); });
}

void FormProgress::CommandPause_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks) {
        RestoreRunPauseButtonState();
        return;
    }
    ol::StepGuard guard;
    guard.run([&] { SendFocusAway(); });
    guard.run([&] { m_Manager->CommandPauseOptimization_ProcessClick(); });
}

void FormProgress::CommandStop_Click() {
    if (m_SettingControls || m_IgnoreRunControlClicks)
        return;
    log(QStringLiteral("FormProgress.CommandStop_Click: entering"));
    ol::StepGuard guard;
    guard.run([&] { SendFocusAway(); });
    log(QStringLiteral("FormProgress.CommandStop_Click: SendFocusAway returned"));
    guard.run([&] { m_Manager->CommandStopOptimization_ProcessClick(); });
    log(QStringLiteral("FormProgress.CommandStop_Click: m_Manager.CommandStopOptimization_ProcessClick returned"));
    if (guard.failed())
        log(QStringLiteral("FormProgress.CommandStop_Click: exiting with error: ") + guard.lastDescription());
    else
        log(QStringLiteral("FormProgress.CommandStop_Click: exiting without error"));
}

void FormProgress::CommandOK_Click() {
    log(QStringLiteral("WATCHER, CommandOK_Click: entering"));
    manager::WatcherManager* const mgr = m_Manager;
    ol::StepGuard steps;
    steps.run([&] {
        if (mgr != nullptr)
            manager::stopping::RestoreHostInteraction(*mgr);
    });
    // The stopping page's choices go into the manager before the host hears
    // of them: the kept solution first, its errors ignored, then the reports.
    auto* const stoppingPage = qobject_cast<StoppingOptionsPage*>(page(SlotStoppingOptions));
    steps.run([&] {
        if (stoppingPage != nullptr)
            stoppingPage->ApplyRestoreOriginal();
    });
    manager::stopping::TakeChoicesAndHandToHost(mgr, m_Manager, [&] {
        if (stoppingPage != nullptr)
            stoppingPage->StoppingOptionsTab_GetInfo();
        hide();
        log(QStringLiteral("WATCHER, CommandOK_Click: hid dialog"));
    });
}

void FormProgress::CommandHelp_Click() {
    ol::StepGuard guard;
    guard.run([&] { m_Manager->ShowHelp(m_HelpContextID); });
}

void FormProgress::CommandMinimizeWatcher_Click() {
    if (m_IgnoreMinimizeClicks)
        return;
    ol::StepGuard guard;
    guard.run([&] { m_Manager->ShowCompactWindow(); });
}

void FormProgress::CommandExcelUpdate_Click() {
    if (m_Manager != nullptr)
        ExcelUpdatingMenu::click(m_ExcelUpdatingMenu, *m_Manager, CommandExcelUpdate, m_IgnoreExcelUpdateClicks);
}

// ---------------------------------------------------------------- closing

void FormProgress::closeEvent(QCloseEvent* event) {
    // The person cannot close the Watcher: the window system's close (close
    // box, task manager) is refused. A close by code (the manager's unload)
    // and the end of the desktop session go ahead.
    if (closeRefused(m_Unloading, event->spontaneous(), qApp->isSavingSession())) {
        event->ignore();
        return;
    }
    event->accept();
}

void FormProgress::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Only a window on screen is moved by a person; Form_Load's placement
    // happens before the position is first remembered.
    if (isVisible() && m_Manager != nullptr)
        NotifyExcelIfMoved();
}

void FormProgress::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    // Only a hide by code (OK, the manager) ends the modal display; the
    // window system hides a window it minimizes too.
    if (m_ModalLoop != nullptr && !event->spontaneous())
        m_ModalLoop->quit();
}

} // namespace watcher
