#include "ol/ErrorReporter.h"

namespace ol {

QString errorReportText(const OLError& error) {
    QString line = QStringLiteral("Error ") + error.hexNumber();
    if (!error.source().isEmpty())
        line += QStringLiteral(" in ") + error.source();
    if (error.description().isEmpty())
        return line;
    return error.description() + QStringLiteral("\n\n") + line;
}

} // namespace ol
