#include "HostExcelObject.h"

#include <QCoreApplication>
#include <QDir>

#include "FrontierWorkbook.h"
#include "ol/Directories.h"

namespace addin {

QString HostExcelObject::defaultStatusBar() {
    return QStringLiteral("Ready");
}

QString HostExcelObject::doEventsMacro() {
    return QStringLiteral("Selvane.xla!OptDoEvents");
}

HostExcelObject::HostExcelObject(QObject* parent) : QObject(parent), m_statusBar(defaultStatusBar()) {}

void HostExcelObject::setInteractive(bool on) {
    if (on == m_interactive)
        return;
    m_interactive = on;
    if (!on)
        ++m_windowDisabledCount;
    Q_EMIT hostEvent(on ? QStringLiteral("the sheet takes input again") : QStringLiteral("the sheet ignores input"));
}

void HostExcelObject::setStatusBar(const QString& text) {
    m_statusBar = text.isEmpty() ? defaultStatusBar() : text;
}

void HostExcelObject::setWindowEnabled(bool on) {
    if (on == m_windowEnabled)
        return;
    m_windowEnabled = on;
    if (!on)
        ++m_windowDisabledCount;
    Q_EMIT hostEvent(on ? QStringLiteral("the sheet's window is enabled again")
                        : QStringLiteral("the sheet's window is disabled while the Watcher is modal"));
}

void HostExcelObject::Run(const QString& macro) {
    if (macro.compare(doEventsMacro(), Qt::CaseInsensitive) == 0) {
        ++m_doEventsRuns;
        return;
    }
    ++m_unknownMacroRuns;
    Q_EMIT hostEvent(QStringLiteral("the Watcher asked to run an unknown macro \"%1\"").arg(macro));
}

void HostExcelObject::BringToFront() {
    ++m_bringToFrontCalls;
}

QDBusObjectPath HostExcelObject::AddFrontierChart(const QString& title, const QString& xAxisTitle,
                                                  const QString& yAxisTitle, const QString& xNumberFormat,
                                                  const QString& yNumberFormat, const QStringList& seriesNames,
                                                  const QList<uint>& seriesColors, const QList<uint>& seriesLengths,
                                                  const QList<double>& x, const QList<double>& y,
                                                  const QString& placementRange, const QString& dataRange) {
    const QDBusObjectPath none(QStringLiteral("/"));
    manager::FrontierChart chart{title, xAxisTitle, yAxisTitle, xNumberFormat, yNumberFormat, {}};
    if (seriesNames.size() != seriesLengths.size() || seriesColors.size() != seriesLengths.size()) {
        Q_EMIT hostEvent(QStringLiteral("the frontier chart's series names, colours and lengths do not match"));
        return none;
    }
    qsizetype next = 0;
    for (qsizetype i = 0; i < seriesLengths.size(); ++i) {
        const qsizetype points = seriesLengths[i];
        if (points > x.size() - next || points > y.size() - next) {
            Q_EMIT hostEvent(QStringLiteral("the frontier chart's series have fewer points than their lengths say"));
            return none;
        }
        chart.series.push_back({seriesNames[i], std::vector<double>(x.begin() + next, x.begin() + next + points),
                                std::vector<double>(y.begin() + next, y.begin() + next + points), seriesColors[i]});
        next += points;
    }
    // Never the shared temporary folder: another user could plant a link
    // where the workbook goes.
    QString why;
    const QString folderPath = m_workbookFolder.isEmpty() ? ol::runFilesDirectory(&why) : m_workbookFolder;
    if (folderPath.isEmpty()) {
        Q_EMIT hostEvent(QStringLiteral("the frontier chart was not made: no folder for its workbook (%1)").arg(why));
        return none;
    }
    const QDir folder(folderPath);
    const QString path = folder.absoluteFilePath(
        QStringLiteral("selvane-frontier-%1-%2.xlsx").arg(QCoreApplication::applicationPid()).arg(m_charts + 1));
    const QString failure = writeFrontierWorkbook(path, chart, placementRange, dataRange);
    if (!failure.isEmpty()) {
        Q_EMIT hostEvent(QStringLiteral("the frontier chart was not made: %1").arg(failure));
        return none;
    }
    ++m_charts;
    m_lastWorkbook = path;
    Q_EMIT hostEvent(QStringLiteral("the frontier chart is in the workbook %1").arg(path));
    return QDBusObjectPath(QStringLiteral("/org/selvane/Host/Excel/Charts/Chart%1").arg(m_charts));
}

} // namespace addin
