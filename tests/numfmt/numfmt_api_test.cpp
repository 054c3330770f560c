// The engine's interface: refused codes, colours, the cache, the Qt
// wrappers and codes built to exhaust it.

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QString>

#include "ol/NumberFormat.h"
#include "ol/NumberFormatCache.h"

namespace {

using ol::NumberFormat;

std::string fmt(std::string_view code, double v) {
    std::string out;
    NumberFormat::compile(code)->format(v, out);
    return out;
}

TEST(NumberFormatApi, RefusedCodesShowGeneralAndSayWhy) {
    const std::vector<std::string> bad = {
        "[Red",
        "\"abc",
        "0;0;0;0;0",
        "0E+",
        "[Color57]0",
        "[Color0]0",
        "0 x",
        "[<=abc]0",
        "0\\",
        "0_",
        "0*",
        "[>1][<2]0",
        "0;0;[=1]0",
        "yyyy.0#",
        "General0",
        "[DBNum1]0",
        "0.0E+0E+0",
        "?/? 0",
        "[Red]0;\"",
        "0.0000000000000000000000000000000",
        std::string(NumberFormat::MaxCodeLength + 1, '0'),
    };
    for (const std::string& code : bad) {
        const auto f = NumberFormat::compile(code);
        EXPECT_FALSE(f->valid()) << "[" << code << "]";
        EXPECT_FALSE(f->error().empty()) << "[" << code << "]";
        std::string out;
        f->format(1234.5, out);
        EXPECT_EQ(out, "1234.5") << "[" << code << "]";
        f->format(-123456789012.0, out);
        EXPECT_EQ(out, "-1.23457E+11") << "[" << code << "]";
        f->formatText("abc", out);
        EXPECT_EQ(out, "abc") << "[" << code << "]";
    }
    const auto good = NumberFormat::compile("#,##0.00;[Red](#,##0.00);\"-\";@");
    EXPECT_TRUE(good->valid());
    EXPECT_TRUE(good->error().empty());
    EXPECT_EQ(good->code(), "#,##0.00;[Red](#,##0.00);\"-\";@");
}

TEST(NumberFormatApi, ColourOfTheChosenSectionIsReported) {
    const auto f = NumberFormat::compile("[Blue]0;[Red]0;[Color10]0;[Green]@");
    std::string out;
    EXPECT_EQ(f->format(5, out), 5);
    EXPECT_EQ(f->format(-5, out), 3);
    EXPECT_EQ(out, "5");
    EXPECT_EQ(f->format(0, out), 10);
    EXPECT_EQ(f->formatText("x", out), 4);
    EXPECT_EQ(NumberFormat::compile("0.00")->format(-5, out), 0);
    EXPECT_EQ(NumberFormat::compile("[MAGENTA]0")->format(1, out), 7);
    EXPECT_EQ(NumberFormat::compile("[>100][Cyan]0;[yellow]0")->format(101, out), 8);
    EXPECT_EQ(NumberFormat::compile("[>100][Cyan]0;[yellow]0")->format(99, out), 6);

    EXPECT_EQ(NumberFormat::paletteRgb(1), 0x000000);
    EXPECT_EQ(NumberFormat::paletteRgb(3), 0xFF0000);
    EXPECT_EQ(NumberFormat::paletteRgb(5), 0x0000FF);
    EXPECT_EQ(NumberFormat::paletteRgb(10), 0x008000);
    EXPECT_EQ(NumberFormat::paletteRgb(56), 0x333333);
    EXPECT_EQ(NumberFormat::paletteRgb(0), -1);
    EXPECT_EQ(NumberFormat::paletteRgb(57), -1);
}

TEST(NumberFormatApi, DateCodesAreTellApartFromNumberCodes) {
    for (const char* code : {"m/d/yyyy", "[h]:mm:ss", "hh:mm:ss", "mmm", "d-mmm;@", "h AM/PM"})
        EXPECT_TRUE(NumberFormat::compile(code)->isDate()) << code;
    for (const char* code : {"0.00", "General", "@", "0;@", "# ?/?", "0.00E+00", "\"d\"0", "\\m0", "[Red]0"})
        EXPECT_FALSE(NumberFormat::compile(code)->isDate()) << code;
}

// Codes built to make the output or the work explode stay bounded.
TEST(NumberFormatApi, PathologicalCodesStayBounded) {
    const std::string percents(1000, '%');
    const std::string manyPercent = fmt("0" + percents, 1e300);
    EXPECT_LT(manyPercent.size(), 4000u);
    EXPECT_EQ(manyPercent.substr(0, 2), "10");

    EXPECT_EQ(fmt(std::string(1000, '0'), 5).size(), 1000u);
    const std::string big = fmt("#,##0", 1.7976931348623157e308);
    EXPECT_EQ(big.size(), 309u + 102u);
    EXPECT_EQ(big.substr(0, 7), "179,769");
    EXPECT_EQ(fmt("0.00", 4.9e-324), "0.00");
    EXPECT_EQ(fmt("General", 4.9406564584124654e-324), "4.9407E-324");
    EXPECT_EQ(fmt("0.00E+00", 4.9406564584124654e-324), "4.94E-324");
    EXPECT_EQ(fmt("?/?", 1e300).substr(0, 3), "100");
    EXPECT_EQ(fmt("# ?/?", 1e300).substr(0, 3), "100");
    const std::string pi = fmt("?????????"
                               "/?????????",
                               3.141592653589793);
    const std::size_t slash = pi.find('/');
    ASSERT_NE(slash, std::string::npos) << pi;
    const double p = std::stod(pi.substr(0, slash));
    const double q = std::stod(pi.substr(slash + 1));
    EXPECT_LE(q, 999999999.0) << pi;
    EXPECT_LT(std::fabs(p / q - 3.141592653589793), 1e-13) << pi;
    EXPECT_EQ(fmt("0/999999999", 2.5), "2499999998/999999999");
    EXPECT_EQ(fmt("[h]:mm", 2958465.99), "71003183:45");
    EXPECT_EQ(fmt("0.0E+" + std::string(500, '0'), 1.0).size(), 3u + 2u + 500u);
}

TEST(NumberFormatCacheTest, SameCodeGivesTheSameCompiledObject) {
    ol::NumberFormatCache cache(4);
    const auto a = cache.get("0.00");
    EXPECT_EQ(cache.get("0.00"), a);
    EXPECT_NE(cache.get("0.000"), a);
    EXPECT_EQ(cache.size(), 2u);
    cache.clear();
    EXPECT_EQ(cache.size(), 0u);
    EXPECT_NE(cache.get("0.00"), a); // compiled again after clear()
}

TEST(NumberFormatCacheTest, FullCacheStartsOverWhileHandedOutFormatsLive) {
    ol::NumberFormatCache cache(3);
    const auto first = cache.get("0");
    cache.get("0.0");
    cache.get("0.00");
    EXPECT_EQ(cache.size(), 3u);
    cache.get("0.000");
    EXPECT_LE(cache.size(), 3u);
    EXPECT_GE(cache.size(), 1u);
    std::string out;
    first->format(2.5, out);
    EXPECT_EQ(out, "3");
}

TEST(NumberFormatCacheTest, ConcurrentUseGivesCorrectResults) {
    ol::NumberFormatCache cache(8); // smaller than the codes used: forces clearing
    std::vector<std::string> codes;
    for (int d = 0; d < 20; ++d)
        codes.push_back("0." + std::string(static_cast<std::size_t>(d + 1), '0'));
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            std::string out;
            for (int i = 0; i < 3000; ++i) {
                const std::size_t k = static_cast<std::size_t>((i * 7 + t) % 20);
                cache.get(codes[k])->format(1.0, out);
                if (out != "1." + std::string(k + 1, '0'))
                    ++wrong;
            }
        });
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(wrong.load(), 0);
    EXPECT_LE(cache.size(), 8u);
}

TEST(NumberFormatQt, WrappersUseTheGlobalCacheAndReportRefusedCodes) {
    bool ok = false;
    EXPECT_EQ(ol::formatNumber(1234.5, QStringLiteral("#,##0.00"), &ok), QStringLiteral("1,234.50"));
    EXPECT_TRUE(ok);
    const std::size_t before = ol::NumberFormatCache::global().size();
    ol::formatNumber(1, QStringLiteral("#,##0.00"));
    EXPECT_EQ(ol::NumberFormatCache::global().size(), before);

    EXPECT_EQ(ol::formatNumber(1234.5, QStringLiteral("0 kg"), &ok), QStringLiteral("1234.5"));
    EXPECT_FALSE(ok);

    EXPECT_EQ(ol::formatNumber(-1234.5, QStringLiteral("[$€-407] #,##0.00;[Red]-[$€-407] #,##0.00")),
              QStringLiteral("-€ 1,234.50"));
    EXPECT_EQ(ol::formatText(QStringLiteral("größe"), QStringLiteral("0;0;0;\"«\"@\"»\""), &ok),
              QStringLiteral("«größe»"));
    EXPECT_TRUE(ok);

    const ol::NumberFormatResult r = ol::formatNumberEx(-5, QStringLiteral("0;[Red]0"));
    EXPECT_EQ(r.text, QStringLiteral("5"));
    EXPECT_EQ(r.colorIndex, 3);
    EXPECT_TRUE(r.codeValid);
    EXPECT_FALSE(ol::formatNumberEx(1, QStringLiteral("[Nope]0")).codeValid);
}

} // namespace
