#include "Application.h"

#include <csignal>
#include <cstdlib>
#include <ctime>
#include <memory>

#include <dlfcn.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFile>

#include "DiagnosticLog.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "SurvivalChecker.h"
#include "ol/Directories.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"
#include "vntlib8.h"

namespace engine {

namespace {

constexpr long kSelfDestructDelayNs = 500L * 1000L * 1000L;

ApplicationHooks g_hooks;

void log(QString line) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(line);
}

void endProgram() {
    if (g_hooks.endProgram) {
        g_hooks.endProgram();
        return;
    }
    if (QCoreApplication::instance())
        QCoreApplication::exit(0);
    else
        std::exit(0);
}

// What one armed self-destruct timer does; owned by the timer's callback.
struct SelfDestructAction {
    std::function<void()> action;
};

void selfDestructThread(sigval value) {
    std::unique_ptr<SelfDestructAction> fired(static_cast<SelfDestructAction*>(value.sival_ptr));
    if (fired->action)
        fired->action();
    else
        SelfDestructTimerProc();
}

} // namespace

void SetApplicationHooks(ApplicationHooks hooks) {
    g_hooks = std::move(hooks);
}

ApplicationHooks GetApplicationHooks() {
    return g_hooks;
}

void InitializeApplication() {
    ProcessState::setApplicationInitialized(true);
    if (DiagnosticLog::IsLoggingDetailOn())
        DiagnosticLog::StartLogging();
    log(QStringLiteral("InitializeApplication: Entering"));

    ProcessState::setProcessId(static_cast<int32_t>(::getpid()));
    InitializeQxLib();
    LoadVntLib(ol::systemDirectory());

    if (ProcessState::startedByAutomation()) {
        if (g_hooks.createSurvivalWindow)
            g_hooks.createSurvivalWindow();
        SurvivalChecker::StartPollingTimer();
    }
    log(QStringLiteral("InitializeApplication: Exiting"));
}

void LoadVntLib(const QString& systemDirectory) {
    const QString source = QStringLiteral("InitializeApplication");
    if (systemDirectory.isEmpty())
        ol::raiseError(ol::kErrLibraryNotFound, source, QStringLiteral("Could not find Mirrow System directory."));
    const QString path = systemDirectory + QStringLiteral("/libvntlib8.so");
    log(QStringLiteral("*TECH SUPPORT* About to load VntLib using this path: ") + path);
    void* handle = ::dlopen(QFile::encodeName(path).constData(), RTLD_NOW | RTLD_LOCAL);
    log(QStringLiteral("Called LoadLibrary for VntLib"));
    if (handle == nullptr)
        ol::raiseError(ol::kErrLibraryNotFound, source, QStringLiteral("Could not load the library ") + path + u'.');
    log(QStringLiteral("*TECH SUPPORT* VntLib was loaded."));

    const auto init = reinterpret_cast<decltype(&::VntlibInitLibraryVB)>(::dlsym(handle, "VntlibInitLibraryVB"));
    if (init == nullptr) {
        ::dlclose(handle);
        ol::raiseError(ol::kErrLibraryNotFound, source,
                       QStringLiteral("The library ") + path +
                           QStringLiteral(" lacks the function VntlibInitLibraryVB."));
    }
    // The library takes six pointers to values of its own; the Watcher needs
    // none of them afterwards, so they point at scratch values. The library is
    // kept loaded for the life of the process.
    int32_t scratch[6] = {};
    init(&scratch[0], &scratch[1], &scratch[2], &scratch[3], &scratch[4], &scratch[5]);
    log(QStringLiteral("*TECH SUPPORT* VntLib initialization call returned."));
}

void TerminateApplication() {
    ol::StepGuard guard;
    guard.run([] {
        if (IsQxLibBound())
            QxLib().QxFree();
    });
    guard.run([] {
        if (g_hooks.releaseExcelChart)
            g_hooks.releaseExcelChart();
    });
    guard.run([] {
        if (g_hooks.unloadSurvivalWindow)
            g_hooks.unloadSurvivalWindow();
    });
    guard.run([] {
        if (ProcessState::startedByAutomation())
            SurvivalChecker::KillPollingTimer();
    });
    guard.run([] { endProgram(); });
    guard.run([] { StartSelfDestructTimer(); });
}

void StartSelfDestructTimer() {
    auto action = std::make_unique<SelfDestructAction>(SelfDestructAction{g_hooks.selfDestruct});
    sigevent event{};
    event.sigev_notify = SIGEV_THREAD;
    event.sigev_notify_function = &selfDestructThread;
    event.sigev_value.sival_ptr = action.get();
    // The timer is never deleted: it fires once, and the process is ending.
    timer_t timer{};
    if (::timer_create(CLOCK_MONOTONIC, &event, &timer) != 0)
        ol::raiseError(ol::kErrTimer, QStringLiteral("StartSelfDestructTimer"),
                       QStringLiteral("Unable to start self-destruct timer."));
    itimerspec when{};
    when.it_value.tv_nsec = kSelfDestructDelayNs;
    if (::timer_settime(timer, 0, &when, nullptr) != 0) {
        ::timer_delete(timer);
        ol::raiseError(ol::kErrTimer, QStringLiteral("StartSelfDestructTimer"),
                       QStringLiteral("Unable to start self-destruct timer."));
    }
    action.release(); // now owned by the callback
}

void SelfDestructTimerProc() {
    // No clean-up: whatever kept the orderly end from finishing could block
    // it again. The kernel releases the process's files, locks and mappings.
    ::_exit(0);
}

} // namespace engine
