#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace manager {

// One plotted series of the efficient-frontier graph, as a chart rebuilt in
// the host receives it: points in plotting order and the series' colour in
// the graph control's colour value.
struct FrontierChartSeries {
    QString name;
    std::vector<double> x;
    std::vector<double> y;
    uint32_t color = 0;
};

// What the efficient-frontier graph shows, enough to rebuild it as a chart
// elsewhere: titles, the axes' number formats (host format codes) and the
// plotted series, the first plotted item first.
struct FrontierChart {
    QString title;
    QString xAxisTitle;
    QString yAxisTitle;
    QString xNumberFormat;
    QString yNumberFormat;
    std::vector<FrontierChartSeries> series;
};

// The efficient-frontier graph that the frontier window publishes for the
// whole process while it exists, so that the manager can rebuild it as a
// chart in the host (EFGraphChartInExcel) without knowing the window.
class FrontierGraph {
public:
    virtual ~FrontierGraph() = default;
    // Colours the graph's first plotted item (what the chart then shows too).
    virtual void SetFirstItemColor(uint32_t color) = 0;
    virtual FrontierChart ChartData() const = 0;
};

// The published graph, or null when no frontier window exists. Not owned.
FrontierGraph* publishedFrontierGraph();
// Publishes a graph (null withdraws it); the window withdraws its own graph
// before it is destroyed.
void publishFrontierGraph(FrontierGraph* graph);

} // namespace manager
