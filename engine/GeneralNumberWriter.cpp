#include "GeneralNumberWriter.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "ol/SpecialValues.h"

namespace engine {

namespace {

constexpr double kScientificFrom = 1.0e7;
constexpr double kScientificBelow = 1.0e-4;
constexpr int kDecimals = 4;

} // namespace

std::size_t WriteNumberGeneral(double value, char* out) {
    if (!std::isfinite(value) || ol::isSpecial(value) || !ol::isNumeric(value))
        return 0;
    if (value == 0.0) {
        out[0] = '0';
        return 1;
    }
    const double magnitude = std::fabs(value);
    if (magnitude >= kScientificFrom || magnitude < kScientificBelow)
        return 0;
    char* p = out;
    if (value < 0)
        *p++ = '-';
    if (value == std::trunc(value)) {
        const auto r = std::to_chars(p, out + kGeneralNumberMaxLength, static_cast<int64_t>(magnitude));
        return static_cast<std::size_t>(r.ptr - out);
    }
    // The host's 15 significant digits: d.dddddddddddddde[+-]XX.
    char sci[32];
    const auto r = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 14);
    char digits[16];
    digits[0] = sci[0];
    for (int k = 1; k < 15; ++k)
        digits[k] = sci[k + 1];
    const char* e = sci + 17; // after 'e'
    const bool negativeExponent = *e == '-';
    int exponent = 0;
    for (const char* q = e + 1; q < r.ptr; ++q)
        exponent = exponent * 10 + (*q - '0');
    // Position of the decimal point after digit `point` - 1: value = 0.d1d2... x 10^point.
    int point = (negativeExponent ? -exponent : exponent) + 1;
    // Keep `point + kDecimals` digits, rounding half away from zero.
    int keep = point + kDecimals;
    int n = 15;
    if (keep < n) {
        const bool up = keep >= 0 && digits[keep] >= '5';
        n = keep < 0 ? 0 : keep;
        if (up) {
            int i = n - 1;
            while (i >= 0 && digits[i] == '9')
                --i;
            if (i < 0) {
                // 9.99995 -> 10.0000: one more integer digit.
                digits[0] = '1';
                for (int k = 1; k <= n; ++k)
                    digits[k] = '0';
                ++point;
                n = n + 1;
            } else {
                ++digits[i];
                for (int k = i + 1; k < n; ++k)
                    digits[k] = '0';
            }
        }
    }
    const auto digitAt = [&](int k) { return k >= 0 && k < n ? digits[k] : '0'; };
    if (point <= 0) {
        *p++ = '0';
    } else {
        for (int k = 0; k < point; ++k)
            *p++ = digitAt(k);
    }
    *p++ = '.';
    for (int k = point; k < point + kDecimals; ++k)
        *p++ = digitAt(k);
    return static_cast<std::size_t>(p - out);
}

} // namespace engine
