// The population grid writes plain numbers without the number-format
// engine; what it writes must be exactly what FormatNumberGeneral shows.
#include <cmath>
#include <initializer_list>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "Formatting.h"
#include "GeneralNumberWriter.h"
#include "ol/SpecialValues.h"

namespace {

std::string written(double value) {
    char buffer[engine::kGeneralNumberMaxLength];
    return std::string(buffer, engine::WriteNumberGeneral(value, buffer));
}

TEST(GeneralNumberWriter, WritesWhatFormatNumberGeneralShows) {
    // Ties and carries where binary and decimal rounding part ways.
    const double cases[] = {1.00005,
                            2.5,
                            -3.14159265,
                            0.00015,
                            0.0001,
                            -0.0001,
                            9.99995,
                            9999999.99995,
                            9999999.4,
                            1.005,
                            1234.56785,
                            0.12345,
                            -0.00049999,
                            42,
                            -42,
                            1e-4,
                            9999999,
                            0.1,
                            0.7,
                            100.00004999,
                            5e-4,
                            0.1234567890123455,
                            1.999999999999995,
                            9999999.999999995,
                            0.3333333333333335};
    for (double v : cases)
        EXPECT_EQ(written(v), engine::FormatNumberGeneral(v).toStdString()) << v;

    std::mt19937_64 random(12);
    std::uniform_real_distribution<double> exponent(-4.0, 7.0);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    int compared = 0;
    for (int i = 0; i < 200000; ++i) {
        double v = std::pow(10.0, exponent(random)) * (unit(random) < 0.5 ? -1.0 : 1.0);
        if (i % 5 == 0)
            v = std::round(v * 10000.0) / 10000.0 + (unit(random) < 0.5 ? 0.00005 : 0.0); // near ties
        if (i % 7 == 0)
            v = std::trunc(v);
        if (i % 11 == 0) // 16 significant digits ending in 5: a tie at 15 digits
            v = std::stod(std::to_string(std::llround(unit(random) * 1e14)) + "5e-" +
                          std::to_string(static_cast<int>(unit(random) * 19.0)));
        const std::string fast = written(v);
        if (fast.empty())
            continue;
        ++compared;
        ASSERT_EQ(fast, engine::FormatNumberGeneral(v).toStdString()) << v;
    }
    EXPECT_GT(compared, 190000);
}

// Values a hair either side of a half at the fourth decimal, where rounding
// the value directly and rounding it first to 15 digits can disagree, at
// every magnitude the writer handles (the first rounding moves the value
// most just below 10^7).
TEST(GeneralNumberWriter, NearHalvesOfTheFourthDecimalRoundAsTheHostRounds) {
    std::mt19937_64 random(31);
    std::uniform_real_distribution<double> exponent(-4.0, 7.0);
    const double offsets[] = {0,      1e-16, -1e-16, 4e-16, -4e-16, 1e-15, -1e-15, 5e-15, -5e-15, 1e-14, -1e-14, 1e-13,
                              -1e-13, 1e-12, -1e-12, 1e-11, -1e-11, 1e-10, -1e-10, 1e-9,  -1e-9,  1e-8,  -1e-8};
    for (int i = 0; i < 5000; ++i) {
        const double magnitude = std::pow(10.0, exponent(random));
        const double half = (std::floor(magnitude * 1e4) + 0.5) / 1e4;
        for (double offset : offsets) {
            for (double v :
                 {half * (1 + offset), -half * (1 + offset), std::nextafter(half, 0.0), std::nextafter(half, 1e9)}) {
                const std::string fast = written(v);
                if (!fast.empty()) {
                    ASSERT_EQ(fast, engine::FormatNumberGeneral(v).toStdString()) << v;
                }
            }
        }
    }
    for (double v : {9999999.99994999, 9999999.99995001, 999999.99995, 0.00014999999999, 0.00015000000001})
        EXPECT_EQ(written(v), engine::FormatNumberGeneral(v).toStdString()) << v;
}

TEST(GeneralNumberWriter, LeavesSpecialAndScientificValuesToTheFormatter) {
    for (double v : std::initializer_list<double>{ol::kNoValue, ol::kErrorValue, ol::kUpperLimit, ol::kLowerLimit, 1e7,
                                                  -2.5e9, 9.9e-5, -1e-9, std::nan(""), INFINITY})
        EXPECT_EQ(written(v), "") << v;
    EXPECT_EQ(written(0.0), "0");
    EXPECT_EQ(written(-0.0), "0");
}

} // namespace
