#pragma once

#include <cstdint>
#include <memory>
#include <variant>

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>

namespace engine {

class TaggedValue;
using TaggedArray = QList<TaggedValue>;

// A value that carries its own type tag, as the spreadsheet host's variants
// do. The tag numbers are the host's: callers on both sides of the automation
// boundary (the add-in, the temp-data channels, the D-Bus layer) agree on
// them, so they are kept as plain numbers rather than renumbered.
class TaggedValue {
public:
    enum Tag : uint16_t {
        Empty = 0,
        Null = 1,
        Integer = 2, // 16-bit signed
        Long = 3,    // 32-bit signed
        Double = 5,
        Date = 7, // 1900-system serial date held as a double
        String = 8,
        Object = 9, // a reference to an object (nullptr = "Nothing")
        Error = 10, // the host's error value with its 32-bit code
        Boolean = 11,
        ArrayFlag = 0x2000,
        VariantArray = ArrayFlag | 12, // 8204: an array of tagged values
    };

    TaggedValue() = default;

    static TaggedValue null();
    static TaggedValue fromInt16(int16_t v);
    static TaggedValue fromInt32(int32_t v);
    static TaggedValue fromDouble(double v);
    static TaggedValue fromDate(double serial);
    static TaggedValue fromString(const QString& v);
    static TaggedValue fromObject(QObject* v);
    static TaggedValue fromError(int32_t code);
    static TaggedValue fromBool(bool v);
    static TaggedValue fromArray(const TaggedArray& v);

    uint16_t tag() const { return m_tag; }
    bool isEmpty() const { return m_tag == Empty; }
    bool isNumeric() const;

    // Conversions follow the host's widening rules: every numeric kind,
    // dates and Booleans (true = -1) give their number; strings are parsed
    // in the C locale; anything else gives 0 / false / an empty string.
    int16_t toInt16() const;
    int32_t toInt32() const;
    double toDouble() const;
    bool toBool() const;
    QString toString() const;
    QObject* toObject() const;
    int32_t errorCode() const;
    TaggedArray toArray() const;

    bool operator==(const TaggedValue& other) const;
    bool operator!=(const TaggedValue& other) const { return !(*this == other); }

private:
    using Storage = std::variant<std::monostate, int16_t, int32_t, double, QString, bool, QPointer<QObject>,
                                 std::shared_ptr<const TaggedArray>>;

    TaggedValue(uint16_t tag, Storage value) : m_tag(tag), m_value(std::move(value)) {}

    uint16_t m_tag = Empty;
    Storage m_value;
};

} // namespace engine
