#pragma once

#include <array>
#include <cstdint>

#include <QWidget>

#include "WindowPlacement.h"
#include "manager/ProgressWindows.h"

class QFrame;
class QLabel;
class QTabWidget;
class QTimer;
class QToolButton;

namespace watcher {

class FrontierLogPage;
class FrontierProgressPage;
class FrontierStoppingOptionsPage;
class FrontierSummaryPage;
class WatcherPage;

// The full Watcher window of an efficient-frontier analysis: the progress
// graphs and frontier, the frontier solutions, the log of all optimizations
// and, at the end, the stopping options and OK. Its one-second timer drives the run
// as the single-optimization window's does; a pause between two
// optimizations is handed to the manager too.
class FormProgressEF : public QWidget, public manager::FullWindow {
    Q_OBJECT

public:
    enum Tab : int { TabProgress = 0, TabSummary = 1, TabLog = 2, TabStoppingOptions = 3, TabCount = 4 };
    static constexpr int32_t kConfigRunning = 1;
    static constexpr int32_t kConfigPaused = 2;
    static constexpr int32_t kConfigStopped = 3;

    explicit FormProgressEF(QWidget* parent = nullptr);
    ~FormProgressEF() override;

    // manager::ProgressWindow
    void Initialize(manager::WatcherManager* manager) override;
    void Hide() override { hide(); }
    void Unload() override;
    void Dispose() override;
    void Show() override { show(); }
    bool Visible() const override { return isVisible(); }
    void SetTopmost(bool topmost) override;
    int32_t TopTwips() const override;
    ol::WindowRef windowRef() override;
    void GoToPausingConfig() override;
    void GoToRunningConfig() override;
    void ControlsAfterStopClickedDisableEnable(bool enable) override;
    void RestoreRunPauseButtonState() override;
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
    void AfterShow() override {}
    bool ExportProgressGraph(const QString&, const QString&, double, int, int) override { return false; }

    void GoToStoppingConfig();
    void ApplyFormLocalization();
    void TimerUpdate_Timer();

    int32_t HelpContextID() const { return m_HelpContextID; }
    FrontierProgressPage* progressPage() const { return m_ProgressPage; }
    FrontierSummaryPage* summaryPage() const { return m_SummaryPage; }
    FrontierLogPage* logPage() const { return m_LogPage; }
    FrontierStoppingOptionsPage* stoppingPage() const { return m_StoppingPage; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildControls();
    void ApplyDialogConfiguration();
    void SetHelpContextForTab();
    void EnableFrameOfSelectedTab();
    void TabMain_Click();
    void runControlClick(void (manager::WatcherManager::*process)());
    void CommandOK_Click();

    manager::WatcherManager* m_Manager = nullptr;
    QTabWidget* TabMain = nullptr;
    std::array<QFrame*, TabCount> FrameTabMain{};
    QLabel* LabelProgressStatus = nullptr;
    QToolButton* CommandRun = nullptr;
    QToolButton* CommandPause = nullptr;
    QToolButton* CommandStop = nullptr;
    QToolButton* CommandOK = nullptr;
    QToolButton* CommandMinimizeWatcher = nullptr;
    QToolButton* CommandHelp = nullptr;
    QTimer* TimerUpdate = nullptr;

    FrontierProgressPage* m_ProgressPage = nullptr;
    FrontierSummaryPage* m_SummaryPage = nullptr;
    FrontierLogPage* m_LogPage = nullptr;
    FrontierStoppingOptionsPage* m_StoppingPage = nullptr;
    std::array<WatcherPage*, TabCount> m_Pages{};

    int32_t m_DialogConfiguration = kConfigRunning;
    bool m_SettingControls = false;
    bool m_IgnoreRunControlClicks = false;
    bool m_IgnoreMinimizeClicks = false;
    bool m_GotInitializedAfterFirstTrial = false;
    bool m_StopTimer = false;
    bool m_Unloading = false;
    int32_t m_ResumeSignalCount = 0;
    int32_t m_HelpContextID = 0;
    MoveWatch m_MoveWatch;
};

} // namespace watcher
