#include <cfloat>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <gtest/gtest.h>

#include <QLocale>
#include <QVariant>

#include "ol/SpecialValues.h"
#include "ol/TextUtils.h"

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
const double kNaN = std::numeric_limits<double>::quiet_NaN();

// The exponent of x's leading digit in the shortest text that reads back as
// x (what a person sees when the value is printed). It differs from the
// exponent of x's exact binary value where the double nearest a power of ten
// lies below it (the double read from "1e-307" is 9.99...e-308 exactly).
int printedExponent(double x) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text - 1, std::fabs(x), std::chars_format::scientific);
    *result.ptr = '\0';
    return std::atoi(std::strchr(text, 'e') + 1);
}

} // namespace

TEST(SpecialValues, Classification) {
    EXPECT_NE(ol::kNoValue, ol::kErrorValue);
    // The limits themselves count ("at or above", "at or below").
    EXPECT_TRUE(ol::isUpperLimit(ol::kUpperLimit));
    EXPECT_FALSE(ol::isUpperLimit(std::nextafter(ol::kUpperLimit, 0.0)));
    EXPECT_TRUE(ol::isLowerLimit(ol::kLowerLimit));
    EXPECT_FALSE(ol::isLowerLimit(std::nextafter(ol::kLowerLimit, 0.0)));
    struct Case {
        double x;
        bool noValue, special, numeric;
    };
    const Case cases[] = {
        {0.0, false, false, true},
        {-42.5, false, false, true},
        {1e298, false, false, true},
        {ol::kNoValue, true, true, true},
        {ol::kErrorValue, true, true, true},
        {ol::kUpperLimit, false, true, true},
        {ol::kLowerLimit, false, true, true},
        {kNaN, true, true, false},
        {kInf, false, true, false},
        {-kInf, false, true, false},
        {DBL_MAX, false, true, true},
        {DBL_MIN, false, false, true},
        {std::nextafter(ol::kNoValue, 0.0), false, true, true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ol::isNoValue(c.x), c.noValue) << c.x;
        EXPECT_EQ(ol::isSpecial(c.x), c.special) << c.x;
        EXPECT_EQ(ol::isNumeric(c.x), c.numeric) << c.x;
    }
}

TEST(SpecialValues, NullTestOfTaggedValues) {
    EXPECT_TRUE(ol::isNullValue(QVariant()));
    EXPECT_TRUE(ol::isNullValue(QVariant::fromValue(nullptr)));
    EXPECT_FALSE(ol::isNullValue(QVariant(0.0)));
    EXPECT_FALSE(ol::isNullValue(QVariant(QStringLiteral("100"))));
}

TEST(OrderOfMagnitude, Table) {
    struct Case {
        double x;
        int16_t e;
    };
    const Case cases[] = {
        {1200, 3},  {3000, 3},      {999, 2},       {1000, 3},      {1, 0},     {9.99, 0},  {10, 1},
        {0.1, -1},  {0.3, -1},      {0.05, -2},     {0.001, -3},    {1e-5, -5}, {-1200, 3}, {-0.05, -2},
        {1e23, 23}, {1e22, 22},     {1e-300, -300}, {0, 0},         {-0.0, 0},  {kNaN, 0},  {kInf, 0},
        {-kInf, 0}, {DBL_MAX, 308}, {5e-324, -324}, {123456789, 8},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ol::orderOfMagnitude(c.x), c.e) << c.x;
    // Just below a power of ten the leading digit is a 9 of the power below.
    EXPECT_EQ(ol::orderOfMagnitude(std::nextafter(0.001, 0.0)), -4);
    EXPECT_EQ(ol::orderOfMagnitude(std::nextafter(1000.0, 0.0)), 2);
    EXPECT_EQ(ol::orderOfMagnitude(std::nextafter(1e23, 0.0)), 22);
}

TEST(OrderOfMagnitude, AgreesWithPrintedExponentAroundEveryPowerOfTen) {
    for (int e = -307; e <= 308; ++e) {
        char text[16];
        std::snprintf(text, sizeof text, "1e%d", e);
        const double p = std::strtod(text, nullptr);
        for (double x : {p, std::nextafter(p, 0.0), std::nextafter(p, kInf), p * 5.5}) {
            if (!std::isfinite(x))
                continue;
            ASSERT_EQ(ol::orderOfMagnitude(x), printedExponent(x)) << text << " near " << x;
            ASSERT_EQ(ol::orderOfMagnitude(-x), printedExponent(x)) << "-" << text;
        }
    }
}

TEST(TextUtils, ShortenText) {
    const QString text = QStringLiteral("Total cost of the portfolio");
    EXPECT_EQ(ol::shortenText(text, 100), text);
    EXPECT_EQ(ol::shortenText(text, static_cast<int>(text.size())), text) << "exactly fitting text is kept";
    EXPECT_EQ(ol::shortenText(text, static_cast<int>(text.size()) - 1), QStringLiteral("Total cost of the portf..."));
    EXPECT_EQ(ol::shortenText(text, 13), QStringLiteral("Total cost...")) << "blanks before the dots go";
    EXPECT_EQ(ol::shortenText(text, 4), QStringLiteral("T..."));
    EXPECT_EQ(ol::shortenText(text, 3), QStringLiteral("Tot")) << "no room for the dots";
    EXPECT_EQ(ol::shortenText(text, 0), QString());
    EXPECT_EQ(ol::shortenText(text, -5), QString());
}

TEST(TextUtils, ShortenTextNeverSplitsASurrogatePair) {
    // U+1F600 takes two UTF-16 code units; a cut between them would leave
    // half a character.
    const QString text = QStringLiteral("abcd") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("efghij");
    for (int max = 1; max <= text.size(); ++max) {
        const QString s = ol::shortenText(text, max);
        EXPECT_LE(s.size(), max);
        const QString kept = s.endsWith(QStringLiteral("...")) ? s.chopped(3) : s;
        ASSERT_FALSE(!kept.isEmpty() && kept.back().isHighSurrogate()) << "max " << max;
    }
    EXPECT_EQ(ol::shortenText(text, 8), QStringLiteral("abcd..."));
}

TEST(TextUtils, TrimBlanksAndCompare) {
    EXPECT_EQ(ol::trimBlanks(QStringLiteral("  Profit  ")), QStringLiteral("Profit"));
    EXPECT_EQ(ol::trimBlanks(QStringLiteral("\tProfit ")), QStringLiteral("\tProfit")) << "only spaces are trimmed";
    EXPECT_EQ(ol::trimBlanks(QStringLiteral("   ")), QString());
    EXPECT_TRUE(ol::sameTextIgnoringCase(QStringLiteral("general"), QStringLiteral("General")));
    EXPECT_FALSE(ol::sameTextIgnoringCase(QStringLiteral("General "), QStringLiteral("General")));
}

TEST(TextUtils, NumberParsingAndRangeValidation) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ol::parseNumber(QStringLiteral(" 0.25 "), english), 0.25);
    EXPECT_EQ(ol::parseNumber(QStringLiteral("1,000.5"), english), 1000.5);
    EXPECT_EQ(ol::parseNumber(QStringLiteral("0,5"), german), 0.5);
    EXPECT_EQ(ol::parseNumber(QStringLiteral("1.000"), german), 1000.0) << "the locale comes first";
    EXPECT_EQ(ol::parseNumber(QStringLiteral("0.5"), german), 0.5) << "the C form is accepted too";
    EXPECT_EQ(ol::parseNumber(QStringLiteral("1e-2"), english), 0.01);
    for (const QString& bad : {QString(), QStringLiteral("  "), QStringLiteral("abc"), QStringLiteral("0.5x"),
                               QStringLiteral("nan"), QStringLiteral("inf")})
        EXPECT_FALSE(ol::parseNumber(bad, english).has_value()) << bad.toStdString();

    EXPECT_TRUE(ol::isNumberInRange(QStringLiteral("0.01"), 0.01, 1, english));
    EXPECT_TRUE(ol::isNumberInRange(QStringLiteral("1"), 0.01, 1, english));
    EXPECT_FALSE(ol::isNumberInRange(QStringLiteral("0"), 0.01, 1, english));
    EXPECT_FALSE(ol::isNumberInRange(QStringLiteral("1.5"), 0.01, 1, english));
    EXPECT_FALSE(ol::isNumberInRange(QStringLiteral("rate"), 0.01, 1, english));
}
