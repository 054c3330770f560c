#include <gtest/gtest.h>

#include "EngineTestEnv.h"
#include "QxLibBinding.h"
#include "TempData.h"
#include "ol/OLError.h"

using engine::TaggedValue;
using enginetest::TempLogDir;

namespace {

// Channels are shared by every process of this suite (one instance name), and
// ctest may run cases side by side: each case uses channels of its own.
class TempDataTest : public ::testing::Test {
protected:
    void SetUp() override { engine::InitializeQxLib(); }
};

ol::OLError readError(TaggedValue value) {
    try {
        engine::QxReadTempData(3, value, 8);
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

ol::OLError writeError(const TaggedValue& value) {
    try {
        engine::QxWriteTempData(3, value, 8);
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

} // namespace

TEST_F(TempDataTest, UnsupportedTagsRaiseWithTagInDecimal) {
    const ol::OLError readString = readError(TaggedValue::fromString(QStringLiteral("x")));
    EXPECT_EQ(readString.number(), ol::kErrGeneral);
    EXPECT_EQ(readString.description(), QStringLiteral("QxReadTempData: VarType not supported: 8"));
    EXPECT_EQ(readError(TaggedValue()).description(), QStringLiteral("QxReadTempData: VarType not supported: 0"));
    EXPECT_EQ(readError(TaggedValue::fromArray({})).description(),
              QStringLiteral("QxReadTempData: VarType not supported: 8204"));

    const ol::OLError writeString = writeError(TaggedValue::fromString(QStringLiteral("x")));
    EXPECT_EQ(writeString.number(), ol::kErrGeneral);
    EXPECT_EQ(writeString.description(), QStringLiteral("QxWriteTempData: VarType not supported: 8"));
    EXPECT_EQ(writeError(TaggedValue::fromDate(1.0)).description(),
              QStringLiteral("QxWriteTempData: VarType not supported: 7"));
}

TEST_F(TempDataTest, RoundTripsKeepKindAndValue) {
    struct Case {
        int16_t channel;
        TaggedValue written;
        TaggedValue preset;
        int16_t numBytes;
    };
    const Case cases[] = {
        {20, TaggedValue::fromInt16(-12345), TaggedValue::fromInt16(0), 2},
        {21, TaggedValue::fromInt32(-2000000000), TaggedValue::fromInt32(0), 4},
        {22, TaggedValue::fromDouble(-1.0e300), TaggedValue::fromDouble(0), 8},
        {23, TaggedValue::fromDouble(0.1), TaggedValue::fromDouble(0), 8},
        {24, TaggedValue::fromBool(true), TaggedValue::fromBool(false), 2},
        {25, TaggedValue::fromBool(false), TaggedValue::fromBool(true), 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.channel);
        EXPECT_EQ(engine::QxWriteTempData(c.channel, c.written, c.numBytes), 0);
        TaggedValue read = c.preset;
        EXPECT_EQ(engine::QxReadTempData(c.channel, read, c.numBytes), 0);
        EXPECT_EQ(read, c.written);
    }
}

TEST_F(TempDataTest, BooleanChannelReadsAsBooleanAndHoldsMinusOne) {
    ASSERT_EQ(engine::QxWriteTempData(26, TaggedValue::fromBool(true), 2), 0);
    // Preset as an empty Boolean, as the channel readers do.
    TaggedValue flag = TaggedValue::fromBool(false);
    engine::QxReadTempData(26, flag, 2);
    EXPECT_EQ(flag.tag(), TaggedValue::Boolean);
    EXPECT_TRUE(flag.toBool());
    // The add-in reads the slot as a 16-bit value: true is -1 there.
    TaggedValue raw = TaggedValue::fromInt16(0);
    engine::QxReadTempData(26, raw, 2);
    EXPECT_EQ(raw, TaggedValue::fromInt16(-1));
}

TEST_F(TempDataTest, ByteCountGoesToEngineUnchanged) {
    // A wider byte count than the kind is safe: the buffer is a whole slot.
    ASSERT_EQ(engine::QxWriteTempData(27, TaggedValue::fromDouble(2.5), 8), 0);
    TaggedValue narrow = TaggedValue::fromInt16(0);
    EXPECT_EQ(engine::QxReadTempData(27, narrow, 8), 0);
    EXPECT_EQ(narrow.tag(), TaggedValue::Integer);

    // The engine's own refusal comes back as its result, and the value keeps its kind.
    TaggedValue value = TaggedValue::fromInt32(7);
    EXPECT_EQ(engine::QxReadTempData(99, value, 4), QX_E_CHANNEL);
    EXPECT_EQ(value.tag(), TaggedValue::Long);
    EXPECT_EQ(engine::QxWriteTempData(28, TaggedValue::fromDouble(1.0), 9), QX_E_CHANNEL);
}

TEST_F(TempDataTest, WriteLogLines) {
    TempLogDir logs;
    logs.startLogging();
    engine::QxWriteTempData(29, TaggedValue::fromInt32(5), 4);
    engine::QxWriteTempData(99, TaggedValue::fromInt32(5), 4);
    TaggedValue ignored = TaggedValue::fromInt32(0);
    engine::QxReadTempData(29, ignored, 4);
    EXPECT_EQ(logs.logMessages(),
              (QStringList{
                  QStringLiteral("QxWriteTempData: Entering, cnum=29, numBytes=4"),
                  QStringLiteral("QxWriteTempData: Exiting, l_Answer=0"),
                  QStringLiteral("QxWriteTempData: Entering, cnum=99, numBytes=4"),
                  QStringLiteral("QxWriteTempData: Exiting, l_Answer=") + QString::number(QX_E_CHANNEL),
              }));
}
