#pragma once

#include <cstdint>
#include <vector>

#include "FrontierSolutions.h"
#include "LogPage.h"
#include "SolutionGrid.h"
#include "WatcherPage.h"

class QLabel;
class QTableView;

namespace watcher {

// Page 1 of the efficient-frontier window: SGGridSummary with one row per
// constraining value, its frontier solution (trial, objective value, the
// adjustable cells) once its optimization has a progress step. A row is
// written again only when its value got a new solution.
class FrontierSummaryPage : public WatcherPage {
    Q_OBJECT

public:
    explicit FrontierSummaryPage(QFrame* frame);

    // The solutions read by the progress page, which is updated first; when
    // none are shared the page reads its own.
    void ShareSolutions(const manager::FrontierSolutions* solutions) { m_SharedSolutions = solutions; }
    // Rewrites the rows whose solution changed since they were written, or
    // every row when `rewriteAll`.
    void SummaryTab_Update(bool rewriteAll = false);
    void SummaryTab_UpdateRow(int32_t k);

    QTableView* grid() const { return SGGridSummary; }
    const SolutionGridModel& model() const { return *m_Model; }
    int32_t numGenesInTable() const { return m_NumGenesInTable; }

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    void Update(const PageUpdate& update) override;
    QList<QTableView*> Grids() const override;

protected:
    void InitializePage() override;

private:
    QLabel* LabelBestSolutions = nullptr;
    QTableView* SGGridSummary = nullptr;
    SolutionGridModel* m_Model = nullptr;
    int32_t m_NumGenesInTable = 0;
    const manager::FrontierSolutions* m_SharedSolutions = nullptr;
    manager::FrontierSolutions m_OwnSolutions;
    // The solution revision each row was written from (0 = not yet).
    std::vector<uint32_t> m_RowRevisions;
};

// Page 2 of the efficient-frontier window: the log page whose types are all
// trials and the progress steps of each constraining value.
class FrontierLogPage : public LogPage {
    Q_OBJECT

public:
    using LogPage::LogPage;

protected:
    void InitializePage() override;
};

} // namespace watcher
