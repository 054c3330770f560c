#include "DbusHostExcel.h"

#include <algorithm>

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>

#include "DBusTypes.h"
#include "DbusHostConnector.h"
#include "ol/OLError.h"

namespace dbusif {

namespace {
const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kSource = QStringLiteral("HostExcel");
} // namespace

DbusHostExcel::DbusHostExcel(const QDBusConnection& connection, const manager::ObjectRef& ref)
    : m_connection(connection), m_ref(ref) {}

QVariant DbusHostExcel::get(const QString& name) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kPropertiesInterface, QStringLiteral("Get"));
    call << kExcelInterface << name;
    // The add-in is already running; never start anything by activation.
    call.setAutoStartService(false);
    const QDBusMessage reply =
        m_connection.call(call, QDBus::Block, static_cast<int>(DbusHostConnector::kCallTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        ol::raiseError(ol::kErrGeneral, kSource,
                       QStringLiteral("The host did not answer the read of %1: %2").arg(name, reply.errorMessage()));
    return reply.arguments().constFirst().value<QDBusVariant>().variant();
}

void DbusHostExcel::set(const QString& name, const QVariant& value) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kPropertiesInterface, QStringLiteral("Set"));
    call << kExcelInterface << name << QVariant::fromValue(QDBusVariant(value));
    call.setAutoStartService(false);
    if (!m_connection.send(call))
        ol::raiseError(ol::kErrGeneral, kSource, QStringLiteral("Cannot send the write of %1 to the host.").arg(name));
}

void DbusHostExcel::send(const QString& method, const QVariantList& args) {
    QDBusMessage call = QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kExcelInterface, method);
    call.setArguments(args);
    call.setAutoStartService(false);
    if (!m_connection.send(call))
        ol::raiseError(ol::kErrGeneral, kSource, QStringLiteral("Cannot send %1 to the host.").arg(method));
}

bool DbusHostExcel::displayAlerts() {
    return get(QStringLiteral("DisplayAlerts")).toBool();
}
void DbusHostExcel::setDisplayAlerts(bool on) {
    set(QStringLiteral("DisplayAlerts"), on);
}
bool DbusHostExcel::interactive() {
    return get(QStringLiteral("Interactive")).toBool();
}
void DbusHostExcel::setInteractive(bool on) {
    set(QStringLiteral("Interactive"), on);
}
QString DbusHostExcel::statusBar() {
    return get(QStringLiteral("StatusBar")).toString();
}
void DbusHostExcel::setStatusBar(const QString& text) {
    set(QStringLiteral("StatusBar"), text);
}
bool DbusHostExcel::windowEnabled() {
    return get(QStringLiteral("WindowEnabled")).toBool();
}
void DbusHostExcel::setWindowEnabled(bool on) {
    set(QStringLiteral("WindowEnabled"), on);
}
void DbusHostExcel::run(const QString& macro) {
    send(QStringLiteral("Run"), {macro});
}
void DbusHostExcel::bringToFront() {
    send(QStringLiteral("BringToFront"), {});
}

manager::ObjectRef DbusHostExcel::addFrontierChart(const manager::FrontierChart& chart, const QString& placementRange,
                                                   const QString& dataRange) {
    // The series go flat: names, colours and lengths side by side, then every
    // series' points one after another in x and y.
    QStringList names;
    QList<uint> colors;
    QList<uint> lengths;
    QList<double> x;
    QList<double> y;
    for (const manager::FrontierChartSeries& series : chart.series) {
        const size_t points = std::min(series.x.size(), series.y.size());
        names << series.name;
        colors << series.color;
        lengths << static_cast<uint>(points);
        for (size_t i = 0; i < points; ++i) {
            x << series.x[i];
            y << series.y[i];
        }
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kExcelInterface, QStringLiteral("AddFrontierChart"));
    call << chart.title << chart.xAxisTitle << chart.yAxisTitle << chart.xNumberFormat << chart.yNumberFormat << names
         << QVariant::fromValue(colors) << QVariant::fromValue(lengths) << QVariant::fromValue(x)
         << QVariant::fromValue(y) << placementRange << dataRange;
    call.setAutoStartService(false);
    const QDBusMessage reply =
        m_connection.call(call, QDBus::Block, static_cast<int>(DbusHostConnector::kChartTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        ol::raiseError(ol::kErrGeneral, kSource,
                       QStringLiteral("The host did not create the chart: %1").arg(reply.errorMessage()));
    const QString path = reply.arguments().constFirst().value<QDBusObjectPath>().path();
    if (path.isEmpty() || path == QStringLiteral("/"))
        ol::raiseError(ol::kErrGeneral, kSource, QStringLiteral("The host cannot create charts."));
    return {m_ref.service, path};
}

} // namespace dbusif
