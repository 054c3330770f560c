// The population views' refresh, over a real population of the engine
// library: the population grid's whole update (Update_ValueTable: engine
// reads, text and the grid's load) for 512 organisms x 1024 genes, and the
// colour graph's whole update with its drawing for 256 x 256 cells. Both run
// every second while their tab is shown. The reads alone, which the window's
// update makes while it holds the population lock, are timed apart.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFrame>
#include <QTableView>

#include "PopulationColorTable.h"
#include "PopulationReader.h"
#include "PopulationTable.h"
#include "WatcherManager.h"
#include "bench_support.h"
#include "ol/ScriptedVisualServices.h"
#include "pages/ColorGraphPage.h"
#include "pages/PopulationPage.h"
#include "pages/SolutionGrid.h"
#include "qxlib8.h"

namespace {

// A population of `organisms` with a range group and an order group of
// `genes / 2` genes each, every gene set, every organism evaluated.
class Population {
public:
    Population(int32_t organisms, int32_t genes) {
        m_manager.Initialize();
        const int32_t half = genes / 2;
        const int32_t counts[] = {half, genes - half};
        const int16_t methods[] = {QX_METHOD_RECIPE, QX_METHOD_ORDER};
        if (QxPopCreate(organisms, 2, counts, methods, &m_pop) != QX_OK) {
            std::fprintf(stderr, "cannot create the population\n");
            std::exit(1);
        }
        std::mt19937 random(7);
        std::uniform_real_distribution<double> value(0.0, 100.0);
        for (int32_t g = 1; g <= half; ++g)
            QxGeneSetRange(m_pop, 1, g, 0, 100, 0);
        for (int32_t org = 1; org <= organisms; ++org) {
            for (int32_t g = 1; g <= half; ++g)
                QxGeneSetValue(m_pop, 1, org, g, value(random));
            for (int32_t g = 1; g <= genes - half; ++g)
                QxGeneSetValue(m_pop, 2, org, g, static_cast<double>((org * 31 + g * 7) % (genes - half) + 1));
            QxOrgSetResult(m_pop, org, value(random) * 1000.0, 0, 0);
        }
        engine::TaggedCollection names, groups, groupMethods;
        for (int32_t g = 1; g <= genes; ++g)
            names.add(engine::TaggedValue::fromString(QStringLiteral("Cell%1").arg(g)));
        groups.add(engine::TaggedValue::fromString(QStringLiteral("Range")));
        groups.add(engine::TaggedValue::fromString(QStringLiteral("Order")));
        groupMethods.add(engine::TaggedValue::fromInt32(1));
        groupMethods.add(engine::TaggedValue::fromInt32(2));
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_PopulationSize(organisms);
        m_manager.setInput_AllGeneNamesCol(names);
        m_manager.setInput_GroupNames(groups);
        m_manager.setInput_GroupSolvingMethods(groupMethods);
        m_manager.setInput_OptimizationEngine(1);
        m_manager.setGotInitializedAfterFirstTrial(true);
        m_context.manager = &m_manager;
        m_context.window = &m_frame;
        m_context.settingControls = &m_settingControls;
    }
    ~Population() {
        m_manager.Dispose();
        QxPopFree(m_pop);
    }
    Population(const Population&) = delete;
    Population& operator=(const Population&) = delete;

    QFrame& frame() { return m_frame; }
    manager::WatcherManager& manager() { return m_manager; }
    const watcher::PageContext& context() const { return m_context; }

private:
    ol::ScriptedVisualServices m_visual;
    ol::ScopedVisualServices m_scope{m_visual.asServices()};
    manager::WatcherManager m_manager;
    QFrame m_frame;
    watcher::PageContext m_context;
    bool m_settingControls = false;
    int32_t m_pop = 0;
};

void BM_Update_ValueTable(benchmark::State& state) {
    Population population(600, 1500); // shown: 512 x 1024
    watcher::PopulationPage page(&population.frame());
    page.Initialize(population.context());
    if (page.PopulationRowCount() != 512 || page.PopulationGeneCount() != 1024) {
        state.SkipWithError("the grid is not 512 x 1024");
        return;
    }
    for (auto _ : state) {
        page.Update_ValueTable();
        benchmark::DoNotOptimize(page.model()->cellText(511, 1026));
    }
    state.counters["cells"] = 512.0 * 1026.0;
}
BENCHMARK(BM_Update_ValueTable)->Unit(benchmark::kMillisecond)->UseRealTime();

// The part of Update_ValueTable that the window's update makes under the
// population lock: the objective values and genes copied out. The add-in
// waits this long at most for the grid's refresh.
void BM_Update_ValueTable_Reads(benchmark::State& state) {
    Population population(600, 1500);
    manager::PopulationTable table;
    table.initialize(600, 1024);
    manager::EnginePopulationReader reader(population.manager());
    for (auto _ : state)
        table.read(reader, 2);
    state.counters["cells"] = 512.0 * 1026.0;
}
BENCHMARK(BM_Update_ValueTable_Reads)->Unit(benchmark::kMillisecond)->UseRealTime();

// The colour graph's part under the lock: every cell's value and the ranges.
void BM_ColorGraph_Reads(benchmark::State& state) {
    Population population(300, 300);
    manager::PopulationColorTable table;
    table.initialize(300, 300);
    manager::EnginePopulationReader reader(population.manager());
    const std::vector<int32_t> methods = {1, 2};
    for (auto _ : state) {
        if (!table.read(reader, methods)) {
            state.SkipWithError("nothing read");
            return;
        }
    }
    state.counters["cells"] = 256.0 * 256.0;
}
BENCHMARK(BM_ColorGraph_Reads)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ColorGraph_Update(benchmark::State& state) {
    Population population(300, 300); // shown: 256 x 256
    watcher::ColorGraphPage page(&population.frame());
    page.Initialize(population.context());
    // The picture box of the window's designed page: 8040 x 4235 twips.
    page.picture()->resize(536, 282);
    for (auto _ : state) {
        if (!page.ColorGraph_Update()) {
            state.SkipWithError("nothing drawn");
            return;
        }
    }
    state.counters["cells"] = 256.0 * 256.0;
}
BENCHMARK(BM_ColorGraph_Update)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    return benchsupport::runBenchmarks(argc, argv, "population_views_bench");
}
