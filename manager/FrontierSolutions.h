#pragma once

#include <cstdint>
#include <vector>

#include "ol/SpecialValues.h"

namespace manager {

class WatcherManager;

// The frontier solution of one constraining value: the last progress step
// recorded under it, or none yet (best is the no-value double, step 0).
struct FrontierSolution {
    double best = ol::kNoValue;
    int32_t trial = 0;
    // The step's number among the value's progress steps (their count).
    int32_t step = 0;
    bool found() const { return step > 0 && !ol::isSpecial(best); }
};

// The frontier solutions of a series as the frontier window reads them on
// every tick. The log only grows during a run, so a value whose progress-step
// count is the one read last time still has the same last step: a refresh
// reads each value's step count and reads a step only for the values whose
// count moved. Views keep the revision they last drew of a value and redraw
// only what moved.
class FrontierSolutions {
public:
    // Reads the first `count` values of the series (1-based, optimization
    // order). Returns how many values got a new solution.
    int refresh(WatcherManager& manager, int32_t count);
    // Forgets what was read: the next refresh reads every value's step.
    void invalidate();

    int32_t count() const { return static_cast<int32_t>(m_values.size()); }
    // Value k's solution (none outside the series or before a refresh).
    const FrontierSolution& at(int32_t k) const;
    // Grows each time value k's solution is read anew; 0 before its first
    // reading.
    uint32_t revision(int32_t k) const;

private:
    struct Entry {
        FrontierSolution solution;
        uint32_t revision = 0;
        bool read = false;
    };
    std::vector<Entry> m_values;
    uint32_t m_nextRevision = 1;
};

} // namespace manager
