#include "PropertyLimits.h"

#include <algorithm>

namespace dbusif::limits {

namespace {

// A UTF-16 code unit becomes at most 3 bytes of UTF-8 (a surrogate pair, two
// units, becomes 4).
constexpr qint64 kUtf8BytesPerChar = 3;
// Header of any reply: 12 fixed bytes and the fields (reply serial,
// destination, sender, signature, error name), each a bus name, a signature
// or a number of at most 255 bytes with its padding.
constexpr qint64 kHeaderBound = 4096;

// A string of at most `length` characters: padding to 4, the length, the
// bytes, the terminating NUL.
constexpr qint64 stringSize(qint64 length) {
    return 3 + 4 + kUtf8BytesPerChar * length + 1;
}

// One item of an "av" collection: the variant's signature ("av" at most: 1 +
// 2 + 1 bytes), padding of the value (at most 7, for a double), then the
// value: 8 for a double, a string, or the 4-byte length of a nested array
// whose items are counted on their own.
constexpr qint64 kItemOverhead = 4 + 7 + 8;
static_assert(kItemOverhead >= 4 + 7 + 4 + 1, "a string item's length and NUL fit in the overhead");

constexpr qint64 collectionSize(qint64 items, qint64 textLength) {
    return 3 + 4 + kItemOverhead * items + kUtf8BytesPerChar * textLength;
}

QString tooLong(const QString& subject, qsizetype max, qsizetype given, const QString& unit) {
    return QStringLiteral("%1 takes at most %2 %3 (%4 given); nothing was changed.")
        .arg(subject)
        .arg(max)
        .arg(unit)
        .arg(given);
}

struct CollectionSize {
    qsizetype items = 0;
    qsizetype textLength = 0;
    int depth = 1;
};

void measure(const engine::TaggedArray& items, int depth, CollectionSize& size) {
    size.depth = std::max(size.depth, depth);
    for (const engine::TaggedValue& item : items) {
        ++size.items;
        if (item.tag() == engine::TaggedValue::String)
            size.textLength += item.toString().size();
        else if (item.tag() == engine::TaggedValue::VariantArray)
            measure(item.toArray(), depth + 1, size);
        // Past any bound already: the rest changes nothing.
        if (size.items > kMaxCollectionItems || size.depth > kMaxCollectionDepth)
            return;
    }
}

} // namespace

bool isPathProperty(const QString& name) {
    return name == u"Input_LogPath" || name == u"Input_MainHelpFilePath" || name == u"Input_ProgressGraphPath";
}

qsizetype maxStringLength(const QString& name) {
    return isPathProperty(name) ? kMaxPathLength : kMaxTextLength;
}

std::optional<QString> checkString(const QString& name, const QString& value) {
    const qsizetype max = maxStringLength(name);
    if (value.size() <= max)
        return std::nullopt;
    return tooLong(QStringLiteral("The property %1").arg(name), max, value.size(), QStringLiteral("characters"));
}

std::optional<QString> checkStringArgument(const QString& method, int index, const QString& value) {
    if (value.size() <= kMaxTextLength)
        return std::nullopt;
    return tooLong(QStringLiteral("Argument %1 of %2").arg(index).arg(method), kMaxTextLength, value.size(),
                   QStringLiteral("characters"));
}

std::optional<QString> checkObjectRef(const QString& name, const manager::ObjectRef& ref) {
    if (ref.service.size() > kMaxBusNameLength)
        return tooLong(QStringLiteral("The bus name of %1").arg(name), kMaxBusNameLength, ref.service.size(),
                       QStringLiteral("characters"));
    if (ref.path.size() > kMaxObjectPathLength)
        return tooLong(QStringLiteral("The object path of %1").arg(name), kMaxObjectPathLength, ref.path.size(),
                       QStringLiteral("characters"));
    return std::nullopt;
}

std::optional<QString> checkCollection(const QString& name, const engine::TaggedCollection& collection) {
    CollectionSize size;
    measure(collection.items(), 1, size);
    const QString subject = QStringLiteral("The property %1").arg(name);
    if (size.depth > kMaxCollectionDepth)
        return QStringLiteral("%1 takes arrays nested at most %2 levels deep; nothing was changed.")
            .arg(subject)
            .arg(kMaxCollectionDepth);
    if (size.items > kMaxCollectionItems)
        return tooLong(subject, kMaxCollectionItems, size.items, QStringLiteral("items, nested ones included"));
    if (size.textLength > kMaxCollectionTextLength)
        return tooLong(subject, kMaxCollectionTextLength, size.textLength,
                       QStringLiteral("characters of text in all its items"));
    return std::nullopt;
}

qint64 worstCaseValueSize(const QString& name, const QString& signature) {
    if (signature == u"b" || signature == u"i")
        return 3 + 4;
    if (signature == u"n")
        return 1 + 2;
    if (signature == u"d")
        return 7 + 8;
    if (signature == u"s")
        return stringSize(maxStringLength(name));
    if (signature == u"(so)")
        return 7 + stringSize(kMaxBusNameLength) + stringSize(kMaxObjectPathLength);
    if (signature == u"av")
        return collectionSize(kMaxCollectionItems, kMaxCollectionTextLength);
    return -1;
}

qint64 worstCaseGetAllSize(const InterfaceDescription& description) {
    // a{sv}: padding and length of the array, padding to the first entry.
    qint64 size = kHeaderBound + 3 + 4 + 4;
    for (const InterfaceDescription::Property& p : description.properties()) {
        if (!p.readable)
            continue;
        const qint64 value = worstCaseValueSize(p.name, p.signature);
        if (value < 0)
            return -1;
        // Each entry starts on 8 bytes: the name (ASCII), the variant's
        // signature, the value.
        size += 7 + stringSize(p.name.size()) + 1 + p.signature.size() + 1 + value;
    }
    return size;
}

qint64 worstCaseMethodReplySize(const InterfaceDescription::Method& method) {
    qint64 size = kHeaderBound;
    // The out signature is a run of complete types; this interface uses b, i
    // and (so) for them.
    QString rest = method.outSignature;
    while (!rest.isEmpty()) {
        const qsizetype length = rest.startsWith(u"(so)") ? 4 : 1;
        const qint64 value = worstCaseValueSize(QString(), rest.left(length));
        if (value < 0)
            return -1;
        size += value;
        rest = rest.mid(length);
    }
    return size;
}

qint64 worstCaseErrorReplySize() {
    return kHeaderBound + stringSize(kMaxErrorTextLength);
}

QString boundedErrorText(const QString& text) {
    if (text.size() <= kMaxErrorTextLength)
        return text;
    const QString more = QStringLiteral(" …");
    QString cut = text.left(kMaxErrorTextLength - more.size());
    // Never leave half a surrogate pair behind.
    if (!cut.isEmpty() && cut.back().isHighSurrogate())
        cut.chop(1);
    return cut + more;
}

} // namespace dbusif::limits
