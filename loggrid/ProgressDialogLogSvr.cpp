#include "ProgressDialogLogSvr.h"

#include <algorithm>
#include <array>
#include <span>

#include "DiagnosticLog.h"
#include "Formatting.h"
#include "ProcessState.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "ol/Directories.h"
#include "ol/ResourceServer.h"
#include "ol/SpecialValues.h"
#include "ol/StepGuard.h"
#include "ol/TextUtils.h"

namespace loggrid {

namespace {

using engine::DiagnosticLog;

constexpr int kNameCapacity = 1024;
// The array dump of a row shows no more than this many elements of each
// array.
constexpr size_t kMaxDumpedElements = 20;

// Fixed columns: trial, time, objective value and, in an efficient-frontier
// analysis, the constraining value.
constexpr int32_t kFixedColumns = 3;
constexpr int32_t kFixedColumnsFrontier = 4;

// Resource texts of the headers and cells.
constexpr int kHeaderTrial = 4401;
constexpr int kHeaderTime = 4402;
constexpr int kHeaderObjective = 4404;
constexpr int kTextMet = 4409;
constexpr int kTextNotMet = 4410;
constexpr int kTextNoCellValue = 3226;

// Languages with widths of their own (Windows primary language numbers).
constexpr int kLanguageChinese = 4;
constexpr int kLanguageGerman = 7;
constexpr int kLanguageJapanese = 17;
constexpr int kLanguagePortuguese = 22;
constexpr int kLanguageRussian = 25;

using WidthRow = std::array<int32_t, 8>;
constexpr WidthRow kWidthsGerman = {600, 900, 600, 1000, 1480, 1630, 1170, 1170};
constexpr WidthRow kWidthsEastAsian = {600, 1100, 950, 1100, 1100, 1200, 1100, 1100};
constexpr WidthRow kWidthsPortuguese = {600, 1350, 600, 1000, 1350, 1600, 1400, 1400};
constexpr WidthRow kWidthsRussian = {900, 1350, 600, 1100, 1350, 1600, 1400, 1400};
constexpr WidthRow kWidthsOther = {600, 1100, 600, 1100, 1100, 1200, 1100, 1100};

const QString kMissingLog = QStringLiteral("No log information available to show in Watcher.");

void log(QString line) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(line);
}

QString number(double value) {
    return DiagnosticLog::NumberText(value);
}

void dumpArray(const QString& name, const std::vector<double>& values) {
    if (!DiagnosticLog::isOn())
        return;
    const size_t n = std::min(values.size(), kMaxDumpedElements);
    DiagnosticLog::WriteArray(name, std::span<const double>(values.data(), n));
}

// A capacity argument for the engine: the array's length.
int32_t capacity(const std::vector<double>& values) {
    return static_cast<int32_t>(values.size());
}

double* buffer(std::vector<double>& values) {
    return values.empty() ? nullptr : values.data();
}

} // namespace

ProgressDialogLogSvr::ProgressDialogLogSvr(QObject* parent) : QAbstractTableModel(parent) {}

ProgressDialogLogSvr::~ProgressDialogLogSvr() = default;

QString ProgressDialogLogSvr::logPath() const {
    return m_Manager != nullptr ? m_Manager->Input_LogPath() : QString();
}

int32_t ProgressDialogLogSvr::selector() const {
    return m_Manager != nullptr ? m_Manager->IDForQxLogReadRecordVB() : 0;
}

// ---------------------------------------------------------------- columns

void ProgressDialogLogSvr::InitializeAndAddColumnsToGrid(LogGridColumns* p_Grid, manager::WatcherManager* p_Manager) {
    m_Manager = p_Manager;
    if (m_Manager == nullptr)
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("ProgressDialogLogServer.Initialize"),
                       QStringLiteral("p_Manager"));
    const QString path = logPath();
    if (!ol::fileExists(path))
        ol::raiseError(ol::kErrGeneral, QStringLiteral("ProgressDialogLogServer.Initialize"), kMissingLog);

    const bool frontier = m_Manager->Input_EFPerformAnalysis();
    const int32_t fixed = frontier ? kFixedColumnsFrontier : kFixedColumns;
    const QByteArray path8 = path.toUtf8();

    log(QStringLiteral("About to call QxLogGetCountsVB with path=") + path);
    int32_t chromosomes = 0, genes = 0, constraints = 0;
    const int32_t rc = engine::QxLib().QxLogGetCountsWVB(path8.constData(), &chromosomes, &genes, &constraints);
    log(QStringLiteral("QxLogGetCountsVB returned numChromosomes=") + QString::number(chromosomes) +
        QStringLiteral(", numGenes=") + QString::number(genes) + QStringLiteral(", numConstraints=") +
        QString::number(constraints) + QStringLiteral(", rc=") + QString::number(rc));
    if (rc != 0)
        engine::LogQxLibError(QStringLiteral("ProgressDialogLogServer.Initialize"), QStringLiteral("QxLogGetCountsVB"),
                              rc, true);
    genes = std::max(genes, 0);
    constraints = std::max(constraints, 0);

    std::vector<QString> names, groupZ, groupN;
    std::vector<bool> isGroupZ, isAtomic;
    for (int32_t i = 1; i <= constraints; ++i) {
        std::array<char, kNameCapacity> name{};
        int16_t hardNotSoft = 0;
        int16_t atomic = 0;
        const int32_t infoRc = engine::QxLib().QxLogGetConstraintInfoWVB(path8.constData(), i, name.data(),
                                                                         kNameCapacity, &hardNotSoft, &atomic);
        if (infoRc < 0)
            engine::LogQxLibError(QStringLiteral("ProgressDialogLogServer.Initialize"),
                                  QStringLiteral("QxLogGetConstraintInfo"), infoRc, true);
        const QString trimmed = ol::trimBlanks(QString::fromUtf8(name.data()));
        names.push_back(trimmed);
        isGroupZ.push_back(hardNotSoft == 0);
        isAtomic.push_back(atomic != 0);
        (hardNotSoft == 0 ? groupZ : groupN).push_back(trimmed);
    }

    const int32_t gc = std::min(kMaxColumns - fixed, genes);
    const int32_t zc = std::max(0, std::min(kMaxColumns - fixed - gc, static_cast<int32_t>(groupZ.size())));
    const int32_t nc = std::max(0, std::min(kMaxColumns - fixed - gc - zc, static_cast<int32_t>(groupN.size())));

    std::vector<Column> columns;
    columns.reserve(static_cast<size_t>(fixed + gc + zc + nc));
    columns.push_back({engine::GetResourceString(kHeaderTrial), GetInitialColumnWidth(0)});
    columns.push_back({engine::GetResourceString(kHeaderTime), GetInitialColumnWidth(1)});
    // The objective's width is that of fixed column 3.
    columns.push_back({engine::GetResourceString(kHeaderObjective), GetInitialColumnWidth(3)});
    const engine::TaggedCollection& geneNames = m_Manager->Input_AllGeneNamesCol();
    for (int32_t g = 1; g <= gc; ++g)
        columns.push_back({geneNames.item(g).toString(), kValueColumnWidth});
    if (frontier)
        columns.push_back({ol::shortenText(m_Manager->Input_EFConstraintDisplayFormula_LHSide(), kMaxHeaderChars),
                           kValueColumnWidth});
    for (int32_t z = 0; z < zc; ++z)
        columns.push_back({ol::shortenText(groupZ[static_cast<size_t>(z)], kMaxHeaderChars), kValueColumnWidth});
    for (int32_t n = 0; n < nc; ++n)
        columns.push_back({ol::shortenText(groupN[static_cast<size_t>(n)], kMaxHeaderChars), kValueColumnWidth});

    beginResetModel();
    m_NumChromosomes = chromosomes;
    m_NumGenes = genes;
    m_NumConstraints = constraints;
    m_ConstraintNames = std::move(names);
    m_ConstraintIsGroupZ = std::move(isGroupZ);
    m_ConstraintIsAtomic = std::move(isAtomic);
    m_GroupZNames = std::move(groupZ);
    m_GroupNNames = std::move(groupN);
    m_F = fixed;
    m_FrontierColumn = frontier;
    m_Gc = gc;
    m_Zc = zc;
    m_Nc = nc;
    m_Columns = std::move(columns);
    m_ConstraintValues.assign(static_cast<size_t>(constraints), 0.0);
    m_ConstraintCellValues.assign(static_cast<size_t>(constraints), 0.0);
    m_GeneValues.assign(static_cast<size_t>(genes), 0.0);
    m_GroupZTexts.assign(static_cast<size_t>(zc), QString());
    m_GroupNValues.assign(static_cast<size_t>(nc), 0.0);
    m_TimeSeparator = engine::TimeSeparator();
    m_GridRowCount = 0;
    m_GridSelector = selector();
    m_CachedRow = -1;
    m_CachedCells.clear();
    endResetModel();

    if (p_Grid != nullptr) {
        p_Grid->RemoveAllColumns();
        for (const Column& c : m_Columns)
            p_Grid->AddColumn(c.header, c.widthTwips);
    }
}

int32_t ProgressDialogLogSvr::InitialColumnWidthForLanguage(int language, int32_t whichColumn) {
    if (whichColumn < 0 || whichColumn > 7)
        return 0;
    const WidthRow* row = &kWidthsOther;
    switch (language) {
    case kLanguageGerman:
        row = &kWidthsGerman;
        break;
    case kLanguageJapanese:
    case kLanguageChinese:
        row = &kWidthsEastAsian;
        break;
    case kLanguagePortuguese:
        row = &kWidthsPortuguese;
        break;
    case kLanguageRussian:
        row = &kWidthsRussian;
        break;
    default:
        break;
    }
    return (*row)[static_cast<size_t>(whichColumn)];
}

int32_t ProgressDialogLogSvr::GetInitialColumnWidth(int32_t p_WhichColumn) {
    if (p_WhichColumn < 0 || p_WhichColumn > 7)
        ol::raiseError(ol::kErrInvalidArgument, QStringLiteral("GetInitialColumnWidth"),
                       QStringLiteral("p_WhichColumn"));
    const std::shared_ptr<ol::ResourceServer> server = engine::ProcessState::resourceServer();
    const int language = server ? server->language() : ol::kLanguageEnglish;
    return InitialColumnWidthForLanguage(language, p_WhichColumn);
}

// ---------------------------------------------------------------- rows

int32_t ProgressDialogLogSvr::GetLogRowCount() {
    return ol::tryOr<int32_t>(0, [&] {
        const QString path = logPath();
        const int32_t id = selector();
        log(QStringLiteral("About to call QxLogGetRecordCounts2WVB with LogPath: ") + path +
            QStringLiteral(", m_Manager.IDForQxLogReadRecordVB=") + QString::number(id));
        int32_t trials = 0, steps = 0;
        const int32_t rc = engine::QxLib().QxLogGetRecordCounts2WVB(path.toUtf8().constData(), &trials, id, &steps);
        log(QStringLiteral("QxLogGetRecordCounts2WVB returned TrialCount=") + QString::number(trials) +
            QStringLiteral(", progressStepCount=") + QString::number(steps) + QStringLiteral(", rc=") +
            QString::number(rc));
        if (rc != 0)
            engine::LogQxLibError(QStringLiteral("IsgGridDataSource_GetRowCount"),
                                  QStringLiteral("QxLogGetRecordCounts2WVB"), rc, true);
        return std::max(0, id == 0 ? trials : steps);
    });
}

int32_t ProgressDialogLogSvr::IsgGridDataSource_GetRowCount() {
    return GetLogRowCount();
}

void ProgressDialogLogSvr::IsgGridDataSource_GetRowData(int32_t rowIndex, int32_t /*colCount*/, QVariantList& rowData) {
    rowData = QVariantList(static_cast<qsizetype>(m_Columns.size()));
    fillRow(rowIndex, rowData);
}

bool ProgressDialogLogSvr::fillRow(int32_t rowIndex, QVariantList& rowData) {
    if (m_Manager == nullptr)
        return false;
    ol::StepGuard guard;
    const QString path = logPath();
    const int32_t id = selector();
    const int32_t recordNumber = rowIndex + 1;
    log(QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + path + QStringLiteral(", recordNum=") +
        QString::number(recordNumber) + QStringLiteral(", m_Manager.IDForQxLogReadRecordVB=") + QString::number(id));

    int32_t elapsedMs = 0;
    double spareValue = 0.0;
    double valueWithPenalties = 0.0;
    int32_t recalcNum = 0;
    QxLogRecordExtra extra{};
    int32_t rc = 0;
    const bool called = guard.run([&] {
        rc = engine::QxLib().QxLogReadRecordWVB(
            path.toUtf8().constData(), recordNumber, id, &elapsedMs, &spareValue, &valueWithPenalties, &recalcNum,
            buffer(m_ConstraintValues), capacity(m_ConstraintValues), buffer(m_ConstraintCellValues),
            capacity(m_ConstraintCellValues), nullptr, 0, buffer(m_GeneValues), capacity(m_GeneValues), &extra);
        ++m_RecordReads;
    });
    log(QStringLiteral("QxLogReadRecordVB returned valueWithPenalties=") + number(valueWithPenalties) +
        QStringLiteral(", recalcNum=") + QString::number(recalcNum) + QStringLiteral(", rc=") + QString::number(rc));
    dumpArray(QStringLiteral("constraintValues"), m_ConstraintValues);
    dumpArray(QStringLiteral("geneValues"), m_GeneValues);
    if (rc != 0)
        guard.run([&] {
            engine::LogQxLibError(QStringLiteral("IsgGridDataSource_GetRowData"), QStringLiteral("QxLogReadRecordVB"),
                                  rc, true);
        });

    const auto set = [&](qsizetype column, auto&& make) {
        guard.run([&] {
            if (column < rowData.size())
                rowData[column] = make();
        });
    };
    qsizetype column = 0;
    set(column++, [&] { return QVariant(recalcNum); });
    set(column++, [&] { return QVariant(engine::FormatElapsedTime(elapsedMs, m_TimeSeparator)); });
    set(column++, [&] {
        if (ol::isSpecial(valueWithPenalties))
            return QVariant(engine::GetCommonString(engine::kCommonMissingValue));
        if (m_Manager->Input_ConstraintSolverMode())
            return QVariant(engine::FormatConstraintViolations(valueWithPenalties, false));
        return QVariant(m_Manager->FormatObjectiveValue(valueWithPenalties));
    });

    const engine::TaggedCollection& geneDates = m_Manager->Input_AdjustableCellsFormatAsDateCol();
    for (int32_t g = 1; g <= m_Gc; ++g)
        set(column++, [&] {
            return QVariant(engine::FormatValueForDisplay(m_GeneValues[static_cast<size_t>(g - 1)],
                                                          geneDates.item(g).toBool(), false));
        });

    if (m_FrontierColumn)
        set(column++, [&] {
            QString text = m_Manager->FormatConstrainingValue(extra.constrainingCellValue);
            if (id == 0 && extra.markerFlag == 0)
                text += u'*';
            return QVariant(text);
        });

    // Group Z: met / not met, or an atomic constraint's cell value with "*"
    // when it is met.
    const bool solverMode = m_Manager->Input_ConstraintSolverMode();
    const engine::TaggedCollection& constraintDates = m_Manager->Input_AtomicConstraintsFormatAsDateCol();
    int32_t z = 0;
    for (int32_t i = 1; i <= m_NumConstraints && z < m_Zc; ++i) {
        const size_t k = static_cast<size_t>(i - 1);
        if (!m_ConstraintIsGroupZ[k])
            continue;
        guard.run([&] {
            const double value = m_ConstraintValues[k];
            QString text;
            if (solverMode || !m_ConstraintIsAtomic[k]) {
                text = engine::GetResourceString(value == 0.0 ? kTextMet : kTextNotMet);
            } else if (ol::isNoValue(m_ConstraintCellValues[k])) {
                text = engine::GetResourceString(kTextNoCellValue);
            } else {
                text =
                    engine::FormatValueForDisplay(m_ConstraintCellValues[k], constraintDates.item(i).toBool(), false);
                if (value == 0.0)
                    text += u'*';
            }
            m_GroupZTexts[static_cast<size_t>(z)] = text;
        });
        ++z;
    }
    for (int32_t j = 0; j < m_Zc; ++j)
        set(column++, [&] { return QVariant(m_GroupZTexts[static_cast<size_t>(j)]); });

    // Group N: the amounts by which they are violated.
    int32_t n = 0;
    for (int32_t i = 1; i <= m_NumConstraints && n < m_Nc; ++i) {
        const size_t k = static_cast<size_t>(i - 1);
        if (m_ConstraintIsGroupZ[k])
            continue;
        m_GroupNValues[static_cast<size_t>(n++)] = m_ConstraintValues[k];
    }
    for (int32_t j = 0; j < m_Nc; ++j)
        set(column++, [&] { return QVariant(engine::FormatNumberGeneral(m_GroupNValues[static_cast<size_t>(j)])); });
    return called && rc == 0;
}

bool ProgressDialogLogSvr::IsgGridDataSource_AddRow(int32_t, int32_t, const QVariantList&) {
    return false;
}

bool ProgressDialogLogSvr::IsgGridDataSource_DeleteRow(int32_t) {
    return false;
}

void ProgressDialogLogSvr::IsgGridDataSource_SetRowData(int32_t, int32_t, const QVariantList&) {}

void ProgressDialogLogSvr::Dispose() {
    log(QStringLiteral("WATCHER: ProgressDialogLogServer.Dispose: Set m_Manager = Nothing"));
    beginResetModel();
    m_Manager = nullptr;
    m_GridRowCount = 0;
    m_CachedRow = -1;
    m_CachedCells = QVariantList();
    m_ConstraintNames = {};
    m_ConstraintIsGroupZ = {};
    m_ConstraintIsAtomic = {};
    m_GroupZNames = {};
    m_GroupNNames = {};
    m_ConstraintValues = {};
    m_ConstraintCellValues = {};
    m_GeneValues = {};
    m_GroupZTexts = {};
    m_GroupNValues = {};
    endResetModel();
}

// ---------------------------------------------------------------- the grid's rows

void ProgressDialogLogSvr::SetGridRowCount(int32_t rows) {
    rows = std::max(rows, 0);
    if (m_CachedRowFailed)
        m_CachedRow = -1;
    const int32_t id = selector();
    if (id != m_GridSelector && m_GridRowCount > 0) {
        // Another table: none of the rows shown is a row of it. Removing and
        // inserting keeps the columns and their widths as they are.
        beginRemoveRows(QModelIndex(), 0, m_GridRowCount - 1);
        m_GridRowCount = 0;
        m_CachedRow = -1;
        endRemoveRows();
    }
    m_GridSelector = id;
    if (rows > m_GridRowCount) {
        beginInsertRows(QModelIndex(), m_GridRowCount, rows - 1);
        m_GridRowCount = rows;
        endInsertRows();
    } else if (rows < m_GridRowCount) {
        beginRemoveRows(QModelIndex(), rows, m_GridRowCount - 1);
        m_GridRowCount = rows;
        if (m_CachedRow >= rows)
            m_CachedRow = -1;
        endRemoveRows();
    }
}

const QVariantList& ProgressDialogLogSvr::cachedRow(int row) const {
    const int32_t id = selector();
    if (row != m_CachedRow || id != m_CachedSelector) {
        auto* self = const_cast<ProgressDialogLogSvr*>(this);
        QVariantList cells(static_cast<qsizetype>(m_Columns.size()));
        // A row that could not be read is shown as far as it came, and read
        // again after the next change of the row count.
        m_CachedRowFailed = !self->fillRow(row, cells);
        m_CachedCells = std::move(cells);
        m_CachedRow = row;
        m_CachedSelector = id;
    }
    return m_CachedCells;
}

int ProgressDialogLogSvr::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : m_GridRowCount;
}

int ProgressDialogLogSvr::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_Columns.size());
}

QVariant ProgressDialogLogSvr::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= m_GridRowCount || index.column() >= columnCount())
        return {};
    if (role == Qt::DisplayRole)
        return cachedRow(index.row()).value(index.column());
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::Alignment(index.column() < 2 ? Qt::AlignCenter : (Qt::AlignRight | Qt::AlignVCenter)));
    return {};
}

QVariant ProgressDialogLogSvr::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return {};
    const Column& c = m_Columns[static_cast<size_t>(section)];
    if (role == Qt::DisplayRole)
        return c.header;
    if (role == kWidthTwipsRole)
        return c.widthTwips;
    return {};
}

Qt::ItemFlags ProgressDialogLogSvr::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

bool ProgressDialogLogSvr::setData(const QModelIndex&, const QVariant&, int) {
    return false;
}

bool ProgressDialogLogSvr::insertRows(int, int, const QModelIndex&) {
    return false;
}

bool ProgressDialogLogSvr::removeRows(int, int, const QModelIndex&) {
    return false;
}

} // namespace loggrid
