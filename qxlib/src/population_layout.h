// The byte layout of a population in shared memory. Every process of the user
// maps the same block, so these structs hold only plain data (no pointers) and
// every field that is read without the population lock is accessed through
// std::atomic_ref (see the helpers at the end).
//
//   PopHeader | ChromosomeInfo[C] | GeneRange[G] | slots[N+1] | order[N+1]
//
// A slot is a SlotHeader followed by G doubles (the genes in gene-row order).
// The order array maps an organism (0-based) to its slot; organism N+1 is the
// candidate. Ranking and replacement only permute the order array, so a gene
// row is never copied to reorder the population.
#pragma once

#include <atomic>
#include <cstdint>
#include <pthread.h>

namespace qx {

inline constexpr uint64_t kPopMagic = 0x31504f5058514c53ULL; // "SLQXPOP1" little-endian
inline constexpr uint32_t kPopVersion = 1;
inline constexpr int32_t kMinOrganisms = 2;
inline constexpr int32_t kMaxOrganisms = 100000;
inline constexpr int32_t kMaxChromosomes = 100000;
inline constexpr int32_t kMaxGenes = 1000000;
// Larger populations are refused rather than risking the machine's memory.
inline constexpr uint64_t kMaxPopulationBytes = uint64_t{2} << 30;

// Timer word: >= 0 while running (the virtual start: now - elapsed),
// < 0 while stopped or paused (-(elapsed + 1)). One word, so a reader in
// another process never sees half of a pause.
inline constexpr int64_t kTimerNotStarted = -1;

struct PopHeader {
    uint64_t magic; // stored last at creation, with release order
    uint32_t version;
    uint32_t headerSize;
    uint64_t totalSize;
    int32_t organismCount;
    int32_t chromosomeCount;
    int32_t geneCount;
    int32_t slotCount; // organismCount + 1 (the candidate)
    uint64_t chromosomeOffset;
    uint64_t rangeOffset;
    uint64_t slotOffset;
    uint64_t slotStride;
    uint64_t orderOffset;

    // Read and written without the lock.
    int32_t freed; // set by QxPopFree; stale mappings report a bad handle
    int16_t runStatus;
    int16_t reserved0;
    int32_t goal;
    int32_t trialCount;
    int32_t progressStepCount;
    int32_t ownerPid; // the process that created it; gone = the population is an orphan
    double target;
    int64_t timerState;

    // Algorithm state: changed only while the lock is held.
    int32_t nextUnevaluated;   // the scan for not-evaluated organisms starts here (0-based)
    int32_t ranked;            // 1 once the order array runs worst..best
    int32_t candidatePending;  // the candidate was bred and waits for its result
    int32_t referenceCaptured; // budget totals were taken from organism 1
    int32_t hasBest;
    int32_t trialsSinceImprovement;
    double bestTempValue;
    double bestObjectiveValue;
    int32_t bestFlags;
    int32_t reserved2;
    uint64_t rng[4];

    pthread_mutex_t lock;
};

struct ChromosomeInfo {
    int32_t method;
    int32_t geneCount;
    int32_t firstGene; // 0-based gene row of the chromosome's first gene
    int32_t mutationMode;
    double crossoverRate;
    double mutationRate;        // the rate that was set
    double currentMutationRate; // what automatic mutation uses now
    double referenceSum;        // budget: the total every organism keeps
};

struct GeneRange {
    double min;
    double max;
    double step;
};

struct SlotHeader {
    double tempValue;
    double objectiveValue;
    int32_t flags;
    int32_t reserved;
};

static_assert(sizeof(SlotHeader) % alignof(double) == 0);
static_assert(sizeof(ChromosomeInfo) % alignof(double) == 0);
static_assert(std::atomic_ref<double>::is_always_lock_free);
static_assert(std::atomic_ref<int64_t>::is_always_lock_free);
static_assert(std::atomic_ref<int32_t>::is_always_lock_free);
static_assert(std::atomic_ref<int16_t>::is_always_lock_free);

// Shared fields are accessed atomically so that a process reading without the
// lock sees whole values, never a torn double.
template <typename T> T loadShared(const T& field, std::memory_order order = std::memory_order_acquire) {
    return std::atomic_ref<T>(const_cast<T&>(field)).load(order);
}

template <typename T> void storeShared(T& field, T value, std::memory_order order = std::memory_order_release) {
    std::atomic_ref<T>(field).store(value, order);
}

} // namespace qx
