#include "StoppingOptions.h"

#include "HostObjects.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"

namespace manager::stopping {

RunFacts RunFacts::fromManager(WatcherManager& manager) {
    RunFacts facts;
    facts.progressStepCount = manager.ProgressStepCount();
    facts.trialCount = manager.TrialCount();
    facts.bestTrialNumber = manager.BestTrialNumber();
    facts.bestValue = manager.ObjectiveValueBest();
    facts.constraintSolverMode = manager.Input_ConstraintSolverMode();
    facts.numConstraints = manager.Input_NumConstraints();
    return facts;
}

SolutionStatus DecideSolutionStatus(const RunFacts& facts) {
    SolutionStatus status;
    if (facts.progressStepCount <= 0) {
        status.text = engine::GetResourceString(kResourceNoSolution, QString::fromUtf16(kProductName));
        status.restoreChecked = true;
    } else if (facts.bestTrialNumber == 1) {
        status.text = engine::GetResourceString(kResourceOriginalStillBest);
        status.restoreChecked = true;
    } else {
        status.text = engine::GetResourceString(kResourceBetterSolutionFound);
        status.restoreEnabled = true;
    }
    const bool mayMissConstraints = facts.constraintSolverMode
                                        ? facts.bestValue == static_cast<double>(facts.numConstraints)
                                        : facts.numConstraints > 0;
    if (mayMissConstraints)
        status.text += QStringLiteral("  ") + engine::GetResourceString(kResourceConstraintsNote);
    return status;
}

double StatusLabelHeight(const QString& text) {
    return text.size() < kLongStatusLength ? kStatusHeightShort : kStatusHeightLong;
}

ReportTops ReportSectionTops(double labelTop) {
    ReportTops t;
    t.labelReportsToGenerate = labelTop;
    t.comboReportPlacement = labelTop - 55;
    t.frameReportsDivider = labelTop + 290;
    t.checkGenerateOptimizationSummary = t.frameReportsDivider + 210;
    t.checkWriteLogOfAllTrials = t.checkGenerateOptimizationSummary + 400;
    t.checkWriteLogOfProgressSteps = t.checkWriteLogOfAllTrials + 400;
    return t;
}

PageTops ArrangeTops(double statusHeight, double restoreCheckHeight, bool seedShown) {
    PageTops t;
    t.labelSolutionToKeep = kDesignedSolutionLabelTop - kArrangeMoveUp;
    t.frameSolutionDivider = kDesignedSolutionDividerTop - kArrangeMoveUp;
    t.labelStoppingStatus = t.frameSolutionDivider + 150;
    t.statusHeight = statusHeight;
    t.checkRestoreOriginal = t.labelStoppingStatus + statusHeight + 150;
    t.labelRestoreOriginal = t.checkRestoreOriginal + restoreCheckHeight + 20;
    const ReportTops reports = ReportSectionTops(t.labelRestoreOriginal + 500);
    t.labelReportsToGenerate = reports.labelReportsToGenerate;
    t.comboReportPlacement = reports.comboReportPlacement;
    t.frameReportsDivider = reports.frameReportsDivider;
    t.checkGenerateOptimizationSummary = reports.checkGenerateOptimizationSummary;
    t.checkWriteLogOfAllTrials = reports.checkWriteLogOfAllTrials;
    t.checkWriteLogOfProgressSteps = reports.checkWriteLogOfProgressSteps;
    t.seedShown = seedShown;
    if (seedShown) {
        t.labelGeneratorSeed = t.checkWriteLogOfProgressSteps + 500;
        t.frameGeneratorSeedDivider = t.labelGeneratorSeed + 290;
        t.checkFixSeed = t.frameGeneratorSeedDivider + 210;
    }
    return t;
}

PageChoices ChoicesToShow(const RunFacts& facts, const SolutionStatus& status, const WatcherManager& manager) {
    PageChoices c;
    c.restoreChecked = status.restoreChecked;
    c.restoreEnabled = status.restoreEnabled;
    c.reportPlacement = manager.ReportPlacement();
    c.generateSummary = manager.Stop_AtEndGenerateOptimizationSummary();
    c.writeLogOfAllTrialsEnabled = facts.trialCount > 0;
    c.writeLogOfAllTrials = manager.Stop_AtEndWriteLogOfAllTrials() && c.writeLogOfAllTrialsEnabled;
    c.writeLogOfProgressStepsEnabled = facts.progressStepCount > 0;
    c.writeLogOfProgressSteps = manager.Stop_AtEndWriteLogOfProgressSteps() && c.writeLogOfProgressStepsEnabled;
    return c;
}

void ApplyRestoreChoice(WatcherManager& manager, const PageChoices& choices) {
    if (choices.restoreEnabled && choices.restoreChecked)
        manager.setStop_SolutionToKeep(kSolutionOriginal);
}

void WriteReportChoices(WatcherManager& manager, const PageChoices& choices) {
    manager.setReportPlacement(choices.reportPlacement);
    manager.setStop_AtEndGenerateOptimizationSummary(choices.generateSummary);
    manager.setStop_AtEndWriteLogOfAllTrials(choices.writeLogOfAllTrials);
    manager.setStop_AtEndWriteLogOfProgressSteps(choices.writeLogOfProgressSteps);
}

void RestoreHostInteraction(WatcherManager& manager) {
    if (!manager.Input_DisallowInteractionWithExcelWindow())
        return;
    const std::shared_ptr<HostExcel> excel = manager.excel();
    if (!excel)
        return;
    excel->setInteractive(true);
    // Only the Watcher's own message is taken off the host's status bar.
    if (excel->statusBar() == engine::GetResourceString(4051, QString::fromUtf16(kProductName)))
        excel->setStatusBar(QString());
}

void HandChoicesToHost(WatcherManager& manager) {
    if (const std::shared_ptr<HostApplication> host = manager.application()) {
        host->receiveStoppingOptions(
            StoppingChoices{manager.Stop_AtEndGenerateOptimizationSummary(), manager.Stop_AtEndWriteLogOfAllTrials(),
                            manager.Stop_AtEndWriteLogOfProgressSteps(), manager.Stop_SolutionToKeep()});
    }
}

void TakeChoicesAndHandToHost(WatcherManager* manager, WatcherManager* const& windowManager,
                              const std::function<void()>& takeChoicesAndHide) {
    try {
        takeChoicesAndHide();
        if (manager != nullptr)
            HandChoicesToHost(*manager);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("CommandOK_Click"));
        if (windowManager != nullptr) {
            ol::StepGuard report;
            report.run([&] {
                windowManager->DisplayMessage(QStringLiteral("Error in OK command handler: ") + error.description(),
                                              false);
            });
        }
    }
}

} // namespace manager::stopping
