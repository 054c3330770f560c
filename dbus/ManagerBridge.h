#pragma once

#include <functional>
#include <memory>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVirtualObject>
#include <QHash>
#include <QString>
#include <QVariantList>

namespace manager {
class WatcherManager;
}

namespace dbusif {

class InterfaceDescription;

// One Watcher manager on the bus. The manager itself knows nothing of D-Bus;
// this object owns it, answers the calls to its path, checks each call
// against the interface XML, converts the values, and turns the manager's
// errors into D-Bus errors ("...Error.E<number>" with the error's text).
// Only the connection that created the manager may call it (others get
// AccessDenied; introspection stays open), and every value it takes is
// bounded (PropertyLimits.h), so that no reply can outgrow the bus's limit.
//
// Calls that show a window (ShowWatcherModally, the question, the chart) run
// from a queued call after the handler returned and answer when they end, so
// the nested event loop of the window never runs inside a D-Bus handler and
// other calls (from this client or others) keep being served meanwhile.
class ManagerBridge : public QDBusVirtualObject {
    Q_OBJECT

public:
    ManagerBridge(const QDBusConnection& connection, const QString& path, const QString& owner,
                  QObject* parent = nullptr);
    ~ManagerBridge() override;

    // Makes the object reachable at its path; false when the path is taken.
    bool registerOnBus();

    const QString& path() const { return m_path; }
    // The unique bus name of the client that created this manager.
    const QString& owner() const { return m_owner; }
    manager::WatcherManager* watcherManager() const { return m_manager.get(); }
    // A call that shows a window is running.
    bool busy() const { return m_runningCalls > 0; }

    // Takes the object off the bus and ends the manager: a run that is still
    // under way is disposed first. Only when not busy().
    void retire();

    QString introspect(const QString& path) const override;
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override;

Q_SIGNALS:
    // The client called Release.
    void releaseRequested(dbusif::ManagerBridge* bridge);
    // The last running window call ended.
    void becameIdle(dbusif::ManagerBridge* bridge);

private:
    using Handler = std::function<QVariantList(manager::WatcherManager&, const QVariantList&)>;

    void handleProperties(const QDBusMessage& message);
    void handleMethod(const QDBusMessage& message);
    // Runs a handler and sends its reply or error.
    void runAndReply(const QDBusMessage& message, const Handler& handler);
    void sendError(const QDBusMessage& message, const QString& name, const QString& text);
    QVariant readProperty(const QString& name, const QString& signature);
    static QHash<QString, Handler> methodHandlers();

    QDBusConnection m_connection;
    QString m_path;
    QString m_owner;
    std::unique_ptr<manager::WatcherManager> m_manager;
    const InterfaceDescription& m_interface;
    bool m_registered = false;
    int m_runningCalls = 0;
};

} // namespace dbusif
