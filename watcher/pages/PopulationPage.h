#pragma once

#include "SolutionGrid.h"
#include "WatcherPage.h"

class QTableView;

namespace watcher {

// Page 3 of the Watcher window, for runs of the genetic-algorithm engine:
// the current population in the grid SGGridPopulation, one row per organism.
// Its columns come from GridInitialize(grid, model, manager, true), shared
// with the summary grid; its rows from Update_ValueTable.
class PopulationPage : public WatcherPage {
    Q_OBJECT

public:
    explicit PopulationPage(QFrame* frame);

    // Rows of the grid: Input_PopulationSize, at most this many.
    static constexpr int32_t kMaxRows = 512;

    QTableView* grid() const { return SGGridPopulation; }
    SolutionGridModel* model() const { return m_Model; }
    int32_t PopulationGeneCount() const { return m_PopulationGeneCount; }
    int32_t PopulationRowCount() const { return m_PopulationRowCount; }

    // WatcherPage
    bool AppliesTo(const manager::WatcherManager& manager) const override;
    QList<QTableView*> Grids() const override;

protected:
    void InitializePage() override;

private:
    QTableView* SGGridPopulation = nullptr;
    SolutionGridModel* m_Model = nullptr;
    int32_t m_PopulationGeneCount = 0;
    int32_t m_PopulationRowCount = 0;
};

} // namespace watcher
