// The spreadsheet host's application object as the add-in exports it to the
// Watcher (org.selvane.Host.Excel1). A plain QObject: its properties and
// slots carry the interface's names, so the generated adaptor reaches them
// by name, and tests use it without a bus.
#pragma once

#include <QDBusObjectPath>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

namespace addin {

class HostExcelObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool DisplayAlerts READ displayAlerts WRITE setDisplayAlerts)
    Q_PROPERTY(bool Interactive READ interactive WRITE setInteractive)
    Q_PROPERTY(QString StatusBar READ statusBar WRITE setStatusBar)
    Q_PROPERTY(bool WindowEnabled READ windowEnabled WRITE setWindowEnabled)

public:
    // The status bar's own text, shown whenever nobody else claims it.
    static QString defaultStatusBar();
    // The macro the Watcher runs every 100 ms while it shows a modal window.
    static QString doEventsMacro();

    explicit HostExcelObject(QObject* parent = nullptr);

    bool displayAlerts() const { return m_displayAlerts; }
    void setDisplayAlerts(bool on) { m_displayAlerts = on; }
    bool interactive() const { return m_interactive; }
    void setInteractive(bool on);
    QString statusBar() const { return m_statusBar; }
    // An empty text gives the status bar back to the host's own text.
    void setStatusBar(const QString& text);
    bool windowEnabled() const { return m_windowEnabled; }
    void setWindowEnabled(bool on);

    int doEventsRuns() const { return m_doEventsRuns; }
    int unknownMacroRuns() const { return m_unknownMacroRuns; }
    int bringToFrontCalls() const { return m_bringToFrontCalls; }
    // How often the Watcher disabled the host's window or its input.
    int windowDisabledCount() const { return m_windowDisabledCount; }
    // Where the frontier chart's workbooks go (the user's run folder if
    // empty),
    // and the last one written.
    void setWorkbookFolder(const QString& folder) { m_workbookFolder = folder; }
    QString lastWorkbook() const { return m_lastWorkbook; }

public Q_SLOTS:
    // Runs a macro of the add-in. The only macro the Watcher runs is the
    // "do events" one: while it shows a modal window the add-in is waiting in
    // its own event loop anyway, so answering the call is all it takes.
    void Run(const QString& macro);
    void BringToFront();
    // Writes the frontier graph as a workbook with a native chart; answers
    // the chart's path under the Excel object's, or "/" when the arguments do
    // not fit together or the file cannot be written.
    QDBusObjectPath AddFrontierChart(const QString& title, const QString& xAxisTitle, const QString& yAxisTitle,
                                     const QString& xNumberFormat, const QString& yNumberFormat,
                                     const QStringList& seriesNames, const QList<uint>& seriesColors,
                                     const QList<uint>& seriesLengths, const QList<double>& x, const QList<double>& y,
                                     const QString& placementRange, const QString& dataRange);

Q_SIGNALS:
    // Something the person would see happen to the host, in a sentence.
    void hostEvent(const QString& text);

private:
    bool m_displayAlerts = true;
    bool m_interactive = true;
    bool m_windowEnabled = true;
    QString m_statusBar;
    int m_doEventsRuns = 0;
    int m_unknownMacroRuns = 0;
    int m_bringToFrontCalls = 0;
    int m_windowDisabledCount = 0;
    int m_charts = 0;
    QString m_workbookFolder;
    QString m_lastWorkbook;
};

} // namespace addin
