#include "WatcherInputs.h"

#include <algorithm>

#include "HostApplicationObject.h"
#include "ol/NumberFormat.h"

namespace addin {

namespace {

QString q(const std::string& s) {
    return QString::fromStdString(s);
}

} // namespace

int32_t constraintOperatorCode(const std::string& op) {
    if (op == "<=")
        return 1;
    if (op == ">=")
        return 2;
    return 3; // "="
}

QString objectiveText(const models::Model& model) {
    switch (model.goal()) {
    case models::Goal::Maximize:
        return QStringLiteral("Maximum of %1").arg(q(model.objectiveName()));
    case models::Goal::Minimize:
        return QStringLiteral("Minimum of %1").arg(q(model.objectiveName()));
    case models::Goal::Target:
        break;
    }
    return QStringLiteral("%1 closest to %2").arg(q(model.objectiveName())).arg(model.target());
}

QList<WatcherInput> watcherInputs(const models::Model& model, const AddinOptions& options, const RunSetup& run) {
    QList<WatcherInput> in;
    auto add = [&in](const char* name, QVariant value) { in.append({QString::fromLatin1(name), std::move(value)}); };

    QVariantList geneNames, groupNames, methods, geneDateFlags;
    for (const auto& g : model.groups()) {
        groupNames << q(g.name);
        methods << static_cast<int>(g.method);
        for (const auto& n : g.geneNames) {
            geneNames << q(n);
            geneDateFlags << false; // no model keeps dates in its adjustable cells
        }
    }
    QVariantList atomicDateFlags, hardDescriptions, hardFormulas;
    for (const auto& c : model.constraints()) {
        if (c.atomic)
            atomicDateFlags << c.isDate;
        if (c.hard) {
            hardDescriptions << q(c.name);
            hardFormulas << q(c.formula);
        }
    }
    const std::vector<double> frontier = options.efficientFrontier ? model.constrainingValues() : std::vector<double>{};
    const QString constrainedFormat = q(model.constrainedCellFormat());
    QVariantList efValues, efTexts;
    for (double v : frontier) {
        efValues << v;
        efTexts << ol::formatNumber(v, constrainedFormat);
    }
    const QString objectiveFormat = q(model.objectiveFormat());
    const int32_t goal = model.goal() == models::Goal::Maximize   ? kGoalMaximum
                         : model.goal() == models::Goal::Minimize ? kGoalMinimum
                                                                  : kGoalTarget;

    add("ShowExcelRecalculations", static_cast<int>(options.excelUpdating));
    add("Input_DisplayAlerts", !options.unattended);
    add("Input_PopHandle", run.population);
    add("Input_OptimizationStartedFromGUI", true);
    add("Input_LogPath", run.logPath);
    add("Input_MainHelpFilePath", run.helpFilePath);
    add("Input_PopulationSize", options.populationSize);
    add("Input_NumConstraints", static_cast<int>(model.constraints().size()));
    // The Watcher counts the trials of a whole frontier series from its
    // first, while the run time is the optimization's under way (each has a
    // population and a timer of its own): the trial limit is the series'.
    const size_t optimizations = std::max<size_t>(frontier.size(), 1);
    add("Input_Runtime_TrialCount", static_cast<double>(options.maxTrials) * static_cast<double>(optimizations));
    add("Input_Runtime_NumIterations", 0);
    add("Input_Runtime_Milliseconds", static_cast<double>(options.maxSeconds) * 1000.0);
    add("Input_ExcelAppHwnd", run.hostProcessId); // any non-zero number of the host's choosing
    add("Input_ExcelProcessID", run.hostProcessId);
    add("Input_DisallowInteractionWithExcelWindow", true);
    add("Input_AllGeneNamesCol", geneNames);
    add("Input_GroupNames", groupNames);
    add("Input_GroupSolvingMethods", methods);
    add("Input_TargetCellValuesTreatedAsDates", false);
    add("Input_TargetCellNumberFormat", objectiveFormat);
    add("Input_TargetCellNumberFormat_ShortIfDate", objectiveFormat);
    add("Input_TargetCellNumberFormatIsLocal", false);
    add("Input_TargetCellNumberFormat_ShortIfDate_ForcedEnglish", objectiveFormat);
    add("Input_AdjustableCellsFormatAsDateCol", geneDateFlags);
    add("Input_AtomicConstraintsFormatAsDateCol", atomicDateFlags);
    add("Input_EFConstrainedCellValuesTreatedAsDate", false);
    add("Input_EFConstrainedCellNumberFormat", constrainedFormat);
    add("Input_EFConstrainedCellNumberFormat_ShortIfDate", constrainedFormat);
    add("Input_EFConstrainedCellNumberFormatIsLocal", QStringLiteral("False"));
    add("Input_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish", constrainedFormat);
    add("Input_GAMutationIsAuto", false);
    add("Input_ConstraintSolverMode", model.constraintSolverMode());
    add("Input_ConstraintSolver_HardConstraintDescriptions", hardDescriptions);
    add("Input_ConstraintSolver_HardConstraintFormulas", hardFormulas);
    add("Input_ConstraintSolver_FixedSeed", false);
    add("Input_OptimizationEngine", 1); // the genetic algorithm
    add("Input_MCoreOptimization", options.multiCoreWorkers > 0);
    add("Input_MCoreNumWorkerProcesses", options.multiCoreWorkers);
    add("Stop_AtEndShowOptionsToUser", !options.unattended);
    const StoppingChoices defaults; // what the add-in proposes; the person may change it
    add("Stop_AtEndGenerateOptimizationSummary", defaults.generateOptimizationSummary);
    add("Stop_AtEndWriteLogOfAllTrials", defaults.writeLogOfAllTrials);
    add("Stop_AtEndWriteLogOfProgressSteps", defaults.writeLogOfProgressSteps);
    add("Stop_SolutionToKeep", defaults.solutionToKeep);
    add("Stop_ConstraintSolver_FixSeed", false);
    add("Input_SuppressProgressWindow", false);
    add("WatcherShown", false);
    add("Input_ProgressGraphPath", run.progressGraphPath);
    add("Input_ExcelMajorVersion", 16);
    add("Input_EFPerformAnalysis", options.efficientFrontier);
    add("Input_EFNumConstrainingValues", static_cast<int>(frontier.size()));
    add("Input_EFConstraintDisplayFormula_LHSide",
        options.efficientFrontier ? q(model.constrainedCellName()) : QString());
    add("Input_EFConstraintOperator",
        options.efficientFrontier ? constraintOperatorCode(model.constraintOperator()) : 0);
    add("Input_EFConstraintOperatorAsString", options.efficientFrontier ? q(model.constraintOperator()) : QString());
    add("Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final", efValues);
    add("Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial", efValues);
    add("Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted", efTexts);
    add("Input_RuntimeGoalType", goal);
    add("Input_RuntimeTargetValue", model.target());
    add("Input_OptimizationObjectiveStr", objectiveText(model));
    add("Input_EFConstraintFormula",
        options.efficientFrontier
            ? QStringLiteral("=%1%2Limit").arg(q(model.constrainedCellName()), q(model.constraintOperator()))
            : QString());
    add("Input_VntLibHVars", 0);
    add("ReportPlacement", 0);
    return in;
}

} // namespace addin
