// One process's mapping of a population in POSIX shared memory.
//
// The block is named "/selvane-qxpop-<uid>-<handle>", mode 0600, so any
// process of the user can open it from the handle alone. The shape (counts,
// offsets, chromosome table) is validated when the block is mapped and kept in
// this object; every index is checked against that private copy, so a damaged
// block can give wrong values but never an access outside the mapping.
//
// The lock is a robust, recursive, process-shared pthread mutex inside the
// block. It waits at most 5 s, or $SELVANE_QX_LOCK_TIMEOUT_MS milliseconds when
// that variable holds a positive number (tests shorten the wait with it).
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <sys/types.h>
#include <vector>

#include "population_layout.h"

namespace qx {

class Population {
public:
    struct Shape {
        int32_t organismCount = 0;
        int32_t chromosomeCount = 0;
        std::vector<int32_t> geneCounts;
        std::vector<int32_t> methods;
    };

    ~Population();
    Population(const Population&) = delete;
    Population& operator=(const Population&) = delete;

    // Both report a failure through qx::fail under the name `fn` and return null.
    static std::shared_ptr<Population> create(const Shape& shape, std::string_view fn, int32_t& code);
    static std::shared_ptr<Population> open(int32_t handle, std::string_view fn, int32_t& code);

    static std::string shmName(int32_t handle);
    // Removes this user's populations whose creating process has ended (an
    // add-in killed before it could free them): they would hold their memory
    // in /dev/shm until the machine restarts. Returns how many went.
    static int32_t removeOrphans();

    int32_t handle() const { return m_handle; }
    bool freed() const;
    // Marks the block dead for every process and removes its name.
    void destroy();

    int32_t organismCount() const { return m_organismCount; }
    int32_t chromosomeCount() const { return m_chromosomeCount; }
    int32_t geneCount() const { return m_geneCount; }
    int32_t slotCount() const { return m_organismCount + 1; }
    int32_t chromosomeGeneCount(int32_t chr0) const { return m_chrGeneCount[static_cast<size_t>(chr0)]; }
    int32_t chromosomeFirstGene(int32_t chr0) const { return m_chrFirstGene[static_cast<size_t>(chr0)]; }
    int32_t chromosomeMethod(int32_t chr0) const { return m_chrMethod[static_cast<size_t>(chr0)]; }

    PopHeader& header() const { return *m_header; }
    ChromosomeInfo& chromosome(int32_t chr0) const { return m_chromosomes[chr0]; }
    GeneRange& range(int32_t geneRow) const { return m_ranges[geneRow]; }

    // Slot of an organism (0-based, 0..N where N is the candidate). A
    // damaged order entry falls back to the organism's own slot.
    int32_t slotOf(int32_t organism0) const;
    void setSlotOf(int32_t organism0, int32_t slot) const;
    SlotHeader& slotHeader(int32_t slot) const;
    double* slotGenes(int32_t slot) const;

    // QX_OK, or an error already reported through qx::fail under `fn`.
    // Waits at most `timeoutMs` for a lock held elsewhere: 0 does not wait, a
    // negative value waits the default (see above).
    int32_t lock(std::string_view fn, int32_t timeoutMs = -1);
    int32_t unlock(std::string_view fn);
    bool lockedByThisThread() const;

    static int32_t lockTimeoutMs();

private:
    Population() = default;
    bool adopt(void* base, size_t size, std::string& why);

    int32_t m_handle = 0;
    void* m_base = nullptr;
    size_t m_size = 0;
    PopHeader* m_header = nullptr;
    ChromosomeInfo* m_chromosomes = nullptr;
    GeneRange* m_ranges = nullptr;
    unsigned char* m_slots = nullptr;
    size_t m_slotStride = 0;
    int32_t* m_order = nullptr;

    int32_t m_organismCount = 0;
    int32_t m_chromosomeCount = 0;
    int32_t m_geneCount = 0;
    std::vector<int32_t> m_chrGeneCount;
    std::vector<int32_t> m_chrFirstGene;
    std::vector<int32_t> m_chrMethod;

    // Which thread of this process holds the lock, and how often: the mapping
    // must not go away under a held robust mutex (glibc links held robust
    // mutexes into a per-thread list that lives inside the mutexes).
    std::atomic<pid_t> m_ownerTid{0};
    int m_depth = 0;
};

} // namespace qx
