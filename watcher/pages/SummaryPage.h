#pragma once

#include <cstdint>

#include <QList>
#include <QString>

#include "SolutionGrid.h"
#include "WatcherPage.h"

class QLabel;
class QTableView;

namespace watcher {

// Page 1 of the Watcher window: the grid SGGridSummary with one row for each
// of three solutions of the run (the best so far, the original, the last
// trial): trial number, objective value and every adjustable cell. The
// genetic-algorithm parameters beside the grid are a panel of their own
// (GeneticParametersPanel) on the same frame.
class SummaryPage : public WatcherPage {
    Q_OBJECT

public:
    explicit SummaryPage(QFrame* frame);

    // Grid rows of the three solutions (row 0 is the header): -1 best -> 1,
    // -2 original -> 2, -5 last -> 3. Any other selector raises 0x80040014
    // "WhichSolution" from "SummaryTableRowPosition".
    static int32_t SummaryTableRowPosition(int32_t whichSolution);

    void SummaryTab_Update();
    void SummaryTab_UpdateRow(int32_t whichSolution);

    QTableView* grid() const { return SGGridSummary; }
    const SolutionGridModel& model() const { return *m_Model; }
    int32_t numGenesInTable() const { return m_NumGenesInTable; }

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    QList<QTableView*> Grids() const override;

protected:
    void InitializePage() override;

private:
    QLabel* LabelAdjustableCellValues = nullptr;
    QTableView* SGGridSummary = nullptr;
    SolutionGridModel* m_Model = nullptr;
    int32_t m_NumGenesInTable = 0;
    // Reused from row to row: the cell values and the row's text.
    QList<double> m_Values;
    QString m_RowText;
};

} // namespace watcher
