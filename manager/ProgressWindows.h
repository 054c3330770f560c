#pragma once

#include <cstdint>
#include <memory>

#include <QString>

#include "ol/WindowRef.h"

namespace manager {

class WatcherManager;

// What the manager asks of each of the two windows of a run. The windows'
// module implements these with Qt windows; the manager's tests implement
// them with scripted windows, so the manager needs no display.
class ProgressWindow {
public:
    virtual ~ProgressWindow() = default;

    virtual void Initialize(WatcherManager* manager) = 0;
    // Hides the window, then unloads it (its controls lose their state).
    virtual void Hide() = 0;
    virtual void Unload() = 0;
    virtual void Dispose() = 0;
    // Shows the window modeless.
    virtual void Show() = 0;
    virtual bool Visible() const = 0;
    // Puts the window on / takes it off the always-on-top level without
    // moving or resizing it.
    virtual void SetTopmost(bool topmost) = 0;
    // The window's top edge in twips.
    virtual int32_t TopTwips() const = 0;
    // The window as the shared library's services see it.
    virtual ol::WindowRef windowRef() = 0;

    virtual void GoToPausingConfig() = 0;
    virtual void GoToRunningConfig() = 0;
    virtual void ControlsAfterStopClickedDisableEnable(bool enable) = 0;
    virtual void RestoreRunPauseButtonState() = 0;
    // Compares the window's position and size with the ones it saw last and
    // tells the add-in (manager's RequestXLUpdate) when they changed.
    virtual void CheckWindowMoved() = 0;
};

// The compact progress window (FormProgressSmall, FormProgressSmallEF).
class CompactWindow : public ProgressWindow {
public:
    virtual void InitializeAfterFirstTrial() = 0;
    virtual void Update() = 0;
};

// The full Watcher window (FormProgress, FormProgressEF).
class FullWindow : public ProgressWindow {
public:
    // numLastTrialsToShow is used by FormProgress only.
    virtual void InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown,
                                           int32_t numLastTrialsToShow) = 0;
    virtual void Update(bool forceUpdateOfEverything, bool updateLastResult) = 0;
    // Puts `text` into the status line without reading the run (the manager
    // says there why the window is not being updated).
    virtual void ShowStatusText(const QString& text) = 0;

    // The StopTimer flag: once set, a tick of the update timer does nothing
    // beyond its first log line.
    virtual bool StopTimer() const = 0;
    virtual void SetStopTimer(bool on) = 0;
    virtual bool UpdateTimerEnabled() const = 0;
    virtual void SetUpdateTimerEnabled(bool on) = 0;

    // A dialog of one of the window's graph controls is on screen.
    virtual bool MirGraphModalDialogBeingDisplayed() const = 0;
    // 1 running, 2 paused, 3 stopped.
    virtual int32_t DialogConfiguration() const = 0;
    // The next `ticks` ticks of the update timer write true to channel 10.
    virtual void SetResumeSignalCounter(int32_t ticks) = 0;

    // Shows the window modally: a nested event loop that returns when the
    // person closes it (OK of the stopping options).
    virtual void ShowModal() = 0;
    // Called right after the window was shown modeless (FormProgress
    // restarts its population colour graph's timer when that tab is up).
    virtual void AfterShow() = 0;

    // The all-trials progress graph as an image file (the end-of-run progress
    // graph): title, trial axis from 0 to axisMaximum, the given size in
    // pixels. Returns false when the window has no such graph (efficient
    // frontier) or the file cannot be written.
    virtual bool ExportProgressGraph(const QString& path, const QString& title, double axisMaximum, int width,
                                     int height) = 0;
};

// Creates the windows of a run. The process installs one factory (the Qt
// windows); the manager's tests install scripted windows. A factory that
// cannot make the windows of a kind (efficient frontier) returns null and the
// manager reports it.
class WindowFactory {
public:
    virtual ~WindowFactory() = default;
    virtual std::unique_ptr<CompactWindow> createCompactWindow(bool efficientFrontier) = 0;
    virtual std::unique_ptr<FullWindow> createFullWindow(bool efficientFrontier) = 0;
};

// The installed factory; null until one is installed. Not owned.
WindowFactory* windowFactory();
void setWindowFactory(WindowFactory* factory);

} // namespace manager
