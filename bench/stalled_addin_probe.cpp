// stalled_addin_probe: how the Watcher behaves while the add-in is stopped
// (SIGSTOP) with the population lock held.
//
// It runs a private bus whose activation file starts the given Watcher
// (default: the build's), creates a population, makes a manager with it and
// lets the Watcher's windows run. A child process then takes the population
// lock and stops itself; for the stall's duration the probe reads a property
// of the manager every 50 ms and times each answer. The Watcher's diagnostic
// log (turned on by its marker file) shows each tick of the window's update
// timer, so the ticks during the stall are counted from it. Then the child
// is continued, lets go of the lock and ends.
//
//   stalled_addin_probe [--watcher PATH] [--seconds N] [--repetitions N]
//
// Prints per repetition the count, median, minimum and maximum of the answer
// times and the ticks during the stall with the longest gap between two.
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <optional>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include "DBusTypes.h"
#include "ol/NamedMutex.h"
#include "qxlib8.h"

namespace {

using Clock = std::chrono::steady_clock;

// The monotonic clock in milliseconds, cut to 32 bits as the diagnostic log
// writes it.
uint32_t tickNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                 static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
}

// A child that takes the population lock when told, reports it, and stops
// itself; once continued it lets go and ends.
pid_t startLockHolder(int32_t pop, int& commandFd, int& reportFd) {
    int command[2];
    int report[2];
    if (pipe(command) != 0 || pipe(report) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(command[1]);
        close(report[0]);
        char c = 0;
        if (read(command[0], &c, 1) != 1)
            _exit(1);
        const int32_t rc = QxPopLock(pop);
        const char ok = rc == QX_OK ? 'L' : 'E';
        if (write(report[1], &ok, 1) != 1)
            _exit(1);
        raise(SIGSTOP);
        if (rc == QX_OK)
            QxPopUnlock(pop);
        _exit(0);
    }
    close(command[0]);
    close(report[1]);
    commandFd = command[1];
    reportFd = report[0];
    return pid;
}

struct Bus {
    QTemporaryDir dir;
    QProcess daemon;
    QString address;

    bool start(const QString& watcher, const QString& logDir) {
        const QString services = dir.path() + QStringLiteral("/services");
        QDir().mkpath(services);
        QFile service(services + QStringLiteral("/org.selvane.SelvaneWatcher8.service"));
        if (!service.open(QIODevice::WriteOnly))
            return false;
        service.write(QStringLiteral("[D-BUS Service]\nName=org.selvane.SelvaneWatcher8\nExec=%1 --automation\n")
                          .arg(watcher)
                          .toUtf8());
        service.close();
        QFile conf(QStringLiteral(SELVANE_DBUS_SESSION_CONF));
        if (!conf.open(QIODevice::ReadOnly))
            return false;
        QString text = QString::fromUtf8(conf.readAll());
        text.replace(QRegularExpression(QStringLiteral("<servicedir>[^<]*</servicedir>")),
                     QStringLiteral("<servicedir>%1</servicedir>").arg(services));
        QFile ownConf(dir.path() + QStringLiteral("/session.conf"));
        if (!ownConf.open(QIODevice::WriteOnly))
            return false;
        ownConf.write(text.toUtf8());
        ownConf.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SELVANE_LOG_DIR"), logDir);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        daemon.setProcessEnvironment(env);
        daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=") + ownConf.fileName(),
                                                     QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        if (!daemon.waitForStarted(10000))
            return false;
        const QDeadlineTimer deadline(10000);
        while (!daemon.canReadLine() && !deadline.hasExpired())
            daemon.waitForReadyRead(100);
        address = QString::fromUtf8(daemon.readLine()).trimmed();
        return !address.isEmpty();
    }
    ~Bus() {
        daemon.terminate();
        daemon.waitForFinished(5000);
    }
};

QDBusMessage call(QDBusConnection& bus, const QString& path, const QString& iface, const QString& member,
                  const QVariantList& args = {}, int timeoutMs = 60000) {
    QDBusMessage msg = QDBusMessage::createMethodCall(dbusif::kServiceName, path, iface, member);
    msg.setArguments(args);
    return bus.call(msg, QDBus::Block, timeoutMs);
}

bool ok(const QDBusMessage& reply, const char* what) {
    if (reply.type() == QDBusMessage::ReplyMessage)
        return true;
    std::fprintf(stderr, "stalled_addin_probe: %s failed: %s %s\n", what, qPrintable(reply.errorName()),
                 qPrintable(reply.errorMessage()));
    return false;
}

// The ticks of the window's update timer that the Watcher logged.
std::vector<uint32_t> loggedTicks(const QString& logFile) {
    std::vector<uint32_t> ticks;
    QFile file(logFile);
    if (!file.open(QIODevice::ReadOnly))
        return ticks;
    static const QRegularExpression line(QStringLiteral("^WATCHER, (\\d+) +\\d+ WATCHER: entering TimerUpdate_Timer, "
                                                        "Me\\.StopTimer"));
    while (!file.atEnd()) {
        const QRegularExpressionMatch m = line.match(QString::fromUtf8(file.readLine()));
        if (m.hasMatch())
            ticks.push_back(m.captured(1).toUInt());
    }
    return ticks;
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n == 0 ? 0.0 : (n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2.0);
}

int runOnce(const QString& watcher, int seconds) {
    QTemporaryDir logDir;
    QFile marker(logDir.path() + QStringLiteral("/MirrowLoggingDetail.txt"));
    if (!marker.open(QIODevice::WriteOnly))
        return 1;
    marker.close();
    qputenv("SELVANE_LOG_DIR", logDir.path().toUtf8());

    int32_t pop = 0;
    const int32_t counts[] = {3};
    const int16_t methods[] = {QX_METHOD_RECIPE};
    if (QxPopCreate(50, 1, counts, methods, &pop) != QX_OK || QxPopSetRunStatus(pop, QxRunStatusOptimizing) != QX_OK) {
        std::fprintf(stderr, "stalled_addin_probe: cannot create a population\n");
        return 1;
    }
    int commandFd = -1;
    int reportFd = -1;
    const pid_t holder = startLockHolder(pop, commandFd, reportFd);
    if (holder < 0)
        return 1;

    int rc = 1;
    {
        Bus bus;
        if (!bus.start(watcher, logDir.path())) {
            std::fprintf(stderr, "stalled_addin_probe: dbus-daemon did not start\n");
        } else {
            const QString name = QStringLiteral("probe@") + bus.address;
            QDBusConnection conn = QDBusConnection::connectToBus(bus.address, name);
            const QDBusMessage created =
                call(conn, dbusif::kFactoryPath, dbusif::kFactoryInterface, QStringLiteral("CreateWatcherManager"));
            const QString path = created.arguments().value(0).value<QDBusObjectPath>().path();
            const QString props = QStringLiteral("org.freedesktop.DBus.Properties");
            const auto set = [&](const char* property, const QVariant& value) {
                return call(conn, path, props, QStringLiteral("Set"),
                            {dbusif::kManagerInterface, QString::fromLatin1(property),
                             QVariant::fromValue(QDBusVariant(value))});
            };
            if (ok(created, "CreateWatcherManager") &&
                ok(call(conn, path, dbusif::kManagerInterface, QStringLiteral("Initialize")), "Initialize") &&
                ok(set("Input_PopHandle", QVariant::fromValue<qint32>(pop)), "Set Input_PopHandle") &&
                ok(set("Input_PopulationSize", QVariant::fromValue<qint32>(50)), "Set Input_PopulationSize") &&
                ok(call(conn, path, dbusif::kManagerInterface, QStringLiteral("InitializeForms")), "InitializeForms")) {
                // A few ticks of the running windows first.
                QThread::msleep(2500);
                char go = 'l';
                char got = 0;
                int status = 0;
                if (write(commandFd, &go, 1) == 1 && read(reportFd, &got, 1) == 1 && got == 'L' &&
                    waitpid(holder, &status, WUNTRACED) == holder && WIFSTOPPED(status)) {
                    const uint32_t stallStart = tickNow();
                    const Clock::time_point end = Clock::now() + std::chrono::seconds(seconds);
                    std::vector<double> answersMs;
                    int failed = 0;
                    while (Clock::now() < end) {
                        const Clock::time_point t0 = Clock::now();
                        const QDBusMessage reply = call(conn, path, props, QStringLiteral("Get"),
                                                        {dbusif::kManagerInterface, QStringLiteral("Input_PopHandle")});
                        const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                        if (reply.type() == QDBusMessage::ReplyMessage)
                            answersMs.push_back(ms);
                        else
                            ++failed;
                        QThread::msleep(50);
                    }
                    const uint32_t stallEnd = tickNow();
                    kill(holder, SIGCONT);
                    waitpid(holder, &status, 0);

                    std::vector<uint32_t> ticks;
                    for (uint32_t t : loggedTicks(logDir.path() + QStringLiteral("/Selvane.log")))
                        if (t - stallStart <= stallEnd - stallStart)
                            ticks.push_back(t);
                    uint32_t longestGap = 0;
                    uint32_t previous = stallStart;
                    for (uint32_t t : ticks) {
                        longestGap = std::max(longestGap, t - previous);
                        previous = t;
                    }
                    longestGap = std::max(longestGap, stallEnd - previous);
                    const auto [lo, hi] = std::minmax_element(answersMs.begin(), answersMs.end());
                    std::printf("stall %d s: %zu Get answers (%d failed), median %.2f ms [%.2f..%.2f]; "
                                "%zu timer ticks, longest gap %u ms\n",
                                seconds, answersMs.size(), failed, median(answersMs), answersMs.empty() ? 0.0 : *lo,
                                answersMs.empty() ? 0.0 : *hi, ticks.size(), longestGap);
                    std::fflush(stdout);
                    rc = 0;
                } else {
                    std::fprintf(stderr, "stalled_addin_probe: the lock holder did not take the lock and stop\n");
                }
                call(conn, path, dbusif::kManagerInterface, QStringLiteral("Dispose"));
                call(conn, path, dbusif::kManagerInterface, QStringLiteral("Release"));
            }
            const QDBusReply<uint> pid = conn.interface()->servicePid(dbusif::kServiceName);
            if (pid.isValid())
                kill(static_cast<pid_t>(pid.value()), SIGTERM);
            QDBusConnection::disconnectFromBus(name);
        }
    }
    kill(holder, SIGKILL);
    kill(holder, SIGCONT);
    waitpid(holder, nullptr, 0);
    close(commandFd);
    close(reportFd);
    QxPopFree(pop);
    return rc;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString watcher = QStringLiteral(SELVANE_WATCHER_BINARY);
    int seconds = 10;
    int repetitions = 1;
    const QStringList args = QCoreApplication::arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args.at(i) == u"--watcher")
            watcher = args.at(i + 1);
        else if (args.at(i) == u"--seconds")
            seconds = args.at(i + 1).toInt();
        else if (args.at(i) == u"--repetitions")
            repetitions = args.at(i + 1).toInt();
    }
    if (seconds < 1 || repetitions < 1) {
        std::fprintf(stderr, "usage: stalled_addin_probe [--watcher PATH] [--seconds N] [--repetitions N]\n");
        return 2;
    }
    // The add-in's mutex tells the Watcher's survival checker that the
    // add-in lives; a stopped process still holds it.
    qputenv("SELVANE_INSTANCE", "stalled-addin-probe");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("SELVANE_SYSTEM_DIR"))
        qputenv("SELVANE_SYSTEM_DIR", SELVANE_SYSTEM_DIR_DEFAULT);
    ol::NamedMutex addin;
    if (!addin.create(QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8"))) {
        std::fprintf(stderr, "stalled_addin_probe: the add-in's mutex is held by another process\n");
        return 1;
    }
    std::printf("Watcher: %s\n", qPrintable(watcher));
    for (int r = 0; r < repetitions; ++r)
        if (runOnce(watcher, seconds) != 0)
            return 1;
    return 0;
}
