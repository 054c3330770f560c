#include "TempData.h"

#include <cstring>

#include "DiagnosticLog.h"
#include "QxLibBinding.h"
#include "ol/OLError.h"

namespace engine {

namespace {

// One slot's worth of bytes, zeroed, so that a short read leaves the rest 0.
struct ChannelBuffer {
    alignas(8) unsigned char bytes[8] = {};

    template <typename T> T get() const {
        static_assert(sizeof(T) <= sizeof(bytes));
        T v;
        std::memcpy(&v, bytes, sizeof(T));
        return v;
    }
    template <typename T> void set(T v) {
        static_assert(sizeof(T) <= sizeof(bytes));
        std::memcpy(bytes, &v, sizeof(T));
    }
};

bool isChannelKind(uint16_t tag) {
    return tag == TaggedValue::Integer || tag == TaggedValue::Long || tag == TaggedValue::Double ||
           tag == TaggedValue::Boolean;
}

} // namespace

int32_t QxReadTempData(int16_t cnum, TaggedValue& value, int16_t numBytes) {
    const uint16_t tag = value.tag();
    if (!isChannelKind(tag))
        ol::raiseError(ol::kErrGeneral, QStringLiteral("QxReadTempData"),
                       QStringLiteral("QxReadTempData: VarType not supported: ") + QString::number(tag));

    ChannelBuffer buffer{};
    const int32_t result = QxLib().QxReadTempData(cnum, buffer.bytes, numBytes);
    switch (tag) {
    case TaggedValue::Integer:
        value = TaggedValue::fromInt16(buffer.get<int16_t>());
        break;
    case TaggedValue::Long:
        value = TaggedValue::fromInt32(buffer.get<int32_t>());
        break;
    case TaggedValue::Double:
        value = TaggedValue::fromDouble(buffer.get<double>());
        break;
    default: // Boolean: any non-zero 16-bit value is true, as the host reads it
        value = TaggedValue::fromBool(buffer.get<int16_t>() != 0);
        break;
    }
    return result;
}

int16_t QxWriteTempData(int16_t cnum, const TaggedValue& value, int16_t numBytes) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(QStringLiteral("QxWriteTempData: Entering, cnum=") + QString::number(cnum) +
                                 QStringLiteral(", numBytes=") + QString::number(numBytes));

    ChannelBuffer buffer{};
    switch (value.tag()) {
    case TaggedValue::Integer:
        buffer.set<int16_t>(value.toInt16());
        break;
    case TaggedValue::Long:
        buffer.set<int32_t>(value.toInt32());
        break;
    case TaggedValue::Double:
        buffer.set<double>(value.toDouble());
        break;
    case TaggedValue::Boolean:
        buffer.set<int16_t>(value.toBool() ? QX_TRUE : QX_FALSE);
        break;
    default:
        ol::raiseError(ol::kErrGeneral, QStringLiteral("QxWriteTempData"),
                       QStringLiteral("QxWriteTempData: VarType not supported: ") + QString::number(value.tag()));
    }
    const int16_t answer = QxLib().QxWriteTempData(cnum, buffer.bytes, numBytes);

    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(QStringLiteral("QxWriteTempData: Exiting, l_Answer=") + QString::number(answer));
    return answer;
}

} // namespace engine
