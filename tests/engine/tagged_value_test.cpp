#include <gtest/gtest.h>

#include <cstdint>

#include <QObject>

#include "TaggedCollection.h"
#include "TaggedValue.h"

using engine::TaggedArray;
using engine::TaggedCollection;
using engine::TaggedValue;

TEST(TaggedValue, TagsAreTheHostsVariantTypes) {
    EXPECT_EQ(TaggedValue().tag(), 0);
    EXPECT_EQ(TaggedValue::fromInt16(1).tag(), 2);
    EXPECT_EQ(TaggedValue::fromInt32(1).tag(), 3);
    EXPECT_EQ(TaggedValue::fromDouble(1).tag(), 5);
    EXPECT_EQ(TaggedValue::fromDate(1).tag(), 7);
    EXPECT_EQ(TaggedValue::fromString(QStringLiteral("x")).tag(), 8);
    EXPECT_EQ(TaggedValue::fromObject(nullptr).tag(), 9);
    EXPECT_EQ(TaggedValue::fromError(2042).tag(), 10);
    EXPECT_EQ(TaggedValue::fromBool(true).tag(), 11);
    EXPECT_EQ(TaggedValue::fromArray({}).tag(), 8204);
}

TEST(TaggedValue, NumericConversions) {
    // Booleans are -1 / 0 as numbers, both ways.
    EXPECT_EQ(TaggedValue::fromBool(true).toInt16(), -1);
    EXPECT_EQ(TaggedValue::fromBool(false).toDouble(), 0.0);
    EXPECT_TRUE(TaggedValue::fromInt16(-1).toBool());
    EXPECT_FALSE(TaggedValue::fromDouble(0.0).toBool());
    // Rounding to integers sends halves to the even neighbour, as the host does.
    EXPECT_EQ(TaggedValue::fromDouble(2.5).toInt32(), 2);
    EXPECT_EQ(TaggedValue::fromDouble(3.5).toInt32(), 4);
    EXPECT_EQ(TaggedValue::fromDouble(-2.5).toInt16(), -2);
    // Out-of-range values saturate instead of wrapping.
    EXPECT_EQ(TaggedValue::fromDouble(1e12).toInt32(), INT32_MAX);
    EXPECT_EQ(TaggedValue::fromInt32(-100000).toInt16(), INT16_MIN);
    // Texts are numbers only when they read as one.
    EXPECT_EQ(TaggedValue::fromString(QStringLiteral(" 12.5 ")).toDouble(), 12.5);
    EXPECT_EQ(TaggedValue::fromString(QStringLiteral("abc")).toDouble(), 0.0);
    EXPECT_TRUE(TaggedValue::fromString(QStringLiteral("TRUE")).toBool());
    // The host's error values are not numbers.
    EXPECT_EQ(TaggedValue::fromError(2042).toDouble(), 0.0);
    EXPECT_EQ(TaggedValue::fromError(2042).errorCode(), 2042);
}

TEST(TaggedValue, TextsAndEquality) {
    EXPECT_EQ(TaggedValue::fromDouble(0.1).toString(), QStringLiteral("0.1"));
    EXPECT_EQ(TaggedValue::fromInt16(-7).toString(), QStringLiteral("-7"));
    EXPECT_EQ(TaggedValue::fromBool(true).toString(), QStringLiteral("True"));
    // Same number, different kind: not the same value.
    EXPECT_NE(TaggedValue::fromInt16(1), TaggedValue::fromInt32(1));
    EXPECT_NE(TaggedValue::fromDouble(1.0), TaggedValue::fromDate(1.0));
    EXPECT_EQ(TaggedValue::fromString(QStringLiteral("a")), TaggedValue::fromString(QStringLiteral("a")));
    const TaggedArray nested{TaggedValue::fromInt32(1), TaggedValue::fromArray({TaggedValue::fromBool(true)})};
    EXPECT_EQ(TaggedValue::fromArray(nested), TaggedValue::fromArray(nested));
    EXPECT_EQ(TaggedValue::fromArray(nested).toArray().at(1).toArray().at(0), TaggedValue::fromBool(true));
}

TEST(TaggedValue, ObjectReferenceTurnsNullWhenObjectGoes) {
    auto* object = new QObject;
    const TaggedValue ref = TaggedValue::fromObject(object);
    EXPECT_EQ(ref.toObject(), object);
    delete object;
    EXPECT_EQ(ref.toObject(), nullptr);
    EXPECT_EQ(ref.tag(), TaggedValue::Object);
}

TEST(TaggedCollection, OneBasedItemsAndRemoval) {
    TaggedCollection c;
    c.add(TaggedValue::fromString(QStringLiteral("A1")));
    c.add(TaggedValue::fromString(QStringLiteral("B1")));
    c.add(TaggedValue::fromString(QStringLiteral("C1")));
    ASSERT_EQ(c.count(), 3);
    EXPECT_EQ(c.item(1).toString(), QStringLiteral("A1"));
    EXPECT_EQ(c.item(3).toString(), QStringLiteral("C1"));
    EXPECT_TRUE(c.item(0).isEmpty());
    EXPECT_TRUE(c.item(4).isEmpty());

    EXPECT_TRUE(c.remove(2));
    EXPECT_FALSE(c.remove(3));
    EXPECT_EQ(c.item(2).toString(), QStringLiteral("C1"));
    EXPECT_EQ(c.items().size(), 2);
    c.clear();
    EXPECT_TRUE(c.isEmpty());
}
