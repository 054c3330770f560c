#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QString>
#include <QStringList>

namespace manager {

// A read-only table filled from one delimited text in a single load, for
// grids that are rewritten whole on every refresh (the population grid).
// The text is kept as it came; a load only finds where each cell starts, and
// a cell's string is made when a view asks for it, so the cost of a load
// does not grow with the number of visible cells.
class DelimitedTableModel final : public QAbstractTableModel {
    Q_OBJECT

public:
    explicit DelimitedTableModel(QObject* parent = nullptr);

    // The column headers; their number is the column count. Clears the rows.
    void setColumns(const QStringList& headers);
    // `rows` empty rows.
    void setEmptyRows(int rows);

    // Replaces the contents: rows of the text end at `rowDelimiter`, cells at
    // `columnDelimiter`. Cells past the column count are ignored, missing
    // cells are empty; the first cell of a row goes to column `firstColumn`,
    // the columns before it stay empty. Rows are added or removed at the end
    // and the views told once that the data changed, so they keep their
    // column widths and selection.
    void loadText(QString text, QChar columnDelimiter, QChar rowDelimiter, int firstColumn = 0);

    QString cellText(int row, int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Cell {
        int32_t start = 0;
        int32_t length = 0;
    };

    QStringList m_headers;
    QString m_text;
    std::vector<Cell> m_cells; // row-major, rowCount() x columnCount()
    int m_rows = 0;
};

} // namespace manager
