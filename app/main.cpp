// selvane-watcher: the Watcher process. D-Bus activation starts it with
// --automation when an add-in first calls the factory; started by hand it
// serves the same way but without the survival checker.
#include <cstdio>
#include <cstdlib>

#include <QApplication>
#include <QCommandLineParser>
#include <QDBusConnection>

#include "DbusHostConnector.h"
#include "ProcessState.h"
#include "QtWindows.h"
#include "WatcherServer.h"
#include "manager/HostObjects.h"

namespace {

// Without a display the windows still exist (tests and servers drive them),
// so fall back to the offscreen platform instead of failing to start.
void chooseOffscreenWithoutDisplay() {
    const bool hasDisplay = qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    if (!hasDisplay && !qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
}

} // namespace

int main(int argc, char* argv[]) {
    chooseOffscreenWithoutDisplay();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("selvane-watcher"));
    QApplication::setApplicationVersion(QStringLiteral(SELVANE_VERSION));
    // The windows come and go with each run; the process lives until its
    // last manager is released (or the survival checker ends it).
    QApplication::setQuitOnLastWindowClosed(false);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "The Selvane Watcher: shows the progress of optimizations and serves the add-ins that "
        "run them, on the session bus as org.selvane.SelvaneWatcher8. The process ends 5 seconds "
        "after its last client released its manager (started by activation: also 5 seconds after "
        "its start when no client creates one). With SELVANE_WATCHER_OPEN_TAB set to progress, summary, log, "
        "population or color-graph, each run opens the full window on that tab after its first trial "
        "(for timing runs without a person)."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption automation(
        QStringLiteral("automation"),
        QStringLiteral("Started by D-Bus activation: end when the add-in's process is gone (survival checker)."));
    parser.addOption(automation);
    parser.process(app);

    engine::ProcessState::setStartedByAutomation(parser.isSet(automation));
    watcher::InstallQtWindows();

    QDBusConnection bus = QDBusConnection::sessionBus();
    dbusif::DbusHostConnector connector(bus);
    manager::setHostConnector(&connector);

    int rc = 0;
    {
        // The managers end with the server, and may still reach the host
        // objects while they dispose: the connector outlives them.
        dbusif::WatcherServer server(bus);
        // Activation starts the process for whatever call came first; when
        // that call was not CreateWatcherManager nobody will release a
        // manager, so the idle exit runs from the start.
        server.setIdleFromStart(parser.isSet(automation));
        QString error;
        if (!server.start(&error)) {
            std::fprintf(stderr, "selvane-watcher: %s\n", qPrintable(error));
            rc = 1;
        } else {
            rc = QApplication::exec();
        }
    }
    manager::setHostConnector(nullptr);
    return rc;
}
