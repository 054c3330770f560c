#pragma once

#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_map>

#include "ol/NumberFormat.h"

namespace ol {

// Compiled number formats keyed by their code, shared by all threads.
// A workbook uses few distinct codes, so when the cache is full it simply
// starts over instead of tracking recency; objects already handed out stay
// alive through their shared pointers.
class NumberFormatCache {
public:
    explicit NumberFormatCache(std::size_t capacity = 256);

    static NumberFormatCache& global();

    std::shared_ptr<const NumberFormat> get(std::string_view code);
    std::size_t size() const;
    std::size_t capacity() const { return m_capacity; }
    void clear();

private:
    struct Hash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };

    const std::size_t m_capacity;
    mutable std::mutex m_mutex;
    std::unordered_map<std::string, std::shared_ptr<const NumberFormat>, Hash, std::equal_to<>> m_map;
};

} // namespace ol
