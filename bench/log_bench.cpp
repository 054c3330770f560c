// Optimization log: counts and record reads on logs of 10,000 and 1,000,000
// trials (20 genes, 5 constraints), and appends with a commit per trial.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include "qxlib8.h"

namespace {

constexpr int32_t kGenes = 20;
constexpr int32_t kConstraints = 5;
constexpr int32_t kStepsPerThousand = 1; // progress steps: one per 1,000 trials

// A temporary folder for the whole run, removed at exit.
class BenchDir {
public:
    BenchDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "qxlib-log-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        m_path = pattern;
    }
    ~BenchDir() {
        QxFree();
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

BenchDir& benchDir() {
    static BenchDir dir;
    return dir;
}

struct Record {
    std::vector<double> cv = std::vector<double>(kConstraints);
    std::vector<double> ccv = std::vector<double>(kConstraints);
    std::vector<double> genes = std::vector<double>(kGenes);
    QxLogRecord r{};
    Record() {
        r.constraintValues = cv.data();
        r.constraintCellValues = ccv.data();
        r.geneValues = genes.data();
    }
    const QxLogRecord* at(int32_t n) {
        r.recalcNum = n;
        r.elapsedMs = n;
        r.valueWithPenalties = n * 0.5;
        r.extra.validTrialCount = n;
        for (int32_t g = 0; g < kGenes; ++g)
            genes[static_cast<size_t>(g)] = n + g * 0.125;
        for (int32_t c = 0; c < kConstraints; ++c)
            ccv[static_cast<size_t>(c)] = n - c;
        return &r;
    }
};

int32_t createLog(const std::string& path) {
    static const char* names[kConstraints] = {"c1", "c2", "c3", "c4", "c5"};
    static const int16_t hard[kConstraints] = {0, 1, 0, 1, 0};
    static const int16_t atomic[kConstraints] = {QX_TRUE, QX_FALSE, QX_TRUE, QX_FALSE, QX_TRUE};
    int32_t w = 0;
    if (QxLogCreateWVB(path.c_str(), 2, kGenes, kConstraints, names, hard, atomic, &w) != QX_OK) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    return w;
}

// The fixture log of `trials` trials, written once per process through the
// public writer (a commit per record, as the add-in writes).
const std::string& fixture(int32_t trials) {
    static std::map<int32_t, std::string> built;
    auto it = built.find(trials);
    if (it != built.end())
        return it->second;
    const std::string path = benchDir().file("fixture-" + std::to_string(trials) + ".qxlog");
    const int32_t w = createLog(path);
    Record rec;
    int32_t steps = 0;
    for (int32_t n = 1; n <= trials; ++n) {
        if (QxLogAppendTrialWVB(w, rec.at(n)) != QX_OK)
            std::exit(1);
        if (n % (1000 / kStepsPerThousand) == 0 && QxLogAppendProgressStepWVB(w, 1, rec.at(++steps)) != QX_OK)
            std::exit(1);
    }
    QxLogClose(w);
    return built.emplace(trials, path).first->second;
}

void BM_RecordCounts(benchmark::State& state) {
    const auto trials = static_cast<int32_t>(state.range(0));
    const std::string& path = fixture(trials);
    int32_t count = 0, steps = 0;
    for (auto _ : state) {
        if (QxLogGetRecordCountsWVB(path.c_str(), &count, &steps) != QX_OK)
            state.SkipWithError("count failed");
        benchmark::DoNotOptimize(count);
    }
    if (count != trials)
        state.SkipWithError("wrong count");
}
BENCHMARK(BM_RecordCounts)->Arg(10'000)->Arg(1'000'000);

// Random records; the median of single calls is reported beside the mean.
void BM_ReadRecord(benchmark::State& state) {
    const auto trials = static_cast<int32_t>(state.range(0));
    const std::string& path = fixture(trials);
    double cv[kConstraints], ccv[kConstraints], genes[kGenes], spare[4];
    double value = 0;
    int32_t elapsed = 0, recalc = 0;
    QxLogRecordExtra extra{};
    uint64_t seed = 88172645463325252ULL;
    std::vector<double> ns;
    ns.reserve(1 << 20);
    for (auto _ : state) {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        const auto n = static_cast<int32_t>(seed % static_cast<uint64_t>(trials)) + 1;
        const auto t0 = std::chrono::steady_clock::now();
        const int32_t rc = QxLogReadRecordWVB(path.c_str(), n, 0, &elapsed, &value, &value, &recalc, cv, kConstraints,
                                              ccv, kConstraints, spare, 4, genes, kGenes, &extra);
        const auto t1 = std::chrono::steady_clock::now();
        if (ns.size() < ns.capacity())
            ns.push_back(std::chrono::duration<double, std::nano>(t1 - t0).count());
        if (rc != QX_OK || recalc != n)
            state.SkipWithError("read failed");
    }
    if (!ns.empty()) {
        std::nth_element(ns.begin(), ns.begin() + static_cast<std::ptrdiff_t>(ns.size() / 2), ns.end());
        state.counters["median_us"] = ns[ns.size() / 2] / 1000.0;
    }
}
BENCHMARK(BM_ReadRecord)->Arg(10'000)->Arg(1'000'000);

void BM_ReadProgressStep(benchmark::State& state) {
    const auto trials = static_cast<int32_t>(state.range(0));
    const std::string& path = fixture(trials);
    const int32_t steps = trials / 1000 * kStepsPerThousand;
    double genes[kGenes];
    int32_t n = 0;
    for (auto _ : state) {
        n = n % steps + 1;
        if (QxLogReadRecordWVB(path.c_str(), n, 1, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0, nullptr,
                               0, genes, kGenes, nullptr) != QX_OK)
            state.SkipWithError("read failed");
    }
}
BENCHMARK(BM_ReadProgressStep)->Arg(10'000)->Arg(1'000'000);

// Each append is its own transaction, committed before the call returns.
void BM_AppendTrial(benchmark::State& state) {
    const std::string path = benchDir().file("append.qxlog");
    const int32_t w = createLog(path);
    Record rec;
    int32_t n = 0;
    for (auto _ : state)
        if (QxLogAppendTrialWVB(w, rec.at(++n)) != QX_OK)
            state.SkipWithError("append failed");
    QxLogClose(w);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendTrial)->MinTime(2.0)->UseRealTime();

// Appends while this process also reads the log, as the Watcher would.
void BM_AppendTrialWithReader(benchmark::State& state) {
    const std::string path = benchDir().file("append-read.qxlog");
    const int32_t w = createLog(path);
    Record rec;
    int32_t n = 0, count = 0;
    for (auto _ : state) {
        if (QxLogAppendTrialWVB(w, rec.at(++n)) != QX_OK)
            state.SkipWithError("append failed");
        if (n % 100 == 0)
            QxLogGetRecordCountsWVB(path.c_str(), &count, nullptr);
    }
    QxLogClose(w);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_AppendTrialWithReader)->MinTime(2.0)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
