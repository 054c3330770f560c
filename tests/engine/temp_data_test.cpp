#include <gtest/gtest.h>

#include "EngineTestEnv.h"
#include "QxLibBinding.h"
#include "TempData.h"

using engine::TaggedValue;
using enginetest::raised;

namespace {

// Every process of this suite shares the channels (one instance name) and
// ctest may run cases side by side, so each case has channels of its own.
class TempDataTest : public ::testing::Test {
protected:
    void SetUp() override { engine::InitializeQxLib(); }
};

} // namespace

TEST_F(TempDataTest, UnsupportedTagsRaiseWithTagInDecimal) {
    auto readText = [](TaggedValue v) { return raised([&] { engine::QxReadTempData(3, v, 8); }).description(); };
    auto writeText = [](TaggedValue v) { return raised([&] { engine::QxWriteTempData(3, v, 8); }).description(); };
    EXPECT_EQ(readText(TaggedValue::fromString(QStringLiteral("x"))),
              QStringLiteral("QxReadTempData: VarType not supported: 8"));
    EXPECT_EQ(readText(TaggedValue()), QStringLiteral("QxReadTempData: VarType not supported: 0"));
    EXPECT_EQ(writeText(TaggedValue::fromString(QStringLiteral("x"))),
              QStringLiteral("QxWriteTempData: VarType not supported: 8"));
    EXPECT_EQ(writeText(TaggedValue::fromArray({})), QStringLiteral("QxWriteTempData: VarType not supported: 8204"));
    EXPECT_EQ(raised([] { engine::QxWriteTempData(3, TaggedValue::fromDate(1), 8); }).number(), ol::kErrGeneral);
}

TEST_F(TempDataTest, RoundTripsKeepKindAndValue) {
    const struct {
        int16_t channel;
        TaggedValue written;
        TaggedValue preset;
        int16_t numBytes;
    } cases[] = {
        {20, TaggedValue::fromInt16(-12345), TaggedValue::fromInt16(0), 2},
        {21, TaggedValue::fromInt32(-2000000000), TaggedValue::fromInt32(0), 4},
        {22, TaggedValue::fromDouble(0.1), TaggedValue::fromDouble(0), 8},
        {23, TaggedValue::fromBool(true), TaggedValue::fromBool(false), 2},
        {24, TaggedValue::fromBool(false), TaggedValue::fromBool(true), 2},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(engine::QxWriteTempData(c.channel, c.written, c.numBytes), 0);
        TaggedValue read = c.preset;
        EXPECT_EQ(engine::QxReadTempData(c.channel, read, c.numBytes), 0);
        EXPECT_EQ(read, c.written) << "channel " << c.channel;
    }
    // The add-in reads a Boolean slot as a 16-bit value: true is -1 there.
    TaggedValue raw = TaggedValue::fromInt16(0);
    engine::QxReadTempData(23, raw, 2);
    EXPECT_EQ(raw, TaggedValue::fromInt16(-1));
}

TEST_F(TempDataTest, ByteCountAndResultPassThroughAndWritesAreLogged) {
    enginetest::TempLogDir logs;
    logs.startLogging();
    // A byte count wider than the kind is safe: the buffer is a whole slot.
    ASSERT_EQ(engine::QxWriteTempData(27, TaggedValue::fromDouble(2.5), 8), 0);
    TaggedValue narrow = TaggedValue::fromInt16(0);
    EXPECT_EQ(engine::QxReadTempData(27, narrow, 8), 0);
    EXPECT_EQ(narrow.tag(), TaggedValue::Integer);
    // The engine's refusal is the result, and the value keeps its kind.
    TaggedValue value = TaggedValue::fromInt32(7);
    EXPECT_EQ(engine::QxReadTempData(99, value, 4), QX_E_CHANNEL);
    EXPECT_EQ(value.tag(), TaggedValue::Long);
    EXPECT_EQ(engine::QxWriteTempData(28, TaggedValue::fromInt32(5), 9), QX_E_CHANNEL);

    EXPECT_EQ(logs.logMessages(), (QStringList{QStringLiteral("QxWriteTempData: Entering, cnum=27, numBytes=8"),
                                               QStringLiteral("QxWriteTempData: Exiting, l_Answer=0"),
                                               QStringLiteral("QxWriteTempData: Entering, cnum=28, numBytes=9"),
                                               QStringLiteral("QxWriteTempData: Exiting, l_Answer=-12")}));
}
