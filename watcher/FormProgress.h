#pragma once

#include <array>
#include <cstdint>
#include <memory>

#include <QPointer>
#include <QString>
#include <QWidget>

#include "WindowPlacement.h"
#include "manager/ProgressWindows.h"
#include "ol/PopupMenu.h"

class QAbstractScrollArea;
class QEventLoop;
class QFrame;
class QLabel;
class QTabWidget;
class QTableView;
class QTimer;
class QToolButton;

namespace watcher {

class LogPage;
class ProgressPage;
class SummaryPage;
class WatcherPage;

// The full Watcher window of a single optimization: the tab control TabMain
// with its seven pages, the bottom bar of buttons and the status line. Its
// one-second timer TimerUpdate drives the whole run: it forwards the add-in's
// questions, sets the windows up after the first trial, reads the run
// status, refreshes both windows through the manager, hands a paused run
// back to the manager and, once the run has stopped, switches to the
// stopping configuration and asks the add-in to show it modally.
//
// The window never changes the run status itself; every click goes to the
// manager. Every control's objectName is its control name; the page frames
// are "FrameTabMain0" ... "FrameTabMain6" (frameTabMainName()).
class FormProgress : public QWidget, public manager::FullWindow {
    Q_OBJECT

public:
    // Tab items of TabMain.
    enum Tab : int {
        TabProgress = 0,
        TabSummary = 1,
        TabLog = 2,
        TabPopulation = 3,
        TabColorGraph = 4,
        TabConstraintSolver = 5,
        TabStoppingOptions = 6,
        TabCount = 7
    };

    // The pages and panels of the window, in the order Update refreshes
    // them. A slot sits on one tab (kSlotTabs); the genetic-algorithm
    // parameters share the summary tab. A slot without a page is skipped.
    enum PageSlot : int {
        SlotProgress = 0,
        SlotSummary,
        SlotGeneticParameters,
        SlotPopulation,
        SlotColorGraph,
        SlotLog,
        SlotConstraintSolver,
        SlotStoppingOptions,
        SlotCount
    };

    // Dialog configurations.
    static constexpr int32_t kConfigRunning = 1;
    static constexpr int32_t kConfigPaused = 2;
    static constexpr int32_t kConfigStopped = 3;

    static constexpr int kTimerIntervalMs = 1000;

    explicit FormProgress(QWidget* parent = nullptr);
    ~FormProgress() override;

    static QString frameTabMainName(int index);
    // The help topic of a tab item; 0 for an index that is no tab.
    static int32_t helpContextForTab(int index);
    // Whether a close is refused: one from the window system (close box,
    // task manager) unless the desktop session ends; never the manager's
    // unload or a close by code.
    static bool closeRefused(bool unloading, bool fromWindowSystem, bool sessionEnding);
    // The tab named by SELVANE_WATCHER_OPEN_TAB ("progress", "summary", "log",
    // "population" or "color-graph"); -1 for any other text.
    static int tabFromName(const QString& name);

    // manager::ProgressWindow
    void Initialize(manager::WatcherManager* manager) override;
    void Hide() override;
    void Unload() override;
    void Dispose() override;
    void Show() override;
    bool Visible() const override;
    void SetTopmost(bool topmost) override;
    int32_t TopTwips() const override;
    ol::WindowRef windowRef() override;
    void GoToPausingConfig() override;
    void GoToRunningConfig() override;
    void ControlsAfterStopClickedDisableEnable(bool enable) override;
    void RestoreRunPauseButtonState() override;
    // NotifyExcelIfMoved.
    void CheckWindowMoved() override;

    // manager::FullWindow
    void InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow) override;
    void Update(bool forceUpdateOfEverything, bool updateLastResult) override;
    void ShowStatusText(const QString& text) override;
    bool StopTimer() const override { return m_StopTimer; }
    void SetStopTimer(bool on) override { m_StopTimer = on; }
    bool UpdateTimerEnabled() const override;
    void SetUpdateTimerEnabled(bool on) override;
    bool MirGraphModalDialogBeingDisplayed() const override;
    int32_t DialogConfiguration() const override { return m_DialogConfiguration; }
    void SetResumeSignalCounter(int32_t ticks) override { m_ResumeSignalCount = ticks; }
    void ShowModal() override;
    void AfterShow() override;
    bool ExportProgressGraph(const QString& path, const QString& title, double axisMaximum, int width,
                             int height) override;

    void GoToStoppingConfig();
    // Tells the add-in (channel 10) when the window moved since it last looked.
    void NotifyExcelIfMoved();
    // Puts the resource texts on the controls and builds the two pop-up menus.
    void ApplyFormLocalization(bool changingLanguage = false);
    // Enforces the minimum client size and lays out the bar, the status line,
    // the tab control and every page from the client size.
    void Form_Resize();

    // One tick of the update timer; the timer calls it, tests call it directly.
    void TimerUpdate_Timer();

    // The window's help context, kept equal to the selected page's topic.
    int32_t HelpContextID() const { return m_HelpContextID; }
    int32_t ResumeSignalCount() const { return m_ResumeSignalCount; }
    bool GotInitializedAfterFirstTrial() const { return m_GotInitializedAfterFirstTrial; }
    bool IgnoreRunControlClicks() const { return m_IgnoreRunControlClicks; }
    bool IgnoreExcelUpdateClicks() const { return m_IgnoreExcelUpdateClicks; }
    bool IgnoreMinimizeClicks() const { return m_IgnoreMinimizeClicks; }

    // Runs the command of a pop-up menu item chosen by name; "" does nothing.
    void ProcessPopupMenuCommand(const QString& name);

    // The page in a slot; null when the slot has none.
    WatcherPage* page(PageSlot slot) const { return m_Pages[static_cast<size_t>(slot)]; }
    ProgressPage* progressPage() const { return m_ProgressPage; }
    SummaryPage* summaryPage() const { return m_SummaryPage; }
    LogPage* logPage() const { return m_LogPage; }
    // The tab item a slot's page sits on.
    static int tabOfSlot(PageSlot slot);

protected:
    void closeEvent(QCloseEvent* event) override;
    // A person moving the window tells the add-in (NotifyExcelIfMoved).
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildControls();
    // The name of the grid pop-up menu's Copy item.
    static QString gridCopyMenuKey();
    // Creates the pages, each on its tab's frame.
    void createPages();
    void addPage(PageSlot slot, WatcherPage* page);
    // Runs `hook` on every page that applies to the run, in update order
    // (or in `order`), each step guarded.
    template <class F> void forEachPage(F&& hook);
    template <class F> void forEachPageOfRun(F&& hook);
    QList<QTableView*> pageGrids() const;
    QList<QAbstractScrollArea*> pageRowGrids() const;
    void Form_Load();
    void SetDataTabsEnabled(bool enabled);
    void ArrangeControlsForMode();
    void ApplyDialogConfiguration();
    void SetHelpContextForTab();
    void EnableFrameOfSelectedTab();
    void SendFocusAway();
    void ShowButtonImages(bool enabled);
    void SelectTab(int index);

    void TabMain_Click();
    void CommandRun_Click();
    void CommandPause_Click();
    void CommandStop_Click();
    void CommandOK_Click();
    void CommandHelp_Click();
    void CommandMinimizeWatcher_Click();
    void CommandExcelUpdate_Click();
    void Grid_MouseUp(QAbstractScrollArea* grid, Qt::MouseButtons button);
    void CopyGridSelectionToClipboard(QTableView* grid);

    static void log(QString message);

    manager::WatcherManager* m_Manager = nullptr;

    // Controls.
    QTabWidget* TabMain = nullptr;
    std::array<QFrame*, TabCount> FrameTabMain{};
    QFrame* FrameBottom = nullptr;
    QFrame* FrameBottomDivider = nullptr;
    QLabel* LabelProgressStatus = nullptr;
    QToolButton* CommandRun = nullptr;
    QToolButton* CommandPause = nullptr;
    QToolButton* CommandStop = nullptr;
    QToolButton* CommandOK = nullptr;
    QToolButton* CommandExcelUpdate = nullptr;
    QToolButton* CommandMinimizeWatcher = nullptr;
    QToolButton* CommandHelp = nullptr;
    QTimer* TimerUpdate = nullptr;

    // The pages, owned by their frames.
    std::array<WatcherPage*, SlotCount> m_Pages{};
    ProgressPage* m_ProgressPage = nullptr;
    SummaryPage* m_SummaryPage = nullptr;
    LogPage* m_LogPage = nullptr;

    int32_t m_DialogConfiguration = kConfigRunning;
    bool m_SettingControls = false;
    bool m_IgnoreExcelUpdateClicks = false;
    bool m_IgnoreRunControlClicks = false;
    bool m_IgnoreMinimizeClicks = false;
    bool m_GotInitializedAfterFirstTrial = false;
    bool m_StopTimer = false;
    int32_t m_ResumeSignalCount = 0;
    MoveWatch m_MoveWatch;
    int32_t m_HelpContextID = 0;
    QPointer<QAbstractScrollArea> m_PopupGrid;
    ol::PopupMenu m_ExcelUpdatingMenu;
    ol::PopupMenu m_GridPopupMenu;

    // Set by Unload: the one close that goes ahead.
    bool m_Unloading = false;
    // The nested event loop of ShowModal while it runs.
    QEventLoop* m_ModalLoop = nullptr;
};

} // namespace watcher
