// Costs of the engine calls that run on every trial or every Watcher tick:
// the population lock, a temp-data channel, one steady-state trial.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "qxlib8.h"

namespace {

constexpr int32_t kOrganisms = 100;
constexpr int32_t kGenes = 20;

// A population of kOrganisms x kGenes of one solving method, every organism
// evaluated, so that each further trial breeds a candidate.
int32_t makeEvaluatedPopulation(int16_t method) {
    const int32_t counts[] = {kGenes};
    const int16_t methods[] = {method};
    int32_t pop = 0;
    if (QxPopCreate(kOrganisms, 1, counts, methods, &pop) != QX_OK)
        return 0;
    for (int32_t g = 1; g <= kGenes; ++g) {
        QxGeneSetRange(pop, 1, g, 0, 100, method == QX_METHOD_RECIPE ? 1 : 0);
        QxGeneSetValue(pop, 1, 1, g, g);
    }
    QxPopSetSeed(pop, 2024);
    QxPopRandomize(pop);
    for (int32_t o = 1; o <= kOrganisms; ++o)
        QxOrgSetResult(pop, o, o, 0, 0);
    return pop;
}

// Objective values from a fixed sequence, so every run compares alike.
struct Values {
    uint64_t state = 88172645463325252ULL;
    double next() {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return static_cast<double>(state >> 11) * 0x1.0p-53 * 1000.0;
    }
};

void BM_PopLockUnlock(benchmark::State& state) {
    const int32_t pop = makeEvaluatedPopulation(QX_METHOD_RECIPE);
    for (auto _ : state) {
        benchmark::DoNotOptimize(QxPopLock(pop));
        benchmark::DoNotOptimize(QxPopUnlock(pop));
    }
    QxPopFree(pop);
}
BENCHMARK(BM_PopLockUnlock);

void BM_TempDataWriteRead8(benchmark::State& state) {
    double in = 1.5, out = 0;
    for (auto _ : state) {
        QxWriteTempData(13, &in, 8);
        QxReadTempData(13, &out, 8);
        benchmark::DoNotOptimize(out);
        in += 1;
    }
}
BENCHMARK(BM_TempDataWriteRead8);

// One trial: QxPopNextOrganism breeds a candidate, QxOrgSetResult ranks it.
void BM_Trial100x20(benchmark::State& state) {
    const auto method = static_cast<int16_t>(state.range(0));
    const int32_t pop = makeEvaluatedPopulation(method);
    Values values;
    int32_t organism = 0;
    for (auto _ : state) {
        QxPopNextOrganism(pop, &organism);
        QxOrgSetResult(pop, organism, values.next(), 0, 0);
    }
    state.SetLabel(method == QX_METHOD_RECIPE ? "recipe" : method == QX_METHOD_BUDGET ? "budget" : "order");
    QxPopFree(pop);
}
BENCHMARK(BM_Trial100x20)->Arg(QX_METHOD_RECIPE)->Arg(QX_METHOD_BUDGET)->Arg(QX_METHOD_ORDER);

// The population tab's read of every organism's genes under the lock.
void BM_ReadAllGenes100x20(benchmark::State& state) {
    const int32_t pop = makeEvaluatedPopulation(QX_METHOD_RECIPE);
    std::vector<double> genes(kGenes);
    for (auto _ : state) {
        QxPopLock(pop);
        for (int32_t o = 1; o <= kOrganisms; ++o)
            QxOrgGetGenes(pop, o, genes.data(), kGenes);
        QxPopUnlock(pop);
        benchmark::DoNotOptimize(genes.data());
    }
    QxPopFree(pop);
}
BENCHMARK(BM_ReadAllGenes100x20);

} // namespace

BENCHMARK_MAIN();
