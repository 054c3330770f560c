#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace dbusif {

// Base of an add-in's org.selvane.Host.Excel1 object: subclass it, implement
// the members, and export the object on the bus (registerObject with
// QDBusConnection::ExportAdaptors); then hand its bus name and path to the
// manager's Input_ExcelApplication. The adaptor made in the constructor
// forwards the Watcher's calls here.
class ExcelHostObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool DisplayAlerts READ DisplayAlerts WRITE setDisplayAlerts)
    Q_PROPERTY(bool Interactive READ Interactive WRITE setInteractive)
    Q_PROPERTY(QString StatusBar READ StatusBar WRITE setStatusBar)
    Q_PROPERTY(bool WindowEnabled READ WindowEnabled WRITE setWindowEnabled)

public:
    explicit ExcelHostObject(QObject* parent = nullptr);

    virtual bool DisplayAlerts() const = 0;
    virtual void setDisplayAlerts(bool on) = 0;
    virtual bool Interactive() const = 0;
    virtual void setInteractive(bool on) = 0;
    virtual QString StatusBar() const = 0;
    virtual void setStatusBar(const QString& text) = 0;
    virtual bool WindowEnabled() const = 0;
    virtual void setWindowEnabled(bool on) = 0;

public Q_SLOTS:
    virtual void Run(const QString& macro) = 0;
    virtual void BringToFront() = 0;
    // Builds the efficient-frontier graph as a chart (see the interface
    // file for the arguments). By default the host makes no chart and
    // answers "/".
    virtual QDBusObjectPath AddFrontierChart(const QString& title, const QString& xAxisTitle, const QString& yAxisTitle,
                                             const QString& xNumberFormat, const QString& yNumberFormat,
                                             const QStringList& seriesNames, const QList<uint>& seriesColors,
                                             const QList<uint>& seriesLengths, const QList<double>& x,
                                             const QList<double>& y, const QString& placementRange,
                                             const QString& dataRange);
};

} // namespace dbusif
