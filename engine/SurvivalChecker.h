#pragma once

#include <QString>

namespace engine {

// Ends the Watcher when the add-in's process is gone, and keeps the host
// responsive while a modal dialog of the Watcher blocks it.
//
// The add-in holds the named mutex "MirrowSurvivalMutex_OLProcessVersion8"
// while it lives; the kernel drops it when that process dies. A single-shot
// timer on the user-interface thread looks for it once a second (every
// 100 ms while a modal dialog is up) and is re-armed at the end of every
// tick, so a slow tick (a long macro call into the host) never overlaps the
// next one.
class SurvivalChecker {
public:
    static inline const QString kAddInMutexName = QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8");
    static inline const QString kDoEventsMacro = QStringLiteral("Selvane.xla") + QStringLiteral("!OptDoEvents");
    // The title of the Watcher's yes/no questions.
    static inline const QString kQuestionTitle = QStringLiteral("Selvane");
    static constexpr int kPollIntervalMs = 1000;
    static constexpr int kModalPollIntervalMs = 100;
    // Host versions above this one need the foreground help.
    static constexpr int kForegroundHelpAfterExcelVersion = 14;

    // Arms the timer (killing a running one first): 100 ms while a modal
    // dialog is up, else 1000 ms. Raises 0x80040013 "Unable to start polling
    // timer." when the timer cannot run (no event loop on this thread).
    static void StartPollingTimer();
    static void KillPollingTimer() noexcept;
    static void RestartPollingTimer();

    // One tick: kill the timer; end the Watcher if the add-in's mutex is
    // gone; while a modal dialog is up run the host's DoEvents macro and keep
    // the host's main window in front of its other windows; while a question
    // is up keep it in front of the host; re-arm. Errors are ignored step by
    // step, so the timer is always re-armed.
    static void TimerProc();

    static bool isPolling() noexcept;
    // The interval the timer was last armed with; 0 when it is not running.
    static int pollingInterval() noexcept;
};

} // namespace engine
