// The spreadsheet host's application object as the add-in exports it to the
// Watcher (org.selvane.Host.Excel1). A plain QObject: its properties and
// slots carry the interface's names, so the generated adaptor reaches them
// by name, and tests use it without a bus.
#pragma once

#include <QObject>
#include <QString>

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

public Q_SLOTS:
    // Runs a macro of the add-in. The only macro the Watcher runs is the
    // "do events" one: while it shows a modal window the add-in is waiting in
    // its own event loop anyway, so answering the call is all it takes.
    void Run(const QString& macro);
    void BringToFront();

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
};

} // namespace addin
