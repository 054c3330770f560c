// Helpers of the population tests: helper processes that talk over pipes,
// and small wrappers that build populations.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "qxlib8.h"

namespace poptest {

// A forked helper process. The body runs in the child and its result is
// the child's exit code (0 = every check passed). The body talks to the test
// through `link`; tests must not use gtest assertions inside the body.
class HelperProcess {
public:
    class Link {
    public:
        Link(int readFd, int writeFd) : m_read(readFd), m_write(writeFd) {}
        bool send(const void* data, size_t size) const;
        bool receive(void* data, size_t size) const;
        bool sendInt(int64_t v) const { return send(&v, sizeof v); }
        int64_t receiveInt() const; // -999999 when the pipe closed

    private:
        int m_read;
        int m_write;
    };

    explicit HelperProcess(const std::function<int(const Link&)>& body);
    ~HelperProcess();
    HelperProcess(const HelperProcess&) = delete;
    HelperProcess& operator=(const HelperProcess&) = delete;

    const Link& link() const { return m_link; }
    pid_t pid() const { return m_pid; }
    void kill(int signal) const;
    // Exit code, or 128 + signal when a signal ended it.
    int wait();

private:
    pid_t m_pid = -1;
    int m_toChild[2] = {-1, -1};
    int m_fromChild[2] = {-1, -1};
    Link m_link{-1, -1};
    bool m_waited = false;
};

struct ChromosomeSpec {
    int16_t method;
    std::vector<double> original; // organism 1's values
    double min;
    double max;
    double step;
};

// Creates a population of `organisms` with the given chromosomes, sets the
// ranges and organism 1's genes, seeds it. Returns the handle (0 on failure).
int32_t makePopulation(int32_t organisms, const std::vector<ChromosomeSpec>& chromosomes, uint64_t seed);

std::vector<double> genesOf(int32_t pop, int32_t organism);
double objectiveOf(int32_t pop, int32_t organism);
std::string lastFailureMessage(int32_t code);
std::string shmPath(int32_t pop);
int64_t nowMs();

} // namespace poptest
