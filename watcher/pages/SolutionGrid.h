#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

class QTableView;

namespace manager {
class WatcherManager;
}

namespace watcher {

// The data of a grid of solutions (the summary grid, the population grid):
// column captions and rows that arrive as whole texts, one tab-separated
// text per row, or one text with carriage returns between rows. A row is
// kept as a range of a shared text, and the offsets of its cells are found
// when one of them is first asked for, so loading a thousand rows of a
// thousand cells copies no text, allocates nothing per cell and looks only
// for the row ends.
class SolutionGridModel : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit SolutionGridModel(QObject* parent = nullptr);

    // Columns: captions, left to right. Rows are kept.
    void clearColumns();
    void addColumn(const QString& caption);
    // Sets the number of rows; new rows are empty.
    void setRowCount(int rows);

    // Row `row` (0-based) from a tab-separated text: the first cell goes to
    // column 0. Cells beyond the last column are dropped, missing ones are
    // empty. Nothing happens for a row that does not exist.
    void setRowText(int row, const QString& text);
    // Every row from one text: tab between cells, carriage return between
    // rows, starting at row `firstRow`. Rows beyond the row count are dropped.
    void loadText(const QString& text, int firstRow = 0);

    // The text of one cell; empty when there is none.
    QString cellText(int row, int column) const;
    // A row's whole text as it was given.
    QString rowText(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        // The row is text[begin, end). Rows loaded together share one text
        // (implicitly shared, never copied per row).
        QString text;
        qsizetype begin = 0;
        qsizetype end = 0;
        // Start of each cell in text; a cell ends at the next tab or the
        // row's end. Found when a cell of the row is first asked for, so a
        // load costs only the search for the row ends: a view asks only for
        // the cells it shows.
        mutable std::vector<qsizetype> starts;
        mutable bool indexed = false;
    };
    // Points the row at text[begin, end); its cells are found later.
    static void point(Row& row, const QString& text, qsizetype begin, qsizetype end);
    // The cell starts of the row, for the model's columns.
    const std::vector<qsizetype>& cellStarts(const Row& row) const;

    QStringList m_captions;
    std::vector<Row> m_rows;
};

// The columns of a solution grid that the summary and population grids
// share: the leading solution-name column (1400 twips wide in the summary
// grid, 500 in the population grid), the trial or organism number (resource
// 4046, 1200 twips), the objective value (4047, 1000 twips) and one column
// per adjustable cell, captioned with its name from Input_AllGeneNamesCol
// and 1000 twips wide, for at most kMaxGeneColumns cells. The common grid
// style is applied too. Returns numGenesInTable, the number of gene columns
// (0 when the manager has no gene names).
inline constexpr int32_t kMaxGeneColumns = 1024;
int32_t GridInitialize(QTableView* grid, SolutionGridModel* model, const manager::WatcherManager& manager,
                       bool showPopulation);

} // namespace watcher
