// The manager's share of one tick of the Watcher window's update timer: the
// add-in's two pending questions (channels 16 and 20), the stop-timer
// request (channel 17), the locked refresh of both windows (the windows
// themselves do nothing here) and the status line, which reads the
// optimization log. Logs of 1,000 and 100,000 trials.
#include <memory>
#include <string>

#include <benchmark/benchmark.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "WatcherManager.h"
#include "ol/Directories.h"
#include "qxlib8.h"

namespace {

using manager::WatcherManager;

// The part of a window the manager calls on both kinds, doing nothing.
template <class Window, bool kVisible> class IdleWindow : public Window {
public:
    void Initialize(WatcherManager*) override {}
    void Hide() override {}
    void Unload() override {}
    void Dispose() override {}
    void Show() override {}
    bool Visible() const override { return kVisible; }
    void SetTopmost(bool) override {}
    int32_t TopTwips() const override { return 0; }
    ol::WindowRef windowRef() override { return {}; }
    void GoToPausingConfig() override {}
    void GoToRunningConfig() override {}
    void ControlsAfterStopClickedDisableEnable(bool) override {}
    void RestoreRunPauseButtonState() override {}
    void CheckWindowMoved() override {}
};

class IdleCompact : public IdleWindow<manager::CompactWindow, false> {
public:
    void InitializeAfterFirstTrial() override {}
    void Update() override {}
};

class IdleFull : public IdleWindow<manager::FullWindow, true> {
public:
    void InitializeAfterFirstTrial(int32_t, int32_t) override {}
    void Update(bool, bool) override {}
    void ShowStatusText(const QString&) override {}
    bool StopTimer() const override { return false; }
    void SetStopTimer(bool) override {}
    bool UpdateTimerEnabled() const override { return true; }
    void SetUpdateTimerEnabled(bool) override {}
    bool MirGraphModalDialogBeingDisplayed() const override { return false; }
    int32_t DialogConfiguration() const override { return 1; }
    void SetResumeSignalCounter(int32_t) override {}
    void ShowModal() override {}
    void AfterShow() override {}
    bool ExportProgressGraph(const QString&, const QString&, double, int, int) override { return false; }
};

class IdleFactory : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool) override {
        return std::make_unique<IdleCompact>();
    }
    std::unique_ptr<manager::FullWindow> createFullWindow(bool) override { return std::make_unique<IdleFull>(); }
};

// One run: a population, a log of `trials` trials with a progress step
// every 1,000 trials, and a manager with idle windows.
class Run {
public:
    explicit Run(int32_t trials) {
        const QString path = m_dir.filePath(QStringLiteral("run.selvanelog"));
        int32_t log = 0;
        QxLogCreateWVB(path.toUtf8().constData(), 1, 1, 0, nullptr, nullptr, nullptr, &log);
        for (int32_t t = 1; t <= trials; ++t) {
            const double gene = t;
            QxLogRecord r{};
            r.valueWithPenalties = 100.0 + t;
            r.recalcNum = t;
            r.geneValues = &gene;
            r.extra.validTrialCount = t;
            QxLogAppendTrialWVB(log, &r);
            if (t % 1000 == 1)
                QxLogAppendProgressStepWVB(log, 1, &r);
        }
        QxLogClose(log);
        const int32_t genes[] = {1};
        const int16_t methods[] = {1};
        QxPopCreate(4, 1, genes, methods, &m_pop);
        QxPopSetRunStatus(m_pop, WatcherManager::kRunStatusOptimizing);
        manager::setWindowFactory(&m_factory);
        m_manager.Initialize();
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_LogPath(path);
        m_manager.InitializeForms();
    }
    ~Run() {
        m_manager.Dispose();
        QxPopFree(m_pop);
    }
    WatcherManager& manager() { return m_manager; }

private:
    QTemporaryDir m_dir;
    IdleFactory m_factory;
    int32_t m_pop = 0;
    WatcherManager m_manager;
};

// One run at a time per process (one optimization per Watcher).
std::unique_ptr<Run> g_run;
int32_t g_runTrials = 0;

Run& run(int32_t trials) {
    if (!g_run || g_runTrials != trials) {
        g_run.reset();
        g_run = std::make_unique<Run>(trials);
        g_runTrials = trials;
    }
    return *g_run;
}

void BM_ManagerTick(benchmark::State& state) {
    WatcherManager& m = run(static_cast<int32_t>(state.range(0))).manager();
    for (auto _ : state) {
        m.CheckForXLRequestToAskUserAboutSolverAndProcess();
        m.CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
        benchmark::DoNotOptimize(m.OLToldWatcherToStopTimer());
        m.BothDialogs_Update(false, false);
        benchmark::DoNotOptimize(m.ProgressStatusText());
    }
}
BENCHMARK(BM_ManagerTick)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_ProgressStatusText(benchmark::State& state) {
    WatcherManager& m = run(static_cast<int32_t>(state.range(0))).manager();
    for (auto _ : state)
        benchmark::DoNotOptimize(m.ProgressStatusText());
}
BENCHMARK(BM_ProgressStatusText)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);

void BM_BothDialogsUpdate(benchmark::State& state) {
    WatcherManager& m = run(1000).manager();
    for (auto _ : state)
        m.BothDialogs_Update(false, false);
}
BENCHMARK(BM_BothDialogsUpdate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    // Channels, mutexes and logs of the benchmark's own, apart from a Watcher
    // that may be running.
    const QTemporaryDir logs;
    const QByteArray instance = QByteArray("manager_tick_bench_") + QByteArray::number(qint64(::getpid()));
    qputenv("SELVANE_LOG_DIR", logs.path().toUtf8());
    qputenv("SELVANE_INSTANCE", instance);
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_run.reset();
    const std::string block = "/selvane-qxtemp-" + std::to_string(::getuid()) + "-" + instance.toStdString();
    ::shm_unlink(block.c_str());
    if (const QString mutexes = ol::runtimeDirectory(); mutexes.endsWith(QString::fromLatin1(instance)))
        QDir(mutexes).removeRecursively();
    return 0;
}
