#include "PrivateBus.h"

#include <csignal>

#include <QDBusConnectionInterface>
#include <QDBusReply>
#include <QDeadlineTimer>
#include <QFile>
#include <QTest>

#include "DBusTypes.h"

namespace dbustest {

PrivateBus::PrivateBus() : m_control(QStringLiteral("none")) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("SELVANE_LOG_DIR"), m_logDir.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    m_daemon.setProcessEnvironment(env);
    m_daemon.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_daemon.start(QStringLiteral("dbus-daemon"), {QStringLiteral("--config-file=" SELVANE_DBUS_SESSION_CONF),
                                                   QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
    if (!m_daemon.waitForStarted(10000))
        return;
    const QDeadlineTimer deadline(10000);
    while (!m_daemon.canReadLine() && !deadline.hasExpired())
        m_daemon.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    m_control = connect(QStringLiteral("control"));
}

PrivateBus::~PrivateBus() {
    if (isUp()) {
        // A Watcher that outlived its test must not linger on a dead bus.
        if (const std::optional<qint64> pid = ownerPid(dbusif::kServiceName)) {
            ::kill(static_cast<pid_t>(*pid), SIGTERM);
            waitUntilNoOwner(dbusif::kServiceName, std::chrono::seconds(10));
        }
    }
    for (const QString& name : std::as_const(m_connections))
        QDBusConnection::disconnectFromBus(name);
    m_daemon.terminate();
    if (!m_daemon.waitForFinished(5000))
        m_daemon.kill();
    m_daemon.waitForFinished(5000);
}

QDBusConnection PrivateBus::connect(const QString& name) {
    const QString unique = name + QStringLiteral("@") + m_address;
    m_connections.append(unique);
    return QDBusConnection::connectToBus(m_address, unique);
}

void PrivateBus::disconnect(const QString& name) {
    const QString unique = name + QStringLiteral("@") + m_address;
    m_connections.removeAll(unique);
    QDBusConnection::disconnectFromBus(unique);
}

std::optional<qint64> PrivateBus::ownerPid(const QString& busName) {
    const QDBusReply<uint> reply = m_control.interface()->servicePid(busName);
    if (!reply.isValid())
        return std::nullopt;
    return static_cast<qint64>(reply.value());
}

bool PrivateBus::hasOwner(const QString& busName) {
    const QDBusReply<bool> reply = m_control.interface()->isServiceRegistered(busName);
    return reply.isValid() && reply.value();
}

bool PrivateBus::waitUntilNoOwner(const QString& busName, std::chrono::milliseconds timeout) {
    const QDeadlineTimer deadline(timeout);
    while (hasOwner(busName)) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace dbustest
