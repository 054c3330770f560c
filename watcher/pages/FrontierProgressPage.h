#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "FrontierCurves.h"
#include "FrontierGraph.h"
#include "FrontierSolutions.h"
#include "WatcherPage.h"

class QLabel;

namespace watcher {

class GraphControl;

// Page 0 of the efficient-frontier window: on the left (MirGraphAllTrials)
// the step curves of the best value of up to ten of the series'
// optimizations against the trial number of the whole analysis, on the right
// (MirGraphEfficientFrontier) the frontier found so far, one point per
// constraining value with a solution. The frontier graph is published for the
// process while the page exists, so the manager can rebuild it as a chart in
// the host.
class FrontierProgressPage : public WatcherPage, public manager::FrontierGraph {
    Q_OBJECT

public:
    FrontierProgressPage(QFrame* frame, QLabel* statusLabel);
    ~FrontierProgressPage() override;

    void ProgressTab_Initialize();
    void ProgressTab_InitializeAfterFirstTrial(int32_t initialNumTrialsShown);
    // Grows the step curve of optimization k (1-based) when its best value,
    // as the last Update read it, changed.
    void ProgressTab_UpdateProgressStepInfoPerConstrainingValue(int32_t k);
    // Draws both graphs; a curve whose data are the ones it shows already
    // is left alone unless `redrawAll`.
    void ProgressTab_Update(bool redrawAll = false);
    void ProgressTab_UpdateGraphEfficientFrontier(bool redrawAll = false);
    // Squares of side `side` twips side by side.
    void ArrangeGraphs(double side);

    GraphControl* progressGraph() const { return MirGraphAllTrials; }
    GraphControl* frontierGraph() const { return MirGraphEfficientFrontier; }
    const std::vector<int32_t>& curveKeys() const { return m_ProgressCurveKeys; }
    const manager::FrontierStepCurve& stepCurve(int32_t k) const;
    int32_t trialsShown() const { return m_GraphCurrentOptimizationTrialsShown; }
    // The frontier solutions read by the last Update; the summary page shows
    // the same ones.
    const manager::FrontierSolutions& solutions() const { return m_Solutions; }

    // WatcherPage
    void InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow) override;
    void ShowAfterFirstTrial() override;
    void Update(const PageUpdate& update) override;
    bool ModalDialogBeingDisplayed() const override;
    void Dispose() override;

    // manager::FrontierGraph
    void SetFirstItemColor(uint32_t color) override;
    manager::FrontierChart ChartData() const override;

protected:
    void InitializePage() override;

private:
    GraphControl* MirGraphAllTrials = nullptr;
    GraphControl* MirGraphEfficientFrontier = nullptr;
    QLabel* LabelProgressStatus = nullptr;

    std::vector<manager::FrontierStepCurve> m_ProgressCurve;
    std::vector<int32_t> m_ProgressCurveKeys;
    // Curve number in the progress graph by constraining value.
    std::map<int32_t, int> m_ProgressCurveIndex;
    int32_t m_GraphCurrentOptimizationTrialsShown = 0;
    manager::FrontierAxes m_Axes;
    manager::FrontierSolutions m_Solutions;
    // The log's trial count as the last Update read it.
    double m_TrialCount = 0;
    // What a progress curve shows: its step count and final point.
    struct ShownCurve {
        size_t points = 0;
        double trial = 0;
        double best = 0;
        bool operator==(const ShownCurve&) const = default;
    };
    std::map<int32_t, ShownCurve> m_ShownCurves;
    manager::FrontierPoints m_ShownFrontier;
    // Reused from update to update.
    manager::FrontierPoints m_Shown;
};

} // namespace watcher
