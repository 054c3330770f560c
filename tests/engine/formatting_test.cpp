#include <gtest/gtest.h>

#include <limits>

#include <QLocale>

#include "EngineTestEnv.h"
#include "Formatting.h"
#include "ResourceStrings.h"
#include "ol/ScriptedVisualServices.h"
#include "ol/SpecialValues.h"

using namespace engine;
using namespace Qt::StringLiterals;
using enginetest::raised;

namespace {

class FormattingTest : public ::testing::Test {
protected:
    enginetest::ScopedResourceServer m_texts;
    const QString m_missing = m_texts.text(2201); // common string 1
    const QString m_above = m_texts.text(2209);   // common string 13
    const QString m_below = m_texts.text(2210);   // common string 14
};

class FixedCell : public CellNumberFormat {
public:
    explicit FixedCell(QString code) : m_code(std::move(code)) {}
    QString numberFormat() const override { return m_code; }

private:
    QString m_code;
};

} // namespace

TEST_F(FormattingTest, ResourceAndCommonStrings) {
    EXPECT_EQ(GetResourceString(4509, 3), m_texts.text(4509, 3));
    // The irregular entries of the common-string table.
    EXPECT_EQ(GetCommonString(4), m_texts.text(2214));
    EXPECT_EQ(GetCommonString(10), m_texts.text(2211));
    EXPECT_EQ(GetCommonString(17), m_texts.text(2217));
    for (int which : {18, -1}) {
        const ol::OLError e = raised([which] { GetCommonString(which); });
        EXPECT_EQ(e.number(), ol::kErrInvalidArgument);
        EXPECT_EQ(e.source(), u"GetCommonString"_s);
        EXPECT_EQ(e.description(), u"whichString"_s);
    }
    ProcessState::setResourceServer(nullptr);
    const ol::OLError none = raised([] { GetResourceString(2200); });
    EXPECT_EQ(none.number(), ol::kErrGeneral);
    EXPECT_EQ(none.source(), u"GetResourceString"_s);
    EXPECT_EQ(none.description(), u"Missing resource server."_s);
}

TEST_F(FormattingTest, NumberGeneral) {
    const std::pair<double, const char16_t*> cases[] = {{12345678, u"1.2346E+007"},
                                                        {0.00005, u"5.0000E-005"},
                                                        {42, u"42"},
                                                        {3.5, u"3.5000"},
                                                        {0, u"0"},
                                                        {-42, u"-42"},
                                                        {-2.25, u"-2.2500"},
                                                        {1e7, u"1.0000E+007"},
                                                        {9999999.5, u"9999999.5000"},
                                                        {0.0001, u"0.0001"},
                                                        {-0.00005, u"-5.0000E-005"}};
    for (const auto& [value, text] : cases)
        EXPECT_EQ(FormatNumberGeneral(value), QString::fromUtf16(text)) << value;
    EXPECT_EQ(FormatNumberGeneral(ol::kNoValue), m_missing);
    EXPECT_EQ(FormatNumberGeneral(ol::kErrorValue), m_missing);
    EXPECT_EQ(FormatNumberGeneral(std::numeric_limits<double>::quiet_NaN()), m_missing);
    EXPECT_EQ(FormatNumberGeneral(ol::kUpperLimit), m_above);
    EXPECT_EQ(FormatNumberGeneral(ol::kLowerLimit), m_below);
}

TEST_F(FormattingTest, ValueForDisplayAndDates) {
    EXPECT_EQ(FormatValueForDisplay(45000.75, true, true), u"3/15/2023 6:00 PM"_s);
    EXPECT_EQ(FormatValueForDisplay(45000.75, true, false), u"3/15/2023"_s);
    const FixedCell percent(u"0.00%"_s);
    const FixedCell general(u"general"_s);
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false, &percent), u"12.50%"_s);
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false, &general), u"0.1250"_s);
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false), u"0.1250"_s);
    EXPECT_EQ(FormatValueForDisplay(45000, true, false, &percent), u"3/15/2023"_s); // the date flag wins
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromString(u"2.5"_s), false, false), u"2.5000"_s);

    EXPECT_EQ(FormatValueForDisplay(ol::kUpperLimit, true, false), m_above);
    EXPECT_EQ(FormatValueForDisplay(ol::kLowerLimit, false, false, &percent), m_below);
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromError(2042), false, false), m_missing);
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromString(u"n/a"_s), false, false), m_missing);
    EXPECT_EQ(FormatDateValue(ol::kErrorValue, true), m_missing);
    EXPECT_EQ(FormatDateValue(ol::kLowerLimit, false), m_below);
}

TEST_F(FormattingTest, ElapsedTime) {
    constexpr double hour = 3.6e6;
    EXPECT_EQ(FormatElapsedTime(25 * hour, u':'), u"25:00:00"_s);
    EXPECT_EQ(FormatElapsedTime(123 * hour + 59 * 60000 + 59999, u'.'), u"123.59.59"_s);
    // Hour counts from 23 hours on, the clock form below.
    EXPECT_EQ(FormatElapsedTime(23 * hour, u'.'), u"23.00.00"_s);
    EXPECT_EQ(FormatElapsedTime(23 * hour - 1000, u'.'), u"22:59:59"_s);
    EXPECT_EQ(FormatElapsedTime(3723000, u':'), u"01:02:03"_s);
    EXPECT_EQ(TimeSeparator(QLocale::c()), u':');
    EXPECT_EQ(TimeSeparator(QLocale(QLocale::Finnish, QLocale::Finland)), u'.');
    EXPECT_EQ(TimeSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), u':');
}

TEST_F(FormattingTest, RoundUpAndConstraintViolations) {
    EXPECT_EQ(RoundUpAtLeadingDigit(1200), TaggedValue::fromDouble(2000));
    EXPECT_EQ(RoundUpAtLeadingDigit(3000), TaggedValue::fromDouble(3000));
    EXPECT_EQ(RoundUpAtLeadingDigit(1001).toDouble(), 2000);
    EXPECT_EQ(RoundUpAtLeadingDigit(0.051).toDouble(), 0.06);
    EXPECT_EQ(RoundUpAtLeadingDigit(0.3).toDouble(), 0.3); // 0.3 * 10 misses 3 by the last bit

    for (double special : {ol::kNoValue, ol::kErrorValue, ol::kUpperLimit, ol::kLowerLimit})
        EXPECT_EQ(FormatConstraintViolations(special, true), m_missing);
    EXPECT_EQ(FormatConstraintViolations(1.7, true), m_texts.text(4508));
    EXPECT_EQ(FormatConstraintViolations(1.7, false), u"1"_s);
    EXPECT_EQ(FormatConstraintViolations(3.2, true), m_texts.text(4509, 3));
    EXPECT_EQ(FormatConstraintViolations(0.9, true), m_texts.text(4509, 0));
    EXPECT_EQ(FormatConstraintViolations(-1.5, false), u"-1"_s);
}

TEST_F(FormattingTest, ComboFontAndScaling) {
    struct RecordingCombo : ComboItems {
        QStringList calls{u"old item"_s};
        void clear() override { calls = {u"cleared"_s}; }
        void addItem(const QString& text) override { calls << text; }
        void setCurrentIndex(int index) override { calls << QString::number(index); }
    } combo;
    FillReportPlacementCombo(combo);
    EXPECT_EQ(combo.calls, (QStringList{u"cleared"_s, m_texts.text(4308), m_texts.text(4309), u"0"_s}));

    enginetest::ScopedResourceServer german(ol::kLanguageGerman);
    EXPECT_EQ(LanguageFont().family, ol::ResourceServer::uiFontFor(ol::kLanguageGerman).family);

    EXPECT_EQ(ScaledControlSize(QSizeF(1200, 300), 1.5, true, false), QSizeF(1800, 300));
    EXPECT_EQ(ScaledControlSize(QSizeF(1200, 300), 1.5, false, true), QSizeF(1200, 450));
    {
        ol::ScopedVisualServices none{ol::VisualServices{}}; // no screen service: unchanged, nothing raised
        EXPECT_EQ(ScaleControlSize(QSizeF(100, 50), ol::WindowRef(), true, true), QSizeF(100, 50));
    }
    ol::ScriptedVisualServices scripted;
    scripted.setScaleFactor(1.25);
    ol::ScopedVisualServices installed(scripted.asServices());
    EXPECT_EQ(ScaleControlSize(QSizeF(100, 40), ol::WindowRef(), true, true), QSizeF(125, 50));
}
