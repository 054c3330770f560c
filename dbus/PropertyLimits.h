#pragma once

#include <cstdint>
#include <optional>

#include <QString>

#include "InterfaceDescription.h"
#include "TaggedCollection.h"
#include "manager/HostObjects.h"

// How much one value sent to the Watcher may hold, and what that means for
// the size of its replies.
//
// The bus refuses a message above its limit and drops the connection that
// sent it; for the Watcher that would end every client's run. So every value
// that a reply can carry back is bounded when it comes in, and the worst
// case of the largest reply (GetAll with every property at its bound) is
// computed from these bounds and kept under kReplyBudget, well below the
// smallest limit a session bus uses by default.
namespace dbusif::limits {

// Paths (Input_LogPath, Input_MainHelpFilePath, Input_ProgressGraphPath), in
// characters: the longest path the system takes (PATH_MAX).
inline constexpr qsizetype kMaxPathLength = 4096;
// Every other string property and every string argument of a method, in
// characters: the most a worksheet cell holds.
inline constexpr qsizetype kMaxTextLength = 32767;
// A collection: its items, items of nested arrays included...
inline constexpr qsizetype kMaxCollectionItems = 40000;
// ...the characters of all its strings together...
inline constexpr qsizetype kMaxCollectionTextLength = 400000;
// ...and how deep arrays nest in it (an array in an item is level 2).
inline constexpr int kMaxCollectionDepth = 8;
// An object reference: a bus name is at most 255 characters by the D-Bus
// rules; the object path is held to the path bound.
inline constexpr qsizetype kMaxBusNameLength = 255;
inline constexpr qsizetype kMaxObjectPathLength = 4096;
// An error's text, in characters; a longer one is cut (it may quote a host's
// error, which nothing bounds).
inline constexpr qsizetype kMaxErrorTextLength = 16384;

// dbus-daemon's limit for one message when its configuration sets none
// (the build's private bus); the standard session bus allows more.
inline constexpr qint64 kBusMessageLimit = qint64{32} * 1024 * 1024;
// What the largest reply may take at worst.
inline constexpr qint64 kReplyBudget = qint64{24} * 1024 * 1024;
static_assert(kReplyBudget < kBusMessageLimit);

// True for the string properties that hold a path.
bool isPathProperty(const QString& name);
// The bound of the string property or argument `name`, in characters.
qsizetype maxStringLength(const QString& name);

// Each gives nothing when the value fits, else the refusal's text: it names
// the property, the bound and what was given, and says that nothing changed.
std::optional<QString> checkString(const QString& name, const QString& value);
std::optional<QString> checkObjectRef(const QString& name, const manager::ObjectRef& ref);
std::optional<QString> checkCollection(const QString& name, const engine::TaggedCollection& collection);
// The same for string argument number `index` (1-based) of `method`; every
// string argument of a method takes kMaxTextLength characters.
std::optional<QString> checkStringArgument(const QString& method, int index, const QString& value);

// The most bytes that a value of property `name` (D-Bus type `signature`)
// takes in a message body, alignment padding included; -1 for a type that
// has no bound.
qint64 worstCaseValueSize(const QString& name, const QString& signature);
// The most bytes of a GetAll reply of `description`, header included.
qint64 worstCaseGetAllSize(const InterfaceDescription& description);
// The most bytes of the reply of `method` (its out arguments), header
// included; -1 when an out type has no bound.
qint64 worstCaseMethodReplySize(const InterfaceDescription::Method& method);
// The most bytes of an error reply, header included.
qint64 worstCaseErrorReplySize();

// `text` cut to kMaxErrorTextLength characters.
QString boundedErrorText(const QString& text);

} // namespace dbusif::limits
