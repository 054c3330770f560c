#include "SolutionGrid.h"

#include <algorithm>

#include <QHeaderView>
#include <QTableView>

#include "DiagnosticLog.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"

namespace watcher {

namespace {

void log(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

constexpr double kSummaryNameWidth = 1400;
constexpr double kPopulationNameWidth = 500;
constexpr double kNumberWidth = 1200;
constexpr double kValueWidth = 1000;

} // namespace

SolutionGridModel::SolutionGridModel(QObject* parent) : QAbstractTableModel(parent) {}

void SolutionGridModel::clearColumns() {
    beginResetModel();
    m_captions.clear();
    for (Row& row : m_rows)
        row.indexed = false;
    endResetModel();
}

void SolutionGridModel::addColumn(const QString& caption) {
    const int column = static_cast<int>(m_captions.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_captions << caption;
    for (Row& row : m_rows)
        row.indexed = false;
    endInsertColumns();
}

void SolutionGridModel::setRowCount(int rows) {
    rows = std::max(rows, 0);
    const int current = static_cast<int>(m_rows.size());
    if (rows > current) {
        beginInsertRows(QModelIndex(), current, rows - 1);
        m_rows.resize(static_cast<size_t>(rows));
        endInsertRows();
    } else if (rows < current) {
        beginRemoveRows(QModelIndex(), rows, current - 1);
        m_rows.resize(static_cast<size_t>(rows));
        endRemoveRows();
    }
}

void SolutionGridModel::point(Row& row, const QString& text, qsizetype begin, qsizetype end) {
    row.text = text;
    row.begin = begin;
    row.end = end;
    row.indexed = false;
}

const std::vector<qsizetype>& SolutionGridModel::cellStarts(const Row& row) const {
    if (row.indexed)
        return row.starts;
    const int columns = columnCount();
    row.starts.clear();
    const QChar* data = row.text.constData();
    qsizetype start = row.begin;
    while (static_cast<int>(row.starts.size()) < columns && start <= row.end) {
        row.starts.push_back(start);
        qsizetype cellEnd = start;
        while (cellEnd < row.end && data[cellEnd] != u'\t')
            ++cellEnd;
        start = cellEnd + 1;
    }
    row.indexed = true;
    return row.starts;
}

void SolutionGridModel::setRowText(int row, const QString& text) {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return;
    point(m_rows[static_cast<size_t>(row)], text, 0, text.size());
    if (columnCount() > 0)
        Q_EMIT dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole});
}

void SolutionGridModel::loadText(const QString& text, int firstRow) {
    int row = firstRow;
    qsizetype start = 0;
    while (start <= text.size() && row < static_cast<int>(m_rows.size())) {
        qsizetype end = text.indexOf(u'\r', start);
        if (end < 0)
            end = text.size();
        point(m_rows[static_cast<size_t>(row)], text, start, end);
        ++row;
        start = end + 1;
    }
    if (row > firstRow && columnCount() > 0)
        Q_EMIT dataChanged(index(firstRow, 0), index(row - 1, columnCount() - 1), {Qt::DisplayRole});
}

QString SolutionGridModel::cellText(int row, int column) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || column < 0)
        return {};
    const Row& r = m_rows[static_cast<size_t>(row)];
    const std::vector<qsizetype>& starts = cellStarts(r);
    if (column >= static_cast<int>(starts.size()))
        return {};
    const qsizetype start = starts[static_cast<size_t>(column)];
    qsizetype end = r.text.indexOf(u'\t', start);
    if (end < 0 || end > r.end)
        end = r.end;
    return r.text.mid(start, end - start);
}

QString SolutionGridModel::rowText(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()))
        return {};
    const Row& r = m_rows[static_cast<size_t>(row)];
    if (r.begin == 0 && r.end == r.text.size())
        return r.text;
    return r.text.mid(r.begin, r.end - r.begin);
}

int SolutionGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SolutionGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant SolutionGridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid())
        return {};
    if (role == Qt::DisplayRole)
        return cellText(index.row(), index.column());
    if (role == Qt::TextAlignmentRole && index.column() > 0)
        return QVariant::fromValue(Qt::Alignment(Qt::AlignRight | Qt::AlignVCenter));
    return {};
}

QVariant SolutionGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_captions.size() ? QVariant(m_captions[section]) : QVariant();
    return section + 1;
}

int32_t GridInitialize(QTableView* grid, SolutionGridModel* model, const manager::WatcherManager& manager,
                       bool showPopulation) {
    // The common style of both grids: whole cells selected in a block,
    // nothing editable, no row numbers, captions left-aligned.
    grid->setModel(model);
    grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->setAlternatingRowColors(false);
    grid->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(twipsToPixels(255, grid));
    grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    grid->horizontalHeader()->setHighlightSections(false);

    log(QStringLiteral("WATCHER: GridInitialize, before adding columns"));
    model->clearColumns();
    model->addColumn(QString());
    model->addColumn(engine::GetResourceString(4046));
    model->addColumn(engine::GetResourceString(4047));
    grid->setColumnWidth(0, twipsToPixels(showPopulation ? kPopulationNameWidth : kSummaryNameWidth, grid));
    grid->setColumnWidth(1, twipsToPixels(kNumberWidth, grid));
    grid->setColumnWidth(2, twipsToPixels(kValueWidth, grid));

    log(QStringLiteral("WATCHER: GridInitialize, before calculating numGenesInTable"));
    const engine::TaggedCollection& names = manager.Input_AllGeneNamesCol();
    if (names.count() == 0)
        log(QStringLiteral("WATCHER: GridInitialize, m_Manager.Input_AllGeneNamesCol Is Nothing"));
    const int32_t numGenesInTable = std::min<int32_t>(static_cast<int32_t>(names.count()), kMaxGeneColumns);
    log(QStringLiteral("WATCHER: GridInitialize, after calculating numGenesInTable, =") +
        QString::number(numGenesInTable));
    log(QStringLiteral("WATCHER: GridInitialize, about to loop over variables to add columns"));
    const int valueWidth = twipsToPixels(kValueWidth, grid);
    for (int32_t i = 1; i <= numGenesInTable; ++i) {
        model->addColumn(names.item(i).toString());
        grid->setColumnWidth(2 + i, valueWidth);
    }
    log(QStringLiteral("WATCHER: GridInitialize, after adding columns"));
    return numGenesInTable;
}

} // namespace watcher
