#pragma once

#include <cstddef>

namespace engine {

// The general number display of FormatNumberGeneral for the common cases,
// written as ASCII into a caller's buffer without making a string: zero,
// whole numbers and numbers with four decimals whose magnitude is at least
// 0.0001 and below 10,000,000, rounded as the host rounds (15 significant
// digits, then half away from zero). Views that format hundreds of
// thousands of values per refresh use it and fall back to
// FormatNumberGeneral for everything else.
//
// Returns the number of characters written (at most kGeneralNumberMaxLength),
// or 0 when the value is not one of these cases (special values, values that
// are not finite, scientific magnitudes).
inline constexpr std::size_t kGeneralNumberMaxLength = 24;
std::size_t WriteNumberGeneral(double value, char* out);

} // namespace engine
