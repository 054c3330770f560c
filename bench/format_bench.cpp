// FormatNumberGeneral: the general display of a number that the windows use
// for every value without a cell format. Values cover its three plain forms
// (whole, four decimals, scientific) in the proportions of a typical run's
// objective values and genes.
#include <array>
#include <cstddef>

#include <benchmark/benchmark.h>

#include <QString>

#include "Formatting.h"

namespace {

constexpr std::array<double, 16> kValues = {
    42.0,    -1234.0, 3.5,      0.125,    -2.75, 98765.4321, 0.0005, 12345678.0,
    0.00005, 1.0e12,  -3.25e-7, 271828.0, 0.0,   17.0,       -0.5,   9999999.5,
};

void BM_FormatNumberGeneral(benchmark::State& state) {
    std::size_t i = 0;
    std::size_t chars = 0;
    for (auto _ : state) {
        const QString text = engine::FormatNumberGeneral(kValues[i]);
        chars += static_cast<std::size_t>(text.size());
        benchmark::DoNotOptimize(text.constData());
        i = (i + 1) % kValues.size();
    }
    benchmark::DoNotOptimize(chars);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormatNumberGeneral);

// One form at a time, to see which one dominates.
void BM_FormatNumberGeneralForm(benchmark::State& state) {
    const double value = state.range(0) == 0 ? 123456.0 : state.range(0) == 1 ? 3.14159 : 12345678.0;
    for (auto _ : state) {
        const QString text = engine::FormatNumberGeneral(value);
        benchmark::DoNotOptimize(text.constData());
    }
    state.SetItemsProcessed(state.iterations());
    state.SetLabel(state.range(0) == 0 ? "whole" : state.range(0) == 1 ? "four decimals" : "scientific");
}
BENCHMARK(BM_FormatNumberGeneralForm)->DenseRange(0, 2);

} // namespace

BENCHMARK_MAIN();
