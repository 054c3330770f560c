#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QWidget>

#include "WindowPlacement.h"
#include "manager/ProgressWindows.h"
#include "ol/PopupMenu.h"

class QAbstractButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace watcher {

class TextProgressBar;

// The small always-on-top window of a running single optimization: trial
// count, runtime, the original and the best objective value, a progress bar
// towards the run's trial or time limit, and the run buttons (Run, Pause,
// Stop, the full Watcher window, how Excel shows recalculations).
//
// It has no timer of its own: the manager refreshes it through Update on
// every combined update of both windows. Every control's objectName is its
// control name; positions and sizes are worked out in twips.
//
// Changing a toggle button's pressed state from code must not count as a
// click, so every such change is made with a guard flag set
// (m_SettingControls, m_IgnoreRunControlClicks, m_IgnoreExcelUpdateClicks),
// and the click handlers do nothing while their flag is set. The same flags
// make the buttons ignore clicks while a stop is being processed.
class FormProgressSmall : public QWidget, public manager::CompactWindow {
    Q_OBJECT

public:
    // m_RunState values.
    static constexpr int32_t kRunStateRunning = 1;
    static constexpr int32_t kRunStatePaused = 2;

    // How much the controls shift when the progress bar is hidden (twips).
    static constexpr int kHiddenProgressBarShiftTwips = 500;
    // The gap kept between the progress bar and the value rows once the
    // iteration row is taken out (twips).
    static constexpr int kGapBelowProgressBarTwips = 60;
    // Distance of the default position from the work area's left and bottom
    // edges (twips).
    static constexpr int kDefaultPositionMarginTwips = 100;

    explicit FormProgressSmall(QWidget* parent = nullptr);
    ~FormProgressSmall() override;

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

    // manager::CompactWindow
    // Nothing to do here: the compact window shows the same things before
    // and after the first trial.
    void InitializeAfterFirstTrial() override;
    void Update() override;

    // Tells the add-in (channel 10, through the manager) when the window
    // moved since it last looked.
    void NotifyExcelIfMoved();
    // All texts of the window and its Excel-updating menu, in the resource
    // server's language. changingLanguage is not used.
    void ApplyFormLocalization(bool changingLanguage = false);
    // The texts, then the extra width that long translations need.
    void AdjustLayoutForLanguage();
    // Takes the progress bar out (a run without a trial or a time limit).
    void HideProgressBar();
    // Lower left corner of the work area of the monitor that shows Excel.
    void PlaceAtDefaultPosition();

    // Extra width (twips) of the labels and of the text fields for a user
    // interface language (a Windows primary language number).
    struct LanguageWidening {
        int labelExtra = 0;
        int textExtra = 0;
    };
    static LanguageWidening languageWidening(int language, bool constraintSolverMode);

    // The progress bar's percentage: whichever of the trial and the time
    // percentage is further along; each one, where it applies, at least 1;
    // 0 when neither applies. Not capped at 100.
    static double progressPercent(double trials, double trialLimit, int32_t elapsedMs, double millisecondsLimit);

    // State, for the manager's tests and the window's own.
    int32_t RunState() const { return m_RunState; }
    bool SettingControls() const { return m_SettingControls; }
    bool IgnoreExcelUpdateClicks() const { return m_IgnoreExcelUpdateClicks; }
    bool IgnoreRunControlClicks() const { return m_IgnoreRunControlClicks; }
    bool IgnoreWatcherClicks() const { return m_IgnoreWatcherClicks; }
    bool ProgressBarShown() const { return m_ProgressBarShown; }
    // True while the five buttons show their enabled pictures.
    bool ButtonsShowEnabledImages() const { return m_buttonsShowEnabledImages; }
    const ol::PopupMenu& excelUpdatingMenu() const { return m_ExcelUpdatingMenu; }

protected:
    // Refuses the close box and the task manager; closes made by code or by
    // the end of the session go ahead.
    void closeEvent(QCloseEvent* event) override;
    // A person moving the window tells the add-in (NotifyExcelIfMoved).
    void moveEvent(QMoveEvent* event) override;

private:
    void createControls();
    // Every control at its designed place, with empty texts: the window as
    // it is before it is loaded.
    void applyBaseLayout();
    // What loading the window does: the icon, the iteration row taken out,
    // the default position.
    void load();
    void ShowRunState();
    void SendFocusAway();
    void showButtonImages(bool enabled);
    void reportInitializeError(const QString& description, const QString& number);

    void CommandRun_Click();
    void CommandPause_Click();
    void CommandStop_Click();
    void CommandWatcher_Click();
    void CommandExcelUpdate_Click();
    // Puts a toggle button back to the state the window shows (a click that
    // is ignored must not leave it pressed or released).
    void undoToggle(QAbstractButton* button, bool pressed);

    // The window's Top and Left as the add-in sees them: the outer frame's
    // position, in whole twips.

    manager::WatcherManager* m_Manager = nullptr;

    QLabel* LabelTrial = nullptr;
    QLabel* LabelRuntime = nullptr;
    QLabel* LabelOriginal = nullptr;
    QLabel* LabelBest = nullptr;
    QLabel* LabelIteration = nullptr;
    QLineEdit* TextTrial = nullptr;
    QLineEdit* TextRuntime = nullptr;
    QLineEdit* TextOriginal = nullptr;
    QLineEdit* TextBest = nullptr;
    QLineEdit* TextIteration = nullptr;
    TextProgressBar* vbalProgressBar = nullptr;
    QPushButton* CommandRun = nullptr;
    QPushButton* CommandPause = nullptr;
    QPushButton* CommandStop = nullptr;
    QPushButton* CommandWatcher = nullptr;
    QPushButton* CommandExcelUpdate = nullptr;
    QPushButton* CommandToSendFocusTo = nullptr;
    QFrame* FrameBothQxAndTrellan = nullptr;
    QFrame* FrameBottom = nullptr;
    QFrame* FrameDivider = nullptr;

    // The label/text rows in their order on the window.
    std::array<QLabel*, 5> m_labels{};
    std::array<QLineEdit*, 5> m_texts{};

    int32_t m_RunState = kRunStateRunning;
    bool m_SettingControls = false;
    bool m_IgnoreExcelUpdateClicks = false;
    bool m_IgnoreRunControlClicks = false;
    bool m_IgnoreWatcherClicks = false;
    bool m_ProgressBarShown = true;
    bool m_loaded = false;
    bool m_buttonsShowEnabledImages = true;
    uint32_t m_StartTick = 0;
    TwipsPosition m_InitialPosition;
    MoveWatch m_MoveWatch;
    ol::PopupMenu m_ExcelUpdatingMenu;
};

} // namespace watcher
