// The axes of GraphControl: their titles, number formats and scaling, and
// how a range is chosen, stepped and labelled.
#include "GraphControl.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QCategoryAxis>
#include <QChart>

#include "ol/NumberFormat.h"
#include "ol/NumberFormatCache.h"

namespace watcher {

namespace {

// Date axes step in whole days where they can (labels are dates).
constexpr std::array<double, 12> kDateSteps = {1, 2, 5, 7, 14, 28, 56, 91, 182, 364, 728, 1820};
constexpr std::array<double, 5> kTimeSteps = {1.0 / 24, 2.0 / 24, 3.0 / 24, 6.0 / 24, 12.0 / 24};

double niceStep(double range, int target, bool dates) {
    const double raw = range / std::max(1, target);
    if (!(raw > 0) || !std::isfinite(raw))
        return 1.0;
    if (dates) {
        for (double s : kTimeSteps) {
            if (raw <= s)
                return s;
        }
        for (double s : kDateSteps) {
            if (raw <= s)
                return s;
        }
        return 3640.0 * std::ceil(raw / 3640.0);
    }
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / magnitude;
    const double nice = f <= 1.0 ? 1.0 : f <= 2.0 ? 2.0 : f <= 2.5 ? 2.5 : f <= 5.0 ? 5.0 : 10.0;
    return nice * magnitude;
}

} // namespace

void GraphControl::SetAxisTitle(GraphAxis axis, const QString& title) {
    state(axis).title = title;
    state(axis).axis->setTitleText(title);
}

QString GraphControl::AxisTitle(GraphAxis axis) const {
    return state(axis).title;
}

void GraphControl::SetDateScaling(GraphAxis axis, bool on) {
    state(axis).dateScaling = on;
    state(axis).labelled = false;
    updateAxis(axis);
}

bool GraphControl::DateScaling(GraphAxis axis) const {
    return state(axis).dateScaling;
}

void GraphControl::SetNumberFormat(GraphAxis axis, const QString& code) {
    state(axis).numberFormat = code;
    state(axis).labelled = false;
    updateAxis(axis);
}

QString GraphControl::NumberFormat(GraphAxis axis) const {
    return state(axis).numberFormat;
}

void GraphControl::DefineCustomAutoscaling(GraphAxis axis, double minimum, double maximum, bool enabled,
                                           int /*reserved*/) {
    AxisState& s = state(axis);
    s.customEnabled = enabled;
    s.customMin = std::min(minimum, maximum);
    s.customMax = std::max(minimum, maximum);
    updateAxis(axis);
}

void GraphControl::SetScalingIsAutomatic(GraphAxis axis, bool on) {
    AxisState& s = state(axis);
    if (s.automatic && !on) {
        s.manualMin = s.shownMin;
        s.manualMax = s.shownMax;
    }
    s.automatic = on;
    updateAxis(axis);
}

bool GraphControl::ScalingIsAutomatic(GraphAxis axis) const {
    return state(axis).automatic;
}

void GraphControl::SetManualScalingAllowed(GraphAxis axis, bool on) {
    state(axis).manualAllowed = on;
}

bool GraphControl::ManualScalingAllowed(GraphAxis axis) const {
    return state(axis).manualAllowed;
}

double GraphControl::axisMinimum(GraphAxis axis) const {
    return state(axis).shownMin;
}

double GraphControl::axisMaximum(GraphAxis axis) const {
    return state(axis).shownMax;
}

QStringList GraphControl::axisLabels(GraphAxis axis) const {
    QStringList labels = state(axis).axis->categoriesLabels();
    // Labels made unique for the axis carry zero-width spaces; callers see
    // the text as shown.
    for (QString& label : labels)
        label.remove(QChar(0x200B));
    return labels;
}

QString GraphControl::labelText(const AxisState& s, double value) const {
    if (s.dateScaling) {
        const auto format = ol::NumberFormatCache::global().get(s.numberFormat.toStdString());
        const QString code = format->valid() && format->isDate() ? s.numberFormat : QStringLiteral("m/d/yyyy");
        return ol::formatNumber(value, code);
    }
    const QString code = s.numberFormat.trimmed().isEmpty() ? QStringLiteral("General") : s.numberFormat;
    return ol::formatNumber(value, code);
}

// The tick values of an axis from lo to hi every step (at most 64), with a
// tick that rounding left next to zero put on zero.
std::vector<double> GraphControl::tickValues(double lo, double hi, double step) {
    std::vector<double> ticks;
    const double first = std::ceil(lo / step - 1e-9) * step;
    for (int i = 0; i < 64; ++i) {
        double value = first + i * step;
        if (value > hi + step * 1e-9)
            break;
        if (std::abs(value) < step * 1e-9)
            value = 0.0;
        ticks.push_back(value);
    }
    return ticks;
}

bool GraphControl::distinctLabels(const AxisState& s, double lo, double hi, double step) const {
    QString previous;
    bool firstTick = true;
    // Far below any resolution a format shows for this step, and never half
    // of one (formats resolve to powers of ten).
    const double nudge = step * 3.7e-7;
    for (const double value : tickValues(lo, hi, step)) {
        const QString label = labelText(s, value);
        if (!firstTick && label == previous)
            return false;
        // A tick on a rounding boundary of the format (8.025% under "0.00%")
        // gets a label that is not its value, and the axis reads unevenly
        // (8.00%, 8.03%, 8.05%): values just below and above it round apart
        // while its own label is one of the two.
        // Zero is exact, and a format may show the nudges as "-0.00%" and "0.00%".
        if (!s.dateScaling && value != 0.0) {
            const QString below = labelText(s, value - nudge);
            const QString above = labelText(s, value + nudge);
            if (below != above && (label == below || label == above))
                return false;
        }
        previous = label;
        firstTick = false;
    }
    return true;
}

void GraphControl::updateAxis(GraphAxis which) {
    AxisState& s = state(which);
    double lo = 0.0;
    double hi = 1.0;
    bool fromData = false;
    if (!s.automatic) {
        lo = s.manualMin;
        hi = s.manualMax;
    } else if (s.customEnabled) {
        lo = s.customMin;
        hi = s.customMax;
    } else {
        double dataMin = std::numeric_limits<double>::infinity();
        double dataMax = -dataMin;
        for (const Curve& c : m_curves) {
            if (!c.hasPoints)
                continue;
            dataMin = std::min(dataMin, which == GraphAxis::X ? c.minX : c.minY);
            dataMax = std::max(dataMax, which == GraphAxis::X ? c.maxX : c.maxY);
        }
        if (dataMin <= dataMax) {
            lo = dataMin;
            hi = dataMax;
            fromData = true;
        }
    }
    if (!(hi > lo)) {
        // A single value (a flat curve): some room around it.
        const double pad = s.dateScaling ? 1.0 : (lo == 0.0 ? 1.0 : std::abs(lo) * 0.1);
        lo -= pad;
        hi += pad;
    }
    const QSizeF area = m_chart->size().isEmpty() ? QSizeF(QWidget::size()) : m_chart->size();
    const int target = which == GraphAxis::X ? std::clamp(static_cast<int>(area.width() / 110), 2, 10)
                                             : std::clamp(static_cast<int>(area.height() / 45), 2, 10);
    // An axis that follows the data takes a coarser step while its number
    // format shows two ticks alike (a range of 0.001 % under "0.00%"); a
    // range pinned by the caller keeps its ticks.
    double step = niceStep(hi - lo, target, s.dateScaling);
    const double dataLo = lo, dataHi = hi;
    for (int attempt = 0; attempt < 40; ++attempt) {
        lo = dataLo;
        hi = dataHi;
        if (fromData) {
            // Round outwards to whole steps, so that the axis moves only when
            // the data cross a step rather than with every new point.
            lo = std::floor(lo / step + 1e-9) * step;
            hi = std::ceil(hi / step - 1e-9) * step;
            if (!(hi > lo))
                hi = lo + step;
        }
        if (!fromData || distinctLabels(s, lo, hi, step))
            break;
        step = niceStep(step * 1.01, 1, s.dateScaling);
    }
    if (s.labelled && lo == s.shownMin && hi == s.shownMax && target == s.shownTickTarget)
        return;
    const bool rangeChanged = !s.labelled || lo != s.shownMin || hi != s.shownMax;
    s.shownMin = lo;
    s.shownMax = hi;
    s.shownTickTarget = target;
    s.labelled = true;
    if (which == GraphAxis::X && rangeChanged)
        redrawThinnable();

    QCategoryAxis* axis = s.axis;
    const QStringList old = axis->categoriesLabels();
    for (const QString& label : old)
        axis->remove(label);
    axis->setRange(lo, hi);
    axis->setStartValue(lo - (hi - lo) * 1e-9);
    QStringList used;
    for (const double value : tickValues(lo, hi, step)) {
        QString label = labelText(s, value);
        // The axis needs distinct labels; a format that shows two ticks alike
        // keeps both, told apart by invisible characters.
        while (used.contains(label))
            label += QChar(0x200B);
        used << label;
        axis->append(label, std::min(value, hi));
    }
}

} // namespace watcher
