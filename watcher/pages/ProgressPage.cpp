#include "ProgressPage.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include <QFrame>
#include <QLabel>

#include "Formatting.h"
#include "GraphControl.h"
#include "PageLayout.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/OLError.h"
#include "ol/ResourceServer.h"
#include "ol/SpecialValues.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

int languageOfResourceServer() {
    const auto server = engine::ProcessState::resourceServer();
    return server ? server->language() : ol::kLanguageEnglish;
}

int32_t toAxisEnd(double value) {
    constexpr double kMost = std::numeric_limits<int32_t>::max();
    if (!std::isfinite(value) || value >= kMost)
        return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::max(0.0, value));
}

} // namespace

ProgressPage::ProgressPage(QFrame* frame, QLabel* statusLabel)
    : WatcherPage(frame), LabelProgressStatus(statusLabel), m_LastBestValue(std::numeric_limits<double>::quiet_NaN()) {
    // The two graphs side by side; hidden until the first trial is seen.
    const double graphWidth = (kPageWidthTwips - 360) / 2;
    const double graphHeight = kPageHeightTwips - 700;
    MirGraphLastTrials = new GraphControl(frame);
    MirGraphLastTrials->setObjectName(QStringLiteral("MirGraphLastTrials"));
    setGeometryTwips(MirGraphLastTrials, 60, 120, graphWidth, graphHeight);
    MirGraphAllTrials = new GraphControl(frame);
    MirGraphAllTrials->setObjectName(QStringLiteral("MirGraphAllTrials"));
    setGeometryTwips(MirGraphAllTrials, graphWidth + 200, 120, graphWidth, graphHeight);
    for (GraphControl* graph : {MirGraphLastTrials, MirGraphAllTrials})
        graph->setVisible(false);
}

void ProgressPage::InitializePage() {
    log(QStringLiteral("WATCHER: about to call ProgressTab_Initialize"));
    ProgressTab_Initialize();
    log(QStringLiteral("WATCHER: ProgressTab_Initialize returned"));
}

void ProgressPage::ProgressTab_Initialize() {
    try {
        manager::WatcherManager& mgr = *manager();
        m_Steps.clear();
        m_LastBestValue = std::numeric_limits<double>::quiet_NaN();
        const int language = languageOfResourceServer();
        MirGraphLastTrials->NewGraph(GraphControl::kKindLineGraph, language, QString());
        MirGraphAllTrials->NewGraph(GraphControl::kKindLineGraph, language, QString());
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, created and initialized graphs"));
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, assigned first graph to control"));
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, assigned graphs to controls"));

        MirGraphLastTrials->SetRightClickEnabled(mgr.Stop_AtEndShowOptionsToUser());
        MirGraphAllTrials->SetRightClickEnabled(mgr.Stop_AtEndShowOptionsToUser());
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, set graph control RightClickEnabled properties"));

        MirGraphLastTrials->setVisible(false);
        MirGraphAllTrials->setVisible(false);
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, set graph visibility"));

        if (LabelProgressStatus != nullptr)
            LabelProgressStatus->setText(engine::GetResourceString(4037));
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, set status message"));

        MirGraphLastTrials->SetHelpFilePath(mgr.Input_MainHelpFilePath());
        MirGraphAllTrials->SetHelpFilePath(mgr.Input_MainHelpFilePath());
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, assigned HelpFilePath"));

        MirGraphLastTrials->SetLegendVisible(false);
        MirGraphAllTrials->SetLegendVisible(false);
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, set Legend.Visible"));

        if (mgr.Input_TargetCellValuesTreatedAsDates()) {
            log(QStringLiteral("WATCHER, ProgressTab_Initialize, about to set DateScaling"));
            MirGraphLastTrials->SetDateScaling(GraphAxis::Y, true);
            MirGraphAllTrials->SetDateScaling(GraphAxis::Y, true);
            log(QStringLiteral("WATCHER, ProgressTab_Initialize, set DateScaling"));
        }

        log(QStringLiteral("WATCHER, ProgressTab_Initialize, about to set number format of Y axes"));
        const QString format = mgr.Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish();
        MirGraphLastTrials->SetNumberFormat(GraphAxis::Y, format);
        MirGraphAllTrials->SetNumberFormat(GraphAxis::Y, format);
        log(QStringLiteral("WATCHER, ProgressTab_Initialize, done setting number format of Y axes"));
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("ProgressTab_Initialize"));
        log(QStringLiteral("Error initializing progress tab in Watcher: ") + error.description());
    }
}

void ProgressPage::InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow) {
    ProgressTab_InitializeAfterFirstTrial(graphAllTrialsInitialNumTrialsShown, numLastTrialsToShow);
}

void ProgressPage::ProgressTab_InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown,
                                                         int32_t numLastTrialsToShow) {
    try {
        m_NumLastTrialsToShow = numLastTrialsToShow;
        const double n = numLastTrialsToShow;
        MirGraphLastTrials->SetAxisTitle(GraphAxis::X, engine::GetResourceString(4039, numLastTrialsToShow));
        MirGraphLastTrials->DefineCustomAutoscaling(GraphAxis::X, -n, 0.0, true, 0);
        MirGraphLastTrials->SetScalingIsAutomatic(GraphAxis::X, true);
        MirGraphLastTrials->SetManualScalingAllowed(GraphAxis::X, false);
        MirGraphLastTrials->SetManualScalingAllowed(GraphAxis::Y, false);

        MirGraphAllTrials->SetAxisTitle(GraphAxis::X, engine::GetResourceString(4041));
        MirGraphAllTrials->DefineCustomAutoscaling(GraphAxis::X, 0.0, graphAllTrialsInitialNumTrialsShown, true, 0);
        m_AllTrialsShown = graphAllTrialsInitialNumTrialsShown;
        MirGraphAllTrials->SetScalingIsAutomatic(GraphAxis::X, true);
        MirGraphAllTrials->SetManualScalingAllowed(GraphAxis::X, false);
        MirGraphAllTrials->SetManualScalingAllowed(GraphAxis::Y, false);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("ProgressTab_InitializeAfterFirstTrial"));
        log(QStringLiteral("Error in ProgressTab_InitializeAfterFirstTrial in Watcher: ") + error.description());
    }
}

void ProgressPage::ShowAfterFirstTrial() {
    MirGraphAllTrials->setVisible(true);
    MirGraphLastTrials->setVisible(true);
}

void ProgressPage::Update(const PageUpdate& update) {
    ol::StepGuard guard;
    guard.run([&] { UpdateProgressStatusLabel(); });
    guard.run([&] { ProgressTab_ReadProgressSteps(); });
    if (update.selected || update.force)
        guard.run([&] { ProgressTab_Update(); });
}

void ProgressPage::UpdateProgressStatusLabel() {
    if (LabelProgressStatus != nullptr && manager() != nullptr)
        LabelProgressStatus->setText(manager()->ProgressStatusText());
}

void ProgressPage::ProgressTab_ReadProgressSteps() {
    ol::tryOr(false, [&] {
        if (m_Steps.count() > ProgressSteps::kMaxSteps)
            return false;
        manager::WatcherManager& mgr = *manager();
        log(QStringLiteral("WATCHER: about to call QxPopGetProgressStepCount(") +
            QString::number(mgr.Input_PopHandle()) + u')');
        if (mgr.ProgressStepCount() < 1)
            return false;
        const double best = mgr.ObjectiveValueBest();
        const double trial = mgr.BestTrialNumber();
        const double bestAgain = mgr.ObjectiveValueBest();
        // A reading that failed (the no-value double) is no step.
        if (ol::isSpecial(best) || ol::isSpecial(bestAgain) || trial < 1)
            return false;
        if (bestAgain == m_LastBestValue)
            return false;
        AddProgressStep(trial, best);
        return true;
    });
}

void ProgressPage::AddProgressStep(double trial, double bestValue) {
    m_LastBestValue = bestValue;
    m_Steps.append(trial, bestValue);
}

void ProgressPage::refreshAllTrialsCurve(double trialCount) {
    m_Steps.withFinalPoint(trialCount, m_LastBestValue, [&](const GraphPoints& curve) {
        MirGraphAllTrials->ChangeDataSource(curve);
        MirGraphAllTrials->SetCurveStyle(1, GraphControl::kStyleProgress);
    });
}

void ProgressPage::ProgressTab_Update() {
    if (m_Steps.isEmpty() || m_Steps.count() > ProgressSteps::kMaxSteps)
        return;
    ol::StepGuard guard;
    double trialCount = 0;
    guard.run([&] { trialCount = manager()->TrialCount(); });
    guard.run([&] {
        if (trialCount > m_AllTrialsShown) {
            m_AllTrialsShown = toAxisEnd(engine::RoundUpAtLeadingDigit(2.0 * trialCount).toDouble());
            MirGraphAllTrials->DefineCustomAutoscaling(GraphAxis::X, 0.0, m_AllTrialsShown, true, 0);
        }
        refreshAllTrialsCurve(trialCount);
    });
    guard.run([&] {
        m_Steps.LastTrialsCurve(trialCount, m_NumLastTrialsToShow, m_LastBestValue, m_LastTrialsCurve);
        MirGraphLastTrials->ChangeDataSource(m_LastTrialsCurve);
        MirGraphLastTrials->SetCurveStyle(1, GraphControl::kStyleProgress);
    });
}

bool ProgressPage::ExportAllTrialsGraph(const QString& path, const QString& title, double axisMaximum, int width,
                                        int height) {
    return ol::tryOr(false, [&] {
        // The curve reaches the last trial even when the page was not shown
        // at the run's last update.
        if (!m_Steps.isEmpty() && manager() != nullptr)
            refreshAllTrialsCurve(manager()->TrialCount());
        MirGraphAllTrials->SetTitle(title);
        MirGraphAllTrials->DefineCustomAutoscaling(GraphAxis::X, 0.0, axisMaximum, true);
        return MirGraphAllTrials->ExportImage(path, GraphControl::kImageFormatPng, width, height);
    });
}

bool ProgressPage::ModalDialogBeingDisplayed() const {
    return MirGraphAllTrials->ModalDialogBeingDisplayed() || MirGraphLastTrials->ModalDialogBeingDisplayed();
}

// The two graphs side by side, the last trials on the left.
void ProgressPage::LayoutPage(const manager::WatcherLayout& layout) {
    setGeometryTwips(MirGraphLastTrials, 60, 120, layout.graphWidth, layout.graphHeight);
    setGeometryTwips(MirGraphAllTrials, layout.allTrialsGraphLeft, 120, layout.graphWidth, layout.graphHeight);
}

} // namespace watcher
