#include "ga_engine.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "ga_operators.h"
#include "ga_random.h"
#include "internal.h"
#include "qxlib8.h"

namespace qx {
namespace {

constexpr double kMaxAutoMutationRate = 0.5;
constexpr double kAutoMutationRise = 1.1;
constexpr double kAutoMutationFloor = 0.01; // where a rate of 0 starts rising from

// Per-thread buffers, so a trial allocates nothing once they have grown.
struct Scratch {
    std::vector<double> a, b, child, original;
    std::vector<GeneRange> ranges;
    std::vector<std::pair<GaEngine::Rank, int32_t>> ranked;
};

Scratch& scratch() {
    thread_local Scratch s;
    return s;
}

void loadGenes(const Population& pop, int32_t slot, std::vector<double>& out) {
    const double* g = pop.slotGenes(slot);
    out.resize(static_cast<size_t>(pop.geneCount()));
    for (size_t i = 0; i < out.size(); ++i)
        out[i] = loadShared(g[i], std::memory_order_relaxed);
}

void storeGenes(const Population& pop, int32_t slot, const std::vector<double>& in) {
    double* g = pop.slotGenes(slot);
    for (size_t i = 0; i < in.size(); ++i)
        storeShared(g[i], in[i], std::memory_order_relaxed);
}

void loadRanges(const Population& pop, std::vector<GeneRange>& out) {
    out.resize(static_cast<size_t>(pop.geneCount()));
    for (size_t i = 0; i < out.size(); ++i) {
        const GeneRange& r = pop.range(static_cast<int32_t>(i));
        out[i] = {loadShared(r.min, std::memory_order_relaxed), loadShared(r.max, std::memory_order_relaxed),
                  loadShared(r.step, std::memory_order_relaxed)};
    }
}

void resetResult(SlotHeader& sh) {
    storeShared(sh.tempValue, 0.0);
    storeShared(sh.objectiveValue, 0.0);
    storeShared(sh.flags, int32_t{QX_ORG_NOT_EVALUATED});
}

// The rate mutation uses now: automatic mode follows the current rate, fixed
// mode the rate that was set. Read afresh on every trial so that a rate set
// by another process applies to the next candidate.
double mutationRateNow(const ChromosomeInfo& ci) {
    return loadShared(ci.mutationMode) == QX_MUTATION_AUTO ? loadShared(ci.currentMutationRate)
                                                           : loadShared(ci.mutationRate);
}

} // namespace

GaEngine::Rank GaEngine::rankOf(double tempValue, double objectiveValue, int32_t flags) const {
    if (flags & QX_ORG_NOT_EVALUATED)
        return {-1, -std::numeric_limits<double>::infinity()};
    const PopHeader& h = m_pop.header();
    double score = 0;
    switch (loadShared(h.goal)) {
    case QX_GOAL_MINIMIZE:
        score = -tempValue;
        break;
    case QX_GOAL_TARGET:
        // tempValue - objectiveValue is the penalty for this goal.
        score = -(std::fabs(objectiveValue - loadShared(h.target)) + (tempValue - objectiveValue));
        break;
    default:
        score = tempValue;
        break;
    }
    if (std::isnan(score))
        score = -std::numeric_limits<double>::infinity();
    return {(flags & QX_ORG_INVALID) ? 0 : 1, score};
}

GaEngine::Rank GaEngine::rankOfSlot(int32_t slot) const {
    const SlotHeader& sh = m_pop.slotHeader(slot);
    return rankOf(loadShared(sh.tempValue), loadShared(sh.objectiveValue), loadShared(sh.flags));
}

void GaEngine::captureReference() {
    PopHeader& h = m_pop.header();
    if (h.referenceCaptured)
        return;
    // Organism 1 holds the original solution until the population is ranked.
    const double* g = m_pop.slotGenes(m_pop.slotOf(0));
    for (int32_t c = 0; c < m_pop.chromosomeCount(); ++c) {
        if (m_pop.chromosomeMethod(c) != QX_METHOD_BUDGET)
            continue;
        double sum = 0;
        const int32_t first = m_pop.chromosomeFirstGene(c);
        for (int32_t i = 0; i < m_pop.chromosomeGeneCount(c); ++i)
            sum += loadShared(g[first + i], std::memory_order_relaxed);
        storeShared(m_pop.chromosome(c).referenceSum, sum);
    }
    h.referenceCaptured = 1;
}

int32_t GaEngine::nextOrganism() {
    PopHeader& h = m_pop.header();
    const int32_t n = m_pop.organismCount();
    captureReference();
    for (int32_t i = std::clamp(h.nextUnevaluated, 0, n); i < n; ++i) {
        if (loadShared(m_pop.slotHeader(m_pop.slotOf(i)).flags) & QX_ORG_NOT_EVALUATED) {
            h.nextUnevaluated = i;
            return i + 1;
        }
    }
    h.nextUnevaluated = n;
    if (!h.ranked)
        rankAll();
    if (!h.candidatePending) {
        breed();
        h.candidatePending = 1;
    }
    return n + 1;
}

int32_t GaEngine::selectParent() {
    // Rank-based: organism i (0 = worst) is chosen with weight i + 1.
    GaRandom random(m_pop.header().rng);
    const auto n = static_cast<uint64_t>(m_pop.organismCount());
    const uint64_t u = random.below(n * (n + 1) / 2);
    auto i = static_cast<uint64_t>((std::sqrt(8.0 * static_cast<double>(u) + 1.0) - 1.0) / 2.0);
    while (i > 0 && i * (i + 1) / 2 > u)
        --i;
    while ((i + 1) * (i + 2) / 2 <= u)
        ++i;
    return static_cast<int32_t>(std::min(i, n - 1));
}

void GaEngine::breed() {
    Scratch& s = scratch();
    PopHeader& h = m_pop.header();
    GaRandom random(h.rng);
    GaOperators ops(random);
    const int32_t n = m_pop.organismCount();

    const int32_t pa = selectParent();
    int32_t pb = selectParent();
    for (int tries = 0; pb == pa && tries < 8; ++tries)
        pb = selectParent();
    if (pb == pa)
        pb = (pa + 1) % n;

    loadGenes(m_pop, m_pop.slotOf(pa), s.a);
    loadGenes(m_pop, m_pop.slotOf(pb), s.b);
    loadRanges(m_pop, s.ranges);
    s.child.resize(s.a.size());

    for (int32_t c = 0; c < m_pop.chromosomeCount(); ++c) {
        const ChromosomeInfo& ci = m_pop.chromosome(c);
        const auto first = static_cast<size_t>(m_pop.chromosomeFirstGene(c));
        const auto k = static_cast<size_t>(m_pop.chromosomeGeneCount(c));
        const int32_t method = m_pop.chromosomeMethod(c);
        const double total = loadShared(ci.referenceSum);
        std::span<const double> a(s.a.data() + first, k), b(s.b.data() + first, k);
        std::span<double> child(s.child.data() + first, k);
        std::span<const GeneRange> ranges(s.ranges.data() + first, k);
        if (random.chance(loadShared(ci.crossoverRate)))
            ops.crossover(method, a, b, child, ranges, total);
        else
            std::copy(a.begin(), a.end(), child.begin());
        ops.mutate(method, child, ranges, mutationRateNow(ci), total);
    }

    const int32_t slot = m_pop.slotOf(n);
    storeGenes(m_pop, slot, s.child);
    resetResult(m_pop.slotHeader(slot));
}

void GaEngine::rankAll() {
    Scratch& s = scratch();
    const int32_t n = m_pop.organismCount();
    s.ranked.clear();
    for (int32_t i = 0; i < n; ++i) {
        const int32_t slot = m_pop.slotOf(i);
        s.ranked.emplace_back(rankOfSlot(slot), slot);
    }
    std::stable_sort(s.ranked.begin(), s.ranked.end(),
                     [](const auto& x, const auto& y) { return better(y.first, x.first); });
    for (int32_t i = 0; i < n; ++i)
        m_pop.setSlotOf(i, s.ranked[static_cast<size_t>(i)].second);
    m_pop.header().ranked = 1;
}

void GaEngine::reposition(int32_t organism0) {
    const int32_t n = m_pop.organismCount();
    const int32_t slot = m_pop.slotOf(organism0);
    const Rank r = rankOfSlot(slot);
    // Take it out, then insert after every organism that is not better.
    for (int32_t i = organism0; i + 1 < n; ++i)
        m_pop.setSlotOf(i, m_pop.slotOf(i + 1));
    int32_t lo = 0, hi = n - 1;
    while (lo < hi) {
        const int32_t mid = lo + (hi - lo) / 2;
        if (better(rankOfSlot(m_pop.slotOf(mid)), r))
            hi = mid;
        else
            lo = mid + 1;
    }
    for (int32_t i = n - 1; i > lo; --i)
        m_pop.setSlotOf(i, m_pop.slotOf(i - 1));
    m_pop.setSlotOf(lo, slot);
}

void GaEngine::replaceWorst() {
    const int32_t n = m_pop.organismCount();
    const int32_t candidate = m_pop.slotOf(n);
    const int32_t worst = m_pop.slotOf(0);
    if (!better(rankOfSlot(candidate), rankOfSlot(worst)))
        return;
    // The worst organism's slot becomes the next candidate's: gene rows stay put.
    m_pop.setSlotOf(0, candidate);
    m_pop.setSlotOf(n, worst);
    reposition(0);
}

void GaEngine::noteResult(Rank r, double tempValue, double objectiveValue, int32_t flags) {
    PopHeader& h = m_pop.header();
    if (const int32_t t = loadShared(h.trialCount); t < std::numeric_limits<int32_t>::max())
        storeShared(h.trialCount, t + 1);

    const bool improved = !h.hasBest || better(r, rankOf(h.bestTempValue, h.bestObjectiveValue, h.bestFlags));
    if (improved) {
        h.hasBest = 1;
        h.bestTempValue = tempValue;
        h.bestObjectiveValue = objectiveValue;
        h.bestFlags = flags;
        if (const int32_t p = loadShared(h.progressStepCount); p < std::numeric_limits<int32_t>::max())
            storeShared(h.progressStepCount, p + 1);
        h.trialsSinceImprovement = 0;
        // Progress again: automatic mutation falls back to the rate that was set.
        for (int32_t c = 0; c < m_pop.chromosomeCount(); ++c) {
            ChromosomeInfo& ci = m_pop.chromosome(c);
            if (loadShared(ci.mutationMode) == QX_MUTATION_AUTO)
                storeShared(ci.currentMutationRate, loadShared(ci.mutationRate));
        }
        return;
    }
    if (h.trialsSinceImprovement < std::numeric_limits<int32_t>::max())
        ++h.trialsSinceImprovement;
    if (h.trialsSinceImprovement % m_pop.organismCount() != 0)
        return;
    // A population's worth of trials without progress: mutate more, to get
    // out of the corner the population converged into.
    for (int32_t c = 0; c < m_pop.chromosomeCount(); ++c) {
        ChromosomeInfo& ci = m_pop.chromosome(c);
        if (loadShared(ci.mutationMode) != QX_MUTATION_AUTO)
            continue;
        const double current = loadShared(ci.currentMutationRate);
        const double raised =
            std::min(kMaxAutoMutationRate, current > 0 ? current * kAutoMutationRise : kAutoMutationFloor);
        if (raised > current)
            storeShared(ci.currentMutationRate, raised);
    }
}

int32_t GaEngine::setResult(int32_t organism0, double value, double penalty, int32_t flags, std::string_view fn) {
    PopHeader& h = m_pop.header();
    const int32_t n = m_pop.organismCount();
    if (organism0 == n && !h.candidatePending)
        return fail(QX_E_STATE, fn,
                    "organism " + std::to_string(n + 1) + " (the candidate) has not been bred by QxPopNextOrganism");
    int32_t stored = flags & QX_ORG_INVALID;
    if (std::isnan(value))
        stored |= QX_ORG_INVALID;
    const int32_t goal = loadShared(h.goal);
    const double temp = goal == QX_GOAL_MAXIMIZE ? value - penalty : value + penalty;
    const int32_t slot = m_pop.slotOf(organism0);
    SlotHeader& sh = m_pop.slotHeader(slot);
    storeShared(sh.tempValue, temp);
    storeShared(sh.objectiveValue, value);
    storeShared(sh.flags, stored);
    noteResult(rankOf(temp, value, stored), temp, value, stored);

    if (organism0 == n) {
        h.candidatePending = 0;
        replaceWorst();
    } else if (h.ranked) {
        reposition(organism0); // an organism evaluated again
    } else {
        int32_t i = std::clamp(h.nextUnevaluated, 0, n);
        while (i < n && !(loadShared(m_pop.slotHeader(m_pop.slotOf(i)).flags) & QX_ORG_NOT_EVALUATED))
            ++i;
        h.nextUnevaluated = i;
        if (i == n)
            rankAll();
    }
    return QX_OK;
}

void GaEngine::randomize() {
    Scratch& s = scratch();
    PopHeader& h = m_pop.header();
    GaRandom random(h.rng);
    GaOperators ops(random);
    const int32_t n = m_pop.organismCount();

    h.referenceCaptured = 0;
    captureReference();
    loadGenes(m_pop, m_pop.slotOf(0), s.original);
    loadRanges(m_pop, s.ranges);
    s.child.resize(s.original.size());
    for (int32_t o = 1; o < n; ++o) {
        for (int32_t c = 0; c < m_pop.chromosomeCount(); ++c) {
            const auto first = static_cast<size_t>(m_pop.chromosomeFirstGene(c));
            const auto k = static_cast<size_t>(m_pop.chromosomeGeneCount(c));
            ops.randomize(m_pop.chromosomeMethod(c), std::span<const double>(s.original.data() + first, k),
                          std::span<double>(s.child.data() + first, k),
                          std::span<const GeneRange>(s.ranges.data() + first, k),
                          loadShared(m_pop.chromosome(c).referenceSum));
        }
        const int32_t slot = m_pop.slotOf(o);
        storeGenes(m_pop, slot, s.child);
        resetResult(m_pop.slotHeader(slot));
    }
    h.ranked = 0;
    h.candidatePending = 0;
    h.nextUnevaluated = 0;
}

void GaEngine::goalChanged(int32_t oldGoal) {
    PopHeader& h = m_pop.header();
    const int32_t goal = loadShared(h.goal);
    // tempValue carries the penalty with the goal's sign; carry it over.
    auto convert = [&](double temp, double value) {
        const double penalty = oldGoal == QX_GOAL_MAXIMIZE ? value - temp : temp - value;
        return goal == QX_GOAL_MAXIMIZE ? value - penalty : value + penalty;
    };
    for (int32_t slot = 0; slot < m_pop.slotCount(); ++slot) {
        SlotHeader& sh = m_pop.slotHeader(slot);
        storeShared(sh.tempValue, convert(loadShared(sh.tempValue), loadShared(sh.objectiveValue)));
    }
    h.bestTempValue = convert(h.bestTempValue, h.bestObjectiveValue);
    if (h.ranked)
        rankAll();
}

} // namespace qx
