#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include <QString>

namespace manager {

// The constraint solver's verdicts: for every hard constraint, whether the
// best, the original and the last solution of the run meets it, read from
// the optimization log. Rows follow the hard constraints of the log in their
// order; soft constraints take no row.
class ConstraintVerdicts {
public:
    // Solution columns.
    enum Column : int { Best = 0, Original = 1, Last = 2, ColumnCount = 3 };
    // Cell texts: resource strings for a met and a violated constraint.
    static constexpr int kResourceNotMet = 4520;
    static constexpr int kResourceMet = 4521;
    // Headers of the solution, description and formula columns.
    static constexpr std::array<int, ColumnCount> kSolutionHeaders = {4303, 4304, 4305};
    static constexpr int kResourceDescriptionHeader = 4515;
    static constexpr int kResourceFormulaHeader = 4516;

    // Width in twips of each solution column for a user-interface language
    // (Windows primary language number): the verdict texts are longest in
    // German, then in the Romance languages and Russian.
    static int32_t SolutionColumnWidth(int language);
    // Width of the description and of the formula column: they share what
    // the three solution columns leave of the grid.
    static int32_t TextColumnWidth(int32_t gridWidth, int32_t solutionColumnWidth);

    // One row per hard constraint, every verdict empty.
    void initialize(int hardConstraintCount);
    int rowCount() const { return static_cast<int>(m_cells.size()); }

    // ConstraintSolverTab_Update: the original (trial 1) and the last trial,
    // then, once there is a progress step, the best. Engine return codes are
    // written to the diagnostic log and the update goes on with what came
    // back.
    void update(const QString& logPath);

    // The resource number of a cell's verdict; 0 while it has none.
    int verdictResource(int row, Column column) const;
    // The verdict's text; empty while it has none.
    QString verdictText(int row, Column column) const;

private:
    // ConstraintSolverTab_UpdateOneColumn.
    void updateOneColumn(const QString& logPath, int32_t recordNumber, Column column, int32_t numGenes,
                         int32_t numConstraints);

    std::vector<std::array<int, ColumnCount>> m_cells;
};

} // namespace manager
