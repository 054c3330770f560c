// This process's mappings of populations, by handle. The first call with a
// handle maps the population; later calls reuse the mapping until it is
// freed (here or in another process) or QxFree releases everything.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <unordered_map>

#include "population.h"

namespace qx {

class PopulationRegistry {
public:
    static PopulationRegistry& instance();

    // The mapping of `handle`, or null with `code` set (already reported
    // through qx::fail under `fn`). A mapping whose population was freed by
    // any process is dropped and reported as a bad handle.
    std::shared_ptr<Population> find(int32_t handle, std::string_view fn, int32_t& code);
    void add(const std::shared_ptr<Population>& pop);
    // Removes the mapping; it is unmapped once the last user lets go of it.
    void remove(int32_t handle);
    void clear();

private:
    PopulationRegistry() = default;

    std::mutex m_mutex;
    std::unordered_map<int32_t, std::shared_ptr<Population>> m_populations;
};

// The temp-data block is the other shared mapping of the engine; QxFree
// releases it together with the populations (defined in tempdata.cpp).
void releaseTempData();

} // namespace qx
