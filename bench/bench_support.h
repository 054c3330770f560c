// What the window benchmarks share: the temp folder their logs are kept in,
// the median counter, a run as the add-in sets it up (window factory,
// manager, population, first-trial channels) and the program's main.
#pragma once

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>

#include "WatcherManager.h"
#include "compact/FormProgressSmall.h"
#include "ol/ScriptedVisualServices.h"
#include "qxlib8.h"

namespace benchsupport {

// selvane-<name>-bench-<uid>/ in the temp folder, made when missing.
inline std::filesystem::path cacheDir(const std::string& name) {
    const auto dir = std::filesystem::temp_directory_path() /
                     ("selvane-" + name + "-bench-" + std::to_string(static_cast<long>(::getuid())));
    std::filesystem::create_directories(dir);
    return dir;
}

// The trials in the log at `path`, -1 when it cannot be read.
inline int32_t trialCount(const std::string& path) {
    int32_t trials = 0, steps = 0;
    return QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps) == QX_OK ? trials : -1;
}

// The median of the timings (microseconds) as the counter median_ms.
inline void reportMedian(benchmark::State& state, std::vector<double>& us) {
    if (us.empty())
        return;
    std::nth_element(us.begin(), us.begin() + static_cast<std::ptrdiff_t>(us.size() / 2), us.end());
    state.counters["median_ms"] = us[us.size() / 2] / 1000.0;
}

// The compact window and the full window of type Full.
template <class Full> class Factory final : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool) override {
        return std::make_unique<watcher::FormProgressSmall>();
    }
    std::unique_ptr<manager::FullWindow> createFullWindow(bool) override { return std::make_unique<Full>(); }
};

// A population of `genes` adjustable cells as a run under way has it, the
// channels cleared; exits when it cannot be made.
inline int32_t createRunningPopulation(int32_t genes) {
    int32_t pop = 0;
    const int32_t geneCounts[] = {genes};
    const int16_t methods[] = {QX_METHOD_RECIPE};
    if (QxPopCreate(50, 1, geneCounts, methods, &pop) != QX_OK) {
        std::fprintf(stderr, "cannot create the population\n");
        std::exit(1);
    }
    QxClearTempData();
    QxPopSetRunStatus(pop, QxRunStatusOptimizing);
    QxPopTimerStart(pop);
    return pop;
}

// What the add-in tells the Watcher after the first trial: the graphs show
// 500 trials at first and the last 100 trials.
inline void writeFirstTrialInfo() {
    const int32_t allTrials = 500, lastTrials = 100;
    const int16_t yes = QX_TRUE;
    QxWriteTempData(manager::WatcherManager::ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown, &allTrials, 4);
    QxWriteTempData(manager::WatcherManager::ChannelFirstTrialNumLastTrialsToShow, &lastTrials, 4);
    QxWriteTempData(manager::WatcherManager::ChannelFirstTrialInfoAvailable, &yes, 2);
}

// A run as the add-in sets it up, with the full window of type Full: the
// window factory, the manager, a running population of `genes` adjustable
// cells and the log; the bench's Run adds its inputs and sets the windows up.
// Scripted dialogs stand in for a person.
template <class Full> class RunBase {
public:
    RunBase(const std::string& logPath, int32_t genes) {
        manager::setWindowFactory(&m_factory);
        m_manager.Initialize();
        m_pop = createRunningPopulation(genes);
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_LogPath(QString::fromStdString(logPath));
        m_manager.setInput_OptimizationEngine(1);
    }
    ~RunBase() {
        m_manager.Dispose();
        manager::setWindowFactory(nullptr);
        QxPopFree(m_pop);
    }
    RunBase(const RunBase&) = delete;
    RunBase& operator=(const RunBase&) = delete;

    manager::WatcherManager& manager() { return m_manager; }

protected:
    ol::ScriptedVisualServices m_visual;
    ol::ScopedVisualServices m_scope{m_visual.asServices()};
    Factory<Full> m_factory;
    manager::WatcherManager m_manager;
    int32_t m_pop = 0;
};

// The benchmarks, headless and with channels and mutexes of their own
// (instance `instance`), away from a real Watcher; `atEnd` runs after them.
inline int runBenchmarks(int argc, char** argv, const char* instance, void (*atEnd)() = nullptr) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("SELVANE_INSTANCE", instance, 0);
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    if (atEnd != nullptr)
        atEnd();
    benchmark::Shutdown();
    return 0;
}

} // namespace benchsupport
