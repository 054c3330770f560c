#include "ProgressSteps.h"

#include <cmath>
#include <limits>

namespace watcher {

void ProgressSteps::clear() {
    m_trials.clear();
    m_values.clear();
    m_curve.clear();
}

void ProgressSteps::append(double trial, double value) {
    if (!m_values.empty())
        m_curve.append(trial, m_values.back());
    m_curve.append(trial, value);
    m_trials.push_back(trial);
    m_values.push_back(value);
}

double ProgressSteps::RelativePosition(double trial, double trialCount) {
    constexpr double kMost = std::numeric_limits<int32_t>::max();
    constexpr double kLeast = std::numeric_limits<int32_t>::min();
    const double p = trial - trialCount - 1.0;
    if (!std::isfinite(p) || p > kMost || p < kLeast)
        return kLeast;
    return std::round(p);
}

void ProgressSteps::LastTrialsCurve(double trialCount, int32_t n, double currentBest, GraphPoints& out) const {
    out.clear();
    out.append(-1.0, currentBest);
    const double left = -static_cast<double>(n);
    for (size_t i = m_trials.size(); i-- > 0;) {
        const double p = RelativePosition(m_trials[i], trialCount);
        if (p < left) {
            out.append(left, m_values[i]);
            return;
        }
        out.append(p, m_values[i]);
        if (i > 0)
            out.append(p, m_values[i - 1]);
    }
}

} // namespace watcher
