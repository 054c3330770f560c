#include "FrontierCurves.h"

#include <algorithm>
#include <cmath>

#include "Formatting.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/SpecialValues.h"
#include "ol/TextUtils.h"

namespace manager {

std::vector<int32_t> FrontierCurveKeys(int32_t count) {
    std::vector<int32_t> keys;
    if (count <= 0)
        return keys;
    if (count <= kMaxFrontierProgressCurves) {
        for (int32_t k = 1; k <= count; ++k)
            keys.push_back(k);
        return keys;
    }
    keys.push_back(1);
    const double spacing = static_cast<double>(count - 1) / 9.0;
    for (int32_t j = 2; j <= 9; ++j)
        keys.push_back(static_cast<int32_t>(std::trunc(spacing * (j - 1))) + 1);
    keys.push_back(count);
    return keys;
}

FrontierPoints FrontierCurve(const std::vector<double>& constrainingValues, const std::vector<double>& bestValues,
                             int32_t goalType, double targetValue) {
    FrontierPoints points;
    const size_t n = std::min(constrainingValues.size(), bestValues.size());
    for (size_t i = 0; i < n; ++i) {
        const double best = bestValues[i];
        if (ol::isSpecial(best))
            continue;
        points.x.push_back(constrainingValues[i]);
        points.y.push_back(goalType == 3 ? std::fabs(best - targetValue) : best);
    }
    // The series runs in one direction; a falling one is shown reversed.
    const bool ascending = constrainingValues.size() < 2 || constrainingValues[1] >= constrainingValues[0];
    if (!ascending) {
        std::reverse(points.x.begin(), points.x.end());
        std::reverse(points.y.begin(), points.y.end());
    }
    return points;
}

FrontierRange FrontierXRange(double firstValue, double lastValue) {
    return firstValue < lastValue ? FrontierRange{firstValue, lastValue} : FrontierRange{lastValue, firstValue};
}

FrontierStepCurve::FrontierStepCurve() : m_lastSeen(ol::kNoValue) {}

bool FrontierStepCurve::see(double trial, double best) {
    if (ol::isSpecial(best) || best == m_lastSeen)
        return false;
    if (!m_points.x.empty()) {
        m_points.x.push_back(trial);
        m_points.y.push_back(m_points.y.back());
    }
    m_points.x.push_back(trial);
    m_points.y.push_back(best);
    m_lastSeen = best;
    return true;
}

void FrontierStepCurve::withFinalPoint(double trial, double best, FrontierPoints& out) const {
    out.x.assign(m_points.x.begin(), m_points.x.end());
    out.y.assign(m_points.y.begin(), m_points.y.end());
    out.x.push_back(trial);
    // A reading that failed keeps the curve at its last value.
    out.y.push_back(ol::isSpecial(best) ? m_lastSeen : best);
}

std::vector<double> FrontierConstrainingValues(const WatcherManager& manager) {
    const engine::TaggedCollection& values = manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final();
    std::vector<double> result;
    result.reserve(static_cast<size_t>(values.count()));
    for (int i = 1; i <= values.count(); ++i)
        result.push_back(values.item(i).toDouble());
    return result;
}

FrontierAxes FrontierAxesOf(const WatcherManager& manager) {
    FrontierAxes axes;
    axes.valueAxisDates = manager.Input_TargetCellValuesTreatedAsDates();
    axes.valueAxisFormat = manager.Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish();
    axes.constrainingAxisDates = manager.Input_EFConstrainedCellValuesTreatedAsDate();
    axes.constrainingAxisFormat = manager.Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish();
    axes.constrainingAxisTitle = manager.Input_EFConstraintFormula();
    axes.valueAxisTitle = manager.Input_OptimizationObjectiveStr();
    axes.frontierTitle = engine::GetResourceString(4064);
    if (manager.Input_RuntimeGoalType() == 3)
        axes.frontierTitle += QStringLiteral("\r\n(") + engine::GetResourceString(4065) + u')';
    const std::vector<double> values = FrontierConstrainingValues(manager);
    if (!values.empty())
        axes.xRange = FrontierXRange(values.front(), values.back());
    return axes;
}

QString FrontierCurveLegend(WatcherManager& manager, int32_t k) {
    const engine::TaggedCollection& formatted =
        manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted();
    const QString given = k >= 1 && k <= formatted.count() ? formatted.item(k).toString() : QString();
    if (manager.Input_EFConstrainedCellValuesTreatedAsDate() ||
        ol::sameTextIgnoringCase(manager.Input_EFConstrainedCellNumberFormat_ShortIfDate(),
                                 QStringLiteral("General")) ||
        given.isEmpty()) {
        return manager.FormatConstrainingValue(
            manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final().item(k).toDouble());
    }
    return given;
}

} // namespace manager
