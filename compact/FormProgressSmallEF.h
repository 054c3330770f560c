#pragma once

#include <array>
#include <cstdint>

#include <QString>
#include <QWidget>

#include "WindowPlacement.h"
#include "manager/ProgressWindows.h"

class QAbstractButton;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace watcher {

class TextProgressBar;

// The small always-on-top window of an efficient-frontier analysis, a series
// of optimizations, one per constraining value: the trial count and the
// runtime of the whole series, the progress bar towards its trial or time
// limit, and the run buttons (Run, Pause, Stop, the full Watcher window).
// Unlike FormProgressSmall it shows no original and best values (each
// optimization of the series has its own) and offers no Excel-updating menu.
//
// It has no timer of its own: the manager refreshes it through Update on
// every combined update of both windows. Every control's objectName is its
// control name; positions and sizes are worked out in twips. Code that
// changes a toggle button's state sets a guard flag first, so the change
// never counts as a click; the same flags make the buttons deaf while a
// stop is being processed.
class FormProgressSmallEF : public QWidget, public manager::CompactWindow {
    Q_OBJECT

public:
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

    explicit FormProgressSmallEF(QWidget* parent = nullptr);
    ~FormProgressSmallEF() override;

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
    // Shows Run, Pause, Stop and Watcher with their enabled or disabled
    // pictures; disabled, they stay clickable but their clicks are ignored.
    void ControlsAfterStopClickedDisableEnable(bool enable) override;
    void RestoreRunPauseButtonState() override;
    // NotifyExcelIfMoved.
    void CheckWindowMoved() override;

    // manager::CompactWindow
    // Nothing to do: the window shows the same things before and after the
    // first trial.
    void InitializeAfterFirstTrial() override;
    void Update() override;

    void NotifyExcelIfMoved();
    // All texts of the window in the resource server's language.
    // changingLanguage is not used.
    void ApplyFormLocalization(bool changingLanguage = false);
    // The texts, then the extra width that long translations need.
    void AdjustLayoutForLanguage();
    void HideProgressBar();
    void PlaceAtDefaultPosition();

    // Extra width (twips) of the labels and of the text fields for a user
    // interface language (a Windows primary language number). English too
    // gets room here: its frontier texts are longer than the window's base.
    struct LanguageWidening {
        int labelExtra = 0;
        int textExtra = 0;
    };
    static LanguageWidening languageWidening(int language);

    int32_t RunState() const { return m_RunState; }
    bool SettingControls() const { return m_SettingControls; }
    bool IgnoreRunControlClicks() const { return m_IgnoreRunControlClicks; }
    bool IgnoreWatcherClicks() const { return m_IgnoreWatcherClicks; }
    bool ProgressBarShown() const { return m_ProgressBarShown; }
    bool ButtonsShowEnabledImages() const { return m_buttonsShowEnabledImages; }

protected:
    // Refuses the close box and the task manager; closes made by code or by
    // the end of the session go ahead.
    void closeEvent(QCloseEvent* event) override;

private:
    void createControls();
    void applyBaseLayout();
    void load();
    void ShowRunState();
    void SendFocusAway();
    void showButtonImages(bool enabled);
    void reportInitializeError(const QString& description, const QString& number);

    void CommandRun_Click();
    void CommandPause_Click();
    void CommandStop_Click();
    void CommandWatcher_Click();
    void undoToggle(QAbstractButton* button, bool pressed);

    manager::WatcherManager* m_Manager = nullptr;

    QLabel* LabelTrial = nullptr;
    QLabel* LabelRuntime = nullptr;
    QLabel* LabelIteration = nullptr;
    QLineEdit* TextTrial = nullptr;
    QLineEdit* TextRuntime = nullptr;
    QLineEdit* TextIteration = nullptr;
    TextProgressBar* vbalProgressBar = nullptr;
    QPushButton* CommandRun = nullptr;
    QPushButton* CommandPause = nullptr;
    QPushButton* CommandStop = nullptr;
    QPushButton* CommandWatcher = nullptr;
    QPushButton* CommandToSendFocusTo = nullptr;
    QFrame* FrameBothQxAndTrellan = nullptr;
    QFrame* FrameBottom = nullptr;
    QFrame* FrameDivider = nullptr;

    // The label/text rows in their order on the window.
    std::array<QLabel*, 3> m_labels{};
    std::array<QLineEdit*, 3> m_texts{};

    int32_t m_RunState = kRunStateRunning;
    bool m_SettingControls = false;
    bool m_IgnoreRunControlClicks = false;
    bool m_IgnoreWatcherClicks = false;
    bool m_ProgressBarShown = true;
    bool m_loaded = false;
    bool m_buttonsShowEnabledImages = true;
    uint32_t m_StartTick = 0;
    TwipsPosition m_InitialPosition;
    MoveWatch m_MoveWatch;
};

} // namespace watcher
