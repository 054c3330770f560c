#include "population_registry.h"

#include <string>
#include <vector>

#include "internal.h"
#include "qxlib8.h"

namespace qx {

PopulationRegistry& PopulationRegistry::instance() {
    // Never destroyed: library calls from other threads may still run while
    // the process exits, and the kernel unmaps everything at exit anyway.
    static auto* registry = new PopulationRegistry;
    return *registry;
}

std::shared_ptr<Population> PopulationRegistry::find(int32_t handle, std::string_view fn, int32_t& code) {
    if (handle <= 0) {
        code = fail(QX_E_BAD_HANDLE, fn, "population handle " + std::to_string(handle) + " is not a valid handle");
        return nullptr;
    }
    std::shared_ptr<Population> stale; // unmapped after the registry mutex is released
    std::lock_guard lock(m_mutex);
    if (auto it = m_populations.find(handle); it != m_populations.end()) {
        if (!it->second->freed()) {
            code = QX_OK;
            return it->second;
        }
        stale = std::move(it->second);
        m_populations.erase(it);
        code = fail(QX_E_BAD_HANDLE, fn, "population " + std::to_string(handle) + " was freed");
        return nullptr;
    }
    auto pop = Population::open(handle, fn, code);
    if (pop)
        m_populations.emplace(handle, pop);
    return pop;
}

void PopulationRegistry::add(const std::shared_ptr<Population>& pop) {
    std::lock_guard lock(m_mutex);
    m_populations[pop->handle()] = pop;
}

void PopulationRegistry::remove(int32_t handle) {
    std::shared_ptr<Population> gone;
    std::lock_guard lock(m_mutex);
    if (auto it = m_populations.find(handle); it != m_populations.end()) {
        gone = std::move(it->second);
        m_populations.erase(it);
    }
}

void PopulationRegistry::clear() {
    std::unordered_map<int32_t, std::shared_ptr<Population>> gone;
    std::lock_guard lock(m_mutex);
    gone.swap(m_populations);
}

void releasePopulations() {
    PopulationRegistry::instance().clear();
    releaseTempData();
}

} // namespace qx
