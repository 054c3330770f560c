#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include <QLocale>

#include "EngineTestEnv.h"
#include "Formatting.h"
#include "ResourceStrings.h"
#include "ol/OLError.h"
#include "ol/ScriptedVisualServices.h"
#include "ol/SpecialValues.h"

using namespace engine;
using enginetest::ScopedResourceServer;

namespace {

ol::OLError raised(const std::function<void()>& f) {
    try {
        f();
    } catch (const ol::OLError& e) {
        return e;
    }
    ADD_FAILURE() << "nothing was raised";
    return ol::OLError(0, QString(), QString());
}

class FormattingTest : public ::testing::Test {
protected:
    QString common(int resource) const { return m_texts.server().text(resource); }
    ScopedResourceServer m_texts;
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
    EXPECT_EQ(GetResourceString(4509, 3), m_texts.server().text(4509, 3));
    // The irregular entries of the common-string table.
    EXPECT_EQ(GetCommonString(0), common(2200));
    EXPECT_EQ(GetCommonString(4), common(2214));
    EXPECT_EQ(GetCommonString(5), common(2204));
    EXPECT_EQ(GetCommonString(10), common(2211));
    EXPECT_EQ(GetCommonString(13), common(2209));
    EXPECT_EQ(GetCommonString(14), common(2210));
    EXPECT_EQ(GetCommonString(17), common(2217));

    for (int which : {18, -1}) {
        const ol::OLError e = raised([which] { GetCommonString(which); });
        EXPECT_EQ(e.number(), ol::kErrInvalidArgument);
        EXPECT_EQ(e.source(), QStringLiteral("GetCommonString"));
        EXPECT_EQ(e.description(), QStringLiteral("whichString"));
    }
}

TEST(ResourceStringsWithoutServer, MissingServerRaises) {
    ProcessState::setResourceServer(nullptr);
    const ol::OLError e = raised([] { GetResourceString(2200); });
    EXPECT_EQ(e.number(), ol::kErrGeneral);
    EXPECT_EQ(e.source(), QStringLiteral("GetResourceString"));
    EXPECT_EQ(e.description(), QStringLiteral("Missing resource server."));
    EXPECT_EQ(raised([] { FormatNumberGeneral(ol::kNoValue); }).description(),
              QStringLiteral("Missing resource server."));
}

TEST_F(FormattingTest, NumberGeneral) {
    EXPECT_EQ(FormatNumberGeneral(12345678), QStringLiteral("1.2346E+007"));
    EXPECT_EQ(FormatNumberGeneral(0.00005), QStringLiteral("5.0000E-005"));
    EXPECT_EQ(FormatNumberGeneral(42), QStringLiteral("42"));
    EXPECT_EQ(FormatNumberGeneral(3.5), QStringLiteral("3.5000"));
    EXPECT_EQ(FormatNumberGeneral(0), QStringLiteral("0"));
    EXPECT_EQ(FormatNumberGeneral(-0.0), QStringLiteral("0"));
    EXPECT_EQ(FormatNumberGeneral(-42), QStringLiteral("-42"));
    EXPECT_EQ(FormatNumberGeneral(-2.25), QStringLiteral("-2.2500"));
    // The edges of the plain range.
    EXPECT_EQ(FormatNumberGeneral(1e7), QStringLiteral("1.0000E+007"));
    EXPECT_EQ(FormatNumberGeneral(9999999.5), QStringLiteral("9999999.5000"));
    EXPECT_EQ(FormatNumberGeneral(0.0001), QStringLiteral("0.0001"));
    EXPECT_EQ(FormatNumberGeneral(-0.00005), QStringLiteral("-5.0000E-005"));
    EXPECT_EQ(FormatNumberGeneral(1.5e200), QStringLiteral("1.5000E+200"));
}

TEST_F(FormattingTest, SpecialValuesShowCommonStrings) {
    const QString missing = common(2201);
    const QString above = common(2209);
    const QString below = common(2210);
    EXPECT_EQ(FormatNumberGeneral(ol::kNoValue), missing);
    EXPECT_EQ(FormatNumberGeneral(ol::kErrorValue), missing);
    EXPECT_EQ(FormatNumberGeneral(std::numeric_limits<double>::quiet_NaN()), missing);
    EXPECT_EQ(FormatNumberGeneral(ol::kUpperLimit), above);
    EXPECT_EQ(FormatNumberGeneral(ol::kLowerLimit), below);

    EXPECT_EQ(FormatValueForDisplay(ol::kNoValue, false, false), missing);
    EXPECT_EQ(FormatValueForDisplay(ol::kUpperLimit, true, false), above);
    EXPECT_EQ(FormatValueForDisplay(ol::kLowerLimit, false, false), below);
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromError(2042), false, false), missing);
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromString(QStringLiteral("n/a")), false, false), missing);
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromObject(nullptr), false, false), missing);

    EXPECT_EQ(FormatDateValue(ol::kErrorValue, true), missing);
    EXPECT_EQ(FormatDateValue(ol::kUpperLimit, false), above);
    EXPECT_EQ(FormatDateValue(TaggedValue::fromError(2007), false), missing);
}

TEST_F(FormattingTest, ValueForDisplayUsesDatesCellsAndGeneral) {
    EXPECT_EQ(FormatValueForDisplay(45000.75, true, true), QStringLiteral("3/15/2023 6:00 PM"));
    EXPECT_EQ(FormatValueForDisplay(45000.75, true, false), QStringLiteral("3/15/2023"));
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false), QStringLiteral("0.1250"));

    const FixedCell percent(QStringLiteral("0.00%"));
    const FixedCell general(QStringLiteral("general"));
    const FixedCell money(QStringLiteral("#,##0.00;(#,##0.00)"));
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false, &percent), QStringLiteral("12.50%"));
    EXPECT_EQ(FormatValueForDisplay(0.125, false, false, &general), QStringLiteral("0.1250"));
    EXPECT_EQ(FormatValueForDisplay(-1234.5, false, false, &money), QStringLiteral("(1,234.50)"));
    // A date flag wins over the cell.
    EXPECT_EQ(FormatValueForDisplay(45000, true, false, &percent), QStringLiteral("3/15/2023"));
    // Tagged numbers of every kind, and texts that are numbers.
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromInt16(7), false, false), QStringLiteral("7"));
    EXPECT_EQ(FormatValueForDisplay(TaggedValue::fromString(QStringLiteral("2.5")), false, false),
              QStringLiteral("2.5000"));
    EXPECT_EQ(FormatValueForDisplay(TaggedValue(), false, false), QStringLiteral("0"));
}

TEST_F(FormattingTest, ElapsedTime) {
    constexpr double hour = 3.6e6;
    EXPECT_EQ(FormatElapsedTime(25 * hour, u':'), QStringLiteral("25:00:00"));
    EXPECT_EQ(FormatElapsedTime(25 * hour + 3 * 60000 + 7900, u':'), QStringLiteral("25:03:07"));
    EXPECT_EQ(FormatElapsedTime(123 * hour + 59 * 60000 + 59999, u'.'), QStringLiteral("123.59.59"));
    // From 23 hours on, the hour count form; below, the clock form.
    EXPECT_EQ(FormatElapsedTime(23 * hour, u'.'), QStringLiteral("23.00.00"));
    EXPECT_EQ(FormatElapsedTime(23 * hour - 1000, u'.'), QStringLiteral("22:59:59"));
    EXPECT_EQ(FormatElapsedTime(3723000, u':'), QStringLiteral("01:02:03"));
    EXPECT_EQ(FormatElapsedTime(0, u':'), QStringLiteral("00:00:00"));

    EXPECT_EQ(TimeSeparator(QLocale::c()), u':');
    EXPECT_EQ(TimeSeparator(QLocale(QLocale::Finnish, QLocale::Finland)), u'.');
    EXPECT_EQ(TimeSeparator(QLocale(QLocale::English, QLocale::UnitedStates)), u':');
    EXPECT_EQ(FormatElapsedTime(25 * hour),
              QStringLiteral("25") + TimeSeparator() + QStringLiteral("00") + TimeSeparator() + QStringLiteral("00"));
}

TEST_F(FormattingTest, RoundUpAtLeadingDigit) {
    EXPECT_EQ(RoundUpAtLeadingDigit(1200), TaggedValue::fromDouble(2000));
    EXPECT_EQ(RoundUpAtLeadingDigit(3000), TaggedValue::fromDouble(3000));
    EXPECT_EQ(RoundUpAtLeadingDigit(999).toDouble(), 1000);
    EXPECT_EQ(RoundUpAtLeadingDigit(1001).toDouble(), 2000);
    EXPECT_EQ(RoundUpAtLeadingDigit(7).toDouble(), 7);
    EXPECT_EQ(RoundUpAtLeadingDigit(0.051).toDouble(), 0.06);
    // Whole quotients that doubles miss by the last bits stay where they are.
    EXPECT_EQ(RoundUpAtLeadingDigit(0.3).toDouble(), 0.3);
    EXPECT_EQ(RoundUpAtLeadingDigit(0.07).toDouble(), 0.07);
    EXPECT_EQ(RoundUpAtLeadingDigit(0).toDouble(), 0);
}

TEST_F(FormattingTest, ConstraintViolations) {
    const QString missing = common(2201);
    EXPECT_EQ(FormatConstraintViolations(ol::kNoValue, true), missing);
    EXPECT_EQ(FormatConstraintViolations(ol::kErrorValue, false), missing);
    EXPECT_EQ(FormatConstraintViolations(ol::kUpperLimit, false), missing);
    EXPECT_EQ(FormatConstraintViolations(ol::kLowerLimit, true), missing);

    EXPECT_EQ(FormatConstraintViolations(1.7, true), m_texts.server().text(4508));
    EXPECT_EQ(FormatConstraintViolations(1.7, false), QStringLiteral("1"));
    EXPECT_EQ(FormatConstraintViolations(3.2, true), m_texts.server().text(4509, 3));
    EXPECT_EQ(FormatConstraintViolations(3.2, false), QStringLiteral("3"));
    EXPECT_EQ(FormatConstraintViolations(0.9, true), m_texts.server().text(4509, 0));
    EXPECT_EQ(FormatConstraintViolations(-1.5, false), QStringLiteral("-1"));
}

TEST_F(FormattingTest, ReportPlacementComboAndLanguageFont) {
    struct RecordingCombo : ComboItems {
        QStringList calls;
        void clear() override { calls << QStringLiteral("clear"); }
        void addItem(const QString& text) override { calls << QStringLiteral("add ") + text; }
        void setCurrentIndex(int index) override { calls << QStringLiteral("select ") + QString::number(index); }
    } combo;
    combo.calls << QStringLiteral("old");
    FillReportPlacementCombo(combo);
    EXPECT_EQ(combo.calls,
              (QStringList{QStringLiteral("old"), QStringLiteral("clear"),
                           QStringLiteral("add ") + m_texts.server().text(4308),
                           QStringLiteral("add ") + m_texts.server().text(4309), QStringLiteral("select 0")}));

    const ol::UiFont english = LanguageFont();
    EXPECT_EQ(english.family, ol::ResourceServer::uiFontFor(ol::kLanguageEnglish).family);
    ScopedResourceServer german(ol::kLanguageGerman);
    EXPECT_EQ(LanguageFont().family, ol::ResourceServer::uiFontFor(ol::kLanguageGerman).family);
    EXPECT_EQ(LanguageFont().pointSize, ol::ResourceServer::uiFontFor(ol::kLanguageGerman).pointSize);
}

TEST(ControlScaling, ScaleFactorFromScreenService) {
    EXPECT_EQ(ScaledControlSize(QSizeF(1200, 300), 1.5, true, false), QSizeF(1800, 300));
    EXPECT_EQ(ScaledControlSize(QSizeF(1200, 300), 1.5, false, true), QSizeF(1200, 450));
    EXPECT_EQ(ScaledControlSize(QSizeF(1200, 300), 2.0, true, true), QSizeF(2400, 600));

    // No screen service: the size stays as it is, nothing is raised.
    ol::ScopedVisualServices none{ol::VisualServices{}};
    EXPECT_EQ(ScaleControlSize(QSizeF(100, 50), ol::WindowRef(), true, true), QSizeF(100, 50));

    ol::ScriptedVisualServices scripted;
    scripted.setScaleFactor(1.25);
    ol::ScopedVisualServices installed(scripted.asServices());
    EXPECT_EQ(ScaleControlSize(QSizeF(100, 40), ol::WindowRef(), true, true), QSizeF(125, 50));
}
