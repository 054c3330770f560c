#include "pop_test_support.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace poptest {

void Link::send(int64_t v) const {
    while (::write(writeFd, &v, sizeof v) < 0 && errno == EINTR) {
    }
}

int64_t Link::receive() const {
    int64_t v = 0;
    ssize_t n = 0;
    while ((n = ::read(readFd, &v, sizeof v)) < 0 && errno == EINTR) {
    }
    return n == static_cast<ssize_t>(sizeof v) ? v : -999999;
}

HelperProcess::HelperProcess(const std::function<int(const Link&)>& body) {
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0 || pipe(fromChild) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0)
        _exit(body(Link{toChild[0], fromChild[1]})); // never back into the test framework
    close(toChild[0]);
    close(fromChild[1]);
    m_link = {fromChild[0], toChild[1]};
}

HelperProcess::~HelperProcess() {
    kill(SIGKILL);
    wait();
    close(m_link.readFd);
    close(m_link.writeFd);
}

void HelperProcess::kill(int signal) const {
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

int HelperProcess::wait() {
    int status = 0;
    if (m_pid <= 0 || waitpid(m_pid, &status, 0) < 0)
        return -1;
    m_pid = -1;
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : WEXITSTATUS(status);
}

TestPopulation::TestPopulation(int32_t organisms, const std::vector<ChromosomeSetup>& chromosomes, uint64_t seed) {
    std::vector<int32_t> counts;
    std::vector<int16_t> methods;
    for (const auto& c : chromosomes) {
        counts.push_back(static_cast<int32_t>(c.original.size()));
        methods.push_back(c.method);
    }
    QxPopCreate(organisms, static_cast<int32_t>(counts.size()), counts.data(), methods.data(), &m_pop);
    for (int32_t c = 1; c <= static_cast<int32_t>(chromosomes.size()); ++c) {
        const ChromosomeSetup& setup = chromosomes[static_cast<size_t>(c - 1)];
        for (int32_t g = 1; g <= static_cast<int32_t>(setup.original.size()); ++g) {
            QxGeneSetRange(m_pop, c, g, setup.min, setup.max, setup.step);
            QxGeneSetValue(m_pop, c, 1, g, setup.original[static_cast<size_t>(g - 1)]);
        }
    }
    QxPopSetSeed(m_pop, seed);
}

int32_t next(int32_t pop) {
    int32_t organism = 0;
    return QxPopNextOrganism(pop, &organism) == QX_OK ? organism : 0;
}

std::vector<double> genesOf(int32_t pop, int32_t organism) {
    int32_t total = 0;
    for (int32_t c = 1; c <= QxPopGetChromosomeCount(pop); ++c)
        total += QxChrGetGeneCount(pop, c);
    std::vector<double> genes(static_cast<size_t>(std::max(total, 0)));
    return QxOrgGetGenes(pop, organism, genes.data(), total) == QX_OK ? genes : std::vector<double>{};
}

double objectiveOf(int32_t pop, int32_t organism) {
    double objective = 0;
    QxOrgGetResult(pop, organism, nullptr, &objective, 0, nullptr);
    return objective;
}

int32_t flagsOf(int32_t pop, int32_t organism) {
    int32_t flags = -1;
    QxOrgGetResult(pop, organism, nullptr, nullptr, 0, &flags);
    return flags;
}

std::string lastFailureMessage(int32_t code) {
    char name[64] = {}, method[64] = {}, message[256] = {};
    QxGetExceptionInfoWVB(code, name, sizeof name, method, sizeof method, message, sizeof message);
    return std::string(method) + ": " + message;
}

std::string shmPath(int32_t pop) {
    return "/dev/shm/selvane-qxpop-" + std::to_string(getuid()) + "-" + std::to_string(pop);
}

int64_t nowUs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

} // namespace poptest
