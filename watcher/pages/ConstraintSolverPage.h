#pragma once

#include <QObject>

#include "ConstraintVerdicts.h"
#include "WatcherPage.h"

class QFrame;
class QLabel;
class QTableWidget;

namespace manager {
class WatcherManager;
}

namespace watcher {

// Page 5 of the Watcher window, shown in constraint-solver mode: for every
// hard constraint, whether the best, the original and the last solution
// meets it, beside the constraint's description and formula, in the grid
// SGGridConstraintSolver.
class ConstraintSolverPage final : public WatcherPage {
    Q_OBJECT

public:
    // Columns of the grid.
    enum Column : int {
        ColumnLead = 0,
        ColumnBest = 1,
        ColumnOriginal = 2,
        ColumnLast = 3,
        ColumnDescription = 4,
        ColumnFormula = 5,
        ColumnCount = 6
    };
    static constexpr double kLeadColumnWidth = 200;

    explicit ConstraintSolverPage(QFrame* frame);

    QTableWidget* grid() const { return SGGridConstraintSolver; }
    QLabel* label() const { return LabelConstraintSolver; }

    // ConstraintSolverTab_Update: reads the verdicts from the optimization
    // log and shows them; errors end the update and are logged with the
    // operation's name.
    void ConstraintSolverTab_Update();

    // WatcherPage
    bool AppliesTo(const manager::WatcherManager& manager) const override;
    // The label's text, in constraint-solver mode only.
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    // Every update in constraint-solver mode, whatever page is shown.
    void Update(const PageUpdate& update) override;
    // The verdicts grid offers the grids' Copy pop-up menu.
    QList<QTableView*> Grids() const override;
    void LayoutPage(const manager::WatcherLayout& layout) override;

protected:
    // ConstraintSolverTab_Initialize: the columns, with widths for the
    // resource server's language, and one row per hard constraint with its
    // description and formula.
    void InitializePage() override;

private:
    QLabel* LabelConstraintSolver = nullptr;
    QTableWidget* SGGridConstraintSolver = nullptr;
    manager::ConstraintVerdicts m_verdicts;
};

} // namespace watcher
