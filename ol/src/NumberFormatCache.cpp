#include "ol/NumberFormatCache.h"

namespace ol {

NumberFormatCache::NumberFormatCache(std::size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

NumberFormatCache& NumberFormatCache::global() {
    static NumberFormatCache cache;
    return cache;
}

std::shared_ptr<const NumberFormat> NumberFormatCache::get(std::string_view code) {
    {
        std::lock_guard lock(m_mutex);
        if (const auto it = m_map.find(code); it != m_map.end())
            return it->second;
    }
    // Compiled outside the lock: two threads may compile the same code at
    // once, and the first one stored wins.
    auto compiled = NumberFormat::compile(code);
    std::lock_guard lock(m_mutex);
    if (const auto it = m_map.find(code); it != m_map.end())
        return it->second;
    if (m_map.size() >= m_capacity)
        m_map.clear();
    m_map.emplace(std::string(code), compiled);
    return compiled;
}

std::size_t NumberFormatCache::size() const {
    std::lock_guard lock(m_mutex);
    return m_map.size();
}

void NumberFormatCache::clear() {
    std::lock_guard lock(m_mutex);
    m_map.clear();
}

} // namespace ol
