// selvane-addin: the sample add-in. It plays the add-in and its spreadsheet
// host at once: optimizes a built-in model through the engine library and
// shows the run in the Selvane Watcher, which it drives over D-Bus.
#include <csignal>
#include <cstdio>
#include <memory>
#include <unistd.h>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QSocketNotifier>

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
    // At a terminal, a line starting with "n" does the same.
    std::unique_ptr<QSocketNotifier> keys;
    if (options->efficientFrontier && ::isatty(STDIN_FILENO)) {
        keys = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(keys.get(), &QSocketNotifier::activated, [&keys] {
            char line[256];
            const ssize_t n = ::read(STDIN_FILENO, line, sizeof line);
            if (n <= 0) {
                keys->setEnabled(false); // the terminal is gone
                return;
            }
            if (line[0] == 'n' || line[0] == 'N')
                addin::AddinSession::requestNextOptimization();
        });
        std::fputs("Type n and Enter to ask for the next optimization.\n", stdout);
    }
    addin::AddinSession session(*options, [](addin::HostExcelObject& excel, addin::HostApplicationObject& application) {
        return std::make_unique<addin::DbusWatcherConnection>(QDBusConnection::sessionBus(), excel, application);
    });
    return session.run();
}
