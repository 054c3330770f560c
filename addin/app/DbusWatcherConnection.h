// The Watcher over D-Bus: the add-in exports its two host objects on its own
// connection, creates a manager through the Watcher's factory (which starts
// the Watcher by activation) and drives it through the generated proxy.
#pragma once

#include <memory>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCall>

#include "HostApplicationObject.h"
#include "HostExcelObject.h"
#include "WatcherConnection.h"

class WatcherManagerProxy;

namespace addin {

class DbusWatcherConnection final : public WatcherConnection {
public:
    static QString excelPath();
    static QString applicationPath();

    DbusWatcherConnection(QDBusConnection bus, HostExcelObject& excel, HostApplicationObject& application);
    ~DbusWatcherConnection() override;

    bool open(const QList<WatcherInput>& inputs, QString& error) override;
    QString hostAddress() const override { return m_bus.baseService(); }
    int64_t watcherProcessId() override;
    bool waitingAfterStopClicked() override;
    void setWaitingAfterPauseClicked(bool on) override;
    void setWaitingAfterEFNextOptimizationClicked(bool on) override;
    bool setPopulation(int32_t population, QString& error) override;
    bool showWatcherModally(QString& error) override;
    bool efGraphChartInExcel(const QString& placementRange, const QString& dataRange, QString& chartPath,
                             QString& error) override;
    bool dispose(QString& error) override;
    void release() override;

private:
    // Waits for the reply while serving events; false with `error` set (the
    // D-Bus error's name and text) when the call failed or took longer than
    // `timeoutMs`.
    bool await(QDBusPendingCall call, int timeoutMs, const QString& what, QString& error);
    QDBusMessage propertiesCall(const QString& method) const;
    // Sets one manager property and waits for the answer.
    bool setManagerProperty(const QString& name, const QVariant& value, QString& error);

    QDBusConnection m_bus;
    HostExcelObject& m_excel;
    HostApplicationObject& m_application;
    bool m_exported = false;
    std::unique_ptr<WatcherManagerProxy> m_manager;
};

} // namespace addin
