// The graph control's data path: a curve's points replaced in one step (with
// the axes' ranges kept as the points are copied), with and without drawing
// the graph, and the progress page's pattern of a step curve that grows by two
// points per new best value.
#include <benchmark/benchmark.h>

#include <cmath>
#include <vector>

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>

#include "GraphControl.h"

namespace {

struct Curve {
    std::vector<double> x, y;
};

// A falling step curve of n points, like a minimization's progress.
Curve stepCurve(int n) {
    Curve c;
    c.x.reserve(static_cast<std::size_t>(n));
    c.y.reserve(static_cast<std::size_t>(n));
    double best = 1e6;
    for (int i = 0; i < n; ++i) {
        c.x.push_back(i / 2 * 10.0);
        if (i % 2 == 1)
            best *= 0.999;
        c.y.push_back(best);
    }
    return c;
}

void BM_ChangeDataSource(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    watcher::GraphControl graph;
    graph.resize(600, 400);
    graph.DefineCustomAutoscaling(watcher::GraphAxis::X, 0, n * 5.0);
    const Curve c = stepCurve(n);
    for (auto _ : state) {
        graph.ChangeDataSource(c.x, c.y);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ChangeDataSource)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// What a tick of a visible graph costs: new points, then the whole control
// drawn (600 x 400).
void BM_ChangeDataSourceAndDraw(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    watcher::GraphControl graph;
    graph.resize(600, 400);
    graph.show();
    graph.DefineCustomAutoscaling(watcher::GraphAxis::X, 0, n * 5.0);
    const Curve c = stepCurve(n);
    QImage image(graph.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        graph.ChangeDataSource(c.x, c.y);
        QPainter painter(&image);
        graph.render(&painter);
    }
    state.SetItemsProcessed(state.iterations() * n);
}
BENCHMARK(BM_ChangeDataSourceAndDraw)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMicrosecond);

// The progress page's pattern: every call hands over the whole step curve,
// two points longer than the last one (0 to range(0) points in all).
void BM_GrowingStepCurve(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const Curve c = stepCurve(n);
    for (auto _ : state) {
        watcher::GraphControl graph;
        graph.resize(600, 400);
        for (int k = 2; k <= n; k += 2)
            graph.ChangeDataSource(std::span<const double>(c.x.data(), static_cast<std::size_t>(k)),
                                   std::span<const double>(c.y.data(), static_cast<std::size_t>(k)));
    }
    state.SetItemsProcessed(state.iterations() * (n / 2));
}
BENCHMARK(BM_GrowingStepCurve)->Arg(200)->Arg(2000)->Unit(benchmark::kMillisecond);

// Exporting the end-of-run progress graph as a PNG file (image format 3).
void BM_ExportImage(benchmark::State& state) {
    watcher::GraphControl graph;
    graph.resize(600, 400);
    const Curve c = stepCurve(2000);
    graph.ChangeDataSource(c.x, c.y);
    const QString path = QStringLiteral("/tmp/selvane-graph-bench-%1.png").arg(QCoreApplication::applicationPid());
    for (auto _ : state)
        benchmark::DoNotOptimize(graph.ExportImage(path, watcher::GraphControl::kImageFormatPng, 800, 600));
    QFile::remove(path);
}
BENCHMARK(BM_ExportImage)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? QByteArrayLiteral("offscreen") : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
