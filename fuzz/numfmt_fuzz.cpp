// Input: 8 bytes of a double (any bit pattern: NaN, infinities, denormals),
// then a number-format code. Compiling and formatting must never crash,
// hang or produce unbounded output.

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "ol/NumberFormat.h"

namespace {

// Digits of the largest double scaled by every '%' a code of the maximum
// length can hold, with grouping commas, plus that many literal bytes.
constexpr std::size_t kMaxOutput = 16 * 1024;

void check(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < sizeof(double))
        return 0;
    double v;
    std::memcpy(&v, data, sizeof v);
    const std::string_view code(reinterpret_cast<const char*>(data + sizeof v), size - sizeof v);

    const auto f = ol::NumberFormat::compile(code);
    check(f != nullptr);
    check(f->valid() == f->error().empty());
    std::string out;
    for (const double x : {v, -v, 0.0, std::nextafter(v, 0.0), v * 86400.0}) {
        const int color = f->format(x, out);
        check(out.size() <= kMaxOutput);
        check(color >= 0 && color <= 56);
    }
    f->formatText("text", out);
    check(out.size() <= 4 * code.size() + 16);
    return 0;
}
