// selvane-addin: the sample add-in. It plays the add-in and its spreadsheet
// host at once: optimizes a built-in model through the engine library and
// shows the run in the Selvane Watcher, which it drives over D-Bus.
#include <csignal>
#include <cstdio>

#include <QCoreApplication>
#include <QDBusConnection>

#include "AddinOptions.h"
#include "AddinSession.h"
#include "DbusWatcherConnection.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("selvane-addin"));
    QString error;
    const auto options = addin::parseAddinOptions(QCoreApplication::arguments().mid(1), error);
    if (!options) {
        std::fprintf(stderr, "selvane-addin: %s\n", error.toLocal8Bit().constData());
        return 2;
    }
    if (options->help) {
        std::fputs(addin::addinUsage().toLocal8Bit().constData(), stdout);
        return 0;
    }
    // Ctrl+C ends the run as the Watcher's Stop would, so the log and the
    // Watcher are closed properly; a second Ctrl+C ends the program at once.
    std::signal(SIGINT, [](int) {
        addin::AddinSession::requestStop();
        std::signal(SIGINT, SIG_DFL);
    });
    // SIGUSR1 is the host's Next optimization button of an efficient-frontier
    // run: the Watcher asks the person whether to move on.
    std::signal(SIGUSR1, [](int) { addin::AddinSession::requestNextOptimization(); });
    addin::AddinSession session(*options, [](addin::HostExcelObject& excel, addin::HostApplicationObject& application) {
        return std::make_unique<addin::DbusWatcherConnection>(QDBusConnection::sessionBus(), excel, application);
    });
    return session.run();
}
