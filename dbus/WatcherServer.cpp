#include "WatcherServer.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusError>

#include "DBusTypes.h"
#include "ManagerBridge.h"
#include "factory_adaptor.h"

namespace dbusif {

WatcherServer::WatcherServer(const QDBusConnection& connection, QObject* parent)
    : QObject(parent), m_connection(connection) {
    registerDBusTypes();
    new FactoryAdaptor(this);
    m_ownerWatcher.setConnection(m_connection);
    m_ownerWatcher.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&m_ownerWatcher, &QDBusServiceWatcher::serviceUnregistered, this, &WatcherServer::onOwnerGone);
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(kIdleExitDelay);
    connect(&m_idleTimer, &QTimer::timeout, this, &WatcherServer::onIdleTimeout);
    m_busCheck.setInterval(kBusCheckInterval);
    connect(&m_busCheck, &QTimer::timeout, this, [this]() {
        if (m_connection.isConnected())
            return;
        m_busCheck.stop();
        m_idleExit ? m_idleExit() : QCoreApplication::quit();
    });
}

WatcherServer::~WatcherServer() {
    for (auto& [path, bridge] : m_bridges)
        delete bridge;
    m_bridges.clear();
}

bool WatcherServer::start(QString* error) {
    if (!m_connection.isConnected()) {
        if (error)
            *error =
                QStringLiteral("Cannot connect to the D-Bus session bus: %1").arg(m_connection.lastError().message());
        return false;
    }
    if (!m_connection.registerObject(kFactoryPath, this, QDBusConnection::ExportAdaptors)) {
        if (error)
            *error = QStringLiteral("Cannot export the object %1 on the session bus.").arg(kFactoryPath);
        return false;
    }
    // Queueing for the name would leave a second Watcher waiting silently;
    // refuse instead, so that whoever started it learns at once.
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> reply = m_connection.interface()->registerService(
        kServiceName, QDBusConnectionInterface::DontQueueService, QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid() || reply.value() != QDBusConnectionInterface::ServiceRegistered) {
        m_connection.unregisterObject(kFactoryPath);
        if (error)
            *error =
                reply.isValid()
                    ? QStringLiteral("The bus name %1 is already taken: another Watcher is running.").arg(kServiceName)
                    : QStringLiteral("Cannot take the bus name %1: %2").arg(kServiceName, reply.error().message());
        return false;
    }
    m_busCheck.start();
    if (m_idleFromStart && m_bridges.empty())
        m_idleTimer.start();
    return true;
}

QDBusObjectPath WatcherServer::CreateWatcherManager() {
    // Called from the bus, the caller becomes the owner; a direct call (a
    // test in this process) makes a manager that only Release ends.
    const QString owner = calledFromDBus() ? message().service() : QString();
    const QString path = kManagerPathPrefix + QString::number(m_nextNumber++);
    auto* bridge = new ManagerBridge(m_connection, path, owner, this);
    if (!bridge->registerOnBus()) {
        delete bridge;
        if (calledFromDBus())
            sendErrorReply(errorName(0x8004000A), QStringLiteral("Cannot export the Watcher manager at %1.").arg(path));
        return QDBusObjectPath();
    }
    connect(bridge, &ManagerBridge::releaseRequested, this, &WatcherServer::release);
    connect(bridge, &ManagerBridge::becameIdle, this, [this](ManagerBridge* b) {
        // A release that came during a window call is done now.
        if (m_releasePending.remove(b))
            release(b);
    });
    m_bridges.emplace(path, bridge);
    if (!owner.isEmpty())
        m_ownerWatcher.addWatchedService(owner);
    m_idleTimer.stop();
    return QDBusObjectPath(path);
}

void WatcherServer::release(ManagerBridge* bridge) {
    const auto it = m_bridges.find(bridge->path());
    if (it == m_bridges.end() || it->second != bridge)
        return;
    if (bridge->busy()) {
        // The window call's nested event loop still runs on the bridge; end
        // the manager once it returned.
        m_releasePending.insert(bridge);
        return;
    }
    m_bridges.erase(it);
    const QString owner = bridge->owner();
    bridge->retire();
    bridge->deleteLater();
    if (!owner.isEmpty()) {
        bool ownerHasMore = false;
        for (const auto& [path, other] : m_bridges)
            ownerHasMore = ownerHasMore || other->owner() == owner;
        if (!ownerHasMore)
            m_ownerWatcher.removeWatchedService(owner);
    }
    if (m_bridges.empty())
        m_idleTimer.start();
}

void WatcherServer::onOwnerGone(const QString& service) {
    QList<ManagerBridge*> gone;
    for (const auto& [path, bridge] : m_bridges)
        if (bridge->owner() == service)
            gone.append(bridge);
    for (ManagerBridge* bridge : gone)
        release(bridge);
}

void WatcherServer::onIdleTimeout() {
    if (!m_bridges.empty())
        return;
    m_idleExit ? m_idleExit() : QCoreApplication::quit();
}

} // namespace dbusif
