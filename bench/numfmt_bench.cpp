// Values formatted per second with codes compiled once, as the log grid and
// the progress windows use them.

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QString>

#include "ol/NumberFormat.h"

namespace {

constexpr std::size_t kCount = 4096; // power of two: index wraps with a mask

// Log-uniform magnitudes between 10^lo and 10^hi, both signs.
std::vector<double> spread(double lo, double hi, bool negatives) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> e(lo, hi);
    std::vector<double> v(kCount);
    for (std::size_t i = 0; i < kCount; ++i)
        v[i] = ((negatives && i % 3 == 0) ? -1.0 : 1.0) * std::pow(10.0, e(rng));
    return v;
}

std::vector<double> serials() {
    std::mt19937_64 rng(43);
    std::uniform_real_distribution<double> d(30000.0, 50000.0);
    std::vector<double> v(kCount);
    for (double& x : v)
        x = d(rng);
    return v;
}

void formatLoop(benchmark::State& state, const char* code, const std::vector<double>& values) {
    const auto f = ol::NumberFormat::compile(code);
    std::string out;
    out.reserve(64);
    std::size_t i = 0;
    for (auto _ : state) {
        f->format(values[i++ & (kCount - 1)], out);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_FixedFourDecimals(benchmark::State& state) {
    formatLoop(state, "0.0000", spread(-3, 7, true));
}

void BM_General(benchmark::State& state) {
    formatLoop(state, "General", spread(-7, 13, true));
}

void BM_GroupedTwoDecimals(benchmark::State& state) {
    formatLoop(state, "#,##0.00", spread(-2, 9, true));
}

void BM_DateTime(benchmark::State& state) {
    formatLoop(state, "m/d/yyyy h:mm AM/PM", serials());
}

void BM_Scientific(benchmark::State& state) {
    formatLoop(state, "0.0000E+000", spread(-300, 300, true));
}

// The convenience path: cache look-up, UTF-8 and QString conversions.
void BM_QStringThroughCache(benchmark::State& state) {
    const std::vector<double> values = spread(-2, 9, true);
    const QString code = QStringLiteral("#,##0.00");
    std::size_t i = 0;
    for (auto _ : state) {
        QString s = ol::formatNumber(values[i++ & (kCount - 1)], code);
        benchmark::DoNotOptimize(s.constData());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_Compile(benchmark::State& state) {
    for (auto _ : state) {
        auto f = ol::NumberFormat::compile("#,##0.00_);[Red](#,##0.00);\"-\";@");
        benchmark::DoNotOptimize(f.get());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

} // namespace

BENCHMARK(BM_FixedFourDecimals);
BENCHMARK(BM_General);
BENCHMARK(BM_GroupedTwoDecimals);
BENCHMARK(BM_DateTime);
BENCHMARK(BM_Scientific);
BENCHMARK(BM_QStringThroughCache);
BENCHMARK(BM_Compile);

BENCHMARK_MAIN();
