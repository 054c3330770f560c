// Initialization, error texts and the engine's own log.
#include "internal.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

#include "ol/SafeFile.h"
#include "qxlib8.h"

namespace qx {
namespace {

struct ErrorEntry {
    int32_t code;
    const char* name;
    const char* text;
};

constexpr ErrorEntry kErrors[] = {
#define QX_ERROR_ENTRY_(name, code, text) {code, #name, text},
    QX_ERRNO_MAP(QX_ERROR_ENTRY_)
#undef QX_ERROR_ENTRY_
};

const ErrorEntry* findError(int32_t code) {
    for (const auto& e : kErrors)
        if (e.code == code)
            return &e;
    return nullptr;
}

// Exception names in the CamelCase the engine reports ("NO_LOG" -> "NoLog").
std::string exceptionName(const char* upperName) {
    std::string out;
    bool upper = true;
    for (const char* p = upperName; *p; ++p) {
        if (*p == '_') {
            upper = true;
            continue;
        }
        out += upper ? *p : static_cast<char>(*p - 'A' + 'a');
        upper = false;
    }
    return out;
}

struct LastFailure {
    std::string method;
    std::string message;
};

std::mutex g_stateMutex;
// The most recent failure of each code, for QxGetExceptionInfoWVB.
std::map<int32_t, LastFailure> g_lastFailures;
std::atomic<bool> g_logOn{false};
std::string g_logPath;

} // namespace

int32_t fail(int32_t code, std::string_view method, std::string message) {
    {
        std::lock_guard lock(g_stateMutex);
        auto& last = g_lastFailures[code];
        last.method.assign(method);
        last.message = message;
    }
    if (engineLogOn())
        engineLog(std::string(method) + " failed (" + std::to_string(code) + "): " + message);
    return code;
}

int32_t copyString(std::string_view text, char* buffer, int32_t capacity) {
    if (buffer == nullptr)
        return QX_OK;
    if (capacity <= 0)
        return QX_E_BUFFER_TOO_SMALL;
    size_t n = text.size();
    const auto cap = static_cast<size_t>(capacity);
    bool cut = false;
    if (n + 1 > cap) {
        n = cap - 1;
        // Never split a UTF-8 sequence: back up over continuation bytes.
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
        cut = true;
    }
    std::memcpy(buffer, text.data(), n);
    buffer[n] = '\0';
    return cut ? QX_E_BUFFER_TOO_SMALL : QX_OK;
}

std::string logDirectory() {
    if (const char* d = std::getenv("SELVANE_LOG_DIR"); d && *d)
        return d;
    if (const char* d = std::getenv("XDG_STATE_HOME"); d && *d)
        return std::string(d) + "/selvane";
    const char* home = std::getenv("HOME");
    return std::string(home && *home ? home : "/tmp") + "/.local/state/selvane";
}

bool engineLogOn() {
    return g_logOn.load(std::memory_order_relaxed);
}

void engineLog(std::string_view line) {
    if (!engineLogOn())
        return;
    std::lock_guard lock(g_stateMutex);
    // Never through a planted link, never into another user's file; the log
    // is readable by the user only.
    std::string why;
    const int fd = ol::safefile::openForAppend(g_logPath, why);
    if (fd < 0)
        return;
    const std::string text = "QXLIB, " + std::to_string(monotonicMs()) + "  pid " + std::to_string(getpid()) + "  " +
                             std::string(line) + "\n";
    ol::safefile::writeAll(fd, text.data(), text.size());
    ::close(fd);
}

int64_t monotonicMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace qx

namespace {} // namespace

extern "C" {

QX_API int32_t QxGetErrorTextWVB(int16_t code, char* text, int32_t textCapacity) {
    if (code == QX_OK)
        return qx::copyString("success", text, textCapacity);
    if (const auto* e = qx::findError(code))
        return qx::copyString(e->text, text, textCapacity);
    return qx::copyString("unknown error " + std::to_string(code), text, textCapacity);
}

QX_API int32_t QxGetExceptionInfoWVB(int32_t code, char* exceptionName, int32_t exceptionNameCapacity, char* methodName,
                                     int32_t methodNameCapacity, char* message, int32_t messageCapacity) {
    const auto* e = qx::findError(code);
    if (!e)
        return 0;
    std::string method;
    std::string msg = e->text;
    {
        std::lock_guard lock(qx::g_stateMutex);
        if (const auto it = qx::g_lastFailures.find(code); it != qx::g_lastFailures.end()) {
            method = it->second.method;
            msg = it->second.message;
        }
    }
    qx::copyString(qx::exceptionName(e->name), exceptionName, exceptionNameCapacity);
    qx::copyString(method, methodName, methodNameCapacity);
    qx::copyString(msg, message, messageCapacity);
    return 1;
}

QX_API const char* QxVersionString(void) {
    return "8.1.0";
}

QX_API int32_t QxSetProgramMode(int32_t mode) {
    if (mode != 0)
        return qx::fail(QX_E_INVALID_ARGUMENT, "QxSetProgramMode", "mode " + std::to_string(mode) + " is not 0");
    return QX_OK;
}

QX_API int32_t QxInit3(int32_t interfaceVersion, int32_t flags, int32_t reserved, const char* options) {
    (void)reserved;
    (void)options;
    if (interfaceVersion != QX_INTERFACE_VERSION)
        return qx::fail(QX_E_VERSION, "QxInit3",
                        "interface version " + std::to_string(interfaceVersion) + " asked, this library offers " +
                            std::to_string(QX_INTERFACE_VERSION));
    if (flags & QX_INIT_LOG) {
        const std::string dir = qx::logDirectory();
        // An unsafe folder (another user's, a link) gets no log at all; the
        // engine works on without one.
        std::string why;
        if (!ol::safefile::ensurePrivateDirectory(dir, why))
            return QX_OK;
        {
            std::lock_guard lock(qx::g_stateMutex);
            qx::g_logPath = dir + "/QxLib.log";
        }
        qx::g_logOn = true;
        qx::engineLog(std::string("QxInit3: engine ") + QxVersionString() +
                      " initialized, flags=" + std::to_string(flags));
    }
    return QX_OK;
}

QX_API int32_t QxFree(void) {
    qx::engineLog("QxFree");
    qx::releasePopulations();
    qx::releaseLogs();
    qx::g_logOn = false;
    return QX_OK;
}

} // extern "C"
