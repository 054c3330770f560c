#pragma once

#include "PopulationTable.h"
#include "SolutionGrid.h"
#include "WatcherPage.h"

class QTableView;

namespace manager {
class PopulationReader;
}

namespace watcher {

// Page 3 of the Watcher window, for runs of the genetic-algorithm engine:
// the current population in the grid SGGridPopulation, one row per organism,
// the organism with the highest engine index first, with its objective value
// and every gene. Its columns come from GridInitialize(grid, model, manager,
// true), shared with the summary grid; its rows from Update_ValueTable, which
// rebuilds them from one delimited text on each refresh while the page is
// shown.
class PopulationPage : public WatcherPage {
    Q_OBJECT

public:
    explicit PopulationPage(QFrame* frame);

    // Rows of the grid: Input_PopulationSize, at most this many.
    static constexpr int32_t kMaxRows = manager::PopulationTable::kMaxRows;

    QTableView* grid() const { return SGGridPopulation; }
    SolutionGridModel* model() const { return m_Model; }
    int32_t PopulationGeneCount() const { return m_PopulationGeneCount; }
    int32_t PopulationRowCount() const { return m_PopulationRowCount; }

    // Rebuilds the grid from the population; errors end the update and the
    // grid keeps what it showed. The first form reads the run's population.
    // The reads happen at once; the text is built and loaded once the
    // manager's update has released the population lock (at once when it
    // holds none, see WatcherManager::afterPopulationUnlock).
    void Update_ValueTable();
    void Update_ValueTable(manager::PopulationReader& reader);

    // WatcherPage
    bool AppliesTo(const manager::WatcherManager& manager) const override;
    // Refreshes the grid when its tab is selected or everything is forced.
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    QList<QTableView*> Grids() const override;

protected:
    void InitializePage() override;

private:
    // Builds the text from the last read and loads it into the grid; logs
    // the update's timing with the reads' ticks.
    void LoadValueTable(uint32_t readTicks);

    QTableView* SGGridPopulation = nullptr;
    SolutionGridModel* m_Model = nullptr;
    int32_t m_PopulationGeneCount = 0;
    int32_t m_PopulationRowCount = 0;
    manager::PopulationTable m_Table;
};

} // namespace watcher
