#pragma once

#include <chrono>
#include <optional>

#include <QDBusConnection>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

namespace dbustest {

// A session bus of one test's own: dbus-daemon with the build's
// session.conf, whose service directory activates the built Watcher. The
// Watcher inherits the daemon's environment, so it gets the test's system
// directory and instance, and a log directory of its own. On destruction a
// Watcher still on the bus is ended, then the daemon.
class PrivateBus {
public:
    PrivateBus();
    ~PrivateBus();
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool isUp() const { return !m_address.isEmpty(); }
    const QString& address() const { return m_address; }
    QString logDirectory() const { return m_logDir.path(); }

    // A new client connection; each one is a client of its own for the
    // Watcher. `name` must be unique within the test.
    QDBusConnection connect(const QString& name);
    // Drops a connection made by connect(): the client leaves the bus.
    void disconnect(const QString& name);

    // The process id of the bus name's owner, if it has one.
    std::optional<qint64> ownerPid(const QString& busName);
    bool hasOwner(const QString& busName);
    // Waits (running the event loop) until the bus name has no owner.
    bool waitUntilNoOwner(const QString& busName, std::chrono::milliseconds timeout);

private:
    QTemporaryDir m_logDir;
    QProcess m_daemon;
    QString m_address;
    QStringList m_connections;
    QDBusConnection m_control;
};

} // namespace dbustest
