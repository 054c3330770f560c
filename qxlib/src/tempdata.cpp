// Temp-data channels: 32 slots of 8 bytes in one shared block per user,
// "/selvane-qxtemp-<uid>", or "/selvane-qxtemp-<uid>-<instance>" when
// $SELVANE_INSTANCE is set (so test suites, and the add-in and Watcher they
// start, never see another suite's values). Each slot is one lock-free 64-bit
// atomic: a reader in another process gets either the old or the new value,
// never a mix.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <string>
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

class TempMapping {
public:
    TempMapping(void* base, size_t size) : m_base(base), m_size(size) {}
    ~TempMapping() { munmap(m_base, m_size); }
    TempMapping(const TempMapping&) = delete;
    TempMapping& operator=(const TempMapping&) = delete;
    // The block starts zero-filled (ftruncate), which is a valid value of every slot.
    TempBlock& block() const { return *static_cast<TempBlock*>(m_base); }

private:
    void* m_base;
    size_t m_size;
};

std::mutex g_tempMutex;
std::shared_ptr<TempMapping> g_temp;

std::string tempName() {
    std::string name = "/selvane-qxtemp-" + std::to_string(getuid());
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

std::shared_ptr<TempMapping> mapping(std::string_view fn, int32_t& code) {
    std::lock_guard lock(g_tempMutex);
    if (g_temp) {
        code = QX_OK;
        return g_temp;
    }
    const std::string name = tempName();
    const int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0) {
        const int err = errno;
        struct stat other {};
        if (err == EACCES && ::stat(("/dev/shm" + name).c_str(), &other) == 0 && other.st_uid != geteuid()) {
            code = fail(QX_E_SYSTEM, fn, squatted(name, other.st_uid));
            return nullptr;
        }
        code = fail(QX_E_SYSTEM, fn, "shm_open " + name + ": " + std::strerror(err));
        return nullptr;
    }
    auto failWith = [&](const std::string& what) {
        const int saved = errno;
        close(fd);
        code = fail(QX_E_SYSTEM, fn, what + " " + name + ": " + std::strerror(saved));
        return nullptr;
    };
    struct stat st {};
    if (fstat(fd, &st) != 0)
        return failWith("fstat");
    if (st.st_uid != geteuid()) {
        close(fd);
        code = fail(QX_E_SYSTEM, fn, squatted(name, st.st_uid));
        return nullptr;
    }
    // Whoever created it, the block stays private to the user.
    if (fchmod(fd, 0600) != 0)
        return failWith("fchmod");
    // Growing is safe while another process maps it: the new bytes are zero.
    if (st.st_size < static_cast<off_t>(sizeof(TempBlock)) && ftruncate(fd, sizeof(TempBlock)) != 0)
        return failWith("ftruncate");
    void* base = mmap(nullptr, sizeof(TempBlock), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (base == MAP_FAILED)
        return failWith("mmap");
    close(fd);
    g_temp = std::make_shared<TempMapping>(base, sizeof(TempBlock));
    code = QX_OK;
    return g_temp;
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
