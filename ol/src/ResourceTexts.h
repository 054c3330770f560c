// The text tables of the resource server, one per language.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace ol::detail {

struct ResourceText {
    uint16_t id;
    const char16_t* text;
};

template <std::size_t N> constexpr bool isStrictlySorted(const ResourceText (&texts)[N]) {
    for (std::size_t i = 1; i < N; ++i) {
        if (texts[i - 1].id >= texts[i].id)
            return false;
    }
    return true;
}

std::span<const ResourceText> englishTexts() noexcept;
std::span<const ResourceText> germanTexts() noexcept;

} // namespace ol::detail
