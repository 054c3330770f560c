#include "SummaryPage.h"

#include <QFrame>
#include <QLabel>
#include <QTableView>

#include "DiagnosticLog.h"
#include "Formatting.h"
#include "LogReaders.h"
#include "PageLayout.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/OLError.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

// The target cell's number format as the formatting engine takes it.
class FixedCellFormat final : public engine::CellNumberFormat {
public:
    explicit FixedCellFormat(QString code) : m_code(std::move(code)) {}
    QString numberFormat() const override { return m_code; }

private:
    QString m_code;
};

int resourceOfSolution(int32_t whichSolution) {
    switch (whichSolution) {
    case engine::kWhichBest:
        return 4303;
    case engine::kWhichOriginal:
        return 4304;
    default:
        return 4305;
    }
}

} // namespace

SummaryPage::SummaryPage(QFrame* frame) : WatcherPage(frame) {
    LabelAdjustableCellValues = new QLabel(frame);
    LabelAdjustableCellValues->setObjectName(QStringLiteral("LabelAdjustableCellValues"));
    setGeometryTwips(LabelAdjustableCellValues, 60, 60, 6000, 255);
    SGGridSummary = new QTableView(frame);
    SGGridSummary->setObjectName(QStringLiteral("SGGridSummary"));
    setGeometryTwips(SGGridSummary, 60, 360, kPageWidthTwips - 240, 1300);
    m_Model = new SolutionGridModel(SGGridSummary);
    SGGridSummary->setModel(m_Model);
}

int32_t SummaryPage::SummaryTableRowPosition(int32_t whichSolution) {
    switch (whichSolution) {
    case engine::kWhichBest:
        return 1;
    case engine::kWhichOriginal:
        return 2;
    case engine::kWhichLast:
        return 3;
    default:
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("SummaryTableRowPosition"),
                       QStringLiteral("WhichSolution"));
    }
}

void SummaryPage::InitializePage() {
    m_NumGenesInTable = GridInitialize(SGGridSummary, m_Model, *manager(), false);
    m_Model->setRowCount(3);
    log(QStringLiteral("WATCHER: GridInitialize Me.SGGridSummary, False returned"));
}

void SummaryPage::ApplyLocalization(const manager::WatcherManager* /*manager*/) {
    LabelAdjustableCellValues->setText(engine::GetResourceString(4020));
}

void SummaryPage::Update(const PageUpdate& /*update*/) {
    // The summary is refreshed whatever page is shown.
    SummaryTab_Update();
}

void SummaryPage::SummaryTab_Update() {
    ol::StepGuard guard;
    for (int32_t which : {engine::kWhichBest, engine::kWhichOriginal, engine::kWhichLast})
        guard.run([&] { SummaryTab_UpdateRow(which); });
}

void SummaryPage::SummaryTab_UpdateRow(int32_t whichSolution) {
    manager::WatcherManager& mgr = *manager();
    if (whichSolution == engine::kWhichBest && mgr.ProgressStepCount() < 1)
        return;
    const int32_t row = SummaryTableRowPosition(whichSolution);

    // One tab-separated text for the whole row, built in a buffer kept from
    // row to row: a row holds up to 1027 cells and is rewritten every tick.
    QString& text = m_RowText;
    text.clear();
    text.reserve((m_NumGenesInTable + 3) * 15);
    text += engine::GetResourceString(resourceOfSolution(whichSolution));
    text += u'\t';

    double trial = 0;
    if (whichSolution == engine::kWhichOriginal)
        trial = 1;
    else if (whichSolution == engine::kWhichBest)
        trial = mgr.BestTrialNumber();
    else
        trial = mgr.TrialCount();
    text += QString::number(static_cast<qint64>(trial));
    text += u'\t';

    const double objective = mgr.ObjectiveValueForBestOriginalLast(whichSolution);
    if (mgr.Input_ConstraintSolverMode()) {
        text += engine::FormatNumberGeneral(objective);
    } else {
        const FixedCellFormat cell(mgr.Input_TargetCellNumberFormat());
        const bool hasFormat = !mgr.Input_TargetCellNumberFormat().isEmpty();
        text += engine::FormatValueForDisplay(objective, mgr.Input_TargetCellValuesTreatedAsDates(), false,
                                              hasFormat ? &cell : nullptr);
    }

    m_Values.clear();
    if (mgr.AdjustableCellValuesForBestOriginalLast(whichSolution, m_Values)) {
        const engine::TaggedCollection& dateFlags = mgr.Input_AdjustableCellsFormatAsDateCol();
        const int shown = std::min(static_cast<int>(m_Values.size()), m_NumGenesInTable);
        for (int i = 0; i < shown; ++i) {
            text += u'\t';
            const double value = m_Values[i];
            if (i + 1 <= dateFlags.count() && dateFlags.item(i + 1).toBool())
                text += engine::FormatValueForDisplay(value, true, false);
            else
                text += engine::FormatNumberGeneral(value);
        }
    }
    m_Model->setRowText(row - 1, text);
}

QList<QTableView*> SummaryPage::Grids() const {
    return {SGGridSummary};
}

void SummaryPage::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(SGGridSummary, layout.gridWidth);
    setHeightTwips(SGGridSummary, manager::WatcherLayout::fitGridHeight(
                                      topTwips(SGGridSummary), heightTwips(SGGridSummary), layout.frameHeight - 60));
}

} // namespace watcher
