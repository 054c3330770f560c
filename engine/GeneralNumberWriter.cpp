#include "GeneralNumberWriter.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "ol/SpecialValues.h"

namespace engine {

namespace {

constexpr double kScientificFrom = 1.0e7;
constexpr double kScientificBelow = 1.0e-4;
constexpr int kDecimals = 4;

// Reads the exponent after the 'e' of a scientific text.
int readExponent(const char* e, const char* end) {
    const bool negative = *e == '-';
    int exponent = 0;
    for (const char* q = e + 1; q < end; ++q)
        exponent = exponent * 10 + (*q - '0');
    return negative ? -exponent : exponent;
}

// The value rounded to 15 significant digits from its exact binary value:
// correct for every value, but the slow way (printf-style precision).
void exactFifteenDigits(double magnitude, char* digits, int& exponent) {
    char sci[32];
    const auto r = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific, 14);
    digits[0] = sci[0];
    for (int k = 1; k < 15; ++k)
        digits[k] = sci[k + 1];
    exponent = readExponent(sci + 17, r.ptr);
}

// The same 15 digits from the shortest text that reads back as the value,
// which is several times faster to produce. A shortest text of at most 15
// digits is the 15-digit rounding itself (every 15-digit decimal survives a
// trip through a double). A longer one is rounded to 15 digits: a 15-digit
// rounding boundary lying between it and the value would itself read back as
// the value and be at least as short and closer, so both round the same way,
// unless the text is that boundary (16 digits ending in 5), left to the exact
// way. Returns false when the exact way must be taken.
bool shortestFifteenDigits(double magnitude, char* digits, int& exponent) {
    char sci[32];
    const auto r = std::to_chars(sci, sci + sizeof sci, magnitude, std::chars_format::scientific);
    if (r.ec != std::errc())
        return false;
    const char* e = std::find(sci, r.ptr, 'e');
    if (e == r.ptr)
        return false;
    char all[18];
    int count = 0;
    for (const char* q = sci; q < e && count < 18; ++q)
        if (*q != '.')
            all[count++] = *q;
    exponent = readExponent(e + 1, r.ptr);
    if (count > 17 || (count == 16 && all[15] == '5'))
        return false;
    for (int k = 0; k < 15; ++k)
        digits[k] = k < count ? all[k] : '0';
    if (count > 15 && all[15] >= '5') {
        int i = 14;
        while (i >= 0 && digits[i] == '9')
            digits[i--] = '0';
        if (i < 0) {
            digits[0] = '1';
            ++exponent;
        } else {
            ++digits[i];
        }
    }
    return true;
}

// The four decimals straight from the value times 10^4, for a magnitude in
// [kScientificBelow, kScientificFrom): the common case, without any decimal
// digit generation. The host rounds twice (to 15 significant digits, then
// half away from zero to four decimals); both give the same result as
// rounding the value itself unless the scaled value lies near a half. The
// first rounding moves the scaled value by at most 5e-5 (below 10^7 the 15th
// digit is the 8th decimal), the product's own rounding by less than 1e-5,
// so a fraction farther than kTieMargin from one half decides alone.
// Returns the characters written, or 0 near a half (left to the digit path).
std::size_t writeFourDecimalsDirectly(double magnitude, char* out) {
    constexpr double kTieMargin = 1e-3;
    const double scaled = magnitude * 1e4;
    const double whole = std::floor(scaled);
    const double fraction = scaled - whole;
    if (std::fabs(fraction - 0.5) <= kTieMargin)
        return 0;
    const auto units = static_cast<uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    char* p = std::to_chars(out, out + 16, units / 10000).ptr;
    uint64_t decimals = units % 10000;
    p[0] = '.';
    for (int k = 4; k >= 1; --k) {
        p[k] = static_cast<char>('0' + decimals % 10);
        decimals /= 10;
    }
    return static_cast<std::size_t>(p + 5 - out);
}

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
    if (const std::size_t length = writeFourDecimalsDirectly(magnitude, p); length > 0)
        return static_cast<std::size_t>(p - out) + length;
    // The host's 15 significant digits: d.dddddddddddddde[+-]XX.
    char digits[16];
    int exponent = 0;
    if (!shortestFifteenDigits(magnitude, digits, exponent))
        exactFifteenDigits(magnitude, digits, exponent);
    // Position of the decimal point after digit `point` - 1: value = 0.d1d2... x 10^point.
    int point = exponent + 1;
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
