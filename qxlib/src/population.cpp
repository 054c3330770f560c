#include "population.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include "ga_random.h"
#include "internal.h"
#include "qxlib8.h"

namespace qx {
namespace {

constexpr int32_t kDefaultLockTimeoutMs = 5000;
constexpr double kDefaultCrossoverRate = 0.5;
constexpr double kDefaultMutationRate = 0.1;

struct Layout {
    uint64_t chromosomeOffset = 0;
    uint64_t rangeOffset = 0;
    uint64_t slotOffset = 0;
    uint64_t slotStride = 0;
    uint64_t orderOffset = 0;
    uint64_t total = 0;
};

uint64_t alignUp(uint64_t v) {
    return (v + 63) & ~uint64_t{63};
}

// Counts are bounded before this is called, so the products fit in 64 bits.
Layout layoutFor(int32_t organisms, int32_t chromosomes, int32_t genes) {
    Layout l;
    const auto n = static_cast<uint64_t>(organisms);
    const auto c = static_cast<uint64_t>(chromosomes);
    const auto g = static_cast<uint64_t>(genes);
    l.chromosomeOffset = alignUp(sizeof(PopHeader));
    l.rangeOffset = alignUp(l.chromosomeOffset + c * sizeof(ChromosomeInfo));
    l.slotOffset = alignUp(l.rangeOffset + g * sizeof(GeneRange));
    l.slotStride = sizeof(SlotHeader) + g * sizeof(double);
    l.orderOffset = alignUp(l.slotOffset + (n + 1) * l.slotStride);
    l.total = alignUp(l.orderOffset + (n + 1) * sizeof(int32_t));
    return l;
}

bool validMethod(int32_t m) {
    return m == QX_METHOD_RECIPE || m == QX_METHOD_ORDER || m == QX_METHOD_BUDGET;
}

std::string errnoText(int err) {
    return std::strerror(err);
}

int32_t randomHandle() {
    uint32_t v = 0;
    if (getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v)) {
        // getrandom does not fail for 4 bytes on a running system; keep a
        // usable fallback anyway.
        v = static_cast<uint32_t>(monotonicMs()) * 2654435761u ^ static_cast<uint32_t>(getpid());
    }
    v &= 0x7fffffffu;
    return v == 0 ? 1 : static_cast<int32_t>(v);
}

// gettid() is a system call; the lock asks for it twice per round trip.
thread_local pid_t t_tid = 0;

pid_t currentTid() {
    if (t_tid == 0)
        t_tid = gettid();
    return t_tid;
}

// A forked child runs on a new thread id but inherits the cached one.
[[maybe_unused]] const int g_forgetTidInChild = pthread_atfork(nullptr, nullptr, [] { t_tid = 0; });

uint64_t randomSeed() {
    uint64_t v = 0;
    if (getrandom(&v, sizeof v, 0) != static_cast<ssize_t>(sizeof v))
        v = static_cast<uint64_t>(monotonicMs()) ^ (static_cast<uint64_t>(getpid()) << 32);
    return v;
}

} // namespace

Population::~Population() {
    // A robust mutex held by this thread is unlocked before its memory goes
    // away. If another thread of this process holds it, the mapping is left in
    // place: unmapping it would corrupt that thread's robust-mutex list.
    if (m_header != nullptr && m_ownerTid.load() != 0) {
        if (m_ownerTid.load() != currentTid())
            return;
        while (m_depth > 0) {
            --m_depth;
            pthread_mutex_unlock(&m_header->lock);
        }
    }
    if (m_base != nullptr)
        munmap(m_base, m_size);
}

std::string Population::shmName(int32_t handle) {
    return "/selvane-qxpop-" + std::to_string(getuid()) + "-" + std::to_string(handle);
}

int32_t Population::removeOrphans() {
    const std::string prefix = "selvane-qxpop-" + std::to_string(getuid()) + "-";
    DIR* dir = opendir("/dev/shm");
    if (!dir)
        return 0;
    int32_t removed = 0;
    while (const dirent* entry = readdir(dir)) {
        if (std::strncmp(entry->d_name, prefix.c_str(), prefix.size()) != 0)
            continue;
        const std::string name = std::string("/") + entry->d_name;
        const int fd = shm_open(name.c_str(), O_RDONLY, 0);
        if (fd < 0)
            continue;
        struct stat st {};
        pid_t owner = 0;
        if (fstat(fd, &st) == 0 && st.st_uid == geteuid() && st.st_size >= static_cast<off_t>(sizeof(PopHeader))) {
            void* base = mmap(nullptr, sizeof(PopHeader), PROT_READ, MAP_SHARED, fd, 0);
            if (base != MAP_FAILED) {
                const auto* h = static_cast<const PopHeader*>(base);
                // A block still being made has no magic yet: not judged.
                if (loadShared(h->magic) == kPopMagic)
                    owner = static_cast<pid_t>(h->ownerPid);
                munmap(base, sizeof(PopHeader));
            }
        }
        close(fd);
        // kill(pid, 0) fails with ESRCH only when no such process exists; a
        // live owner of another user (EPERM) still counts as alive.
        if (owner > 0 && kill(owner, 0) != 0 && errno == ESRCH && shm_unlink(name.c_str()) == 0) {
            ++removed;
            engineLog("removed the population " + name + " of ended process " + std::to_string(owner));
        }
    }
    closedir(dir);
    return removed;
}

int32_t Population::lockTimeoutMs() {
    if (const char* v = std::getenv("SELVANE_QX_LOCK_TIMEOUT_MS"); v && *v) {
        char* end = nullptr;
        const long ms = std::strtol(v, &end, 10);
        if (end && *end == '\0' && ms > 0 && ms <= 3600000)
            return static_cast<int32_t>(ms);
    }
    return kDefaultLockTimeoutMs;
}

std::shared_ptr<Population> Population::create(const Shape& shape, std::string_view fn, int32_t& code) {
    const int32_t n = shape.organismCount;
    const int32_t c = shape.chromosomeCount;
    int64_t genes = 0;
    for (int32_t i = 0; i < c; ++i)
        genes += shape.geneCounts[static_cast<size_t>(i)];
    if (genes > kMaxGenes) {
        code = fail(QX_E_INVALID_ARGUMENT, fn,
                    "the chromosomes have " + std::to_string(genes) + " genes, more than " + std::to_string(kMaxGenes));
        return nullptr;
    }
    const auto g = static_cast<int32_t>(genes);
    const Layout layout = layoutFor(n, c, g);
    if (layout.total > kMaxPopulationBytes) {
        code = fail(QX_E_NO_MEMORY, fn,
                    "a population of " + std::to_string(n) + " organisms x " + std::to_string(g) + " genes needs " +
                        std::to_string(layout.total) + " bytes, more than the limit of " +
                        std::to_string(kMaxPopulationBytes));
        return nullptr;
    }

    int fd = -1;
    int32_t handle = 0;
    std::string name;
    for (int attempt = 0; attempt < 64 && fd < 0; ++attempt) {
        handle = randomHandle();
        name = shmName(handle);
        fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        if (fd < 0 && errno != EEXIST) {
            code = fail(QX_E_SYSTEM, fn, "shm_open " + name + ": " + errnoText(errno));
            return nullptr;
        }
    }
    if (fd < 0) {
        code = fail(QX_E_SYSTEM, fn, "no free population handle found");
        return nullptr;
    }
    auto abandon = [&](int32_t err, const std::string& what) {
        const int saved = errno;
        close(fd);
        shm_unlink(name.c_str());
        code = fail(err, fn, what + ": " + errnoText(saved));
        return nullptr;
    };
    // The umask may have narrowed or (if odd) widened the mode; make it exact.
    if (fchmod(fd, 0600) != 0)
        return abandon(QX_E_SYSTEM, "fchmod " + name);
    if (ftruncate(fd, static_cast<off_t>(layout.total)) != 0)
        return abandon(QX_E_SYSTEM, "ftruncate " + name);
    // Reserve the pages now: a full /dev/shm then fails here instead of
    // raising SIGBUS at some later write.
    if (const int rc = posix_fallocate(fd, 0, static_cast<off_t>(layout.total)); rc != 0) {
        errno = rc;
        return abandon(rc == ENOSPC ? QX_E_NO_MEMORY : QX_E_SYSTEM, "posix_fallocate " + name);
    }
    void* base = mmap(nullptr, layout.total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED)
        return abandon(QX_E_SYSTEM, "mmap " + name);
    close(fd);

    auto* h = static_cast<PopHeader*>(base);
    h->version = kPopVersion;
    h->headerSize = sizeof(PopHeader);
    h->totalSize = layout.total;
    h->organismCount = n;
    h->chromosomeCount = c;
    h->geneCount = g;
    h->slotCount = n + 1;
    h->chromosomeOffset = layout.chromosomeOffset;
    h->rangeOffset = layout.rangeOffset;
    h->slotOffset = layout.slotOffset;
    h->slotStride = layout.slotStride;
    h->orderOffset = layout.orderOffset;
    h->runStatus = QxRunStatusNotStarted;
    h->goal = QX_GOAL_MAXIMIZE;
    h->timerState = kTimerNotStarted;
    h->ownerPid = static_cast<int32_t>(getpid());
    GaRandom::seed(h->rng, randomSeed());

    auto* base8 = static_cast<unsigned char*>(base);
    auto* chromosomes = reinterpret_cast<ChromosomeInfo*>(base8 + layout.chromosomeOffset);
    int32_t first = 0;
    for (int32_t i = 0; i < c; ++i) {
        ChromosomeInfo& ci = chromosomes[i];
        ci.method = shape.methods[static_cast<size_t>(i)];
        ci.geneCount = shape.geneCounts[static_cast<size_t>(i)];
        ci.firstGene = first;
        ci.mutationMode = QX_MUTATION_FIXED;
        ci.crossoverRate = kDefaultCrossoverRate;
        ci.mutationRate = kDefaultMutationRate;
        ci.currentMutationRate = kDefaultMutationRate;
        first += ci.geneCount;
    }
    for (int32_t s = 0; s <= n; ++s) {
        auto* sh =
            reinterpret_cast<SlotHeader*>(base8 + layout.slotOffset + static_cast<uint64_t>(s) * layout.slotStride);
        sh->flags = QX_ORG_NOT_EVALUATED;
    }
    auto* order = reinterpret_cast<int32_t*>(base8 + layout.orderOffset);
    for (int32_t i = 0; i <= n; ++i)
        order[i] = i;

    pthread_mutexattr_t attr;
    pthread_mutexattr_init(&attr);
    pthread_mutexattr_setpshared(&attr, PTHREAD_PROCESS_SHARED);
    pthread_mutexattr_setrobust(&attr, PTHREAD_MUTEX_ROBUST);
    pthread_mutexattr_settype(&attr, PTHREAD_MUTEX_RECURSIVE);
    const int mrc = pthread_mutex_init(&h->lock, &attr);
    pthread_mutexattr_destroy(&attr);
    if (mrc != 0) {
        munmap(base, layout.total);
        shm_unlink(name.c_str());
        code = fail(QX_E_SYSTEM, fn, "pthread_mutex_init: " + errnoText(mrc));
        return nullptr;
    }
    storeShared(h->magic, kPopMagic);

    std::shared_ptr<Population> pop(new Population);
    pop->m_handle = handle;
    std::string why;
    if (!pop->adopt(base, layout.total, why)) {
        // Cannot happen for a block built just above; keep it from leaking.
        shm_unlink(name.c_str());
        code = fail(QX_E_SYSTEM, fn, "new population failed its own check: " + why);
        return nullptr;
    }
    code = QX_OK;
    return pop;
}

std::shared_ptr<Population> Population::open(int32_t handle, std::string_view fn, int32_t& code) {
    const std::string name = shmName(handle);
    const int fd = shm_open(name.c_str(), O_RDWR, 0);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT || err == EACCES)
            code = fail(QX_E_BAD_HANDLE, fn, "population handle " + std::to_string(handle) + " names no population");
        else
            code = fail(QX_E_SYSTEM, fn, "shm_open " + name + ": " + errnoText(err));
        return nullptr;
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || st.st_uid != geteuid() || st.st_size < static_cast<off_t>(sizeof(PopHeader))) {
        close(fd);
        code = fail(QX_E_BAD_HANDLE, fn, "population handle " + std::to_string(handle) + " names no usable population");
        return nullptr;
    }
    const auto size = static_cast<size_t>(st.st_size);
    void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (base == MAP_FAILED) {
        code = fail(QX_E_SYSTEM, fn, "mmap " + name + ": " + errnoText(errno));
        return nullptr;
    }
    std::shared_ptr<Population> pop(new Population);
    pop->m_handle = handle;
    std::string why;
    if (!pop->adopt(base, size, why)) {
        code = fail(QX_E_BAD_HANDLE, fn, "population handle " + std::to_string(handle) + ": " + why);
        return nullptr; // the destructor unmaps
    }
    code = QX_OK;
    return pop;
}

bool Population::adopt(void* base, size_t size, std::string& why) {
    m_base = base;
    m_size = size;
    auto* h = static_cast<PopHeader*>(base);
    if (loadShared(h->magic) != kPopMagic) {
        why = "not a population (or not fully created)";
        return false;
    }
    if (h->version != kPopVersion || h->headerSize != sizeof(PopHeader)) {
        why = "population layout version " + std::to_string(h->version) + " is not " + std::to_string(kPopVersion);
        return false;
    }
    if (loadShared(h->freed) != 0) {
        why = "the population was freed";
        return false;
    }
    const int32_t n = h->organismCount, c = h->chromosomeCount, g = h->geneCount;
    if (n < kMinOrganisms || n > kMaxOrganisms || c < 1 || c > kMaxChromosomes || g < c || g > kMaxGenes ||
        h->slotCount != n + 1) {
        why = "damaged header";
        return false;
    }
    const Layout l = layoutFor(n, c, g);
    if (h->totalSize != l.total || l.total > size || h->chromosomeOffset != l.chromosomeOffset ||
        h->rangeOffset != l.rangeOffset || h->slotOffset != l.slotOffset || h->slotStride != l.slotStride ||
        h->orderOffset != l.orderOffset) {
        why = "damaged layout";
        return false;
    }
    auto* base8 = static_cast<unsigned char*>(base);
    auto* chromosomes = reinterpret_cast<ChromosomeInfo*>(base8 + l.chromosomeOffset);
    std::vector<int32_t> counts, firsts, methods;
    counts.reserve(static_cast<size_t>(c));
    firsts.reserve(static_cast<size_t>(c));
    methods.reserve(static_cast<size_t>(c));
    int64_t first = 0;
    for (int32_t i = 0; i < c; ++i) {
        const ChromosomeInfo& ci = chromosomes[i];
        if (ci.geneCount < 1 || ci.firstGene != first || !validMethod(ci.method)) {
            why = "damaged chromosome table";
            return false;
        }
        counts.push_back(ci.geneCount);
        firsts.push_back(ci.firstGene);
        methods.push_back(ci.method);
        first += ci.geneCount;
    }
    if (first != g) {
        why = "damaged chromosome table";
        return false;
    }
    m_header = h;
    m_chromosomes = chromosomes;
    m_ranges = reinterpret_cast<GeneRange*>(base8 + l.rangeOffset);
    m_slots = base8 + l.slotOffset;
    m_slotStride = static_cast<size_t>(l.slotStride);
    m_order = reinterpret_cast<int32_t*>(base8 + l.orderOffset);
    m_organismCount = n;
    m_chromosomeCount = c;
    m_geneCount = g;
    m_chrGeneCount = std::move(counts);
    m_chrFirstGene = std::move(firsts);
    m_chrMethod = std::move(methods);
    return true;
}

bool Population::freed() const {
    return loadShared(m_header->freed) != 0;
}

void Population::destroy() {
    storeShared(m_header->freed, int32_t{1});
    shm_unlink(shmName(m_handle).c_str());
}

int32_t Population::slotOf(int32_t organism0) const {
    const int32_t s = loadShared(m_order[organism0], std::memory_order_relaxed);
    return (s >= 0 && s <= m_organismCount) ? s : organism0;
}

void Population::setSlotOf(int32_t organism0, int32_t slot) const {
    storeShared(m_order[organism0], slot, std::memory_order_relaxed);
}

SlotHeader& Population::slotHeader(int32_t slot) const {
    return *reinterpret_cast<SlotHeader*>(m_slots + static_cast<size_t>(slot) * m_slotStride);
}

double* Population::slotGenes(int32_t slot) const {
    return reinterpret_cast<double*>(m_slots + static_cast<size_t>(slot) * m_slotStride + sizeof(SlotHeader));
}

int32_t Population::lock(std::string_view fn, int32_t timeoutMs) {
    pthread_mutex_t* m = &m_header->lock;
    int rc = pthread_mutex_trylock(m);
    if (rc == EBUSY && timeoutMs == 0) {
        rc = ETIMEDOUT;
    } else if (rc == EBUSY) {
        if (timeoutMs < 0)
            timeoutMs = lockTimeoutMs();
        timespec deadline{};
        clock_gettime(CLOCK_REALTIME, &deadline);
        deadline.tv_sec += timeoutMs / 1000;
        deadline.tv_nsec += static_cast<long>(timeoutMs % 1000) * 1000000L;
        if (deadline.tv_nsec >= 1000000000L) {
            deadline.tv_sec += 1;
            deadline.tv_nsec -= 1000000000L;
        }
        do
            rc = pthread_mutex_timedlock(m, &deadline);
        while (rc == EINTR);
    }
    if (rc == EOWNERDEAD) {
        // The holder died in the middle of its work; the data may be half
        // changed, but a run that goes on beats a Watcher that hangs.
        pthread_mutex_consistent(m);
        engineLog(std::string(fn) + ": population " + std::to_string(m_handle) +
                  " was locked by a process that ended; the lock was recovered");
        m_depth = 0;
        rc = 0;
    }
    if (rc == ETIMEDOUT)
        return fail(QX_E_LOCK_TIMEOUT, fn,
                    "population " + std::to_string(m_handle) + " stayed locked by another process for " +
                        std::to_string(timeoutMs) + " ms");
    if (rc != 0)
        return fail(QX_E_SYSTEM, fn, "locking population " + std::to_string(m_handle) + ": " + errnoText(rc));

    const pid_t self = currentTid();
    if (m_ownerTid.load() == self && m_depth > 0) {
        ++m_depth;
    } else {
        m_ownerTid.store(self);
        m_depth = 1;
    }
    if (freed()) {
        unlock(fn);
        return fail(QX_E_BAD_HANDLE, fn, "population " + std::to_string(m_handle) + " was freed");
    }
    return QX_OK;
}

int32_t Population::unlock(std::string_view fn) {
    if (!lockedByThisThread())
        return fail(QX_E_STATE, fn, "population " + std::to_string(m_handle) + " is not locked by this thread");
    if (--m_depth == 0)
        m_ownerTid.store(0);
    if (const int rc = pthread_mutex_unlock(&m_header->lock); rc != 0)
        return fail(QX_E_STATE, fn, "unlocking population " + std::to_string(m_handle) + ": " + errnoText(rc));
    return QX_OK;
}

// The owner check comes first: only the owning thread writes m_depth.
bool Population::lockedByThisThread() const {
    return m_ownerTid.load() == currentTid() && m_depth > 0;
}

} // namespace qx
