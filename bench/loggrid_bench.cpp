// The log grid's data source over logs of 10,000, 1,000,000 and 10,000,000
// trials (20 genes, 5 constraints): the row count plus one screen of 40 rows
// at a random place, and scrolling from the first to the last row in 100
// steps. With --rss=<trials> (or --rss-tableview=<trials>) the program
// instead shows the log page with that log offscreen, scrolls it from top to
// bottom and prints the process's resident memory.
//
// The logs are written once through the engine library's writer into a cache
// folder outside the source tree ($SELVANE_BENCH_CACHE, else
// $XDG_CACHE_HOME/selvane-bench, else /tmp/selvane-bench-cache-<uid>) and
// reused by later runs; writing the 10,000,000-trial log takes minutes and
// about 3 GB.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QFrame>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>

#include "LogGridView.h"
#include "LogPage.h"
#include "ProcessState.h"
#include "ProgressDialogLogSvr.h"
#include "QxLibBinding.h"
#include "WatcherManager.h"
#include "ol/ResourceServer.h"
#include "qxlib8.h"

namespace {

constexpr int32_t kGenes = 20;
constexpr int32_t kConstraints = 5;
constexpr int32_t kTrialsPerStep = 1000;
constexpr int kScreenRows = 40;
constexpr int kScrollSteps = 100;

std::filesystem::path cacheDir() {
    std::filesystem::path dir;
    if (const char* own = std::getenv("SELVANE_BENCH_CACHE"); own && *own)
        dir = own;
    else if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg)
        dir = std::filesystem::path(xdg) / "selvane-bench";
    else
        dir = "/tmp/selvane-bench-cache-" + std::to_string(static_cast<long>(::getuid()));
    std::filesystem::create_directories(dir);
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
    // Trial n: genes around n, constraints met on even trials.
    const QxLogRecord* at(int32_t n) {
        r.recalcNum = n;
        r.elapsedMs = n * 3;
        r.spareValue = r.valueWithPenalties = 1000.0 + n * 0.001;
        r.extra.validTrialCount = n;
        for (int32_t g = 0; g < kGenes; ++g)
            genes[static_cast<size_t>(g)] = n * 0.5 + g * 0.125;
        for (int32_t c = 0; c < kConstraints; ++c) {
            cv[static_cast<size_t>(c)] = (n % 2 == 0) ? 0.0 : c * 0.25;
            ccv[static_cast<size_t>(c)] = n - c;
        }
        return &r;
    }
};

// The log of `trials` trials, written when the cache does not hold it yet.
// A marker file beside it tells a complete log from one cut short.
std::string cachedLog(int32_t trials) {
    const std::filesystem::path path = cacheDir() / ("loggrid-" + std::to_string(trials) + ".qxlog");
    const std::filesystem::path done = path.string() + ".complete";
    if (std::filesystem::exists(done) && std::filesystem::exists(path))
        return path.string();
    std::fprintf(stderr, "writing %s (%d trials) ...\n", path.c_str(), trials);
    static const char* names[kConstraints] = {"Budget", "Headcount", "Risk", "Ratio", "Deadline"};
    static const int16_t hard[kConstraints] = {0, 1, 0, 2, 0};
    static const int16_t atomic[kConstraints] = {QX_TRUE, QX_FALSE, QX_FALSE, QX_TRUE, QX_TRUE};
    int32_t log = 0;
    if (QxLogCreateWVB(path.c_str(), 2, kGenes, kConstraints, names, hard, atomic, &log) != QX_OK) {
        std::fprintf(stderr, "cannot create %s\n", path.c_str());
        std::exit(1);
    }
    Record rec;
    for (int32_t n = 1; n <= trials; ++n) {
        if (QxLogAppendTrialWVB(log, rec.at(n)) != QX_OK ||
            ((n == 1 || n % kTrialsPerStep == 0) && QxLogAppendProgressStepWVB(log, 1, rec.at(n)) != QX_OK)) {
            std::fprintf(stderr, "append failed at trial %d\n", n);
            std::exit(1);
        }
    }
    QxLogClose(log);
    std::ofstream(done.string()) << trials << '\n';
    return path.string();
}

// A run's manager and a bound server over the log of `trials` trials.
struct Served {
    manager::WatcherManager manager;
    loggrid::ProgressDialogLogSvr server;
    explicit Served(int32_t trials) {
        manager.setInput_LogPath(QString::fromStdString(cachedLog(trials)));
        server.InitializeAndAddColumnsToGrid(nullptr, &manager);
    }
};

Served& served(int32_t trials) {
    static std::map<int32_t, std::unique_ptr<Served>> all;
    auto& s = all[trials];
    if (!s)
        s = std::make_unique<Served>(trials);
    return *s;
}

// One screen: the row count, then 40 rows from `first`.
void readScreen(loggrid::ProgressDialogLogSvr& server, int32_t first, QVariantList& row) {
    const int32_t rows = server.GetLogRowCount();
    benchmark::DoNotOptimize(rows);
    for (int32_t r = first; r < first + kScreenRows && r < rows; ++r) {
        server.IsgGridDataSource_GetRowData(r, 0, row);
        benchmark::DoNotOptimize(row.constData());
    }
}

void BM_RowCountAndScreen(benchmark::State& state) {
    Served& s = served(static_cast<int32_t>(state.range(0)));
    const int32_t rows = s.server.GetLogRowCount();
    std::mt19937 random(42);
    std::uniform_int_distribution<int32_t> place(0, rows - kScreenRows);
    QVariantList row;
    for (auto _ : state)
        readScreen(s.server, place(random), row);
    state.counters["rows"] = rows;
    state.counters["columns"] = s.server.columnCount();
}
BENCHMARK(BM_RowCountAndScreen)->Arg(10'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

void BM_ScrollFirstToLast(benchmark::State& state) {
    Served& s = served(static_cast<int32_t>(state.range(0)));
    const int32_t rows = s.server.GetLogRowCount();
    const int64_t last = rows - kScreenRows;
    QVariantList row;
    for (auto _ : state)
        for (int step = 0; step < kScrollSteps; ++step)
            readScreen(s.server, static_cast<int32_t>(last * step / (kScrollSteps - 1)), row);
}
BENCHMARK(BM_ScrollFirstToLast)->Arg(10'000)->Arg(1'000'000)->Arg(10'000'000)->Unit(benchmark::kMillisecond);

long statusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    const size_t n = std::strlen(field);
    while (std::getline(status, line))
        if (line.compare(0, n, field) == 0)
            return std::atol(line.c_str() + n + 1);
    return -1;
}

// The log page shown offscreen over the log, scrolled from the first to the
// last row in 100 steps, each painted; prints the resident memory.
int measureResidentMemory(int argc, char** argv, int32_t trials, bool tableView) {
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    const std::string path = cachedLog(trials);
    QApplication app(argc, argv);
    engine::InitializeQxLib();
    engine::ProcessState::setResourceServer(std::make_shared<ol::ResourceServer>());
    const long before = statusKb("VmRSS:");

    manager::WatcherManager manager;
    manager.setInput_LogPath(QString::fromStdString(path));
    QFrame frame;
    frame.resize(560, 330);
    QScrollBar* bar = nullptr;
    QWidget* view = nullptr;
    std::unique_ptr<loggrid::ProgressDialogLogSvr> server;
    QTableView* table = nullptr;
    bool settingControls = false;
    if (!tableView) {
        auto* page = new watcher::LogPage(&frame);
        watcher::PageContext context;
        context.manager = &manager;
        context.window = &frame;
        context.settingControls = &settingControls;
        page->Initialize(context);
        page->BindLogServer();
        page->LoggingTab_Update();
        bar = page->grid()->verticalScrollBar();
        view = page->grid();
    } else {
        // The same model in a QTableView, for comparison.
        server = std::make_unique<loggrid::ProgressDialogLogSvr>();
        server->InitializeAndAddColumnsToGrid(nullptr, &manager);
        table = new QTableView(&frame);
        table->resize(540, 300);
        table->setModel(server.get());
        server->SetGridRowCount(server->GetLogRowCount());
        bar = table->verticalScrollBar();
        view = table;
    }
    frame.show();
    QApplication::processEvents();
    for (int step = 0; step < kScrollSteps; ++step) {
        bar->setValue(static_cast<int>(static_cast<int64_t>(bar->maximum()) * step / (kScrollSteps - 1)));
        view->grab();
        QApplication::processEvents();
    }
    std::printf("trials=%d view=%s rss_before_kb=%ld rss_shown_kb=%ld hwm_kb=%ld\n", trials,
                tableView ? "QTableView" : "LogGridView", before, statusKb("VmRSS:"), statusKb("VmHWM:"));
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("--rss=", 0) == 0)
            return measureResidentMemory(argc, argv, std::atoi(arg.c_str() + 6), false);
        if (arg.rfind("--rss-tableview=", 0) == 0)
            return measureResidentMemory(argc, argv, std::atoi(arg.c_str() + 16), true);
        if (arg.rfind("--generate=", 0) == 0) {
            std::printf("%s\n", cachedLog(std::atoi(arg.c_str() + 11)).c_str());
            return 0;
        }
    }
    engine::InitializeQxLib();
    engine::ProcessState::setResourceServer(std::make_shared<ol::ResourceServer>());
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
