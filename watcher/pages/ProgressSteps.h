#pragma once

#include <cstdint>
#include <vector>

#include "GraphControl.h"

namespace watcher {

// The progress steps of a run (a step is a trial that produced a new best
// value) and the step curves that the progress graphs draw from them. Pure
// data, no controls: the page feeds it and hands its curves to the graphs.
class ProgressSteps {
public:
    // Steps are read, and the graphs refreshed, only while at most this many
    // steps are held.
    static constexpr int kMaxSteps = 100000;

    void clear();
    int count() const { return static_cast<int>(m_trials.size()); }
    bool isEmpty() const { return m_trials.empty(); }
    const std::vector<double>& trials() const { return m_trials; }
    const std::vector<double>& values() const { return m_values; }

    // Appends a step and extends the step curve: the first step is one
    // point; every later one adds (trial, previous value) and then (trial,
    // value), so the curve stays flat until the improving trial and jumps
    // there.
    void append(double trial, double value);

    // The step curve of every step so far (m_StepCurve).
    const GraphPoints& stepCurve() const { return m_curve; }

    // The all-trials curve: the step curve and one final point (trialCount,
    // currentBest) so that the curve reaches the current trial. The final
    // point is appended to the step curve for the call of `use` and taken
    // off afterwards, so no copy of the curve is made.
    template <class F> void withFinalPoint(double trialCount, double currentBest, F&& use) {
        m_curve.append(trialCount, currentBest);
        struct Pop {
            GraphPoints& c;
            ~Pop() {
                c.x.pop_back();
                c.y.pop_back();
            }
        } pop{m_curve};
        use(static_cast<const GraphPoints&>(m_curve));
    }

    // The position of trial t relative to the current trial T on the
    // last-trials axis: t - T - 1, so the current trial is at -1. A value
    // that is not a 32-bit whole number gives the most negative 32-bit
    // value, which lies left of any window.
    static double RelativePosition(double trial, double trialCount);

    // The last-trials curve over the window -n .. 0, built from right to
    // left: (-1, currentBest); for each step from the latest back, (p, its
    // value) and, unless it is the first step, (p, the previous step's
    // value); a step left of -n adds (-n, its value) instead and ends the
    // walk. Without any step left of -n the curve ends at the first step.
    void LastTrialsCurve(double trialCount, int32_t n, double currentBest, GraphPoints& out) const;

private:
    std::vector<double> m_trials;
    std::vector<double> m_values;
    GraphPoints m_curve;
};

} // namespace watcher
