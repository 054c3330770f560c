#pragma once

#include <array>
#include <concepts>
#include <span>

#include <QString>

namespace engine {

// Every text the Watcher shows comes from the resource server that the
// current manager obtained (ProcessState::resourceServer()), by number.

// The text of `id` with its arguments (at most three: texts or whole
// numbers) put in for %1..%3. Raises 0x8004000A "Missing resource server."
// (source "GetResourceString") when there is no server.
QString GetResourceStringWithArguments(int id, std::span<const QString> args);

namespace detail {
inline QString resourceArgument(const QString& s) {
    return s;
}
template <std::integral T> QString resourceArgument(T n) {
    return QString::number(n);
}
// Doubles are formatted by the caller, in the format their display needs.
QString resourceArgument(double) = delete;
} // namespace detail

template <class... Args> QString GetResourceString(int id, const Args&... args) {
    static_assert(sizeof...(Args) <= 3, "a resource text takes at most three arguments");
    const std::array<QString, sizeof...(Args)> list{detail::resourceArgument(args)...};
    return GetResourceStringWithArguments(id, list);
}

// The resource numbers of the common strings 0..17.
inline constexpr std::array<int, 18> kCommonStringResources = {2200, 2201, 2202, 2203, 2214, 2204, 2205, 2206, 2207,
                                                               2208, 2211, 2212, 2213, 2209, 2210, 2215, 2216, 2217};

// Common strings with a meaning of their own.
inline constexpr int kCommonMissingValue = 1;
inline constexpr int kCommonAboveUpperLimit = 13;
inline constexpr int kCommonBelowLowerLimit = 14;

// Common string `whichString` (0..17). Any other number raises 0x80040014
// with source "GetCommonString" and the text "whichString".
QString GetCommonString(int whichString);

} // namespace engine
