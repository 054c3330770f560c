#pragma once

#include <functional>

#include <QString>

namespace engine {

// Start-up and end of the Watcher process.

// What other modules of the Watcher plug into start-up and end. Every member
// may be left empty.
struct ApplicationHooks {
    // The hidden survival window (FormSurvival) belongs to the windows'
    // module: created at start-up when the process was started by
    // automation, unloaded and released when the process ends. Without these
    // hooks no survival window exists.
    std::function<void()> createSurvivalWindow;
    std::function<void()> unloadSurvivalWindow;
    // Releases the process-wide chart object of the host, when one is held.
    std::function<void()> releaseExcelChart;
    // Ends the program. Empty: QCoreApplication::exit(0) when an application
    // object exists (its event loop returns and main ends the process), else
    // std::exit(0). Tests put an observer here.
    std::function<void()> endProgram;
    // What the self-destruct timer does when it fires. Empty: _exit(0).
    // Called on the timer's own thread.
    std::function<void()> selfDestruct;
};

void SetApplicationHooks(ApplicationHooks hooks);
// The hooks installed so far, so that a module can add its own and keep the
// others.
ApplicationHooks GetApplicationHooks();

// Start-up, once per process (the first manager's Initialize runs it): the
// diagnostic log when its marker exists, the process id, the engine binding,
// the risk-simulation library, and, when started by automation, the survival
// window and the polling timer. Errors of the engine binding and of the
// risk-simulation library reach the caller.
void InitializeApplication();

// Loads "libvntlib8.so" from the system directory and calls its one entry
// point. Raises 0x8004000B when the directory is unknown, the file cannot be
// loaded or lacks the entry point.
void LoadVntLib(const QString& systemDirectory);

// The orderly end: free the engine, release the host's chart object and the
// survival window, stop polling, end the program, and arm the self-destruct
// timer in case the end does not take effect. Errors are ignored step by
// step.
void TerminateApplication();

// Ends the process with exit code 0 after 500 ms (SelfDestructTimerProc). A
// system timer with a thread of its own, so it fires even when the
// user-interface thread is stuck after its event loop ended. Raises
// 0x80040013 "Unable to start self-destruct timer." when the system refuses
// the timer.
void StartSelfDestructTimer();
// The process ends at once with exit code 0, without any clean-up.
[[noreturn]] void SelfDestructTimerProc();

} // namespace engine
