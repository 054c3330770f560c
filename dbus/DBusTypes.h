#pragma once

#include <cstdint>
#include <optional>

#include <QDBusArgument>
#include <QDBusVariant>
#include <QString>
#include <QVariant>
#include <QVariantList>

#include "TaggedCollection.h"
#include "TaggedValue.h"
#include "manager/HostObjects.h"

// The names and types that the Watcher and its clients share on the bus.
// Both sides use these, so a name or a conversion is written once.
namespace dbusif {

inline const QString kServiceName = QStringLiteral("org.selvane.SelvaneWatcher8");
inline const QString kFactoryPath = QStringLiteral("/org/selvane/SelvaneWatcher8");
inline const QString kFactoryInterface = QStringLiteral("org.selvane.SelvaneWatcher8.Factory");
inline const QString kManagerPathPrefix = QStringLiteral("/org/selvane/SelvaneWatcher8/WatcherManager/");
inline const QString kManagerInterface = QStringLiteral("org.selvane.SelvaneWatcher8.WatcherManager");
inline const QString kExcelInterface = QStringLiteral("org.selvane.Host.Excel1");
inline const QString kApplicationInterface = QStringLiteral("org.selvane.Host.Application1");
inline const QString kErrorPrefix = QStringLiteral("org.selvane.SelvaneWatcher8.Error.E");

// Registers the custom types with Qt's D-Bus marshalling. Call once before
// the first call that carries a "(so)"; calling it again does no harm.
void registerDBusTypes();

// "org.selvane.SelvaneWatcher8.Error.E8004000A" for 0x8004000A.
QString errorName(uint32_t number);
// The number of such an error name; nothing for any other name.
std::optional<uint32_t> errorNumber(const QString& name);

// A tagged value as the value of one item of an "av" collection. Booleans
// go as b, 16-bit integers as n, Longs as i, doubles and dates as d, strings
// as s and arrays as a nested av. Values that have no D-Bus form (empty,
// null, object, error) go as an empty string. The value is plain: putting it
// into a QVariantList makes it one variant item on the wire.
QVariant toDBusValue(const engine::TaggedValue& value);
// The same wrapped as a variant of its own (a "v" argument).
QDBusVariant toDBusVariant(const engine::TaggedValue& value);
// The reverse; nothing when the variant holds a type that no tagged value
// takes (the caller reports the item as invalid). Accepts a variant whose
// value is still marshalled (a QDBusArgument) as well as a decoded one.
std::optional<engine::TaggedValue> fromDBusVariant(const QVariant& value);

// A collection as the "av" list (item 1 first), and back. fromDBusList gives
// nothing when an item has no tagged form.
QVariantList toDBusList(const engine::TaggedCollection& collection);
std::optional<engine::TaggedCollection> fromDBusList(const QVariantList& list);

// The D-Bus signature of a value received in a variant: its marshalled
// signature when it is still a QDBusArgument, else that of its Qt type.
// Empty when the type has no D-Bus form.
QString signatureOf(const QVariant& value);

} // namespace dbusif

// The "(so)" form of an object reference: bus name, then object path. An
// empty reference goes as ("", "/") since an object path may not be empty.
QDBusArgument& operator<<(QDBusArgument& argument, const manager::ObjectRef& ref);
const QDBusArgument& operator>>(const QDBusArgument& argument, manager::ObjectRef& ref);
