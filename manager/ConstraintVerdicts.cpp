#include "ConstraintVerdicts.h"

#include <algorithm>

#include "DiagnosticLog.h"
#include "LogReaders.h"
#include "QxLibBinding.h"
#include "ResourceStrings.h"

namespace manager {

namespace {

constexpr int kLanguageGerman = 7;
constexpr int kLanguageSpanish = 10;
constexpr int kLanguageFrench = 12;
constexpr int kLanguagePortuguese = 22;
constexpr int kLanguageRussian = 25;

// Room for a constraint's name, which the verdicts do not show.
constexpr int32_t kNameCapacity = 1024;

const QString kUpdate = QStringLiteral("ConstraintSolverTab_Update");
const QString kUpdateOneColumn = QStringLiteral("ConstraintSolverTab_UpdateOneColumn");

void log(QString line) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(line);
}

QString number(double value) {
    return engine::DiagnosticLog::NumberText(value);
}

} // namespace

int32_t ConstraintVerdicts::SolutionColumnWidth(int language) {
    switch (language) {
    case kLanguageGerman:
        return 1650;
    case kLanguageSpanish:
    case kLanguageFrench:
    case kLanguagePortuguese:
    case kLanguageRussian:
        return 1250;
    default:
        return 1000;
    }
}

int32_t ConstraintVerdicts::TextColumnWidth(int32_t gridWidth, int32_t solutionColumnWidth) {
    return (gridWidth - 3 * solutionColumnWidth) / 2 - 150;
}

void ConstraintVerdicts::initialize(int hardConstraintCount) {
    m_cells.assign(static_cast<size_t>(std::max(0, hardConstraintCount)), {0, 0, 0});
}

int ConstraintVerdicts::verdictResource(int row, Column column) const {
    if (row < 0 || row >= rowCount() || column < 0 || column >= ColumnCount)
        return 0;
    return m_cells[static_cast<size_t>(row)][static_cast<size_t>(column)];
}

QString ConstraintVerdicts::verdictText(int row, Column column) const {
    const int resource = verdictResource(row, column);
    return resource == 0 ? QString() : engine::GetResourceString(resource);
}

void ConstraintVerdicts::update(const QString& logPath) {
    const QByteArray path = logPath.toUtf8();
    log(kUpdate + QStringLiteral(", About to call QxLogGetRecordCountsWVB with LogPath: ") + logPath);
    int32_t trialCount = 0;
    int32_t progressStepCount = 0;
    int32_t rc = engine::QxLib().QxLogGetRecordCountsWVB(path.constData(), &trialCount, &progressStepCount);
    log(kUpdate + QStringLiteral(", QxLogGetRecordCountsWVB returned TrialCount=") + QString::number(trialCount) +
        QStringLiteral(", progressStepCount=") + QString::number(progressStepCount) + QStringLiteral(", rc=") +
        QString::number(rc));
    if (rc != 0)
        engine::LogQxLibError(kUpdate, QStringLiteral("QxLogGetRecordCountsWVB"), rc, true);

    int32_t numChromosomes = 0;
    int32_t numGenes = 0;
    int32_t numConstraints = 0;
    rc = engine::QxLib().QxLogGetCountsWVB(path.constData(), &numChromosomes, &numGenes, &numConstraints);
    if (rc != 0)
        engine::LogQxLibError(kUpdate, QStringLiteral("QxLogGetCountsVB"), rc, true);

    updateOneColumn(logPath, 1, Original, numGenes, numConstraints);
    updateOneColumn(logPath, trialCount, Last, numGenes, numConstraints);
    if (const int32_t bestTrial = engine::Log_GetBestTrialNumber(logPath); bestTrial > 0)
        updateOneColumn(logPath, bestTrial, Best, numGenes, numConstraints);
}

void ConstraintVerdicts::updateOneColumn(const QString& logPath, int32_t recordNumber, Column column, int32_t numGenes,
                                         int32_t numConstraints) {
    const QByteArray path = logPath.toUtf8();
    log(kUpdateOneColumn + QStringLiteral(", About to call QxLogReadRecordVB with LogPath=") + logPath +
        QStringLiteral(", recordNum=") + QString::number(recordNumber));
    std::vector<double> constraintValues(static_cast<size_t>(std::max(0, numConstraints)), 0.0);
    std::vector<double> constraintCellValues(constraintValues.size(), 0.0);
    std::vector<double> geneValues(static_cast<size_t>(std::max(0, numGenes)), 0.0);
    int32_t elapsedMs = 0;
    double spareValue = 0.0;
    double valueWithPenalties = 0.0;
    int32_t recalcNum = 0;
    QxLogRecordExtra extra{};
    const int32_t rc = engine::QxLib().QxLogReadRecordWVB(
        path.constData(), recordNumber, 0, &elapsedMs, &spareValue, &valueWithPenalties, &recalcNum,
        constraintValues.data(), static_cast<int32_t>(constraintValues.size()), constraintCellValues.data(),
        static_cast<int32_t>(constraintCellValues.size()), nullptr, 0, geneValues.data(),
        static_cast<int32_t>(geneValues.size()), &extra);
    log(kUpdateOneColumn + QStringLiteral(", QxLogGetRecord returned valueWithPenalties=") +
        number(valueWithPenalties) + QStringLiteral(", recalcNum=") + QString::number(recalcNum) +
        QStringLiteral(", rc=") + QString::number(rc));
    if (rc != 0)
        engine::LogQxLibError(kUpdateOneColumn, QStringLiteral("QxLogGetRecord"), rc, true);

    size_t row = 0;
    for (int32_t i = 1; i <= numConstraints; ++i) {
        if (engine::DiagnosticLog::isOn())
            log(QStringLiteral("About to call QxLogGetConstraintInfoVB with path=") + logPath +
                QStringLiteral(", constraintNum=") + QString::number(i));
        QByteArray name(kNameCapacity, '\0');
        int16_t hardNotSoft = 0;
        int16_t isAtomic = 0;
        engine::QxLib().QxLogGetConstraintInfoWVB(path.constData(), i, name.data(), kNameCapacity, &hardNotSoft,
                                                  &isAtomic);
        if (engine::DiagnosticLog::isOn())
            log(QStringLiteral("QxLogGetConstraintInfoVB returned s=") + QString::fromUtf8(name.constData()) +
                QStringLiteral(", l_HardNotSoft=") + QString::number(hardNotSoft));
        // Code 0 marks a hard constraint; the others are soft and take no row.
        if (hardNotSoft != 0)
            continue;
        if (row < m_cells.size()) {
            const bool met = constraintValues[static_cast<size_t>(i - 1)] == 0.0;
            m_cells[row][static_cast<size_t>(column)] = met ? kResourceMet : kResourceNotMet;
        }
        ++row;
    }
}

} // namespace manager
