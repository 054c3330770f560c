#include "pop_test_support.h"

#include <cerrno>
#include <csignal>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

namespace poptest {

bool HelperProcess::Link::send(const void* data, size_t size) const {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t n = ::write(m_write, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

bool HelperProcess::Link::receive(void* data, size_t size) const {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t n = ::read(m_read, p, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        p += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

int64_t HelperProcess::Link::receiveInt() const {
    int64_t v = 0;
    return receive(&v, sizeof v) ? v : -999999;
}

HelperProcess::HelperProcess(const std::function<int(const Link&)>& body) {
    if (pipe(m_toChild) != 0 || pipe(m_fromChild) != 0)
        return;
    m_pid = fork();
    if (m_pid == 0) {
        close(m_toChild[1]);
        close(m_fromChild[0]);
        const Link childLink(m_toChild[0], m_fromChild[1]);
        // _exit: the child must not run the test framework's exit handlers.
        _exit(body(childLink));
    }
    close(m_toChild[0]);
    close(m_fromChild[1]);
    m_link = Link(m_fromChild[0], m_toChild[1]);
}

HelperProcess::~HelperProcess() {
    if (m_pid > 0 && !m_waited) {
        ::kill(m_pid, SIGKILL);
        wait();
    }
    close(m_toChild[1]);
    close(m_fromChild[0]);
}

void HelperProcess::kill(int signal) const {
    if (m_pid > 0)
        ::kill(m_pid, signal);
}

int HelperProcess::wait() {
    if (m_pid <= 0)
        return -1;
    int status = 0;
    while (waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
    }
    m_waited = true;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    if (WIFSIGNALED(status))
        return 128 + WTERMSIG(status);
    return -1;
}

int32_t makePopulation(int32_t organisms, const std::vector<ChromosomeSpec>& chromosomes, uint64_t seed) {
    std::vector<int32_t> counts;
    std::vector<int16_t> methods;
    for (const auto& c : chromosomes) {
        counts.push_back(static_cast<int32_t>(c.original.size()));
        methods.push_back(c.method);
    }
    int32_t pop = 0;
    if (QxPopCreate(organisms, static_cast<int32_t>(chromosomes.size()), counts.data(), methods.data(), &pop) != QX_OK)
        return 0;
    for (size_t c = 0; c < chromosomes.size(); ++c) {
        const auto chr = static_cast<int32_t>(c + 1);
        for (size_t g = 0; g < chromosomes[c].original.size(); ++g) {
            const auto gene = static_cast<int32_t>(g + 1);
            if (QxGeneSetRange(pop, chr, gene, chromosomes[c].min, chromosomes[c].max, chromosomes[c].step) != QX_OK ||
                QxGeneSetValue(pop, chr, 1, gene, chromosomes[c].original[g]) != QX_OK)
                return 0;
        }
    }
    if (QxPopSetSeed(pop, seed) != QX_OK)
        return 0;
    return pop;
}

std::vector<double> genesOf(int32_t pop, int32_t organism) {
    const int32_t chromosomes = QxPopGetChromosomeCount(pop);
    int32_t total = 0;
    for (int32_t c = 1; c <= chromosomes; ++c)
        total += QxChrGetGeneCount(pop, c);
    std::vector<double> genes(static_cast<size_t>(total));
    if (QxOrgGetGenes(pop, organism, genes.data(), total) != QX_OK)
        genes.clear();
    return genes;
}

double objectiveOf(int32_t pop, int32_t organism) {
    double temp = 0, objective = 0;
    int32_t flags = 0;
    QxOrgGetResult(pop, organism, &temp, &objective, 0, &flags);
    return objective;
}

std::string lastFailureMessage(int32_t code) {
    char name[64] = {}, method[64] = {}, message[256] = {};
    if (!QxGetExceptionInfoWVB(code, name, sizeof name, method, sizeof method, message, sizeof message))
        return {};
    return std::string(method) + ": " + message;
}

std::string shmPath(int32_t pop) {
    return "/dev/shm/selvane-qxpop-" + std::to_string(getuid()) + "-" + std::to_string(pop);
}

int64_t nowMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

} // namespace poptest
