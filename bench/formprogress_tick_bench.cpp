// The Watcher's main loop: one tick of the full window's update timer, which
// refreshes the compact window and the full window through the manager, over
// an optimization log of 1,000,000 trials; the full window's Update and its
// progress page's update with a 100,000-step progress history; and the
// Watcher's CPU while it monitors a run that keeps appending trials.
//
// The log is written once through the engine library's writer and kept in
// the temp folder (selvane-formprogress-bench-<uid>/) for later runs.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <QTabWidget>

#include "FormProgress.h"
#include "WatcherManager.h"
#include "bench_support.h"
#include "compact/FormProgressSmall.h"
#include "ol/ScriptedVisualServices.h"
#include "pages/ProgressPage.h"
#include "qxlib8.h"

namespace {

using benchsupport::cacheDir;
using benchsupport::reportMedian;
using benchsupport::trialCount;

constexpr int32_t kTrials = 1'000'000;
constexpr int32_t kGenes = 4;
constexpr int32_t kTrialsPerStep = 1000;
// A monitored run: the add-in appends a trial every 2 ms for this long.
constexpr int kMonitoredSeconds = 30;
constexpr auto kTrialPace = std::chrono::milliseconds(2);

struct Record {
    std::vector<double> genes;
    QxLogRecord r{};
    explicit Record(int32_t geneCount = kGenes) : genes(static_cast<size_t>(geneCount)) { r.geneValues = genes.data(); }
    // Trial n; the best value improves once every kTrialsPerStep trials.
    const QxLogRecord* at(int32_t n) {
        r.recalcNum = n;
        r.elapsedMs = n;
        r.spareValue = r.valueWithPenalties = 1000.0 + n * 0.001;
        r.extra.validTrialCount = n;
        for (size_t g = 0; g < genes.size(); ++g)
            genes[g] = n + static_cast<double>(g);
        return &r;
    }
};

// Appends trials first..last (and their progress steps) to an open log.
void appendTrials(int32_t log, int32_t first, int32_t last, int32_t geneCount = kGenes) {
    Record rec(geneCount);
    for (int32_t n = first; n <= last; ++n) {
        if (QxLogAppendTrialWVB(log, rec.at(n)) != QX_OK) {
            std::fprintf(stderr, "append failed at trial %d\n", n);
            std::exit(1);
        }
        if ((n == 1 || n % kTrialsPerStep == 0) && QxLogAppendProgressStepWVB(log, 1, rec.at(n)) != QX_OK) {
            std::fprintf(stderr, "progress step failed at trial %d\n", n);
            std::exit(1);
        }
    }
}

// The 1,000,000-trial log, written on first use and kept between runs.
const std::string& millionTrialLog() {
    static const std::string path = [] {
        const std::string p = (cacheDir("formprogress") / "log-1000000.qxlog").string();
        if (trialCount(p) == kTrials)
            return p;
        std::fprintf(stderr, "writing %s (once)...\n", p.c_str());
        int32_t log = 0;
        if (QxLogCreateWVB(p.c_str(), 1, kGenes, 0, nullptr, nullptr, nullptr, &log) != QX_OK) {
            std::fprintf(stderr, "cannot create %s\n", p.c_str());
            std::exit(1);
        }
        appendTrials(log, 1, kTrials);
        QxLogClose(log);
        return p;
    }();
    return path;
}

// A log of `trials` trials with `genes` adjustable cells, written on first
// use and kept between runs.
std::string cachedLog(int32_t trials, int32_t genes) {
    if (trials == kTrials && genes == kGenes)
        return millionTrialLog();
    const std::string p =
        (cacheDir("formprogress") / ("log-" + std::to_string(trials) + "-g" + std::to_string(genes) + ".qxlog"))
            .string();
    if (trialCount(p) == trials)
        return p;
    std::fprintf(stderr, "writing %s (once)...\n", p.c_str());
    int32_t log = 0;
    if (QxLogCreateWVB(p.c_str(), 1, genes, 0, nullptr, nullptr, nullptr, &log) != QX_OK) {
        std::fprintf(stderr, "cannot create %s\n", p.c_str());
        std::exit(1);
    }
    appendTrials(log, 1, trials, genes);
    QxLogClose(log);
    return p;
}

// A run as the add-in sets it up: manager, both windows, a population and
// the log; the windows are set up after the first trial, so every tick does
// its full work.
class Run : public benchsupport::RunBase<watcher::FormProgress> {
public:
    explicit Run(const std::string& logPath, int32_t geneNames = 0) : RunBase(logPath, kGenes) {
        m_manager.setInput_Runtime_TrialCount(2.0 * kTrials);
        m_manager.setInput_TargetCellNumberFormat(QStringLiteral("#,##0.00"));
        engine::TaggedCollection names;
        for (int32_t g = 1; g <= geneNames; ++g)
            names.add(engine::TaggedValue::fromString(QStringLiteral("Cell%1").arg(g)));
        m_manager.setInput_AllGeneNamesCol(names);
        m_manager.InitializeForms();
        form = dynamic_cast<watcher::FormProgress*>(m_manager.fullWindow());
        benchsupport::writeFirstTrialInfo();
        form->TimerUpdate_Timer();
        if (!form->GotInitializedAfterFirstTrial()) {
            std::fprintf(stderr, "the window did not set itself up after the first trial\n");
            std::exit(1);
        }
    }

    watcher::FormProgress* form = nullptr;
};

// One tick of a running optimization, nothing forced: the status is read,
// both windows are refreshed from the log, the channels are polled.
void BM_Tick(benchmark::State& state) {
    const std::string& path = millionTrialLog();
    Run run(path);
    run.form->SetUpdateTimerEnabled(false);
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        run.form->TimerUpdate_Timer();
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (run.form->StopTimer())
        state.SkipWithError("the tick stopped the timer");
    reportMedian(state, us);
}
BENCHMARK(BM_Tick)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The combined refresh that the manager forces (after the first trial, on
// pause and at the end): every page of the full window is refreshed.
void BM_ForcedUpdate(benchmark::State& state) {
    const std::string& path = millionTrialLog();
    Run run(path);
    run.form->SetUpdateTimerEnabled(false);
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        run.manager().BothDialogs_Update(true, false);
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    reportMedian(state, us);
}
BENCHMARK(BM_ForcedUpdate)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A progress history of kHistorySteps steps spread over the log's trials,
// the last one being the log's own best, so that the window's next read
// finds no new step and the history stays at its size.
constexpr int kHistorySteps = 100'000;
void seedProgressHistory(Run& run) {
    watcher::ProgressPage* page = run.form->progressPage();
    const double trials = run.manager().TrialCount();
    const double bestTrial = run.manager().BestTrialNumber();
    const double best = run.manager().ObjectiveValueBest();
    // The page starts over: the window's first update read one step already.
    page->ProgressTab_Initialize();
    page->ProgressTab_InitializeAfterFirstTrial(500, 100);
    for (int i = 1; i < kHistorySteps; ++i)
        page->AddProgressStep(1.0 + std::floor((bestTrial - 1.0) * i / kHistorySteps),
                              best - 1.0 + double(i) / kHistorySteps);
    page->AddProgressStep(bestTrial, best);
    if (page->steps().count() != kHistorySteps || trials < 1)
        std::fprintf(stderr, "the progress history was not seeded\n");
}

// The progress page's update (both curves) with a 100,000-step history.
// Argument: the trials in the log.
void BM_ProgressPageUpdate(benchmark::State& state) {
    Run run(cachedLog(static_cast<int32_t>(state.range(0)), kGenes));
    run.form->SetUpdateTimerEnabled(false);
    seedProgressHistory(run);
    watcher::ProgressPage* page = run.form->progressPage();
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        page->ProgressTab_Update();
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (page->allTrialsGraph()->curvePoints(1).size() != 2 * kHistorySteps)
        state.SkipWithError("the all-trials curve does not hold the history");
    reportMedian(state, us);
}
BENCHMARK(BM_ProgressPageUpdate)->Arg(10'000)->Arg(kTrials)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// One Update of the full window as a tick makes it with the summary page
// shown: status line, progress steps, the summary's three rows, the
// genetic-algorithm rates. Arguments: the trials in the log and its
// adjustable cells (1024 columns in the summary grid).
void BM_FullWindowUpdate(benchmark::State& state) {
    const auto genes = static_cast<int32_t>(state.range(1));
    Run run(cachedLog(static_cast<int32_t>(state.range(0)), genes), genes);
    run.form->SetUpdateTimerEnabled(false);
    seedProgressHistory(run);
    run.form->findChild<QTabWidget*>(QStringLiteral("TabMain"))->setCurrentIndex(watcher::FormProgress::TabSummary);
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        run.form->Update(false, false);
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (run.form->progressPage()->steps().count() != kHistorySteps)
        state.SkipWithError("the progress history changed size");
    reportMedian(state, us);
}
BENCHMARK(BM_FullWindowUpdate)
    ->Args({10'000, 1024})
    ->Args({10'000, kGenes})
    ->Args({kTrials, kGenes})
    ->Unit(benchmark::kMillisecond)
    ->MinTime(2.0);

double threadCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// The Watcher's user-interface thread while a run goes on: the window's own
// 1000 ms timer drives it in the event loop, the compact window (or the full
// window) is on screen, and another thread appends a trial every 2 ms to the
// run's log, as the add-in does. Only the user-interface thread's CPU is
// counted (the appending thread stands for the add-in's process).
void BM_MonitoredRunCpu(benchmark::State& state) {
    const std::string path = (cacheDir("formprogress") / "monitored.qxlog").string();
    constexpr int32_t kTrialsBefore = 1000;
    int32_t log = 0;
    if (QxLogCreateWVB(path.c_str(), 1, kGenes, 0, nullptr, nullptr, nullptr, &log) != QX_OK) {
        state.SkipWithError("cannot create the log");
        return;
    }
    appendTrials(log, 1, kTrialsBefore);
    Run run(path);
    // Argument 1: the full window is the one on screen instead of the
    // compact window.
    if (state.range(0) == 1)
        run.manager().ShowFullWatcher();
    int ticks = 0;
    QObject::connect(run.form->findChild<QTimer*>(QStringLiteral("TimerUpdate")), &QTimer::timeout,
                     [&ticks] { ++ticks; });

    for (auto _ : state) {
        std::atomic<bool> stop{false};
        std::thread addIn([&] {
            int32_t n = kTrialsBefore;
            auto next = std::chrono::steady_clock::now();
            while (!stop.load()) {
                ++n;
                appendTrials(log, n, n);
                next += kTrialPace;
                std::this_thread::sleep_until(next);
            }
        });
        const double cpu0 = threadCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        QEventLoop loop;
        QTimer::singleShot(kMonitoredSeconds * 1000, &loop, &QEventLoop::quit);
        loop.exec();
        const double cpu = threadCpuSeconds() - cpu0;
        const double seconds = static_cast<double>(wall.elapsed()) / 1000.0;
        stop = true;
        addIn.join();
        state.SetIterationTime(seconds);
        state.counters["cpu_percent_of_core"] = 100.0 * cpu / seconds;
        state.counters["trials_at_end"] = trialCount(path);
        state.counters["ticks"] = ticks;
    }
    if (run.form->StopTimer() || !run.form->UpdateTimerEnabled())
        state.SkipWithError("the update timer stopped during the run");
    QxLogClose(log);
}
BENCHMARK(BM_MonitoredRunCpu)->Arg(0)->Arg(1)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

int main(int argc, char** argv) {
    return benchsupport::runBenchmarks(argc, argv, "formprogress_tick_bench");
}
