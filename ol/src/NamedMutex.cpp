#include "ol/NamedMutex.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>

#include "ol/Directories.h"

namespace ol {

namespace {

constexpr int kCreateRetries = 5;
constexpr useconds_t kCreateRetryMicroseconds = 2000;

// The lock file of a name; empty when there is no safe runtime folder.
QByteArray lockPath(const QString& name, QString* why = nullptr) {
    const QString dir = runtimeDirectory(why);
    if (dir.isEmpty())
        return QByteArray();
    return QFile::encodeName(dir + u'/' + name + QStringLiteral(".lock"));
}

// Each open() makes a new open file description, and flock locks belong to
// the description: a second descriptor of the same process therefore
// conflicts with the first, which is what both create() and exists() need.
int openLockFile(const QByteArray& path) {
    int fd;
    do {
        fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

// A non-blocking flock on fd: 0 when taken, else the errno (EWOULDBLOCK when
// another description holds it in a conflicting way).
int tryLock(int fd, int operation = LOCK_EX) {
    int rc;
    do {
        rc = ::flock(fd, operation | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    return rc == 0 ? 0 : errno;
}

} // namespace

NamedMutex::~NamedMutex() {
    release();
}

NamedMutex::NamedMutex(NamedMutex&& other) noexcept : m_fd(other.m_fd), m_name(std::move(other.m_name)) {
    other.m_fd = -1;
}

NamedMutex& NamedMutex::operator=(NamedMutex&& other) noexcept {
    if (this != &other) {
        release();
        m_fd = other.m_fd;
        m_name = std::move(other.m_name);
        other.m_fd = -1;
    }
    return *this;
}

bool NamedMutex::isValidName(const QString& name) {
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/') && !name.contains(QChar(0));
}

bool NamedMutex::create(const QString& name, Mode mode, QString* why) {
    release();
    if (!isValidName(name)) {
        if (why)
            *why = QStringLiteral("\"%1\" is not a valid mutex name").arg(name);
        return false;
    }
    const QByteArray path = lockPath(name, why);
    if (path.isEmpty())
        return false;
    const int fd = openLockFile(path);
    if (fd < 0) {
        if (why)
            *why = QStringLiteral("cannot open the lock file %1: %2")
                       .arg(QFile::decodeName(path), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        if (why)
            *why = QStringLiteral("the lock file %1 is not a file of your own; remove it").arg(QFile::decodeName(path));
        return false;
    }
    // exists() probes by taking the lock for an instant; a create() that
    // meets such a probe tries again a few times before it gives up. A real
    // holder keeps the lock far longer than these few milliseconds.
    const int operation = mode == Mode::Shared ? LOCK_SH : LOCK_EX;
    int error = tryLock(fd, operation);
    for (int attempt = 0; error == EWOULDBLOCK && attempt < kCreateRetries; ++attempt) {
        ::usleep(kCreateRetryMicroseconds);
        error = tryLock(fd, operation);
    }
    if (error != 0) {
        ::close(fd);
        if (why)
            *why = error == EWOULDBLOCK
                       ? QStringLiteral("another process already holds %1").arg(name)
                       : QStringLiteral("cannot lock %1: %2").arg(name, QString::fromLocal8Bit(std::strerror(error)));
        return false;
    }
    // The lock file stays: removing it would let a process that opened the
    // old file and one that creates a new file both "hold" the same name.
    m_fd = fd;
    m_name = name;
    return true;
}

void NamedMutex::release() noexcept {
    if (m_fd >= 0) {
        ::close(m_fd); // closing the only descriptor drops the lock
        m_fd = -1;
    }
    m_name.clear();
}

bool NamedMutex::exists(const QString& name) {
    if (!isValidName(name))
        return false;
    const QByteArray path = lockPath(name);
    if (path.isEmpty())
        return false;
    // Without its lock file the mutex was never created by anyone.
    int fd;
    do {
        fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0)
        return false;
    const int error = tryLock(fd);
    ::close(fd); // gives the probe's lock back when it got it
    return error == EWOULDBLOCK;
}

} // namespace ol
