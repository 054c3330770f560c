#include <gtest/gtest.h>

#include <cstdint>

#include <QObject>

#include "TaggedCollection.h"
#include "TaggedValue.h"

using engine::TaggedCollection;
using engine::TaggedValue;

TEST(TaggedValue, ConversionsFollowTheHost) {
    EXPECT_EQ(TaggedValue::fromBool(true).toInt16(), -1);
    EXPECT_TRUE(TaggedValue::fromInt16(-1).toBool());
    EXPECT_EQ(TaggedValue::fromDouble(2.5).toInt32(), 2); // halves to even
    EXPECT_EQ(TaggedValue::fromDouble(3.5).toInt32(), 4);
    EXPECT_EQ(TaggedValue::fromDouble(1e12).toInt32(), INT32_MAX); // saturates
    EXPECT_EQ(TaggedValue::fromInt32(-100000).toInt16(), INT16_MIN);
    EXPECT_EQ(TaggedValue::fromString(QStringLiteral(" 12.5 ")).toDouble(), 12.5);
    EXPECT_EQ(TaggedValue::fromError(2042).toDouble(), 0.0);
    EXPECT_EQ(TaggedValue::fromDouble(0.1).toString(), QStringLiteral("0.1"));
    // Same number, another kind: another value.
    EXPECT_NE(TaggedValue::fromInt16(1), TaggedValue::fromInt32(1));
    EXPECT_NE(TaggedValue::fromDouble(1.0), TaggedValue::fromDate(1.0));

    auto* object = new QObject;
    const TaggedValue ref = TaggedValue::fromObject(object);
    EXPECT_EQ(ref.toObject(), object);
    delete object;
    EXPECT_EQ(ref.toObject(), nullptr);
}

TEST(TaggedCollection, OneBasedItemsAndRemoval) {
    TaggedCollection c;
    for (const char* name : {"A1", "B1", "C1"})
        c.add(TaggedValue::fromString(QLatin1String(name)));
    EXPECT_EQ(c.item(1).toString(), QStringLiteral("A1"));
    EXPECT_TRUE(c.item(0).isEmpty());
    EXPECT_TRUE(c.item(4).isEmpty());
    EXPECT_TRUE(c.remove(2));
    EXPECT_FALSE(c.remove(3));
    EXPECT_EQ(c.item(2).toString(), QStringLiteral("C1"));
}
