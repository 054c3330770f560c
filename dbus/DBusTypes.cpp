#include "DBusTypes.h"

#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QMetaType>

namespace dbusif {

void registerDBusTypes() {
    qDBusRegisterMetaType<manager::ObjectRef>();
}

QString errorName(uint32_t number) {
    return kErrorPrefix + QStringLiteral("%1").arg(number, 8, 16, QLatin1Char('0')).toUpper();
}

std::optional<uint32_t> errorNumber(const QString& name) {
    if (!name.startsWith(kErrorPrefix) || name.size() != kErrorPrefix.size() + 8)
        return std::nullopt;
    bool ok = false;
    const uint32_t number = name.mid(kErrorPrefix.size()).toUInt(&ok, 16);
    return ok ? std::optional<uint32_t>(number) : std::nullopt;
}

QVariant toDBusValue(const engine::TaggedValue& value) {
    using engine::TaggedValue;
    switch (value.tag()) {
    case TaggedValue::Boolean:
        return QVariant(value.toBool());
    case TaggedValue::Integer:
        return QVariant::fromValue<qint16>(value.toInt16());
    case TaggedValue::Long:
        return QVariant::fromValue<qint32>(value.toInt32());
    case TaggedValue::Double:
    case TaggedValue::Date:
        return QVariant(value.toDouble());
    case TaggedValue::String:
        return QVariant(value.toString());
    case TaggedValue::VariantArray: {
        QVariantList items;
        for (const TaggedValue& item : value.toArray())
            items.append(toDBusValue(item));
        return QVariant::fromValue(items);
    }
    default:
        return QVariant(QString());
    }
}

QDBusVariant toDBusVariant(const engine::TaggedValue& value) {
    return QDBusVariant(toDBusValue(value));
}

namespace {

std::optional<engine::TaggedValue> fromArgument(const QDBusArgument& argument) {
    if (argument.currentSignature() != QLatin1String("av"))
        return std::nullopt;
    QVariantList items;
    argument >> items;
    engine::TaggedArray out;
    for (const QVariant& item : items) {
        std::optional<engine::TaggedValue> v = fromDBusVariant(item);
        if (!v)
            return std::nullopt;
        out.append(*v);
    }
    return engine::TaggedValue::fromArray(out);
}

} // namespace

std::optional<engine::TaggedValue> fromDBusVariant(const QVariant& value) {
    using engine::TaggedValue;
    switch (value.metaType().id()) {
    case QMetaType::Bool:
        return TaggedValue::fromBool(value.toBool());
    case QMetaType::Short:
        return TaggedValue::fromInt16(static_cast<int16_t>(value.toInt()));
    case QMetaType::Int:
        return TaggedValue::fromInt32(value.toInt());
    case QMetaType::Double:
        return TaggedValue::fromDouble(value.toDouble());
    case QMetaType::QString:
        return TaggedValue::fromString(value.toString());
    default:
        break;
    }
    // Items nested in an item: the variant holds a variant, or an array not
    // yet decoded.
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return fromDBusVariant(value.value<QDBusVariant>().variant());
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return fromArgument(value.value<QDBusArgument>());
    if (value.metaType() == QMetaType::fromType<QVariantList>()) {
        engine::TaggedArray out;
        for (const QVariant& item : value.toList()) {
            std::optional<TaggedValue> v = fromDBusVariant(item);
            if (!v)
                return std::nullopt;
            out.append(*v);
        }
        return TaggedValue::fromArray(out);
    }
    return std::nullopt;
}

QVariantList toDBusList(const engine::TaggedCollection& collection) {
    QVariantList list;
    list.reserve(collection.count());
    for (const engine::TaggedValue& item : collection.items())
        list.append(toDBusValue(item));
    return list;
}

std::optional<engine::TaggedCollection> fromDBusList(const QVariantList& list) {
    engine::TaggedCollection out;
    for (const QVariant& item : list) {
        std::optional<engine::TaggedValue> v = fromDBusVariant(item);
        if (!v)
            return std::nullopt;
        out.add(*v);
    }
    return out;
}

QString signatureOf(const QVariant& value) {
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        return value.value<QDBusArgument>().currentSignature();
    if (value.metaType() == QMetaType::fromType<QDBusVariant>())
        return QStringLiteral("v");
    const char* sig = QDBusMetaType::typeToSignature(value.metaType());
    return sig ? QString::fromLatin1(sig) : QString();
}

} // namespace dbusif

QDBusArgument& operator<<(QDBusArgument& argument, const manager::ObjectRef& ref) {
    argument.beginStructure();
    argument << ref.service << QDBusObjectPath(ref.path.isEmpty() ? QStringLiteral("/") : ref.path);
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, manager::ObjectRef& ref) {
    QDBusObjectPath path;
    argument.beginStructure();
    argument >> ref.service >> path;
    argument.endStructure();
    // "/" is how an empty reference travels; it names no exported object.
    ref.path = path.path() == QLatin1String("/") ? QString() : path.path();
    return argument;
}
