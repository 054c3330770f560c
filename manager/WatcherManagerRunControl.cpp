// Pause, resume, stop and moving on to the next optimization of an
// efficient-frontier analysis: the windows' buttons call these, the manager
// changes the population's run status, the add-in honours the marks.
#include <cmath>

#include "Formatting.h"
#include "ManagerSupport.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"

namespace manager {

using support::boolText;
using support::writeLog;

namespace {
// The full window's configuration while the run is paused.
constexpr int32_t kDialogConfigurationPaused = 2;
// Ticks of the update timer that signal the add-in after a resume.
constexpr int32_t kResumeSignalTicks = 3;
} // namespace

bool WatcherManager::askStopQuestion() {
    return DisplayYesNoQuery(engine::GetResourceString(m_Input_EFPerformAnalysis ? 4307 : 4306), false, false);
}

void WatcherManager::disableBothWindowsControls() {
    writeLog(m_Input_EFPerformAnalysis
                 ? QStringLiteral("CommandStopOptimization_ProcessClick, about to call "
                                  "m_FormProgressSmallEF.ControlsAfterStopClickedDisableEnable False")
                 : QStringLiteral("CommandStopOptimization_ProcessClick, about to call "
                                  "m_FormProgressSmall.ControlsAfterStopClickedDisableEnable False"));
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("CommandStopOptimization_ProcessClick"));
    guard.run([&] { compact().ControlsAfterStopClickedDisableEnable(false); });
    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, about to call "
                            "m_FormWatcher.ControlsAfterStopClickedDisableEnable False"));
    guard.run([&] { full().ControlsAfterStopClickedDisableEnable(false); });
}

void WatcherManager::markToStop() {
    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, about to call QxPopSetRunStatus "
                            "Me.Input_PopHandle, QxRunStatusMarkToStop"));
    const int32_t rc = setRunStatus(kRunStatusMarkToStop);
    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, QxPopSetRunStatus returned: %1").arg(rc));
}

void WatcherManager::CommandPauseOptimization_ProcessClick() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("CommandPauseOptimization_ProcessClick"));
    const QString aboutToSet =
        QStringLiteral("WATCHER: CommandPauseOptimization_ProcessClick, about to call QxPopSetRunStatus, "
                       "Me.Input_PopHandle=%1")
            .arg(m_Input_PopHandle);
    const QString setReturned =
        QStringLiteral("WATCHER: CommandPauseOptimization_ProcessClick, QxPopSetRunStatus returned");

    if (m_Input_MCoreOptimization) {
        // Worker processes have no loop of the add-in to honour a mark, so
        // the run is paused directly. A stopped run stays stopped.
        bool stopped = false;
        guard.run([&] { stopped = runStatus() == kRunStatusStopped; });
        if (stopped)
            return;
        writeLog(aboutToSet);
        guard.run([&] { setRunStatus(kRunStatusPaused); });
        writeLog(setReturned);
        BothDialogs_Update(true, true);
        BothDialogs_GoToPausingConfig();
        guard.run([&] { support::writeChannelBool(ChannelWatcherRequestsXLUpdate, true); });
        return;
    }

    // The windows go to their pausing configuration only once the add-in
    // has paused (ProcessPausedMessageFromExcel).
    guard.run([&] { lockPopulation(); });
    guard.run([&] {
        if (runStatus() != kRunStatusStopped) {
            writeLog(aboutToSet);
            setRunStatus(kRunStatusMarkToPause);
            writeLog(setReturned);
        }
    });
    guard.run([&] { unlockPopulation(); });
}

void WatcherManager::CommandStopOptimization_ProcessClick() {
    // Everything, the question included, runs while the population is locked.
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("CommandStopOptimization_ProcessClick"));
    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick: entering"));
    writeLog(
        QStringLiteral("CommandStopOptimization_ProcessClick: about to call QxPopLock with %1").arg(m_Input_PopHandle));
    guard.run([&] { lockPopulation(); });
    writeLog(QStringLiteral("QxPopLock Me.Input_PopHandle returned"));

    bool stopped = false;
    guard.run([&] { stopped = runStatus() == kRunStatusStopped; });
    if (!stopped) {
        writeLog(
            QStringLiteral("Evaluated \"QxLib.QxPopGetRunStatus(Me.Input_PopHandle) <> QxRunStatusStopped\" as True"));
        auto answerStop = [&] {
            bool yes = false;
            if (!guard.run([&] { yes = askStopQuestion(); }))
                return;
            if (yes) {
                disableBothWindowsControls();
                guard.run([&] { markToStop(); });
            } else {
                guard.run([&] { compact().RestoreRunPauseButtonState(); });
                guard.run([&] { full().RestoreRunPauseButtonState(); });
            }
        };
        if (m_Input_MCoreOptimization) {
            // The population stays locked during the question; the flag makes
            // BothDialogs_Update skip its own lock meanwhile.
            setStopClickInProgress(true);
            answerStop();
            setStopClickInProgress(false);
        } else {
            int32_t configuration = 0;
            guard.run([&] { configuration = full().DialogConfiguration(); });
            if (configuration == kDialogConfigurationPaused) {
                writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, PAUSED"));
                answerStop();
            } else {
                // The question waits until the add-in has paused the run.
                writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, RUNNING"));
                disableBothWindowsControls();
                m_WaitingAfterStopClicked = true;
                writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, about to call QxPopSetRunStatus "
                                        "Me.Input_PopHandle, QxRunStatusMarkToPause"));
                int32_t rc = 0;
                guard.run([&] { rc = setRunStatus(kRunStatusMarkToPause); });
                writeLog(
                    QStringLiteral("CommandStopOptimization_ProcessClick, QxPopSetRunStatus returned: %1").arg(rc));
            }
        }
    }

    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, about to call QxPopUnlock with %1")
                 .arg(m_Input_PopHandle));
    guard.run([&] { unlockPopulation(); });
    writeLog(QStringLiteral("CommandStopOptimization_ProcessClick, QxPopUnlock returned"));
}

void WatcherManager::CommandResumeOptimization_ProcessClick() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("CommandResumeOptimization_ProcessClick"));
    guard.run([&] { compact().GoToRunningConfig(); });
    guard.run([&] { full().GoToRunningConfig(); });
    writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, about to call QxPopSetRunStatus"));
    guard.run([&] { setRunStatus(kRunStatusOptimizing); });
    writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, QxPopSetRunStatus returned"));
    guard.run([&] { full().SetResumeSignalCounter(kResumeSignalTicks); });
}

QString WatcherManager::nextOptimizationQuestion() {
    const double underWay = EFNumOptimizationUnderWay();
    const int32_t count = m_Input_EFNumConstrainingValues;
    engine::TaggedValue next;
    if (count > 0) {
        const auto k = static_cast<int32_t>(std::llround(underWay));
        const int32_t index = (k - 1) % count + 2;
        next = m_Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final.item(index);
    }
    if (next.tag() == engine::TaggedValue::Empty || next.tag() == engine::TaggedValue::Null)
        return QStringLiteral("Move on to the next optimization?");
    return QStringLiteral("Move on to the next optimization (with constraining value ") +
           engine::FormatValueForDisplay(next, m_Input_EFConstrainedCellValuesTreatedAsDate, false) +
           QStringLiteral(")?");
}

void WatcherManager::ProcessPausedMessageFromExcel() {
    ol::StepGuard guard = support::loggingGuard(QStringLiteral("ProcessPausedMessageFromExcel"));
    writeLog(QStringLiteral("WatcherManager.ProcessPausedMessageFromExcel: entering"));
    writeLog(QStringLiteral("WatcherManager.ProcessPausedMessageFromExcel, Me.WaitingAfterPauseClicked=") +
             boolText(m_WaitingAfterPauseClicked));
    writeLog(QStringLiteral("WatcherManager.ProcessPausedMessageFromExcel, Me.WaitingAfterStopClicked=") +
             boolText(m_WaitingAfterStopClicked));

    if (m_WaitingAfterPauseClicked) {
        m_WaitingAfterPauseClicked = false;
        BothDialogs_Update(true, true);
        BothDialogs_GoToPausingConfig();
        guard.run([&] { support::writeChannelBool(ChannelWatcherRequestsXLUpdate, true); });
    }

    if (m_WaitingAfterStopClicked) {
        writeLog(QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, WaitingAfterStopClicked is True"));
        m_WaitingAfterStopClicked = false;
        writeLog(QStringLiteral(
            "FormProgress.ProcessPausedMessageFromExcel: about to call Me.BothDialogs_Update True, True"));
        BothDialogs_Update(true, true);
        bool yes = false;
        if (guard.run([&] { yes = askStopQuestion(); })) {
            if (yes) {
                writeLog(QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, about to call QxPopSetRunStatus "
                                        "Me.Input_PopHandle, QxRunStatusMarkToStop"));
                guard.run([&] { setRunStatus(kRunStatusMarkToStop); });
                writeLog(QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, QxPopSetRunStatus returned"));
            } else {
                guard.run([&] { compact().ControlsAfterStopClickedDisableEnable(true); });
                guard.run([&] { full().ControlsAfterStopClickedDisableEnable(true); });
                guard.run([&] { compact().RestoreRunPauseButtonState(); });
                guard.run([&] { full().RestoreRunPauseButtonState(); });
                writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, about to call "
                                        "QxPopSetRunStatus Me.Input_PopHandle, QxRunStatusOptimizing"));
                guard.run([&] { setRunStatus(kRunStatusOptimizing); });
                writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, QxPopSetRunStatus returned"));
                guard.run([&] { full().SetResumeSignalCounter(kResumeSignalTicks); });
            }
        }
    }

    if (m_WaitingAfterEFNextOptimizationClicked) {
        writeLog(
            QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, WaitingAfterEFNextOptimizationClicked is True"));
        m_WaitingAfterEFNextOptimizationClicked = false;
        const QString resumeReturned =
            QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, QxPopSetRunStatus returned");
        if (static_cast<double>(m_Input_EFNumConstrainingValues) == EFNumOptimizationUnderWay()) {
            // The last optimization of the series: there is no next one.
            writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, about to call QxPopSetRunStatus "
                                    "Me.Input_PopHandle, QxRunStatusOptimizing, because we got to the last "
                                    "optimization, and there's no point in asking about moving to next one"));
            guard.run([&] { setRunStatus(kRunStatusOptimizing); });
            writeLog(resumeReturned);
        } else {
            bool yes = false;
            if (guard.run([&] { yes = DisplayYesNoQuery(nextOptimizationQuestion(), false, false); })) {
                if (yes) {
                    writeLog(QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, about to call QxPopSetRunStatus "
                                            "Me.Input_PopHandle, QxRunStatusMarkToMoveToNextOptimization"));
                    guard.run([&] { setRunStatus(kRunStatusMarkToMoveToNextOptimization); });
                    writeLog(QStringLiteral("WATCHER: ProcessPausedMessageFromExcel, QxPopSetRunStatus returned"));
                } else {
                    writeLog(QStringLiteral("WATCHER: CommandResumeOptimization_ProcessClick, about to call "
                                            "QxPopSetRunStatus Me.Input_PopHandle, QxRunStatusOptimizing, because "
                                            "user said no to prompt"));
                    guard.run([&] { setRunStatus(kRunStatusOptimizing); });
                    writeLog(resumeReturned);
                }
            }
        }
        guard.run([&] { full().SetResumeSignalCounter(kResumeSignalTicks); });
        guard.run([&] { compact().ControlsAfterStopClickedDisableEnable(true); });
        guard.run([&] { full().ControlsAfterStopClickedDisableEnable(true); });
        guard.run([&] { compact().RestoreRunPauseButtonState(); });
        guard.run([&] { full().RestoreRunPauseButtonState(); });
    }

    writeLog(QStringLiteral("WatcherManager.ProcessPausedMessageFromExcel: exiting"));
}

} // namespace manager
