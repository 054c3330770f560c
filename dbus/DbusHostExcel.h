#pragma once

#include <QDBusConnection>
#include <QString>
#include <QVariant>

#include "manager/HostObjects.h"

namespace dbusif {

// org.selvane.Host.Excel1 of an add-in, as manager::HostExcel.
class DbusHostExcel : public manager::HostExcel {
public:
    DbusHostExcel(const QDBusConnection& connection, const manager::ObjectRef& ref);

    bool displayAlerts() override;
    void setDisplayAlerts(bool on) override;
    bool interactive() override;
    void setInteractive(bool on) override;
    QString statusBar() override;
    void setStatusBar(const QString& text) override;
    bool windowEnabled() override;
    void setWindowEnabled(bool on) override;
    void run(const QString& macro) override;
    void bringToFront() override;
    // Calls AddFrontierChart and waits at most kChartTimeout for the chart's
    // path; a host that fails, does not answer in time or makes no chart
    // raises kErrGeneral.
    manager::ObjectRef addFrontierChart(const manager::FrontierChart& chart, const QString& placementRange,
                                        const QString& dataRange) override;

private:
    // Reads a property, waiting at most the connector's timeout.
    QVariant get(const QString& name);
    // Sends a property write without waiting.
    void set(const QString& name, const QVariant& value);
    // Sends a method call without waiting.
    void send(const QString& method, const QVariantList& args);

    QDBusConnection m_connection;
    manager::ObjectRef m_ref;
};

} // namespace dbusif
