#include "FrontierSolutions.h"

#include <algorithm>

#include "LogReaders.h"
#include "WatcherManager.h"

namespace manager {

int FrontierSolutions::refresh(WatcherManager& manager, int32_t count) {
    m_values.resize(static_cast<size_t>(std::max(count, 0)));
    const QString path = manager.Input_LogPath();
    int changed = 0;
    for (int32_t k = 1; k <= count; ++k) {
        Entry& entry = m_values[static_cast<size_t>(k - 1)];
        // A failed count reads as 0 and so moves too: the step is read again
        // (and found missing) rather than kept from an older reading.
        const int32_t steps = engine::Log_EFGetProgressStepCount(path, k);
        if (entry.read && steps == entry.solution.step)
            continue;
        FrontierSolution solution;
        if (steps > 0 && !manager.EFFrontierSolution(k, solution.best, solution.trial, solution.step))
            solution = FrontierSolution();
        if (ol::isSpecial(solution.best))
            solution = FrontierSolution();
        entry.solution = solution;
        entry.read = true;
        entry.revision = m_nextRevision++;
        ++changed;
    }
    return changed;
}

void FrontierSolutions::invalidate() {
    for (Entry& entry : m_values)
        entry.read = false;
}

const FrontierSolution& FrontierSolutions::at(int32_t k) const {
    static const FrontierSolution kNone;
    return k >= 1 && k <= count() ? m_values[static_cast<size_t>(k - 1)].solution : kNone;
}

uint32_t FrontierSolutions::revision(int32_t k) const {
    return k >= 1 && k <= count() ? m_values[static_cast<size_t>(k - 1)].revision : 0;
}

} // namespace manager
