#include "FrontierProgressPage.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QChart>
#include <QFrame>
#include <QLabel>
#include <QLegend>

#include "Formatting.h"
#include "GraphControl.h"
#include "LogReaders.h"
#include "PageLayout.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"
#include "ol/SpecialValues.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

constexpr double kGraphTop = 120;
constexpr double kGraphGap = 200;

int languageOfResourceServer() {
    const auto server = engine::ProcessState::resourceServer();
    return server ? server->language() : ol::kLanguageEnglish;
}

} // namespace

FrontierProgressPage::FrontierProgressPage(QFrame* frame, QLabel* statusLabel)
    : WatcherPage(frame), LabelProgressStatus(statusLabel) {
    MirGraphAllTrials = new GraphControl(frame);
    MirGraphAllTrials->setObjectName(QStringLiteral("MirGraphAllTrials"));
    MirGraphEfficientFrontier = new GraphControl(frame);
    MirGraphEfficientFrontier->setObjectName(QStringLiteral("MirGraphEfficientFrontier"));
    ArrangeGraphs(std::min(std::round((kPageWidthTwips - 360) / 2), kPageHeightTwips - 700));
    MirGraphAllTrials->setVisible(false);
    MirGraphEfficientFrontier->setVisible(false);
    manager::publishFrontierGraph(this);
}

FrontierProgressPage::~FrontierProgressPage() {
    if (manager::publishedFrontierGraph() == this)
        manager::publishFrontierGraph(nullptr);
}

void FrontierProgressPage::ArrangeGraphs(double side) {
    log(QStringLiteral("FormProgressEF_Resize, about to change Width of progress graph"));
    log(QStringLiteral("FormProgressEF_Resize, about to change Height of progress graph"));
    setGeometryTwips(MirGraphAllTrials, 60, kGraphTop, side, side);
    log(QStringLiteral("FormProgressEF_Resize, about to change Left property of EF graph"));
    log(QStringLiteral("FormProgressEF_Resize, about to change Width property of EF graph"));
    log(QStringLiteral("FormProgressEF_Resize, about to change Height property of EF graph"));
    setGeometryTwips(MirGraphEfficientFrontier, 60 + side + kGraphGap, kGraphTop, side, side);
    log(QStringLiteral("FormProgressEF_Resize, done positioning/resizing graphs"));
}

void FrontierProgressPage::InitializePage() {
    ProgressTab_Initialize();
}

const manager::FrontierStepCurve& FrontierProgressPage::stepCurve(int32_t k) const {
    static const manager::FrontierStepCurve kEmpty;
    return k >= 1 && k <= static_cast<int32_t>(m_ProgressCurve.size()) ? m_ProgressCurve[static_cast<size_t>(k - 1)]
                                                                       : kEmpty;
}

void FrontierProgressPage::ProgressTab_Initialize() {
    try {
        manager::WatcherManager& mgr = *manager();
        const int n = mgr.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final().count();
        m_ProgressCurve.assign(static_cast<size_t>(std::max(n, 0)), manager::FrontierStepCurve());
        m_ProgressCurveIndex.clear();
        m_ShownCurves.clear();
        m_ShownFrontier = manager::FrontierPoints();
        m_Solutions = manager::FrontierSolutions();
        m_TrialCount = 0;
        m_Axes = manager::FrontierAxesOf(mgr);
        const int language = languageOfResourceServer();
        log(QStringLiteral("About to create graph to create progress PGrGraph object"));
        MirGraphAllTrials->NewGraph(GraphControl::kKindLineGraph, language, QString());
        log(QStringLiteral("About to create graph to create efficient frontier PGrGraph object"));
        MirGraphEfficientFrontier->NewGraph(GraphControl::kKindLineGraph, language, QString());
        log(QStringLiteral("Done assigning PGrGraph objects to controls"));
        if (LabelProgressStatus != nullptr)
            LabelProgressStatus->setText(engine::GetResourceString(4062));
        // The progress graph's legend names its curves, one under the
        // other beside the plot: in a row under a square graph the names of
        // five or more constraining values would be cut short.
        MirGraphAllTrials->chart()->legend()->setAlignment(Qt::AlignRight);
        MirGraphEfficientFrontier->SetLegendVisible(false);
        log(QStringLiteral("Done making legends invisible"));
        MirGraphAllTrials->SetTitle(engine::GetResourceString(4063));
        MirGraphEfficientFrontier->SetTitle(m_Axes.frontierTitle);
        log(QStringLiteral("Done assigning title to EF graph"));

        log(QStringLiteral("FormProgressEF, about to DefineCustomAutoscaling for EF graph"));
        MirGraphEfficientFrontier->DefineCustomAutoscaling(GraphAxis::X, m_Axes.xRange.minimum, m_Axes.xRange.maximum,
                                                           true, 0);
        MirGraphEfficientFrontier->SetScalingIsAutomatic(GraphAxis::X, true);
        MirGraphEfficientFrontier->SetManualScalingAllowed(GraphAxis::X, false);
        MirGraphEfficientFrontier->SetManualScalingAllowed(GraphAxis::Y, false);
        MirGraphEfficientFrontier->SetAxisTitle(GraphAxis::X, m_Axes.constrainingAxisTitle);
        MirGraphEfficientFrontier->SetAxisTitle(GraphAxis::Y, m_Axes.valueAxisTitle);
        log(QStringLiteral("FormProgressEF, done setting properties of EF graph"));

        m_ProgressCurveKeys = manager::FrontierCurveKeys(n);

        if (m_Axes.valueAxisDates) {
            MirGraphEfficientFrontier->SetDateScaling(GraphAxis::Y, true);
            MirGraphAllTrials->SetDateScaling(GraphAxis::Y, true);
        }
        MirGraphEfficientFrontier->SetNumberFormat(GraphAxis::Y, m_Axes.valueAxisFormat);
        MirGraphAllTrials->SetNumberFormat(GraphAxis::Y, m_Axes.valueAxisFormat);
        if (m_Axes.constrainingAxisDates)
            MirGraphEfficientFrontier->SetDateScaling(GraphAxis::X, true);
        MirGraphEfficientFrontier->SetNumberFormat(GraphAxis::X, m_Axes.constrainingAxisFormat);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("ProgressTab_Initialize"));
        log(QStringLiteral("Error initializing progress tab in Watcher: ") + error.description());
    }
}

void FrontierProgressPage::InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t) {
    ProgressTab_InitializeAfterFirstTrial(graphAllTrialsInitialNumTrialsShown);
}

void FrontierProgressPage::ProgressTab_InitializeAfterFirstTrial(int32_t initialNumTrialsShown) {
    try {
        m_GraphCurrentOptimizationTrialsShown = initialNumTrialsShown;
        MirGraphAllTrials->DefineCustomAutoscaling(GraphAxis::X, 0.0, initialNumTrialsShown, true, 0);
        MirGraphAllTrials->SetScalingIsAutomatic(GraphAxis::X, true);
        MirGraphAllTrials->SetManualScalingAllowed(GraphAxis::X, false);
        MirGraphAllTrials->SetManualScalingAllowed(GraphAxis::Y, false);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("ProgressTab_InitializeAfterFirstTrial"));
        log(QStringLiteral("Error in ProgressTab_InitializeAfterFirstTrial in Watcher: ") + error.description());
    }
}

void FrontierProgressPage::ShowAfterFirstTrial() {
    MirGraphAllTrials->setVisible(true);
    MirGraphEfficientFrontier->setVisible(true);
    log(QStringLiteral("FormProgressEF, done making graphs visible"));
}

// The log is read once per update: each value's progress-step count, the
// steps that are new, and the trial count. Both graphs and the summary page
// draw from that reading.
void FrontierProgressPage::Update(const PageUpdate& update) {
    ol::StepGuard guard;
    guard.run([&] {
        if (LabelProgressStatus != nullptr)
            LabelProgressStatus->setText(manager()->ProgressStatusText());
    });
    guard.run([&] {
        manager::WatcherManager& mgr = *manager();
        const double trials = engine::Log_GetTrialCount(mgr.Input_LogPath());
        // A forced update, or a log that shrank (another log at the path),
        // reads every value's step again.
        if (update.force || trials < m_TrialCount)
            m_Solutions.invalidate();
        m_TrialCount = trials;
        m_Solutions.refresh(mgr, static_cast<int32_t>(m_ProgressCurve.size()));
    });
    for (int32_t k = 1; k <= static_cast<int32_t>(m_ProgressCurve.size()); ++k)
        guard.run([&] { ProgressTab_UpdateProgressStepInfoPerConstrainingValue(k); });
    if (update.selected || update.force)
        guard.run([&] { ProgressTab_Update(update.force); });
}

void FrontierProgressPage::ProgressTab_UpdateProgressStepInfoPerConstrainingValue(int32_t k) {
    if (k < 1 || k > static_cast<int32_t>(m_ProgressCurve.size()))
        return;
    const manager::FrontierSolution& solution = m_Solutions.at(k);
    if (!solution.found())
        return;
    m_ProgressCurve[static_cast<size_t>(k - 1)].see(m_TrialCount, solution.best);
}

void FrontierProgressPage::ProgressTab_Update(bool redrawAll) {
    manager::WatcherManager& mgr = *manager();
    ol::StepGuard guard;
    const double trialCount = mgr.TrialCount();
    guard.run([&] {
        if (trialCount > m_GraphCurrentOptimizationTrialsShown) {
            const double range = engine::RoundUpAtLeadingDigit(2.0 * trialCount).toDouble();
            m_GraphCurrentOptimizationTrialsShown =
                static_cast<int32_t>(std::min(range, static_cast<double>(std::numeric_limits<int32_t>::max())));
            MirGraphAllTrials->DefineCustomAutoscaling(GraphAxis::X, 0.0, m_GraphCurrentOptimizationTrialsShown, true,
                                                       0);
        }
    });
    for (auto key = m_ProgressCurveKeys.rbegin(); key != m_ProgressCurveKeys.rend(); ++key) {
        const int32_t k = *key;
        const manager::FrontierStepCurve& curve = stepCurve(k);
        if (curve.isEmpty())
            continue;
        guard.run([&] {
            const double best = m_Solutions.at(k).best;
            const ShownCurve shown{static_cast<size_t>(curve.points().count()), trialCount,
                                   ol::isSpecial(best) ? curve.lastSeen() : best};
            const auto found = m_ProgressCurveIndex.find(k);
            // Nothing new for this curve: it keeps its data.
            if (found != m_ProgressCurveIndex.end() && !redrawAll && m_ShownCurves[k] == shown)
                return;
            curve.withFinalPoint(trialCount, best, m_Shown);
            if (found == m_ProgressCurveIndex.end()) {
                const int number = MirGraphAllTrials->AddCurve(m_Shown.x, m_Shown.y, GraphControl::kStyleProgress,
                                                               manager::FrontierCurveLegend(mgr, k));
                m_ProgressCurveIndex[k] = number;
            } else {
                MirGraphAllTrials->ChangeDataSource(m_Shown.x, m_Shown.y, found->second);
            }
            m_ShownCurves[k] = shown;
        });
    }
    guard.run([&] { ProgressTab_UpdateGraphEfficientFrontier(redrawAll); });
}

void FrontierProgressPage::ProgressTab_UpdateGraphEfficientFrontier(bool redrawAll) {
    manager::WatcherManager& mgr = *manager();
    const std::vector<double> values = manager::FrontierConstrainingValues(mgr);
    const int n = std::min(static_cast<int>(values.size()), static_cast<int>(mgr.Input_EFNumConstrainingValues()));
    std::vector<double> best;
    best.reserve(static_cast<size_t>(std::max(n, 0)));
    for (int32_t k = 1; k <= n; ++k)
        best.push_back(m_Solutions.at(k).best);
    const manager::FrontierPoints points =
        manager::FrontierCurve(values, best, mgr.Input_RuntimeGoalType(), mgr.Input_RuntimeTargetValue());
    if (points.count() == 0) {
        log(QStringLiteral("ProgressTab_UpdateGraphEfficientFrontier, no EF points found to update graph."));
        return;
    }
    if (MirGraphEfficientFrontier->CurveCount() == 0)
        MirGraphEfficientFrontier->AddCurve(points.x, points.y, GraphControl::kStyleLineAndPoints, QString());
    else if (redrawAll || points.x != m_ShownFrontier.x || points.y != m_ShownFrontier.y)
        MirGraphEfficientFrontier->ChangeDataSource(points.x, points.y, 1);
    m_ShownFrontier = points;
}

bool FrontierProgressPage::ModalDialogBeingDisplayed() const {
    return MirGraphEfficientFrontier->ModalDialogBeingDisplayed() || MirGraphAllTrials->ModalDialogBeingDisplayed();
}

void FrontierProgressPage::Dispose() {
    m_ProgressCurve.clear();
    m_ProgressCurveIndex.clear();
    m_ShownCurves.clear();
    m_Solutions = manager::FrontierSolutions();
    WatcherPage::Dispose();
}

void FrontierProgressPage::SetFirstItemColor(uint32_t color) {
    if (MirGraphEfficientFrontier->CurveCount() > 0)
        MirGraphEfficientFrontier->SetCurveColor(1, static_cast<QRgb>(color & 0xFFFFFFu));
}

manager::FrontierChart FrontierProgressPage::ChartData() const {
    manager::FrontierChart chart;
    chart.title = MirGraphEfficientFrontier->Title();
    chart.xAxisTitle = MirGraphEfficientFrontier->AxisTitle(GraphAxis::X);
    chart.yAxisTitle = MirGraphEfficientFrontier->AxisTitle(GraphAxis::Y);
    chart.xNumberFormat = MirGraphEfficientFrontier->NumberFormat(GraphAxis::X);
    chart.yNumberFormat = MirGraphEfficientFrontier->NumberFormat(GraphAxis::Y);
    for (int c = 1; c <= MirGraphEfficientFrontier->CurveCount(); ++c) {
        manager::FrontierChartSeries series;
        for (const QPointF& p : MirGraphEfficientFrontier->curvePoints(c)) {
            series.x.push_back(p.x());
            series.y.push_back(p.y());
        }
        series.color = MirGraphEfficientFrontier->CurveColor(c).rgb() & 0xFFFFFFu;
        chart.series.push_back(std::move(series));
    }
    return chart;
}

} // namespace watcher
