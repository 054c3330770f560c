// The efficient-frontier Watcher window's main loop: one tick of its update
// timer (status, both windows refreshed through the manager) and its Update
// alone, over an analysis of 50 constraining values whose optimizations
// together hold 1,000,000 trials, with the progress graphs, the summary or
// the log page selected; and a tick while the analysis goes on, the log
// growing by a second's trials between two ticks.
//
// The finished analysis's log is written once through the engine library's
// writer and kept in the temp folder (selvane-frontier-bench-<uid>/) for
// later runs; the growing log is written once per process.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTabWidget>

#include "FormProgressEF.h"
#include "GraphControl.h"
#include "WatcherManager.h"
#include "bench_support.h"
#include "compact/FormProgressSmall.h"
#include "ol/ScriptedVisualServices.h"
#include "pages/FrontierProgressPage.h"
#include "qxlib8.h"

namespace {

using benchsupport::cacheDir;
using benchsupport::reportMedian;
using benchsupport::trialCount;

constexpr int32_t kValues = 50;
constexpr int32_t kTrialsPerValue = 20'000;
constexpr int32_t kTrials = kValues * kTrialsPerValue;
constexpr int32_t kGenes = 10;
// Trials the add-in appends between two ticks of the growing run.
constexpr int32_t kTrialsPerTick = 500;

double constrainingValue(int32_t k) {
    return 100.0 + 10.0 * (k - 1);
}

// An optimization improves quickly at first and then ever more rarely: a
// progress step at its trials 1, 2, 4, 8, ... and at every 400th trial,
// about 60 steps per constraining value.
bool isStep(int32_t localTrial) {
    return (localTrial & (localTrial - 1)) == 0 || localTrial % 400 == 0;
}

// Writes the trials of the analysis numbered first..last (whole-analysis
// numbering) and their progress steps, each step under its constraining
// value's index.
class AnalysisWriter {
public:
    explicit AnalysisWriter(int32_t log) : m_log(log), m_genes(kGenes) { m_record.geneValues = m_genes.data(); }
    void append(int32_t first, int32_t last) {
        for (int32_t n = first; n <= last; ++n) {
            const int32_t k = std::min((n - 1) / kTrialsPerValue + 1, kValues);
            const int32_t local = n - (k - 1) * kTrialsPerValue;
            if (local == 1)
                m_steps = 0;
            const bool step = isStep(local);
            if (step)
                ++m_steps;
            // A larger budget buys a better objective; each step improves it.
            const double best = 50.0 * std::sqrt(constrainingValue(k)) + m_steps * 0.25;
            m_record.recalcNum = n;
            m_record.elapsedMs = n * 2;
            m_record.valueWithPenalties = step ? best : best - 1.0 - (n % 7);
            m_record.spareValue = m_record.valueWithPenalties;
            m_record.extra.validTrialCount = n;
            m_record.extra.constrainingCellValue = constrainingValue(k) - (n % 5);
            m_record.extra.markerFlag = n % 5 == 0 ? 1 : 0;
            for (size_t g = 0; g < m_genes.size(); ++g)
                m_genes[g] = static_cast<double>((n * 7 + static_cast<int32_t>(g) * 13) % 1000) / 10.0;
            if (QxLogAppendTrialWVB(m_log, &m_record) != QX_OK ||
                (step && QxLogAppendProgressStepWVB(m_log, k, &m_record) != QX_OK)) {
                std::fprintf(stderr, "append failed at trial %d\n", n);
                std::exit(1);
            }
        }
    }

private:
    int32_t m_log;
    std::vector<double> m_genes;
    QxLogRecord m_record{};
    int32_t m_steps = 0;
};

int32_t createLog(const std::string& path) {
    int32_t log = 0;
    if (QxLogCreateWVB(path.c_str(), 1, kGenes, 0, nullptr, nullptr, nullptr, &log) != QX_OK) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    return log;
}

// The finished analysis, written on first use and kept between runs.
const std::string& analysisLog() {
    static const std::string path = [] {
        const std::string p = (cacheDir("frontier") / "ef-50x20000-g10.qxlog").string();
        if (trialCount(p) == kTrials)
            return p;
        std::fprintf(stderr, "writing %s (once)...\n", p.c_str());
        const int32_t log = createLog(p);
        AnalysisWriter(log).append(1, kTrials);
        QxLogClose(log);
        return p;
    }();
    return path;
}

// An analysis under way in its last optimization: the log stays open for
// writing, so the benchmark can append to it between ticks as the add-in
// does. Written once per process (a log cannot be reopened for appending).
struct LiveLog {
    std::string path;
    int32_t log = 0;
    int32_t trials = 0;
    std::unique_ptr<AnalysisWriter> writer;
};
std::unique_ptr<LiveLog> g_liveLog;
LiveLog& liveLog() {
    if (!g_liveLog) {
        auto l = std::make_unique<LiveLog>();
        l->path =
            (cacheDir("frontier") / ("ef-live-" + std::to_string(static_cast<long>(::getpid())) + ".qxlog")).string();
        std::fprintf(stderr, "writing %s...\n", l->path.c_str());
        l->log = createLog(l->path);
        l->writer = std::make_unique<AnalysisWriter>(l->log);
        // The last optimization is half done.
        l->trials = kTrials - kTrialsPerValue / 2;
        l->writer->append(1, l->trials);
        g_liveLog = std::move(l);
    }
    return *g_liveLog;
}
// The growing log is this process's own: closed and removed at the end.
void removeLiveLog() {
    if (!g_liveLog)
        return;
    QxLogClose(g_liveLog->log);
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"})
        std::filesystem::remove(g_liveLog->path + suffix, ec);
    g_liveLog.reset();
}

// A frontier analysis as the add-in sets it up: manager, both windows, a
// population and the log; the windows are set up after the first trial and
// the full window is on screen, so every tick does its full work.
class Run : public benchsupport::RunBase<watcher::FormProgressEF> {
public:
    explicit Run(const std::string& logPath) : RunBase(logPath, kGenes) {
        m_manager.setInput_Runtime_TrialCount(kTrialsPerValue);
        m_manager.setInput_TargetCellNumberFormat(QStringLiteral("#,##0.00"));
        m_manager.setInput_OptimizationObjectiveStr(QStringLiteral("Return"));
        m_manager.setInput_EFPerformAnalysis(true);
        m_manager.setInput_EFConstraintFormula(QStringLiteral("=SUM(B2:B11)"));
        m_manager.setInput_EFConstraintDisplayFormula_LHSide(QStringLiteral("Budget"));
        m_manager.setInput_EFConstraintOperatorAsString(QStringLiteral("<="));
        engine::TaggedCollection values, formatted, names, dateFlags;
        for (int32_t k = 1; k <= kValues; ++k) {
            values.add(engine::TaggedValue::fromDouble(constrainingValue(k)));
            formatted.add(engine::TaggedValue::fromString(QString::number(constrainingValue(k))));
        }
        for (int32_t g = 1; g <= kGenes; ++g) {
            names.add(engine::TaggedValue::fromString(QStringLiteral("Cell%1").arg(g)));
            dateFlags.add(engine::TaggedValue::fromBool(false));
        }
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(values);
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial(values);
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted(formatted);
        m_manager.setInput_EFNumConstrainingValues(kValues);
        m_manager.setInput_AllGeneNamesCol(names);
        m_manager.setInput_AdjustableCellsFormatAsDateCol(dateFlags);
        m_manager.InitializeForms();
        form = dynamic_cast<watcher::FormProgressEF*>(m_manager.fullWindow());
        if (form == nullptr) {
            std::fprintf(stderr, "the manager made no frontier window\n");
            std::exit(1);
        }
        benchsupport::writeFirstTrialInfo();
        m_manager.ShowFullWatcher();
        form->TimerUpdate_Timer();
        form->SetUpdateTimerEnabled(false);
        QApplication::processEvents();
    }

    void selectTab(int tab) {
        auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("TabMain"));
        tabs->setCurrentIndex(tab);
        QApplication::processEvents();
    }
    // Whether the window shows the whole analysis: a progress curve for each
    // of the ten chosen values and a frontier point for every value.
    bool showsAnalysis(int32_t valuesWithSteps) const {
        const watcher::FrontierProgressPage* page = form->progressPage();
        return page->progressGraph()->CurveCount() == std::min<int32_t>(10, valuesWithSteps) &&
               page->frontierGraph()->CurveCount() == 1 &&
               page->frontierGraph()->curvePoints(1).size() == valuesWithSteps;
    }

    watcher::FormProgressEF* form = nullptr;
};

// One tick of the finished analysis's window, nothing forced, with the page
// given as argument selected (0 = the graphs, 1 = the summary, 2 = the log).
// The tick is timed with the paint that follows it, as on screen. The log
// does not change between these ticks, as while a run is paused.
void BM_FrontierTick(benchmark::State& state) {
    Run run(analysisLog());
    run.selectTab(static_cast<int>(state.range(0)));
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        run.form->TimerUpdate_Timer();
        QApplication::processEvents();
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (run.form->StopTimer())
        state.SkipWithError("the tick stopped the timer");
    run.selectTab(watcher::FormProgressEF::TabProgress);
    run.form->Update(true, false);
    if (!run.showsAnalysis(kValues))
        state.SkipWithError("the graphs do not show the analysis");
    reportMedian(state, us);
}
BENCHMARK(BM_FrontierTick)->ArgName("tab")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The window's Update alone, as the tick makes it with the graphs shown.
void BM_FrontierUpdate(benchmark::State& state) {
    Run run(analysisLog());
    std::vector<double> us;
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        run.form->Update(false, false);
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    if (!run.showsAnalysis(kValues))
        state.SkipWithError("the graphs do not show the analysis");
    reportMedian(state, us);
}
BENCHMARK(BM_FrontierUpdate)->Unit(benchmark::kMillisecond)->MinTime(3.0);

// A tick of an analysis under way: between two ticks the add-in appends a
// second's worth of trials (and the progress steps among them) to the last
// optimization, so the progress curves move on every tick, as in a real run.
// Appending is not timed. Argument: the page selected, as above.
void BM_FrontierTickGrowing(benchmark::State& state) {
    LiveLog& live = liveLog();
    Run run(live.path);
    run.selectTab(static_cast<int>(state.range(0)));
    std::vector<double> us;
    for (auto _ : state) {
        state.PauseTiming();
        live.writer->append(live.trials + 1, live.trials + kTrialsPerTick);
        live.trials += kTrialsPerTick;
        state.ResumeTiming();
        QElapsedTimer t;
        t.start();
        run.form->TimerUpdate_Timer();
        QApplication::processEvents();
        us.push_back(static_cast<double>(t.nsecsElapsed()) / 1000.0);
    }
    run.selectTab(watcher::FormProgressEF::TabProgress);
    run.form->TimerUpdate_Timer();
    if (!run.showsAnalysis(kValues))
        state.SkipWithError("the graphs do not show the analysis");
    // The last value's curve reaches the last trial appended.
    const auto points = run.form->progressPage()->progressGraph()->curvePoints(1);
    if (points.isEmpty() || points.back().x() != live.trials)
        state.SkipWithError("the last optimization's curve lags behind the log");
    reportMedian(state, us);
}
BENCHMARK(BM_FrontierTickGrowing)->ArgName("tab")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(100);

} // namespace

int main(int argc, char** argv) {
    return benchsupport::runBenchmarks(argc, argv, "frontier_tick_bench", removeLiveLog);
}
