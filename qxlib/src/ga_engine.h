// The steady-state genetic algorithm over a population in shared memory.
// Every method expects the caller to hold the population lock: the state it
// changes (order array, counters, random generator) is shared with every
// process that uses the population.
#pragma once

#include <cstdint>
#include <string_view>

#include "population.h"

namespace qx {

class GaEngine {
public:
    explicit GaEngine(Population& pop) : m_pop(pop) {}

    // The organism (1-based) to evaluate next: the first not-evaluated one,
    // else the candidate N+1, bred on first request.
    int32_t nextOrganism();
    // Takes an evaluation; QX_OK or an error reported under `fn`.
    int32_t setResult(int32_t organism0, double value, double penalty, int32_t flags, std::string_view fn);
    // Organisms 2..N become random members of the search space.
    void randomize();
    // Converts the results to the goal now set (from `oldGoal`) and ranks again.
    void goalChanged(int32_t oldGoal);

    struct Rank {
        int valid; // invalid and not-evaluated organisms rank below every valid one
        double score;
    };
    static bool better(Rank a, Rank b) { return a.valid != b.valid ? a.valid > b.valid : a.score > b.score; }
    Rank rankOf(double tempValue, double objectiveValue, int32_t flags) const;

private:
    Rank rankOfSlot(int32_t slot) const;
    void captureReference();
    void breed();
    int32_t selectParent();
    void rankAll();
    // Moves organism0 to its ranked place among organisms 0..N-1.
    void reposition(int32_t organism0);
    void replaceWorst();
    void noteResult(Rank r, double tempValue, double objectiveValue, int32_t flags);

    Population& m_pop;
};

} // namespace qx
