#include "TaggedValue.h"

#include <cmath>
#include <limits>

#include <QLocale>

namespace engine {

namespace {

// Host-style rounding to an integer: halves go to the even neighbour, and a
// value out of range saturates instead of being undefined behaviour.
template <typename Int> Int roundToInt(double v) {
    if (std::isnan(v))
        return 0;
    const double r = std::nearbyint(v);
    if (r <= static_cast<double>(std::numeric_limits<Int>::min()))
        return std::numeric_limits<Int>::min();
    if (r >= static_cast<double>(std::numeric_limits<Int>::max()))
        return std::numeric_limits<Int>::max();
    return static_cast<Int>(r);
}

} // namespace

TaggedValue TaggedValue::null() {
    return TaggedValue(Null, std::monostate{});
}
TaggedValue TaggedValue::fromInt16(int16_t v) {
    return TaggedValue(Integer, v);
}
TaggedValue TaggedValue::fromInt32(int32_t v) {
    return TaggedValue(Long, v);
}
TaggedValue TaggedValue::fromDouble(double v) {
    return TaggedValue(Double, v);
}
TaggedValue TaggedValue::fromDate(double serial) {
    return TaggedValue(Date, serial);
}
TaggedValue TaggedValue::fromString(const QString& v) {
    return TaggedValue(String, v);
}
TaggedValue TaggedValue::fromObject(QObject* v) {
    return TaggedValue(Object, QPointer<QObject>(v));
}
TaggedValue TaggedValue::fromError(int32_t code) {
    return TaggedValue(Error, code);
}
TaggedValue TaggedValue::fromBool(bool v) {
    return TaggedValue(Boolean, v);
}
TaggedValue TaggedValue::fromArray(const TaggedArray& v) {
    return TaggedValue(VariantArray, std::make_shared<const TaggedArray>(v));
}

bool TaggedValue::isNumeric() const {
    return m_tag == Integer || m_tag == Long || m_tag == Double || m_tag == Date || m_tag == Boolean;
}

double TaggedValue::toDouble() const {
    if (const auto* i = std::get_if<int16_t>(&m_value))
        return *i;
    if (const auto* l = std::get_if<int32_t>(&m_value))
        return m_tag == Error ? 0.0 : *l;
    if (const auto* d = std::get_if<double>(&m_value))
        return *d;
    if (const auto* b = std::get_if<bool>(&m_value))
        return *b ? -1.0 : 0.0;
    if (const auto* s = std::get_if<QString>(&m_value)) {
        bool ok = false;
        const double v = s->trimmed().toDouble(&ok);
        return ok ? v : 0.0;
    }
    return 0.0;
}

int16_t TaggedValue::toInt16() const {
    if (const auto* i = std::get_if<int16_t>(&m_value))
        return *i;
    return roundToInt<int16_t>(toDouble());
}

int32_t TaggedValue::toInt32() const {
    if (m_tag == Long)
        return std::get<int32_t>(m_value);
    return roundToInt<int32_t>(toDouble());
}

bool TaggedValue::toBool() const {
    if (const auto* b = std::get_if<bool>(&m_value))
        return *b;
    if (const auto* s = std::get_if<QString>(&m_value)) {
        const QString t = s->trimmed();
        if (t.compare(u"true", Qt::CaseInsensitive) == 0)
            return true;
        if (t.compare(u"false", Qt::CaseInsensitive) == 0)
            return false;
    }
    return toDouble() != 0.0;
}

QString TaggedValue::toString() const {
    switch (m_tag) {
    case String:
        return std::get<QString>(m_value);
    case Boolean:
        return std::get<bool>(m_value) ? QStringLiteral("True") : QStringLiteral("False");
    case Integer:
    case Long:
        return QString::number(toInt32());
    case Double:
    case Date:
        // Shortest text that reads back as the same double.
        return QString::number(std::get<double>(m_value), 'g', QLocale::FloatingPointShortest);
    default:
        return {};
    }
}

QObject* TaggedValue::toObject() const {
    if (const auto* o = std::get_if<QPointer<QObject>>(&m_value))
        return o->data();
    return nullptr;
}

int32_t TaggedValue::errorCode() const {
    return m_tag == Error ? std::get<int32_t>(m_value) : 0;
}

TaggedArray TaggedValue::toArray() const {
    if (const auto* a = std::get_if<std::shared_ptr<const TaggedArray>>(&m_value))
        return **a;
    return {};
}

bool TaggedValue::operator==(const TaggedValue& other) const {
    if (m_tag != other.m_tag)
        return false;
    switch (m_tag) {
    case Object:
        return toObject() == other.toObject();
    case VariantArray:
        return toArray() == other.toArray();
    default:
        return m_value == other.m_value;
    }
}

} // namespace engine
