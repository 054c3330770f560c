#include "QtErrorReporter.h"

#include <QMessageBox>

#include "QtWindows.h"

namespace watcher {

void QtErrorReporter::reportError(const ol::OLError& error, ol::WindowRef owner) {
    QMessageBox box(widgetOf(owner));
    box.setObjectName(QStringLiteral("ErrorReport"));
    box.setWindowTitle(QStringLiteral("Selvane"));
    box.setIcon(QMessageBox::Critical);
    box.setTextFormat(Qt::PlainText);
    box.setText(ol::errorReportText(error));
    box.setStandardButtons(QMessageBox::Ok);
    box.setWindowModality(Qt::ApplicationModal);
    box.exec();
}

} // namespace watcher
