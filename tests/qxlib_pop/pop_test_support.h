// Helpers of the population tests: forked helper processes that exchange
// numbers over pipes, and a population builder that frees what it built.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "qxlib8.h"

namespace poptest {

struct Link { // pipe ends carrying 64-bit numbers
    int readFd = -1, writeFd = -1;
    void send(int64_t v) const;
    int64_t receive() const; // -999999 once the other side is gone
};

// A forked helper. The body runs in the child (no gtest assertions there)
// and returns the child's exit code: 0 when all its checks passed.
class HelperProcess {
public:
    explicit HelperProcess(const std::function<int(const Link&)>& body);
    ~HelperProcess();
    const Link& link() const { return m_link; }
    void kill(int signal) const;
    int wait(); // exit code, or 128 + signal

private:
    pid_t m_pid = -1;
    Link m_link;
};

struct ChromosomeSetup {
    int16_t method;
    std::vector<double> original; // organism 1's values
    double min, max, step;        // every gene's range
};

// A seeded population with ranges and organism 1 set; freed on destruction.
class TestPopulation {
public:
    TestPopulation(int32_t organisms, const std::vector<ChromosomeSetup>& chromosomes, uint64_t seed = 1);
    explicit TestPopulation(int32_t adopted) : m_pop(adopted) {}
    ~TestPopulation() { QxPopFree(m_pop); }
    TestPopulation(const TestPopulation&) = delete;
    operator int32_t() const { return m_pop; }

private:
    int32_t m_pop = 0;
};

int32_t next(int32_t pop); // QxPopNextOrganism, 0 on failure
std::vector<double> genesOf(int32_t pop, int32_t organism);
double objectiveOf(int32_t pop, int32_t organism);
int32_t flagsOf(int32_t pop, int32_t organism);
std::string lastFailureMessage(int32_t code); // "Function: message"
std::string shmPath(int32_t pop);
int64_t nowUs();

} // namespace poptest
