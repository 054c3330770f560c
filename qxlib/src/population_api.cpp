// The population, organism, chromosome, gene, run-status and timer calls.
//
// Single values (run status, rates, ranges, counters, timer) are read and
// written atomically without the lock, so the Watcher's getters never wait
// for the add-in. Calls that change several values or the organism order
// (results, breeding, genes of an organism) take the lock themselves; it is
// recursive, so callers that already hold it may make them too.
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <string>

#include "ga_engine.h"
#include "ga_random.h"
#include "internal.h"
#include "population.h"
#include "population_registry.h"
#include "qxlib8.h"

namespace {

using qx::fail;
using qx::loadShared;
using qx::Population;
using qx::storeShared;

// One engine call about a population: resolves the handle and remembers the
// first failure's code.
struct PopCall {
    PopCall(int32_t handle, const char* name) : fn(name) {
        pop = qx::PopulationRegistry::instance().find(handle, fn, code);
    }
    bool ok() const { return code == QX_OK; }

    const char* fn;
    int32_t code = QX_OK;
    std::shared_ptr<Population> pop;
};

// Holds the population lock for the rest of a call.
class ScopedPopLock {
public:
    ScopedPopLock(Population& pop, const char* fn) : m_pop(pop), m_fn(fn), m_code(pop.lock(fn)) {}
    ~ScopedPopLock() {
        if (m_code == QX_OK)
            m_pop.unlock(m_fn);
    }
    ScopedPopLock(const ScopedPopLock&) = delete;
    ScopedPopLock& operator=(const ScopedPopLock&) = delete;
    int32_t code() const { return m_code; }

private:
    Population& m_pop;
    const char* m_fn;
    int32_t m_code;
};

// The longest wait QxPopTryLock takes: the default wait of QxPopLock.
constexpr int32_t kMaxTryLockMs = 5000;

std::string num(int64_t v) {
    return std::to_string(v);
}

std::string num(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    return buf;
}

int32_t checkChromosome(const Population& p, int32_t chr, const char* fn) {
    if (chr < 1 || chr > p.chromosomeCount())
        return fail(QX_E_CHROMOSOME_INDEX, fn,
                    "chromosome " + num(int64_t{chr}) + " is not in 1.." + num(int64_t{p.chromosomeCount()}));
    return QX_OK;
}

int32_t checkOrganism(const Population& p, int32_t organism, const char* fn) {
    if (organism < 1 || organism > p.organismCount() + 1)
        return fail(QX_E_ORGANISM_INDEX, fn,
                    "organism " + num(int64_t{organism}) + " is not in 1.." + num(int64_t{p.organismCount() + 1}));
    return QX_OK;
}

int32_t checkGene(const Population& p, int32_t chr, int32_t gene, const char* fn) {
    const int32_t count = p.chromosomeGeneCount(chr - 1);
    if (gene < 1 || gene > count)
        return fail(QX_E_GENE_INDEX, fn,
                    "gene " + num(int64_t{gene}) + " is not in 1.." + num(int64_t{count}) + " of chromosome " +
                        num(int64_t{chr}));
    return QX_OK;
}

// A gene address: the chromosome first, so the gene's range is known.
int32_t checkGeneAddress(const Population& p, int32_t chr, int32_t gene, const char* fn) {
    const int32_t rc = checkChromosome(p, chr, fn);
    return rc != QX_OK ? rc : checkGene(p, chr, gene, fn);
}

// A gene of one organism.
int32_t checkGeneAddress(const Population& p, int32_t chr, int32_t organism, int32_t gene, const char* fn) {
    int32_t rc = checkChromosome(p, chr, fn);
    if (rc == QX_OK)
        rc = checkOrganism(p, organism, fn);
    return rc != QX_OK ? rc : checkGene(p, chr, gene, fn);
}

int32_t checkRate(double rate, const char* what, const char* fn) {
    if (!(rate >= 0.0 && rate <= 1.0))
        return fail(QX_E_INVALID_ARGUMENT, fn, std::string(what) + " " + num(rate) + " is not in 0..1");
    return QX_OK;
}

int16_t asStatus(int32_t code) {
    return static_cast<int16_t>(code);
}

// Timer word helpers (see kTimerNotStarted).
int64_t elapsedOf(int64_t state, int64_t now) {
    return state >= 0 ? std::max<int64_t>(0, now - state) : -state - 1;
}

} // namespace

extern "C" {

QX_API int32_t QxPopRemoveOrphans(int32_t* removed) {
    const int32_t count = qx::Population::removeOrphans();
    if (removed)
        *removed = count;
    return QX_OK;
}

QX_API int32_t QxPopCreate(int32_t organismCount, int32_t chromosomeCount, const int32_t* geneCounts,
                           const int16_t* methods, int32_t* pop) {
    const char* fn = "QxPopCreate";
    if (pop)
        *pop = 0;
    qx::Population::removeOrphans();
    if (!pop)
        return fail(QX_E_INVALID_ARGUMENT, fn, "pop is NULL");
    if (organismCount < qx::kMinOrganisms || organismCount > qx::kMaxOrganisms)
        return fail(QX_E_INVALID_ARGUMENT, fn,
                    "organismCount " + num(int64_t{organismCount}) + " is not in " + num(int64_t{qx::kMinOrganisms}) +
                        ".." + num(int64_t{qx::kMaxOrganisms}));
    if (chromosomeCount < 1 || chromosomeCount > qx::kMaxChromosomes)
        return fail(QX_E_INVALID_ARGUMENT, fn,
                    "chromosomeCount " + num(int64_t{chromosomeCount}) + " is not in 1.." +
                        num(int64_t{qx::kMaxChromosomes}));
    if (!geneCounts || !methods)
        return fail(QX_E_INVALID_ARGUMENT, fn, geneCounts ? "methods is NULL" : "geneCounts is NULL");
    Population::Shape shape;
    shape.organismCount = organismCount;
    shape.chromosomeCount = chromosomeCount;
    for (int32_t c = 0; c < chromosomeCount; ++c) {
        const int32_t k = geneCounts[c];
        const int32_t m = methods[c];
        if (k < 1 || k > qx::kMaxGenes)
            return fail(QX_E_INVALID_ARGUMENT, fn,
                        "geneCounts[" + num(int64_t{c}) + "] = " + num(int64_t{k}) + " is not in 1.." +
                            num(int64_t{qx::kMaxGenes}));
        if (m != QX_METHOD_RECIPE && m != QX_METHOD_ORDER && m != QX_METHOD_BUDGET)
            return fail(QX_E_INVALID_ARGUMENT, fn,
                        "methods[" + num(int64_t{c}) + "] = " + num(int64_t{m}) + " is not a solving method (1, 2, 5)");
        shape.geneCounts.push_back(k);
        shape.methods.push_back(m);
    }
    int32_t code = QX_OK;
    auto created = Population::create(shape, fn, code);
    if (!created)
        return code;
    qx::PopulationRegistry::instance().add(created);
    *pop = created->handle();
    return QX_OK;
}

QX_API int32_t QxPopFree(int32_t pop) {
    PopCall call(pop, "QxPopFree");
    if (!call.ok())
        return call.code;
    call.pop->destroy();
    qx::PopulationRegistry::instance().remove(pop);
    return QX_OK;
}

QX_API int32_t QxPopLock(int32_t pop) {
    PopCall call(pop, "QxPopLock");
    return call.ok() ? call.pop->lock(call.fn) : call.code;
}

QX_API int32_t QxPopTryLock(int32_t pop, int32_t timeoutMs) {
    PopCall call(pop, "QxPopTryLock");
    if (!call.ok())
        return call.code;
    if (timeoutMs < 0 || timeoutMs > kMaxTryLockMs)
        return fail(QX_E_INVALID_ARGUMENT, call.fn,
                    "timeout " + num(int64_t{timeoutMs}) + " ms is not 0.." + num(int64_t{kMaxTryLockMs}));
    return call.pop->lock(call.fn, timeoutMs);
}

QX_API int32_t QxPopUnlock(int32_t pop) {
    PopCall call(pop, "QxPopUnlock");
    return call.ok() ? call.pop->unlock(call.fn) : call.code;
}

QX_API int16_t QxPopGetRunStatus(int32_t pop) {
    PopCall call(pop, "QxPopGetRunStatus");
    return call.ok() ? loadShared(call.pop->header().runStatus) : asStatus(call.code);
}

QX_API int32_t QxPopSetRunStatus(int32_t pop, int16_t status) {
    PopCall call(pop, "QxPopSetRunStatus");
    if (!call.ok())
        return call.code;
    if (status != QxRunStatusNotStarted &&
        (status < QxRunStatusOptimizing || status > QxRunStatusMarkToMoveToNextOptimization))
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "run status " + num(int64_t{status}) + " is not 0 or 2..7");
    storeShared(call.pop->header().runStatus, status);
    return QX_OK;
}

QX_API int32_t QxPopGetTimerValue(int32_t pop) {
    PopCall call(pop, "QxPopGetTimerValue");
    if (!call.ok())
        return call.code;
    const int64_t elapsed = elapsedOf(loadShared(call.pop->header().timerState), qx::monotonicMs());
    return static_cast<int32_t>(std::min<int64_t>(elapsed, std::numeric_limits<int32_t>::max()));
}

QX_API int32_t QxPopTimerStart(int32_t pop) {
    PopCall call(pop, "QxPopTimerStart");
    if (!call.ok())
        return call.code;
    storeShared(call.pop->header().timerState, qx::monotonicMs());
    return QX_OK;
}

QX_API int32_t QxPopTimerPause(int32_t pop) {
    PopCall call(pop, "QxPopTimerPause");
    if (!call.ok())
        return call.code;
    std::atomic_ref<int64_t> state(call.pop->header().timerState);
    int64_t current = state.load();
    while (current >= 0 && !state.compare_exchange_weak(current, -elapsedOf(current, qx::monotonicMs()) - 1)) {
    }
    return QX_OK;
}

QX_API int32_t QxPopTimerResume(int32_t pop) {
    PopCall call(pop, "QxPopTimerResume");
    if (!call.ok())
        return call.code;
    std::atomic_ref<int64_t> state(call.pop->header().timerState);
    int64_t current = state.load();
    while (current < 0 &&
           !state.compare_exchange_weak(current, std::max<int64_t>(0, qx::monotonicMs() - (-current - 1)))) {
    }
    return QX_OK;
}

QX_API int32_t QxPopGetOrganismCount(int32_t pop) {
    PopCall call(pop, "QxPopGetOrganismCount");
    return call.ok() ? call.pop->organismCount() : call.code;
}

QX_API int32_t QxPopGetChromosomeCount(int32_t pop) {
    PopCall call(pop, "QxPopGetChromosomeCount");
    return call.ok() ? call.pop->chromosomeCount() : call.code;
}

QX_API int32_t QxPopGetTrialCount(int32_t pop) {
    PopCall call(pop, "QxPopGetTrialCount");
    return call.ok() ? loadShared(call.pop->header().trialCount) : call.code;
}

QX_API int32_t QxPopGetProgressStepCount(int32_t pop) {
    PopCall call(pop, "QxPopGetProgressStepCount");
    return call.ok() ? loadShared(call.pop->header().progressStepCount) : call.code;
}

QX_API int32_t QxPopSetGoal(int32_t pop, int32_t goal, double target) {
    PopCall call(pop, "QxPopSetGoal");
    if (!call.ok())
        return call.code;
    if (goal != QX_GOAL_MAXIMIZE && goal != QX_GOAL_MINIMIZE && goal != QX_GOAL_TARGET)
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "goal " + num(int64_t{goal}) + " is not 0, 1 or 2");
    if (goal == QX_GOAL_TARGET && !std::isfinite(target))
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "target " + num(target) + " is not a finite number");
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    qx::PopHeader& h = call.pop->header();
    const int32_t oldGoal = loadShared(h.goal);
    storeShared(h.target, std::isfinite(target) ? target : 0.0);
    storeShared(h.goal, goal);
    qx::GaEngine(*call.pop).goalChanged(oldGoal);
    return QX_OK;
}

QX_API int32_t QxPopSetSeed(int32_t pop, uint64_t seed) {
    PopCall call(pop, "QxPopSetSeed");
    if (!call.ok())
        return call.code;
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    qx::GaRandom::seed(call.pop->header().rng, seed);
    return QX_OK;
}

QX_API int32_t QxPopRandomize(int32_t pop) {
    PopCall call(pop, "QxPopRandomize");
    if (!call.ok())
        return call.code;
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    qx::GaEngine(*call.pop).randomize();
    return QX_OK;
}

QX_API int32_t QxPopNextOrganism(int32_t pop, int32_t* organism) {
    PopCall call(pop, "QxPopNextOrganism");
    if (organism)
        *organism = 0;
    if (!call.ok())
        return call.code;
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    const int32_t next = qx::GaEngine(*call.pop).nextOrganism();
    if (organism)
        *organism = next;
    return QX_OK;
}

QX_API int32_t QxOrgSetResult(int32_t pop, int32_t organism, double value, double penalty, int32_t flags) {
    PopCall call(pop, "QxOrgSetResult");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkOrganism(*call.pop, organism, call.fn); rc != QX_OK)
        return rc;
    if (!(penalty >= 0))
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "penalty " + num(penalty) + " is not >= 0");
    if (flags & ~QX_ORG_INVALID)
        return fail(QX_E_INVALID_ARGUMENT, call.fn,
                    "flags " + num(int64_t{flags}) + " has bits other than QX_ORG_INVALID (" +
                        num(int64_t{QX_ORG_INVALID}) + ")");
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    return qx::GaEngine(*call.pop).setResult(organism - 1, value, penalty, flags, call.fn);
}

QX_API int16_t QxOrgGetResult(int32_t pop, int32_t organism, double* tempValue, double* objectiveValue,
                              int32_t reserved, int32_t* flags) {
    PopCall call(pop, "QxOrgGetResult");
    if (!call.ok())
        return asStatus(call.code);
    if (const int32_t rc = checkOrganism(*call.pop, organism, call.fn); rc != QX_OK)
        return asStatus(rc);
    if (reserved != 0)
        return asStatus(fail(QX_E_INVALID_ARGUMENT, call.fn, "reserved " + num(int64_t{reserved}) + " is not 0"));
    const qx::SlotHeader& sh = call.pop->slotHeader(call.pop->slotOf(organism - 1));
    if (tempValue)
        *tempValue = loadShared(sh.tempValue);
    if (objectiveValue)
        *objectiveValue = loadShared(sh.objectiveValue);
    if (flags)
        *flags = loadShared(sh.flags);
    return QX_OK;
}

QX_API int16_t QxOrgGetGenes(int32_t pop, int32_t organism, double* genes, int32_t geneCapacity) {
    PopCall call(pop, "QxOrgGetGenes");
    if (!call.ok())
        return asStatus(call.code);
    if (const int32_t rc = checkOrganism(*call.pop, organism, call.fn); rc != QX_OK)
        return asStatus(rc);
    if (!genes)
        return QX_OK;
    const int32_t count = call.pop->geneCount();
    const int32_t n = std::clamp(geneCapacity, 0, count);
    const double* g = call.pop->slotGenes(call.pop->slotOf(organism - 1));
    for (int32_t i = 0; i < n; ++i)
        genes[i] = loadShared(g[i], std::memory_order_relaxed);
    if (n < count)
        return asStatus(fail(QX_E_BUFFER_TOO_SMALL, call.fn,
                             "geneCapacity " + num(int64_t{geneCapacity}) + " is less than the " + num(int64_t{count}) +
                                 " genes of an organism"));
    return QX_OK;
}

QX_API int16_t QxOrgSetGenes(int32_t pop, int32_t organism, const double* genes, int32_t geneCount) {
    PopCall call(pop, "QxOrgSetGenes");
    if (!call.ok())
        return asStatus(call.code);
    if (const int32_t rc = checkOrganism(*call.pop, organism, call.fn); rc != QX_OK)
        return asStatus(rc);
    if (!genes)
        return asStatus(fail(QX_E_INVALID_ARGUMENT, call.fn, "genes is NULL"));
    const int32_t count = call.pop->geneCount();
    if (geneCount != count)
        return asStatus(
            fail(QX_E_INVALID_ARGUMENT, call.fn,
                 "geneCount " + num(int64_t{geneCount}) + " is not the organism's " + num(int64_t{count}) + " genes"));
    for (int32_t i = 0; i < count; ++i)
        if (!std::isfinite(genes[i]))
            return asStatus(fail(QX_E_INVALID_ARGUMENT, call.fn,
                                 "genes[" + num(int64_t{i}) + "] = " + num(genes[i]) + " is not a finite number"));
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return asStatus(lock.code());
    double* g = call.pop->slotGenes(call.pop->slotOf(organism - 1));
    for (int32_t i = 0; i < count; ++i)
        storeShared(g[i], genes[i], std::memory_order_relaxed);
    return QX_OK;
}

QX_API int32_t QxChrGetMutationMode(int32_t pop, int32_t chr, int16_t* mode, double* rate) {
    PopCall call(pop, "QxChrGetMutationMode");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkChromosome(*call.pop, chr, call.fn); rc != QX_OK)
        return rc;
    const qx::ChromosomeInfo& ci = call.pop->chromosome(chr - 1);
    if (mode)
        *mode = static_cast<int16_t>(loadShared(ci.mutationMode));
    if (rate)
        *rate = loadShared(ci.mutationRate);
    return QX_OK;
}

QX_API double QxChrGetCurrentMutationRate(int32_t pop, int32_t chr) {
    PopCall call(pop, "QxChrGetCurrentMutationRate");
    if (!call.ok() || checkChromosome(*call.pop, chr, call.fn) != QX_OK)
        return -1.0;
    const qx::ChromosomeInfo& ci = call.pop->chromosome(chr - 1);
    return loadShared(ci.mutationMode) == QX_MUTATION_AUTO ? loadShared(ci.currentMutationRate)
                                                           : loadShared(ci.mutationRate);
}

QX_API double QxChrGetCrossoverRate(int32_t pop, int32_t chr) {
    PopCall call(pop, "QxChrGetCrossoverRate");
    if (!call.ok() || checkChromosome(*call.pop, chr, call.fn) != QX_OK)
        return -1.0;
    return loadShared(call.pop->chromosome(chr - 1).crossoverRate);
}

QX_API int32_t QxChrSetMutationMode(int32_t pop, int32_t chr, int16_t mode, double rate) {
    PopCall call(pop, "QxChrSetMutationMode");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkChromosome(*call.pop, chr, call.fn); rc != QX_OK)
        return rc;
    if (mode != QX_MUTATION_FIXED && mode != QX_MUTATION_AUTO)
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "mutation mode " + num(int64_t{mode}) + " is not 0 or 1");
    if (const int32_t rc = checkRate(rate, "mutation rate", call.fn); rc != QX_OK)
        return rc;
    qx::ChromosomeInfo& ci = call.pop->chromosome(chr - 1);
    storeShared(ci.mutationRate, rate);
    storeShared(ci.currentMutationRate, rate);
    storeShared(ci.mutationMode, int32_t{mode});
    return QX_OK;
}

QX_API int32_t QxChrSetCrossoverRate(int32_t pop, int32_t chr, double rate) {
    PopCall call(pop, "QxChrSetCrossoverRate");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkChromosome(*call.pop, chr, call.fn); rc != QX_OK)
        return rc;
    if (const int32_t rc = checkRate(rate, "crossover rate", call.fn); rc != QX_OK)
        return rc;
    storeShared(call.pop->chromosome(chr - 1).crossoverRate, rate);
    return QX_OK;
}

QX_API int32_t QxChrGetGeneCount(int32_t pop, int32_t chr) {
    PopCall call(pop, "QxChrGetGeneCount");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkChromosome(*call.pop, chr, call.fn); rc != QX_OK)
        return rc;
    return call.pop->chromosomeGeneCount(chr - 1);
}

QX_API int32_t QxChrGetSolvingMethod(int32_t pop, int32_t chr) {
    PopCall call(pop, "QxChrGetSolvingMethod");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkChromosome(*call.pop, chr, call.fn); rc != QX_OK)
        return rc;
    return call.pop->chromosomeMethod(chr - 1);
}

QX_API int32_t QxGeneGetValue(int32_t pop, int32_t chr, int32_t organism, int32_t gene, double* value) {
    PopCall call(pop, "QxGeneGetValue");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkGeneAddress(*call.pop, chr, organism, gene, call.fn); rc != QX_OK)
        return rc;
    if (value) {
        const double* g = call.pop->slotGenes(call.pop->slotOf(organism - 1));
        *value = loadShared(g[call.pop->chromosomeFirstGene(chr - 1) + gene - 1], std::memory_order_relaxed);
    }
    return QX_OK;
}

QX_API int32_t QxGeneSetValue(int32_t pop, int32_t chr, int32_t organism, int32_t gene, double value) {
    PopCall call(pop, "QxGeneSetValue");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkGeneAddress(*call.pop, chr, organism, gene, call.fn); rc != QX_OK)
        return rc;
    if (!std::isfinite(value))
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "value " + num(value) + " is not a finite number");
    ScopedPopLock lock(*call.pop, call.fn);
    if (lock.code() != QX_OK)
        return lock.code();
    double* g = call.pop->slotGenes(call.pop->slotOf(organism - 1));
    storeShared(g[call.pop->chromosomeFirstGene(chr - 1) + gene - 1], value, std::memory_order_relaxed);
    return QX_OK;
}

QX_API int32_t QxGeneGetRange(int32_t pop, int32_t chr, int32_t gene, double* min, double* max, double* step) {
    PopCall call(pop, "QxGeneGetRange");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkGeneAddress(*call.pop, chr, gene, call.fn); rc != QX_OK)
        return rc;
    const qx::GeneRange& r = call.pop->range(call.pop->chromosomeFirstGene(chr - 1) + gene - 1);
    if (min)
        *min = loadShared(r.min);
    if (max)
        *max = loadShared(r.max);
    if (step)
        *step = loadShared(r.step);
    return QX_OK;
}

QX_API int32_t QxGeneSetRange(int32_t pop, int32_t chr, int32_t gene, double min, double max, double step) {
    PopCall call(pop, "QxGeneSetRange");
    if (!call.ok())
        return call.code;
    if (const int32_t rc = checkGeneAddress(*call.pop, chr, gene, call.fn); rc != QX_OK)
        return rc;
    if (!std::isfinite(min) || !std::isfinite(max) || !(min <= max))
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "range " + num(min) + ".." + num(max) + " is not min <= max");
    if (!std::isfinite(step) || step < 0)
        return fail(QX_E_INVALID_ARGUMENT, call.fn, "step " + num(step) + " is not >= 0");
    qx::GeneRange& r = call.pop->range(call.pop->chromosomeFirstGene(chr - 1) + gene - 1);
    storeShared(r.min, min);
    storeShared(r.max, max);
    storeShared(r.step, step);
    return QX_OK;
}

} // extern "C"
