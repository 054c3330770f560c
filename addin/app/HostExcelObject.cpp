#include "HostExcelObject.h"

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

} // namespace addin
