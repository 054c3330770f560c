#include "DelimitedTableModel.h"

#include <algorithm>

namespace manager {

DelimitedTableModel::DelimitedTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void DelimitedTableModel::setColumns(const QStringList& headers) {
    beginResetModel();
    m_headers = headers;
    m_text.clear();
    m_cells.clear();
    m_rows = 0;
    endResetModel();
}

void DelimitedTableModel::setEmptyRows(int rows) {
    beginResetModel();
    m_text.clear();
    m_rows = std::max(0, rows);
    m_cells.assign(static_cast<size_t>(m_rows) * static_cast<size_t>(m_headers.size()), Cell{});
    endResetModel();
}

void DelimitedTableModel::loadText(QString text, QChar columnDelimiter, QChar rowDelimiter, int firstColumn) {
    const auto columns = static_cast<size_t>(m_headers.size());
    std::vector<Cell> cells;
    int rows = 0;
    if (!text.isEmpty()) {
        const QChar* data = text.constData();
        const auto size = static_cast<int32_t>(text.size());
        cells.reserve(columns * static_cast<size_t>(text.count(rowDelimiter) + 1));
        const size_t first = std::min(columns, static_cast<size_t>(std::max(0, firstColumn)));
        int32_t cellStart = 0;
        const auto startRow = [&] {
            for (size_t c = 0; c < first; ++c)
                cells.push_back(Cell{});
            return first;
        };
        size_t column = startRow();
        const auto endCell = [&](int32_t end) {
            if (column < columns)
                cells.push_back(Cell{cellStart, end - cellStart});
            ++column;
            cellStart = end + 1;
        };
        const auto endRow = [&] {
            for (; column < columns; ++column)
                cells.push_back(Cell{});
            column = startRow();
            ++rows;
        };
        for (int32_t i = 0; i < size; ++i) {
            const QChar c = data[i];
            if (c == columnDelimiter) {
                endCell(i);
            } else if (c == rowDelimiter) {
                endCell(i);
                endRow();
            }
        }
        endCell(size);
        for (; column < columns; ++column)
            cells.push_back(Cell{});
        ++rows;
    }
    // Rows are added or removed at the end rather than by a reset, so that
    // the views keep their column widths and selection.
    if (rows < m_rows) {
        beginRemoveRows(QModelIndex(), rows, m_rows - 1);
        m_text = std::move(text);
        m_cells = std::move(cells);
        m_rows = rows;
        endRemoveRows();
    } else if (rows > m_rows) {
        beginInsertRows(QModelIndex(), m_rows, rows - 1);
        m_text = std::move(text);
        m_cells = std::move(cells);
        m_rows = rows;
        endInsertRows();
    } else {
        m_text = std::move(text);
        m_cells = std::move(cells);
    }
    if (m_rows > 0 && !m_headers.isEmpty()) {
        // One signal for the whole table: every cell may have changed.
        Q_EMIT dataChanged(index(0, 0), index(m_rows - 1, static_cast<int>(columns) - 1), {Qt::DisplayRole});
    }
}

QString DelimitedTableModel::cellText(int row, int column) const {
    if (row < 0 || row >= m_rows || column < 0 || column >= m_headers.size())
        return {};
    const Cell& cell =
        m_cells[static_cast<size_t>(row) * static_cast<size_t>(m_headers.size()) + static_cast<size_t>(column)];
    return m_text.mid(cell.start, cell.length);
}

int DelimitedTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_rows;
}

int DelimitedTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant DelimitedTableModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid())
        return {};
    return cellText(index.row(), index.column());
}

QVariant DelimitedTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= m_headers.size())
        return {};
    return m_headers.at(section);
}

} // namespace manager
