#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace manager {

class WatcherManager;

// The most curves the frontier window's progress graph draws, whatever the
// length of the series.
inline constexpr int32_t kMaxFrontierProgressCurves = 10;

// The constraining values (1-based, in optimization order) that get a step
// curve in the progress graph of a series of `count` values: every one up to
// kMaxFrontierProgressCurves, otherwise the first, the last and eight spread
// evenly between them.
std::vector<int32_t> FrontierCurveKeys(int32_t count);

// A two-row array of doubles, one column per point.
struct FrontierPoints {
    std::vector<double> x;
    std::vector<double> y;
    int count() const { return static_cast<int>(x.size()); }
};

// The efficient frontier from the series' constraining values and the best
// value found for each (the no-value double where none was found yet): one
// point per value that has a best value, so that x grows from left to right
// when the values were given in either order (the series runs either way).
// With goal type 3 (a target value) y is the distance to the target.
FrontierPoints FrontierCurve(const std::vector<double>& constrainingValues, const std::vector<double>& bestValues,
                             int32_t goalType, double targetValue);

// The frontier graph's x range: the first and the last constraining value,
// the smaller first.
struct FrontierRange {
    double minimum = 0.0;
    double maximum = 0.0;
};
FrontierRange FrontierXRange(double firstValue, double lastValue);

// The step curve of one constraining value's optimization: flat from the
// trial at which a best value was seen until the trial at which the next one
// was, then a jump. x values are trial numbers of the whole analysis.
class FrontierStepCurve {
public:
    FrontierStepCurve();
    // Takes the best value seen at `trial`. Nothing changes for the no-value
    // double or for the value last seen; returns whether the curve grew.
    bool see(double trial, double best);
    const FrontierPoints& points() const { return m_points; }
    double lastSeen() const { return m_lastSeen; }
    bool isEmpty() const { return m_points.x.empty(); }
    // The curve with one more point at (trial, best): what the graph shows so
    // that the curve reaches the current trial. `out` is reused.
    void withFinalPoint(double trial, double best, FrontierPoints& out) const;

private:
    FrontierPoints m_points;
    double m_lastSeen;
};

// How both graphs of the frontier window set their axes, read once from the
// manager's inputs: date scaling and host number formats of the value axes
// (both graphs) and of the constraining-value axis (frontier graph), titles.
struct FrontierAxes {
    bool valueAxisDates = false;
    QString valueAxisFormat;
    bool constrainingAxisDates = false;
    QString constrainingAxisFormat;
    QString constrainingAxisTitle;
    QString valueAxisTitle;
    // Title of the frontier graph (resource texts; two lines for a target).
    QString frontierTitle;
    FrontierRange xRange;
};
FrontierAxes FrontierAxesOf(const WatcherManager& manager);

// The legend text of constraining value k's progress curve: the add-in's
// formatted value, or the value formatted here when that is empty or the
// values are dates or in "General".
QString FrontierCurveLegend(WatcherManager& manager, int32_t k);

// The constraining values of the series in optimization order, as doubles.
std::vector<double> FrontierConstrainingValues(const WatcherManager& manager);

} // namespace manager
