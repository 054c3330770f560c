#pragma once

#include <cstdint>
#include <vector>

#include <QAbstractTableModel>
#include <QString>
#include <QVariant>

namespace manager {
class WatcherManager;
}

namespace loggrid {

// What the server needs of the grid it lays out: its columns. The grid
// itself (a widget) implements this; the server never touches widgets.
class LogGridColumns {
public:
    virtual ~LogGridColumns() = default;
    virtual void RemoveAllColumns() = 0;
    // One column more at the right end: its header text and its width in
    // twips.
    virtual void AddColumn(const QString& header, int32_t widthTwips) = 0;
};

// The optimization log as the log grid's virtual data source. The grid asks
// for the number of rows and, for the rows it shows, their cells; each row is
// read from the log file through the engine library when it is asked for.
// Nothing of the log is kept beyond one record: the arrays of the last
// record read and that row's cells, so that the cells of one row cost one
// read.
//
// Which table is shown is the manager's IDForQxLogReadRecordVB, read on every
// request: 0 = every trial, k >= 1 = the progress steps under selector k.
//
// The model's row count is the grid's row count: the window sets it
// (SetGridRowCount) from GetLogRowCount on every update, so the grid grows as
// the run goes on without asking the engine on every repaint.
class ProgressDialogLogSvr : public QAbstractTableModel {
    Q_OBJECT

public:
    // The grid never gets more columns than this.
    static constexpr int32_t kMaxColumns = 1024;
    // Width (twips) of the gene and constraint columns.
    static constexpr int32_t kValueColumnWidth = 1100;
    // Longest header of a constraint column, in characters.
    static constexpr int kMaxHeaderChars = 96;
    // The role under which headerData gives a column's width in twips.
    static constexpr int kWidthTwipsRole = Qt::UserRole + 1;

    explicit ProgressDialogLogSvr(QObject* parent = nullptr);
    ~ProgressDialogLogSvr() override;

    // Binds the manager, reads the log's counts and constraints and lays out
    // the columns (in this model and, when given, in the grid). Raises
    // 0x8004000A "No log information available to show in Watcher." when the
    // log file does not exist; every other failure reaches the caller too.
    void InitializeAndAddColumnsToGrid(LogGridColumns* p_Grid, manager::WatcherManager* p_Manager);

    // The width in twips of fixed column p_WhichColumn (0..7) in the resource
    // server's language. Raises 0x80040014 (source "GetInitialColumnWidth",
    // text "p_WhichColumn") for any other column number.
    static int32_t GetInitialColumnWidth(int32_t p_WhichColumn);
    // The same for a given language (a Windows primary language number);
    // 0 for a column number outside 0..7.
    static int32_t InitialColumnWidthForLanguage(int language, int32_t whichColumn);

    // The number of rows of the selected table, from the log; 0 after any
    // error.
    int32_t GetLogRowCount();

    // The grid's virtual data-source interface.
    int32_t IsgGridDataSource_GetRowCount();
    // Fills rowData (resized to the column count) with the cells of row
    // rowIndex (0-based). Never fails: cells that could not be made stay
    // empty.
    void IsgGridDataSource_GetRowData(int32_t rowIndex, int32_t colCount, QVariantList& rowData);
    // The log is read-only: these refuse and change nothing.
    bool IsgGridDataSource_AddRow(int32_t rowIndex, int32_t colCount, const QVariantList& rowData);
    bool IsgGridDataSource_DeleteRow(int32_t rowIndex);
    void IsgGridDataSource_SetRowData(int32_t rowIndex, int32_t colCount, const QVariantList& rowData);

    // Releases the manager and every array. Afterwards the grid shows no
    // rows.
    void Dispose();

    // The grid's row count. Growing appends rows (the view keeps its scroll
    // position and selection); a change of the selected table replaces every
    // row.
    void SetGridRowCount(int32_t rows);
    int32_t GridRowCount() const { return m_GridRowCount; }

    // Column layout, fixed at initialization.
    int32_t FixedColumnCount() const { return m_F; }
    int32_t GeneColumnCount() const { return m_Gc; }
    int32_t GroupZColumnCount() const { return m_Zc; }
    int32_t GroupNColumnCount() const { return m_Nc; }
    int32_t TotalColumnCount() const { return static_cast<int32_t>(m_Columns.size()); }
    int32_t GeneCount() const { return m_NumGenes; }
    int32_t ConstraintCount() const { return m_NumConstraints; }
    // The rows read from the log so far (each a QxLogReadRecordWVB call).
    int64_t RecordReads() const { return m_RecordReads; }

    // QAbstractTableModel
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    bool insertRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;
    bool removeRows(int row, int count, const QModelIndex& parent = QModelIndex()) override;

private:
    struct Column {
        QString header;
        int32_t widthTwips = 0;
    };

    QString logPath() const;
    int32_t selector() const;
    // True when the record was read.
    bool fillRow(int32_t rowIndex, QVariantList& rowData);
    // The cells of row `row` of the selected table, read once per row.
    const QVariantList& cachedRow(int row) const;

    manager::WatcherManager* m_Manager = nullptr;

    int32_t m_NumChromosomes = 0;
    int32_t m_NumGenes = 0;
    int32_t m_NumConstraints = 0;
    // Per constraint (index i - 1): name, HardNotSoft = 0, atomic.
    std::vector<QString> m_ConstraintNames;
    std::vector<bool> m_ConstraintIsGroupZ;
    std::vector<bool> m_ConstraintIsAtomic;
    std::vector<QString> m_GroupZNames;
    std::vector<QString> m_GroupNNames;

    int32_t m_F = 3;
    int32_t m_Gc = 0;
    int32_t m_Zc = 0;
    int32_t m_Nc = 0;
    bool m_FrontierColumn = false;
    std::vector<Column> m_Columns;

    // Working arrays of one record.
    std::vector<double> m_ConstraintValues;
    std::vector<double> m_ConstraintCellValues;
    std::vector<double> m_GeneValues;
    std::vector<QString> m_GroupZTexts;
    std::vector<double> m_GroupNValues;

    // The locale's time separator, looked up once rather than per row.
    QChar m_TimeSeparator = u':';
    int32_t m_GridRowCount = 0;
    int32_t m_GridSelector = 0;
    int64_t m_RecordReads = 0;

    // The last row read for the grid: its index, the table and its cells.
    mutable int m_CachedRow = -1;
    mutable int32_t m_CachedSelector = 0;
    mutable QVariantList m_CachedCells;
    mutable bool m_CachedRowFailed = false;
};

} // namespace loggrid
