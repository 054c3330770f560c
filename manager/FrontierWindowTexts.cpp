#include "FrontierWindowTexts.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "Formatting.h"
#include "LogReaders.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/SpecialValues.h"

namespace manager {

namespace {
constexpr std::array<int32_t, kFrontierTabCount> kHelpContexts = {1090, 1080, 1110, 1130};
constexpr int32_t kMaxGeneColumns = 1024;
constexpr int kCharsPerCell = 15;
} // namespace

int32_t FrontierHelpContextForTab(int tab) {
    return tab >= 0 && tab < kFrontierTabCount ? kHelpContexts[static_cast<size_t>(tab)] : 0;
}

QStringList FrontierLogTypeEntries(const WatcherManager& manager) {
    QStringList entries{engine::GetResourceString(4066)};
    const engine::TaggedCollection& values = manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final();
    const QString prefix = engine::GetResourceString(4067) + u' ' + manager.Input_EFConstraintDisplayFormula_LHSide() +
                           u' ' + manager.Input_EFConstraintOperatorAsString() + u' ';
    for (int i = 1; i <= values.count(); ++i)
        entries << prefix + engine::FormatNumberGeneral(values.item(i).toDouble());
    return entries;
}

QString FrontierSummaryFirstCaption(const WatcherManager& manager) {
    return manager.Input_EFConstraintDisplayFormula_LHSide() + manager.Input_EFConstraintOperatorAsString() + u'X';
}

int32_t FrontierGeneColumnCount(int32_t adjustableCells) {
    return std::clamp(adjustableCells, 0, kMaxGeneColumns);
}

QString FrontierSummaryRowText(WatcherManager& manager, int32_t k, int32_t numGenes) {
    FrontierSolution solution;
    if (!manager.EFFrontierSolution(k, solution.best, solution.trial, solution.step))
        solution = FrontierSolution();
    return FrontierSummaryRowText(manager, k, numGenes, solution);
}

QString FrontierSummaryRowText(WatcherManager& manager, int32_t k, int32_t numGenes, const FrontierSolution& solution) {
    const double value = manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final().item(k).toDouble();
    const double best = solution.best;
    const qint32 trial = solution.trial;
    const qint32 step = solution.step;
    QStringList cells;
    if (ol::isSpecial(best)) {
        cells << engine::FormatNumberGeneral(value);
        const QString none = engine::GetCommonString(1);
        for (int32_t i = 0; i < numGenes + 2; ++i)
            cells << none;
        return cells.join(u'\t');
    }
    cells << manager.FormatConstrainingValue(value) << QString::number(trial) << manager.FormatObjectiveValue(best);
    QList<double> genes;
    if (engine::Log_GetAdjustableCellValues(manager.Input_LogPath(), k, step, genes)) {
        const engine::TaggedCollection& dateFlags = manager.Input_AdjustableCellsFormatAsDateCol();
        const int shown = std::min(static_cast<int>(genes.size()), numGenes);
        for (int g = 0; g < shown; ++g)
            cells << engine::FormatValueForDisplay(genes[g], dateFlags.item(g + 1).toBool(), false);
    }
    // The row's room is fixed: what does not fit is cut, and the room left
    // over stays as tabs.
    const int room = (std::max(numGenes, 0) + 3) * kCharsPerCell;
    QString text = cells.join(u'\t').left(room);
    return text + QString(room - text.size(), u'\t');
}

QString FrontierStoppingStatus(const WatcherManager& manager) {
    const int n = manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final().count();
    int withStep = 0;
    for (int k = 1; k <= n; ++k)
        if (engine::Log_EFGetProgressStepCount(manager.Input_LogPath(), k) >= 1)
            ++withStep;
    return engine::GetResourceString(
        4068, withStep, manager.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Initial().count());
}

TwipsSize FrontierClientSize(double width, double height) {
    return {std::max(width, kFrontierMinClientWidth), std::max(height, kFrontierMinClientHeight)};
}

double FrontierGraphSide(double tabWidth, double tabHeight) {
    return std::max(0.0, std::min(std::round((tabWidth - 360) / 2), tabHeight - 1100));
}

} // namespace manager
