#pragma once

#include <chrono>
#include <functional>
#include <map>

#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

namespace dbusif {

class ManagerBridge;

// The Watcher process on the bus: the factory object, the managers it made
// and the process's lifetime. A manager belongs to the client that created
// it and lives until that client calls Release on it or leaves the bus. Once
// the last manager is gone the process ends after kIdleExitDelay, unless a
// client creates a new manager meanwhile. A process started by activation
// counts as idle from its start, so one that a stray call started (a Get on
// a manager path, an add-in's Dispose after a crash) ends the same way; one
// started by hand lives on until it had a manager. A process whose bus
// connection is lost ends too: no client can reach it any more.
class WatcherServer : public QObject, protected QDBusContext {
    Q_OBJECT

public:
    // Long enough for an add-in that releases one manager and creates the
    // next (the next optimization) to find the process still there, short
    // enough that a finished session does not linger.
    static constexpr std::chrono::milliseconds kIdleExitDelay{5000};
    // How often the process checks that its bus is still there.
    static constexpr std::chrono::milliseconds kBusCheckInterval{2000};

    explicit WatcherServer(const QDBusConnection& connection, QObject* parent = nullptr);
    ~WatcherServer() override;

    // Exports the factory and takes the bus name. False, with the reason in
    // `error`, when the name is owned by another process or the bus refuses.
    bool start(QString* error = nullptr);

    // What happens when the process has been idle for kIdleExitDelay.
    // Default: QCoreApplication::quit().
    void setIdleExitHandler(std::function<void()> handler) { m_idleExit = std::move(handler); }
    void setIdleExitDelay(std::chrono::milliseconds delay) { m_idleTimer.setInterval(delay); }
    // Arms the idle exit at start(), before any manager exists (a process
    // started by activation). Call before start().
    void setIdleFromStart(bool on) { m_idleFromStart = on; }

    int managerCount() const { return static_cast<int>(m_bridges.size()); }

public Q_SLOTS:
    // org.selvane.SelvaneWatcher8.Factory.CreateWatcherManager
    QDBusObjectPath CreateWatcherManager();

private:
    void release(ManagerBridge* bridge);
    void onOwnerGone(const QString& service);
    void onIdleTimeout();

    QDBusConnection m_connection;
    QDBusServiceWatcher m_ownerWatcher;
    QTimer m_idleTimer;
    // The bus daemon went away (the session ended): nobody can reach us.
    QTimer m_busCheck;
    std::function<void()> m_idleExit;
    std::map<QString, ManagerBridge*> m_bridges; // by path; children of this
    // Released while a window call ran on them; ended when it returns.
    QSet<ManagerBridge*> m_releasePending;
    quint64 m_nextNumber = 1;
    bool m_idleFromStart = false;
};

} // namespace dbusif
