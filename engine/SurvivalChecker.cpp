#include "SurvivalChecker.h"

#include <memory>

#include <dlfcn.h>

#include <QTimer>

#include "Application.h"
#include "DiagnosticLog.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "SurvivalHost.h"
#include "ol/NamedMutex.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"
#include "ol/VisualServices.h"
#include "ol/WindowService.h"

namespace engine {

namespace {
// The polling timer (and nothing else) lives on the user-interface thread.
std::unique_ptr<QTimer> s_timer;
} // namespace

void SurvivalChecker::StartPollingTimer() {
    if (isPolling())
        KillPollingTimer();
    if (!s_timer) {
        s_timer = std::make_unique<QTimer>();
        s_timer->setSingleShot(true);
        s_timer->setTimerType(Qt::CoarseTimer);
        QObject::connect(s_timer.get(), &QTimer::timeout, [] { TimerProc(); });
    }
    s_timer->setInterval(ProcessState::modalDialogUp() ? kModalPollIntervalMs : kPollIntervalMs);
    s_timer->start();
    // A thread without an event loop gets no timer id.
    if (s_timer->timerId() <= 0)
        ol::raiseError(ol::kErrTimer, QStringLiteral("StartPollingTimer"),
                       QStringLiteral("Unable to start polling timer."));
}

void SurvivalChecker::KillPollingTimer() noexcept {
    if (s_timer)
        s_timer->stop();
}

void SurvivalChecker::RestartPollingTimer() {
    KillPollingTimer();
    StartPollingTimer();
}

bool SurvivalChecker::isPolling() noexcept {
    return s_timer && s_timer->isActive();
}

int SurvivalChecker::pollingInterval() noexcept {
    return isPolling() ? s_timer->interval() : 0;
}

void SurvivalChecker::TimerProc() {
    ol::StepGuard guard;
    guard.run([] {
        if (DiagnosticLog::isOn())
            DiagnosticLog::WriteLine(QStringLiteral("SurvivalChecker.TimerProc: Entering"));
    });
    KillPollingTimer();

    bool addInGone = false;
    guard.run([&] { addInGone = !ol::NamedMutex::exists(kAddInMutexName); });
    if (addInGone) {
        // The add-in died without freeing its population, which would hold
        // its memory in /dev/shm for good: the engine removes the
        // populations whose creator has ended. Looked up by name, as an
        // older engine library may not have it.
        guard.run([] {
            if (const quintptr library = QxLibHandle(); library != 0)
                if (void* symbol = ::dlsym(reinterpret_cast<void*>(library), "QxPopRemoveOrphans"))
                    reinterpret_cast<decltype(&::QxPopRemoveOrphans)>(symbol)(nullptr);
        });
        // The program ends here; the timer is not re-armed.
        TerminateApplication();
        return;
    }

    // A window of the host's process is a host window; the Watcher's own
    // windows are local ones.
    SurvivalHost* manager = ProcessState::currentManager();
    guard.run([&] {
        if (!ProcessState::modalDialogUp() || !manager || !manager->hasExcelApplication())
            return;
        // The modal dialog blocks the add-in's call into the Watcher; the
        // macro lets the host process its own messages meanwhile.
        manager->runExcelMacro(kDoEventsMacro);
        const int64_t appWindow = manager->excelAppWindow();
        if (manager->excelMajorVersion() > kForegroundHelpAfterExcelVersion && appWindow > 0) {
            const ol::WindowRef main = ol::WindowRef::host(appWindow);
            const ol::WindowRef foreground = ol::windowService().foregroundWindow();
            if (foreground.isHost() && !(foreground == main))
                ol::windowService().bringToFront(main);
        }
    });

    guard.run([&] {
        if (!manager || manager->excelMajorVersion() <= kForegroundHelpAfterExcelVersion ||
            !ProcessState::questionShown())
            return;
        const ol::WindowRef question = manager->findTopLevelWindow(kQuestionTitle);
        if (!question.isLocal())
            return;
        const ol::WindowRef foreground = ol::windowService().foregroundWindow();
        if (foreground.isHost() && !(foreground == question))
            ol::windowService().bringToFront(question);
    });

    guard.run([] { StartPollingTimer(); });
    guard.run([] {
        if (DiagnosticLog::isOn())
            DiagnosticLog::WriteLine(QStringLiteral("SurvivalChecker.TimerProc: Exiting"));
    });
}

} // namespace engine
