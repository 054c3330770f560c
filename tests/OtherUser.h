#pragma once

// Tests of what another user of the machine can do: plant links, make the
// fixed-name folders and shared-memory objects first, read files. They act as
// a second user (nobody, 65534) in a forked child, which needs root; run
// otherwise, they are skipped with a message.
#include <cstdlib>
#include <functional>
#include <string>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace testsupport {

inline constexpr uid_t kOtherUid = 65534;
inline constexpr gid_t kOtherGid = 65534;

inline bool canActAsOtherUser() {
    return ::geteuid() == 0;
}

// Runs `body` in a child process that has become user 65534; true when the
// child could change user and `body` returned true. The child only makes
// system calls and ends with _exit, so it is safe after fork() in a
// program with threads.
inline bool asOtherUser(const std::function<bool()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kOtherGid) != 0 || ::setuid(kOtherUid) != 0)
            ::_exit(3);
        ::_exit(body() ? 0 : 1);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid)
        return false;
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// A folder under /tmp that both users may enter and write to (mode 1777,
// like /tmp itself); removed with everything in it at the end.
class SharedFolder {
public:
    SharedFolder() {
        char name[] = "/tmp/selvane-shared-XXXXXX";
        if (::mkdtemp(name))
            m_path = name;
        if (!m_path.empty())
            ::chmod(m_path.c_str(), 01777);
    }
    ~SharedFolder() {
        if (!m_path.empty())
            std::system(("rm -rf '" + m_path + "'").c_str());
    }
    SharedFolder(const SharedFolder&) = delete;
    SharedFolder& operator=(const SharedFolder&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

} // namespace testsupport

#define SKIP_UNLESS_OTHER_USER_POSSIBLE()                                                                              \
    if (!testsupport::canActAsOtherUser())                                                                             \
    GTEST_SKIP() << "acting as a second user (uid 65534) needs root; run the tests as root to cover this case"
