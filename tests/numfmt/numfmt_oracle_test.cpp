// Checks the engine against independent computations over many values:
// the calendar against QDate, clock times against integer arithmetic, and
// number displays against exactly known decimal strings.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <numeric>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include <QDate>
#include <QString>

#include "ol/NumberFormat.h"

namespace {

std::string fmt(const ol::NumberFormat& f, double v) {
    std::string out;
    f.format(v, out);
    return out;
}

std::string twoDigits(std::int64_t v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", static_cast<int>(v));
    return buf;
}

TEST(NumberFormatOracle, DatesFromMarch1900OnMatchTheGregorianCalendar) {
    const auto f = ol::NumberFormat::compile("yyyy-mm-dd dddd mmm");
    const QDate base(1899, 12, 30); // serial 0 for every date from 1900-03-01 on
    int failures = 0;
    for (std::int64_t serial = 61; serial <= 2958465 && failures < 10; serial += 7) {
        for (std::int64_t s = serial; s < serial + 2; ++s) { // two weekdays per step
            const QDate d = base.addDays(s);
            const std::string expected = (d.toString(QStringLiteral("yyyy-MM-dd dddd MMM"))).toStdString();
            const std::string got = fmt(*f, static_cast<double>(s));
            if (got != expected) {
                ++failures;
                ADD_FAILURE() << "serial " << s << ": expected " << expected << ", got " << got;
            }
        }
    }
}

TEST(NumberFormatOracle, ClockTimesBuiltFromWholeSecondsShowThoseSeconds) {
    const auto clock = ol::NumberFormat::compile("hh:mm:ss");
    const auto elapsed = ol::NumberFormat::compile("[h]:mm:ss");
    std::mt19937_64 rng(7);
    std::uniform_int_distribution<std::int64_t> secondOfDay(0, 86399);
    std::uniform_int_distribution<std::int64_t> day(0, 2900000);
    std::uniform_int_distribution<std::int64_t> longSpan(0, 400LL * 86400);
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t k = secondOfDay(rng);
        const double v = static_cast<double>(day(rng)) + static_cast<double>(k) / 86400.0;
        const std::string expected = twoDigits(k / 3600) + ":" + twoDigits(k / 60 % 60) + ":" + twoDigits(k % 60);
        ASSERT_EQ(fmt(*clock, v), expected) << "value " << v;

        const std::int64_t t = longSpan(rng);
        const std::string expectedElapsed =
            std::to_string(t / 3600) + ":" + twoDigits(t / 60 % 60) + ":" + twoDigits(t % 60);
        ASSERT_EQ(fmt(*elapsed, static_cast<double>(t) / 86400.0), expectedElapsed) << "seconds " << t;
    }
}

// k / 100 is the closest double to a number with exactly two decimals, so
// "0.00" must show k's digits; (2k + 1) / 200 ends in 5 in 15 digits and
// must round away from zero.
TEST(NumberFormatOracle, TwoDecimalsShowExactCentsAndRoundHalvesAwayFromZero) {
    const auto plain = ol::NumberFormat::compile("0.00");
    const auto grouped = ol::NumberFormat::compile("#,##0.00");
    std::mt19937_64 rng(11);
    std::uniform_int_distribution<std::int64_t> cents(0, 99999999999LL);
    auto centsText = [](std::int64_t c) { return std::to_string(c / 100) + "." + twoDigits(c % 100); };
    for (int i = 0; i < 20000; ++i) {
        const std::int64_t c = cents(rng) >> (i % 30);
        const double sign = (i % 2) ? -1.0 : 1.0;
        const std::string minus = (i % 2 && c != 0) ? "-" : "";
        ASSERT_EQ(fmt(*plain, sign * static_cast<double>(c) / 100.0), minus + centsText(c));

        const double half = sign * static_cast<double>(2 * c + 1) / 200.0;
        ASSERT_EQ(fmt(*plain, half), (i % 2 ? "-" : "") + centsText(c + 1)) << "value " << half;

        // Grouping changes nothing but the commas, one before every three digits.
        std::string g = fmt(*grouped, sign * static_cast<double>(c) / 100.0);
        const std::size_t point = g.find('.');
        for (std::size_t k = minus.size(); k < point; ++k) {
            const std::size_t fromPoint = point - k;
            ASSERT_EQ(g[k] == ',', fromPoint % 4 == 0) << g;
        }
        g.erase(std::remove(g.begin(), g.end(), ','), g.end());
        ASSERT_EQ(g, minus + centsText(c));
    }
}

// General fits 11 characters (without the sign) and keeps at least six
// significant digits (five with a three-digit exponent).
TEST(NumberFormatOracle, GeneralFitsElevenCharactersAndKeepsTheValue) {
    const auto f = ol::NumberFormat::compile("General");
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int i = 0; i < 50000; ++i) {
        // A third over the whole range, the rest where fixed and scientific meet.
        const double e = (i % 3 == 0) ? exponent(rng) : exponent(rng) / 300.0 * 9.5 + 3.5;
        const double v = ((i % 2) ? -1.0 : 1.0) * mantissa(rng) * std::pow(10.0, std::floor(e));
        const std::string s = fmt(*f, v);
        const std::string body = v < 0 ? s.substr(1) : s;
        ASSERT_LE(body.size(), 11u) << v << " -> " << s;
        ASSERT_EQ(s[0] == '-', v < 0) << s;
        const bool sci = s.find('E') != std::string::npos;
        const double a = std::fabs(v);
        if (a >= 1.0001e-4 && a < 99999999999.0) {
            ASSERT_FALSE(sci) << v << " -> " << s;
        }
        if (a < 0.9999e-4 || a >= 1.0001e11) {
            ASSERT_TRUE(sci) << v << " -> " << s;
        }
        const double back = std::strtod(s.c_str(), nullptr);
        const bool threeDigitExponent = std::fabs(std::floor(std::log10(a))) >= 99;
        const double tolerance = (sci && threeDigitExponent) ? 5.0001e-5 : 5.0001e-6;
        ASSERT_LE(std::fabs(back - v), tolerance * a) << v << " -> " << s;
        if (!sci && s.find('.') != std::string::npos) {
            ASSERT_NE(s.back(), '0') << "trailing zero: " << s;
        }
    }
}

TEST(NumberFormatOracle, ScientificMantissaAndExponentRebuildTheValue) {
    const auto f = ol::NumberFormat::compile("0.0000E+000");
    std::mt19937_64 rng(5);
    std::uniform_real_distribution<double> exponent(-300.0, 300.0);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = mantissa(rng) * std::pow(10.0, std::floor(exponent(rng)));
        const std::string s = fmt(*f, v);
        ASSERT_EQ(s.size(), 11u) << s;
        ASSERT_EQ(s[1], '.');
        ASSERT_TRUE(s[0] >= '1' && s[0] <= '9') << s;
        ASSERT_TRUE(s[7] == '+' || s[7] == '-') << s;
        ASSERT_LE(std::fabs(std::strtod(s.c_str(), nullptr) - v), 5.0001e-5 * v) << v << " -> " << s;
    }
}

// The fraction shown is reduced, fits three digits, and is as close as a
// continued-fraction convergent must be: |x - p/q| < 1 / (q * 1000).
TEST(NumberFormatOracle, FractionsAreReducedAndCloseToTheValue) {
    const auto f = ol::NumberFormat::compile("# ???"
                                             "/???"); // split so that "??/" is no trigraph;
    std::mt19937_64 rng(9);
    std::uniform_real_distribution<double> value(0.0, 1000.0);
    for (int i = 0; i < 20000; ++i) {
        const double v = value(rng);
        const std::string s = fmt(*f, v);
        long long whole = 0;
        const std::size_t slash = s.find('/');
        if (slash != std::string::npos) {
            std::size_t b = slash;
            while (b > 0 && s[b - 1] >= '0' && s[b - 1] <= '9')
                --b;
            const long long p = std::stoll(s.substr(b, slash - b));
            const long long q = std::stoll(s.substr(slash + 1));
            const std::string head = s.substr(0, b);
            if (head.find_first_of("0123456789") != std::string::npos)
                whole = std::stoll(head);
            ASSERT_LE(q, 999) << s;
            ASSERT_EQ(std::gcd(p, q), 1) << s;
            ASSERT_LT(p, q) << s;
            const double shown = static_cast<double>(whole) + static_cast<double>(p) / static_cast<double>(q);
            ASSERT_LT(std::fabs(v - shown), 1.0 / (static_cast<double>(q) * 1000.0)) << v << " -> " << s;
        } else {
            whole = std::stoll(s);
            ASSERT_LT(std::fabs(v - static_cast<double>(whole)), 1.0 / 1000.0) << v << " -> [" << s << "]";
        }
    }
}

} // namespace
