#include "ol/OLError.h"

#include <utility>

namespace ol {

OLError::OLError(uint32_t number, QString source, QString description)
    : m_number(number), m_source(std::move(source)), m_description(std::move(description)),
      m_what(m_description.toUtf8()) {}

QString OLError::hexNumber() const {
    return QStringLiteral("%1").arg(m_number, 8, 16, QLatin1Char('0')).toUpper();
}

const char* OLError::what() const noexcept {
    return m_what.constData();
}

void raiseError(uint32_t number, const QString& source, const QString& description) {
    throw OLError(number, source, description);
}

} // namespace ol
