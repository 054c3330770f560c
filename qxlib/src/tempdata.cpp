// Temp-data channels: 32 slots of 8 bytes in one shared block per user,
// "/selvane-qxtemp-<uid>", or "/selvane-qxtemp-<uid>-<instance>" when
// $SELVANE_INSTANCE is set (so test suites, and the add-in and Watcher they
// start, never see another suite's values). Each slot is one lock-free 64-bit
// atomic: a reader in another process gets either the old or the new value,
// never a mix.
//
// A block lives as long as some process uses it. Each process that maps it
// holds a shared flock on it until it lets go (QxFree, or the end of the
// process); the one that then gets the lock exclusively is the last user and
// removes the block. A killed process cannot remove anything, but the kernel
// drops its lock, so the block goes with the next process of the user that
// opens or lets go of it.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "internal.h"
#include "population_registry.h"
#include "qxlib8.h"

namespace qx {
namespace {

static_assert(std::atomic<uint64_t>::is_always_lock_free, "channels need lock-free 64-bit atomics across processes");

struct TempBlock {
    std::atomic<uint64_t> slots[QX_TEMPDATA_CHANNELS];
};
static_assert(sizeof(TempBlock) == QX_TEMPDATA_CHANNELS * sizeof(uint64_t));

// Blocks made by this library have this size. Only blocks of this size are
// ever removed: a block of the old size may be in use by a process of an
// older library that never locks it.
constexpr off_t kLockedBlockBytes = 4096;
static_assert(kLockedBlockBytes > static_cast<off_t>(sizeof(TempBlock)));

std::string shmPath(const std::string& name) {
    return "/dev/shm" + name;
}

bool sameObject(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

int flockRetrying(int fd, int operation) {
    int rc;
    while ((rc = ::flock(fd, operation)) != 0 && errno == EINTR) {
    }
    return rc;
}

// Removes the block behind fd when no other process holds it, and only while
// the name still refers to it. Every process using a block holds a shared
// lock on it, so an exclusive lock means nobody else is using it; whoever
// removes a block holds that exclusive lock, so two removers never meet.
// Leaves fd unlocked or locked exclusively; the caller closes it.
bool removeIfUnused(int fd, const std::string& name) {
    if (flockRetrying(fd, LOCK_EX | LOCK_NB) != 0)
        return false;
    struct stat mine {};
    struct stat named {};
    if (fstat(fd, &mine) != 0 || ::stat(shmPath(name).c_str(), &named) != 0 || !sameObject(mine, named) ||
        mine.st_uid != geteuid() || mine.st_size != kLockedBlockBytes)
        return false;
    return shm_unlink(name.c_str()) == 0;
}

// The blocks of the user's instances that nobody holds any more: a process
// killed while using one released its lock but could not remove it.
void removeOrphanedBlocks(const std::string& prefix, const std::string& own) {
    DIR* dir = opendir("/dev/shm");
    if (!dir)
        return;
    while (const dirent* entry = readdir(dir)) {
        const std::string name = std::string("/") + entry->d_name;
        if (name == own || (name != prefix && name.rfind(prefix + "-", 0) != 0))
            continue;
        struct stat st {};
        if (::lstat(shmPath(name).c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid() ||
            st.st_size != kLockedBlockBytes)
            continue;
        const int fd = shm_open(name.c_str(), O_RDWR | O_NOFOLLOW, 0);
        if (fd < 0)
            continue;
        removeIfUnused(fd, name);
        close(fd);
    }
    closedir(dir);
}

class TempMapping {
public:
    TempMapping(void* base, int fd, std::string name) : m_base(base), m_fd(fd), m_name(std::move(name)) {}
    // The last process to stop using a block removes it. A forked child that
    // never opened the block shares its parent's lock and leaves it alone.
    ~TempMapping() {
        munmap(m_base, sizeof(TempBlock));
        if (getpid() == m_opener)
            removeIfUnused(m_fd, m_name);
        close(m_fd);
    }
    TempMapping(const TempMapping&) = delete;
    TempMapping& operator=(const TempMapping&) = delete;
    // The block starts zero-filled (ftruncate), which is a valid value of every slot.
    TempBlock& block() const { return *static_cast<TempBlock*>(m_base); }

private:
    void* m_base;
    int m_fd; // holds the shared lock while the block is in use
    std::string m_name;
    pid_t m_opener = getpid();
};

std::mutex g_tempMutex;
std::shared_ptr<TempMapping> g_temp;

std::string tempPrefix() {
    return "/selvane-qxtemp-" + std::to_string(getuid());
}

std::string tempName() {
    std::string name = tempPrefix();
    if (const char* inst = std::getenv("SELVANE_INSTANCE"); inst && *inst) {
        name += '-';
        // A shared-memory name is one path component of limited length.
        for (const char* p = inst; *p && name.size() < 200; ++p) {
            const char c = *p;
            const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
                               c == '_' || c == '.';
            name += plain ? c : '_';
        }
    }
    return name;
}

// The block's name is fixed, so another user can make it first: then no
// channel works until that object is gone, and the message says so.
std::string squatted(const std::string& name, uid_t owner) {
    return "the shared-memory object /dev/shm" + name + " belongs to user " + std::to_string(owner) +
           ", not to you (user " + std::to_string(geteuid()) +
           "); another user made it, and the temp-data channels cannot work while it is there. Have its owner or "
           "the administrator remove it (rm /dev/shm" +
           name + ")";
}

enum class Opened { Mapped, Retry, Failed };

// One try at opening, locking and mapping the block. Retry when the block
// was removed between the open and the lock (its last user let go of it
// then), or when it was an orphan that this call removed.
Opened openBlock(const std::string& name, std::string_view fn, int32_t& code, std::shared_ptr<TempMapping>& out) {
    bool created = true;
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
    if (fd < 0 && errno == EEXIST) {
        created = false;
        fd = shm_open(name.c_str(), O_RDWR, 0);
        if (fd < 0 && errno == ENOENT)
            return Opened::Retry;
    }
    if (fd < 0) {
        const int err = errno;
        struct stat other {};
        if (err == EACCES && ::stat(shmPath(name).c_str(), &other) == 0 && other.st_uid != geteuid()) {
            code = fail(QX_E_SYSTEM, fn, squatted(name, other.st_uid));
            return Opened::Failed;
        }
        code = fail(QX_E_SYSTEM, fn, "shm_open " + name + ": " + std::strerror(err));
        return Opened::Failed;
    }
    auto failWith = [&](const std::string& what) {
        const int saved = errno;
        close(fd);
        code = fail(QX_E_SYSTEM, fn, what + " " + name + ": " + std::strerror(saved));
        return Opened::Failed;
    };
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return failWith("fstat");
    if (st.st_uid != geteuid()) {
        close(fd);
        code = fail(QX_E_SYSTEM, fn, squatted(name, st.st_uid));
        return Opened::Failed;
    }
    // A block of ours that no process holds was left by users that are all
    // gone (killed, so they could not remove it): its values belong to no
    // one, so it goes and a fresh one is made. A block that another process
    // has just made but not locked yet may go too; that process then finds
    // that the name no longer leads to its block, and opens again.
    if (!created && removeIfUnused(fd, name)) {
        close(fd);
        return Opened::Retry;
    }
    // Whoever created it, the block stays private to the user.
    if (fchmod(fd, 0600) != 0)
        return failWith("fchmod");
    // Growing is safe while another process maps it: the new bytes are zero.
    // Every opener that finds the block too small grows it to the same size,
    // so two of them racing never shrink it.
    if (st.st_size < static_cast<off_t>(sizeof(TempBlock)) && ftruncate(fd, kLockedBlockBytes) != 0)
        return failWith("ftruncate");
    // Never waits: an exclusive lock is held only by a process removing the
    // block, and once it has, the name leads to a new block.
    if (flockRetrying(fd, LOCK_SH | LOCK_NB) != 0) {
        if (errno != EWOULDBLOCK)
            return failWith("flock");
        close(fd);
        usleep(1000);
        return Opened::Retry;
    }
    struct stat named {};
    if (::stat(shmPath(name).c_str(), &named) != 0 || !sameObject(st, named)) {
        close(fd);
        return Opened::Retry;
    }
    void* base = mmap(nullptr, sizeof(TempBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED)
        return failWith("mmap");
    out = std::make_shared<TempMapping>(base, fd, name);
    return Opened::Mapped;
}

std::shared_ptr<TempMapping> mapping(std::string_view fn, int32_t& code) {
    std::lock_guard lock(g_tempMutex);
    if (g_temp) {
        code = QX_OK;
        return g_temp;
    }
    const std::string name = tempName();
    removeOrphanedBlocks(tempPrefix(), name);
    for (int attempt = 0; attempt < 1000; ++attempt) {
        switch (openBlock(name, fn, code, g_temp)) {
        case Opened::Mapped:
            code = QX_OK;
            return g_temp;
        case Opened::Failed:
            return nullptr;
        case Opened::Retry:
            break;
        }
    }
    code = fail(QX_E_SYSTEM, fn, "the shared-memory object /dev/shm" + name + " kept being removed while opened");
    return nullptr;
}

int32_t checkChannel(int16_t channel, int16_t numBytes, std::string_view fn) {
    if (channel < 0 || channel >= QX_TEMPDATA_CHANNELS)
        return fail(QX_E_CHANNEL, fn, "channel " + std::to_string(channel) + " is not in 0..31");
    if (numBytes < 1 || numBytes > 8)
        return fail(QX_E_CHANNEL, fn, "numBytes " + std::to_string(numBytes) + " is not in 1..8");
    return QX_OK;
}

} // namespace

void releaseTempData() {
    std::shared_ptr<TempMapping> gone;
    std::lock_guard lock(g_tempMutex);
    gone.swap(g_temp);
}

} // namespace qx

extern "C" {

QX_API int32_t QxReadTempData(int16_t channel, void* buffer, int16_t numBytes) {
    const char* fn = "QxReadTempData";
    if (const int32_t rc = qx::checkChannel(channel, numBytes, fn); rc != QX_OK)
        return rc;
    int32_t code = QX_OK;
    const auto temp = qx::mapping(fn, code);
    if (!temp)
        return code;
    const uint64_t value = temp->block().slots[channel].load(std::memory_order_acquire);
    if (buffer)
        std::memcpy(buffer, &value, static_cast<size_t>(numBytes));
    return QX_OK;
}

QX_API int16_t QxWriteTempData(int16_t channel, const void* buffer, int16_t numBytes) {
    const char* fn = "QxWriteTempData";
    if (const int32_t rc = qx::checkChannel(channel, numBytes, fn); rc != QX_OK)
        return static_cast<int16_t>(rc);
    if (!buffer)
        return static_cast<int16_t>(qx::fail(QX_E_INVALID_ARGUMENT, fn, "buffer is NULL"));
    int32_t code = QX_OK;
    const auto temp = qx::mapping(fn, code);
    if (!temp)
        return static_cast<int16_t>(code);
    // Bytes past numBytes are zero, so a narrower write followed by a wider
    // read never shows what an older, wider value left behind.
    uint64_t value = 0;
    std::memcpy(&value, buffer, static_cast<size_t>(numBytes));
    temp->block().slots[channel].store(value, std::memory_order_release);
    return QX_OK;
}

QX_API int32_t QxClearTempData(void) {
    int32_t code = QX_OK;
    const auto temp = qx::mapping("QxClearTempData", code);
    if (!temp)
        return code;
    for (auto& slot : temp->block().slots)
        slot.store(0, std::memory_order_release);
    return QX_OK;
}

} // extern "C"
