#pragma once

#include <cmath>
#include <cstdint>

class QVariant;

namespace ol {

// Doubles with a meaning of their own. Values travel between processes (the
// engine's population and log, the add-in's properties) as plain doubles, so
// these are fixed numbers, never NaN: a NaN compares unequal to itself and
// could not be recognised after a round trip.

// "No value": nothing was evaluated or recorded yet. Shown as a missing value.
inline constexpr double kNoValue = -1.0e300;
// A value that could not be computed (an error in the model). Shown as a
// missing value too.
inline constexpr double kErrorValue = -1.001e300;
// Values at or above the upper limit and at or below the lower limit are too
// large in magnitude to show; they are shown as the limit texts.
inline constexpr double kUpperLimit = 1.0e299;
inline constexpr double kLowerLimit = -1.0e299;

// True for the no-value double, the error value and NaN: there is no number
// to show.
inline bool isNoValue(double x) noexcept {
    return x == kNoValue || x == kErrorValue || std::isnan(x);
}
// True at or above the upper limit (including +infinity).
inline bool isUpperLimit(double x) noexcept {
    return x >= kUpperLimit;
}
// True at or below the lower limit (including -infinity). The no-value and
// error doubles lie below it too; callers that show them differently test
// isNoValue first.
inline bool isLowerLimit(double x) noexcept {
    return x <= kLowerLimit;
}
// The three special-value tests together: no number that can be shown.
inline bool isSpecial(double x) noexcept {
    return isNoValue(x) || isUpperLimit(x) || isLowerLimit(x);
}
// The numeric test used before a value is formatted: a finite double.
inline bool isNumeric(double x) noexcept {
    return std::isfinite(x);
}

// The null test of a tagged value: true when it holds nothing (invalid or
// null), so that it cannot be shown as a value.
bool isNullValue(const QVariant& value);

// The exponent of the power of ten of x's leading decimal digit: 1200 -> 3,
// 3000 -> 3, 999 -> 2, 0.05 -> -2, 1000 -> 3, 0.001 -> -3. Negative x uses
// |x|. 0, NaN and infinities give 0. Exact at powers of ten: x is compared
// with the double nearest to each power of ten, so the double that prints as
// "0.001" gives -3 and the largest double below it gives -4.
int16_t orderOfMagnitude(double x) noexcept;

} // namespace ol
