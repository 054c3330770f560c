#include "ol/SafeFile.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace ol::safefile {

namespace {

std::string errnoText(int err) {
    return std::strerror(err);
}

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::string octal(unsigned mode) {
    char text[8];
    std::snprintf(text, sizeof text, "%03o", mode);
    return text;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string nameOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// A name in the target's folder that nobody else uses: hidden, with this
// process and a counter in it, created with O_EXCL so a planted file or link
// of the same name is never opened.
int createTemporary(const std::string& path, mode_t mode, std::string& temp, std::string& why) {
    static std::atomic<unsigned> counter{0};
    const std::string base = folderOf(path) + "/." + nameOf(path).substr(0, 200) + ".tmp-" + std::to_string(::getpid());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = base + "-" + std::to_string(counter.fetch_add(1));
        const int fd = openRetrying(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
        if (fd >= 0)
            return fd;
        if (errno != EEXIST) {
            why = "cannot create a file in " + folderOf(path) + ": " + errnoText(errno);
            return -1;
        }
    }
    why = "cannot find a free temporary name beside " + path;
    return -1;
}

} // namespace

bool writeAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(fd, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool replaceFile(const std::string& path, const void* data, size_t size, std::string& why, mode_t mode) {
    if (path.empty() || path.back() == '/') {
        why = "no file name given";
        return false;
    }
    std::string temp;
    const int fd = createTemporary(path, mode, temp, why);
    if (fd < 0)
        return false;
    // The umask may have narrowed the mode; make it exact.
    bool ok = ::fchmod(fd, mode) == 0 && writeAll(fd, data, size);
    int err = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(temp.c_str());
        why = "cannot write " + path + ": " + errnoText(err);
        return false;
    }
    // rename() replaces the name itself: a symbolic link there is replaced,
    // not followed.
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        err = errno;
        ::unlink(temp.c_str());
        why = "cannot put " + path + " in place: " + errnoText(err);
        if (err == EPERM || err == EACCES)
            why += " (a file of another user may have that name; choose another folder)";
        return false;
    }
    return true;
}

int openForAppend(const std::string& path, std::string& why, mode_t mode) {
    const int fd = openRetrying(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        why = "cannot open " + path + ": " + errnoText(errno);
        if (errno == ELOOP)
            why += " (it is a symbolic link, which is never followed)";
        return -1;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
        ::close(fd);
        why = path + " is not a file of your own; remove it or choose another folder";
        return -1;
    }
    if ((st.st_mode & 0777 & ~mode) != 0)
        ::fchmod(fd, mode);
    return fd;
}

int createNew(const std::string& path, std::string& why, mode_t mode) {
    const int fd = openRetrying(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) {
        why = "cannot create " + path + ": " + errnoText(errno);
        return -1;
    }
    ::fchmod(fd, mode);
    return fd;
}

bool ensurePrivateDirectory(const std::string& dir, std::string& why, bool ownerOnly) {
    if (dir.empty()) {
        why = "no folder given";
        return false;
    }
    // Parents first, each made 0700 when this call makes it.
    for (size_t slash = dir.find('/', 1); slash != std::string::npos; slash = dir.find('/', slash + 1)) {
        const std::string parent = dir.substr(0, slash);
        if (::mkdir(parent.c_str(), 0700) != 0 && errno != EEXIST) {
            why = "cannot make the folder " + parent + ": " + errnoText(errno);
            return false;
        }
    }
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        why = "cannot make the folder " + dir + ": " + errnoText(errno);
        return false;
    }
    struct stat st {};
    if (::lstat(dir.c_str(), &st) != 0) {
        why = "cannot look at the folder " + dir + ": " + errnoText(errno);
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        why = dir + " is a symbolic link, not a folder of your own; remove it and start again";
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        why = dir + " is not a folder; remove it and start again";
        return false;
    }
    if (st.st_uid != ::geteuid()) {
        why = "the folder " + dir + " belongs to user " + std::to_string(st.st_uid) + ", not to you (user " +
              std::to_string(::geteuid()) +
              "); another user may have made it to catch your files. Have it removed, or set XDG_RUNTIME_DIR "
              "(or XDG_STATE_HOME) to a folder of your own";
        return false;
    }
    if (ownerOnly && (st.st_mode & 077) != 0) {
        why = "the folder " + dir + " can be entered by other users (mode " + octal(st.st_mode & 0777) +
              "); it must be yours alone: chmod 700 " + dir;
        return false;
    }
    if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
        why = "the folder " + dir + " can be written by other users; make it yours alone (chmod 700 " + dir + ")";
        return false;
    }
    return true;
}

} // namespace ol::safefile
