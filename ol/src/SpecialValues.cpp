#include "ol/SpecialValues.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include <QVariant>

namespace ol {

namespace {

// Decimal exponents of doubles: the smallest subnormal is about 4.9e-324,
// the largest double about 1.8e308.
constexpr int kMinExponent = -324;
constexpr int kMaxExponent = 308;

// The double nearest to 10^e for every exponent a double can have. strtod
// rounds correctly, so each entry is exactly what the literal "1e<e>" gives;
// pow(10, e) does not promise that for negative e.
const std::array<double, kMaxExponent - kMinExponent + 1>& powersOfTen() {
    static const auto table = [] {
        std::array<double, kMaxExponent - kMinExponent + 1> t{};
        char text[16];
        for (int e = kMinExponent; e <= kMaxExponent; ++e) {
            std::snprintf(text, sizeof text, "1e%d", e);
            t[static_cast<size_t>(e - kMinExponent)] = std::strtod(text, nullptr);
        }
        return t;
    }();
    return table;
}

double powerOfTen(int e) {
    return powersOfTen()[static_cast<size_t>(e - kMinExponent)];
}

} // namespace

bool isNullValue(const QVariant& value) {
    return !value.isValid() || value.isNull();
}

int16_t orderOfMagnitude(double x) noexcept {
    const double a = std::fabs(x);
    if (a == 0.0 || !std::isfinite(a))
        return 0;
    // log10 gives the answer to within one; the table settles the boundaries.
    int e = static_cast<int>(std::floor(std::log10(a)));
    if (e < kMinExponent)
        e = kMinExponent;
    if (e > kMaxExponent)
        e = kMaxExponent;
    while (e > kMinExponent && a < powerOfTen(e))
        --e;
    while (e < kMaxExponent && a >= powerOfTen(e + 1))
        ++e;
    return static_cast<int16_t>(e);
}

} // namespace ol
