// Costs of driving the Watcher over D-Bus: activation of the built
// selvane-watcher on a private bus, and the round trips an add-in makes
// (a property write and read, a method call, reading every property).
#include <benchmark/benchmark.h>

#include <chrono>
#include <csignal>
#include <optional>

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include "DBusTypes.h"

namespace {

// A private bus daemon with the build's session.conf.
class Bus {
public:
    Bus() {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("SELVANE_LOG_DIR"), m_logDir.path());
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        m_daemon.setProcessEnvironment(env);
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=" SELVANE_DBUS_SESSION_CONF), QStringLiteral("--nofork"),
                        QStringLiteral("--print-address=1")});
        m_daemon.waitForStarted(10000);
        const QDeadlineTimer deadline(10000);
        while (!m_daemon.canReadLine() && !deadline.hasExpired())
            m_daemon.waitForReadyRead(100);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        m_connection = QDBusConnection::connectToBus(m_address, QStringLiteral("bench@") + m_address);
    }
    ~Bus() {
        endWatcher();
        QDBusConnection::disconnectFromBus(QStringLiteral("bench@") + m_address);
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QDBusConnection& connection() { return m_connection; }

    // Ends the Watcher on this bus, if one runs, and waits until it is gone.
    void endWatcher() {
        const QDBusReply<uint> pid = m_connection.interface()->servicePid(dbusif::kServiceName);
        if (!pid.isValid())
            return;
        ::kill(static_cast<pid_t>(pid.value()), SIGTERM);
        const QDeadlineTimer deadline(10000);
        while (m_connection.interface()->isServiceRegistered(dbusif::kServiceName).value() && !deadline.hasExpired())
            QThread::msleep(10);
    }

private:
    QTemporaryDir m_logDir;
    QProcess m_daemon;
    QString m_address;
    QDBusConnection m_connection{QStringLiteral("none")};
};

Bus* g_bus = nullptr;

QDBusMessage call(const QString& path, const QString& iface, const QString& member, const QVariantList& args = {}) {
    QDBusMessage msg = QDBusMessage::createMethodCall(dbusif::kServiceName, path, iface, member);
    msg.setArguments(args);
    return g_bus->connection().call(msg, QDBus::Block, 30000);
}

QString createManager() {
    const QDBusMessage reply =
        call(dbusif::kFactoryPath, dbusif::kFactoryInterface, QStringLiteral("CreateWatcherManager"));
    return reply.arguments().value(0).value<QDBusObjectPath>().path();
}

// From the first call to a bus without a Watcher to the answer of the
// activated one: process start, Qt start-up, the windows' set-up.
void BM_ActivationToFirstManager(benchmark::State& state) {
    for (auto _ : state) {
        g_bus->endWatcher();
        const auto start = std::chrono::steady_clock::now();
        const QString path = createManager();
        const auto end = std::chrono::steady_clock::now();
        if (path.isEmpty())
            state.SkipWithError("no manager");
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_ActivationToFirstManager)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

void BM_PropertyWriteAndRead(benchmark::State& state) {
    const QString path = createManager();
    const QString iface = QStringLiteral("org.freedesktop.DBus.Properties");
    qint32 value = 0;
    for (auto _ : state) {
        call(path, iface, QStringLiteral("Set"),
             {dbusif::kManagerInterface, QStringLiteral("Input_PopHandle"),
              QVariant::fromValue(QDBusVariant(QVariant::fromValue<qint32>(++value)))});
        const QDBusMessage reply =
            call(path, iface, QStringLiteral("Get"), {dbusif::kManagerInterface, QStringLiteral("Input_PopHandle")});
        if (reply.arguments().value(0).value<QDBusVariant>().variant().toInt() != value)
            state.SkipWithError("wrong value read back");
    }
}
BENCHMARK(BM_PropertyWriteAndRead)->Unit(benchmark::kMicrosecond);

void BM_MethodCall(benchmark::State& state) {
    const QString path = createManager();
    for (auto _ : state)
        benchmark::DoNotOptimize(call(path, dbusif::kManagerInterface, QStringLiteral("WatcherProcessID")));
}
BENCHMARK(BM_MethodCall)->Unit(benchmark::kMicrosecond);

void BM_GetAllProperties(benchmark::State& state) {
    const QString path = createManager();
    for (auto _ : state)
        benchmark::DoNotOptimize(call(path, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
                                      {dbusif::kManagerInterface}));
}
BENCHMARK(BM_GetAllProperties)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    dbusif::registerDBusTypes();
    Bus bus;
    g_bus = &bus;
    ::benchmark::Initialize(&argc, argv);
    ::benchmark::RunSpecifiedBenchmarks();
    ::benchmark::Shutdown();
    g_bus = nullptr;
    return 0;
}
