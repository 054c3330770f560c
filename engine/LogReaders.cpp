#include "LogReaders.h"

#include <span>

#include "DiagnosticLog.h"
#include "QxLibBinding.h"
#include "ol/SpecialValues.h"
#include "ol/StepGuard.h"

namespace engine {

namespace {

void log(QString line) {
    if (DiagnosticLog::isOn())
        DiagnosticLog::WriteLine(line);
}

struct Counts {
    int32_t trials = 0;
    int32_t steps = 0;
};

struct Record {
    bool read = false;
    double valueWithPenalties = ol::kNoValue;
    int32_t recalcNum = 0;
    QxLogRecordExtra extra{};
};

// The "after counting" line is the same for both count calls.
void logCounts(const Counts& counts, int32_t rc) {
    log(QStringLiteral("QxLogGetRecordCountsWVB returned TrialCount=") + QString::number(counts.trials) +
        QStringLiteral(", l_TrialOrProgressStepNumber=") + QString::number(counts.steps) + QStringLiteral(", rc=") +
        QString::number(rc));
}

// Trial count and progress-step count of selector 1. A failure is logged and
// the counts are used as they are.
Counts readCounts(const QString& function, const QString& path) {
    log(function + QStringLiteral(", About to call QxLogGetRecordCountsWVB with log path: ") + path);
    Counts counts;
    const int32_t rc = QxLib().QxLogGetRecordCountsWVB(path.toUtf8().constData(), &counts.trials, &counts.steps);
    logCounts(counts, rc);
    if (rc != 0)
        LogQxLibError(function, QStringLiteral("QxLogGetRecordCountsWVB"), rc, true);
    return counts;
}

// The same for the progress steps of optimization k.
Counts readCounts2(const QString& function, const QString& path, int32_t constrainingValueIndex) {
    log(function + QStringLiteral(", About to call QxLogGetRecordCounts2WVB with log path: ") + path);
    Counts counts;
    const int32_t rc = QxLib().QxLogGetRecordCounts2WVB(path.toUtf8().constData(), &counts.trials,
                                                        constrainingValueIndex, &counts.steps);
    logCounts(counts, rc);
    if (rc != 0)
        LogQxLibError(function, QStringLiteral("QxLogGetRecordCounts2WVB"), rc, true);
    return counts;
}

// The number of genes, the width of a record's adjustable-cell array.
int32_t geneCount(const QString& function, const QString& path) {
    int32_t chromosomes = 0;
    int32_t genes = 0;
    int32_t constraints = 0;
    const int32_t rc = QxLib().QxLogGetCountsWVB(path.toUtf8().constData(), &chromosomes, &genes, &constraints);
    if (rc != 0)
        LogQxLibError(function, QStringLiteral("QxLogGetCountsWVB"), rc, true);
    return genes > 0 ? genes : 0;
}

// Reads one record; `tableLabel` is how the "about to" line names the table
// argument. When `genes` is given it receives the adjustable-cell values and
// they are written to the log after the read.
Record readRecord(const QString& function, const QString& path, int32_t recordNumber, int32_t tableId,
                  QLatin1StringView tableLabel, QList<double>* genes) {
    double* geneBuffer = nullptr;
    int32_t geneCapacity = 0;
    if (genes) {
        genes->fill(0.0, geneCount(function, path));
        geneBuffer = genes->data();
        geneCapacity = static_cast<int32_t>(genes->size());
    }
    log(QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + path + QStringLiteral(", recordNumber=") +
        QString::number(recordNumber) + QStringLiteral(", ") + tableLabel + u'=' + QString::number(tableId));
    Record record;
    int32_t elapsedMs = 0;
    double spareValue = 0.0;
    double valueWithPenalties = 0.0;
    const int32_t rc = QxLib().QxLogReadRecordWVB(path.toUtf8().constData(), recordNumber, tableId, &elapsedMs,
                                                  &spareValue, &valueWithPenalties, &record.recalcNum, nullptr, 0,
                                                  nullptr, 0, nullptr, 0, geneBuffer, geneCapacity, &record.extra);
    log(QStringLiteral("QxLogReadRecordVB returned rc=") + QString::number(rc));
    if (genes)
        DiagnosticLog::WriteArray(QStringLiteral("p_AdjustableCellValues"),
                                  std::span<const double>(genes->constData(), static_cast<size_t>(genes->size())));
    if (rc != 0) {
        LogQxLibError(function, QStringLiteral("QxLogReadRecordWVB"), rc, true);
        return Record{};
    }
    record.read = true;
    record.valueWithPenalties = valueWithPenalties;
    return record;
}

constexpr QLatin1StringView kTableLabel("TrialOrProgressStepNumber");
constexpr QLatin1StringView kIndexLabel("p_ConstrainingValueIndex");

// The record the selector names, or none: best = the last progress step,
// original = trial 1, anything else = the last trial.
Record readBestOriginalLast(const QString& function, const QString& path, int32_t which, QList<double>* genes) {
    const Counts counts = readCounts(function, path);
    if (which == kWhichBest) {
        if (counts.steps >= 1)
            return readRecord(function, path, counts.steps, 1, kTableLabel, genes);
    } else if (which == kWhichOriginal) {
        if (counts.trials >= 1)
            return readRecord(function, path, 1, 0, kTableLabel, genes);
    } else if (counts.trials >= 1) {
        return readRecord(function, path, counts.trials, 0, kTableLabel, genes);
    }
    return Record{};
}

// Runs a reader body; any error ends it with the fallback, logged.
template <class T, class F> T guarded(const QString& function, T fallback, F&& body) {
    return ol::tryOr<T>(fallback, std::forward<F>(body),
                        [&](const ol::OLError& error) { DiagnosticLog::WriteError(function, error); });
}

} // namespace

int32_t Log_GetTrialCount(const QString& path) {
    const QString fn = QStringLiteral("Log_GetTrialCount");
    return guarded<int32_t>(fn, 0, [&] { return readCounts(fn, path).trials; });
}

int32_t Log_GetProgressStepCount(const QString& path) {
    const QString fn = QStringLiteral("Log_GetProgressStepCount");
    return guarded<int32_t>(fn, 0, [&] { return readCounts(fn, path).steps; });
}

int32_t Log_EFGetProgressStepCount(const QString& path, int32_t constrainingValueIndex) {
    const QString fn = QStringLiteral("Log_EFGetProgressStepCount");
    return guarded<int32_t>(fn, 0, [&] { return readCounts2(fn, path, constrainingValueIndex).steps; });
}

int32_t Log_GetBestTrialNumber(const QString& path) {
    const QString fn = QStringLiteral("Log_GetBestTrialNumber");
    return guarded<int32_t>(fn, 0, [&] {
        const Counts counts = readCounts(fn, path);
        if (counts.steps < 1)
            return 0;
        const Record r = readRecord(fn, path, counts.steps, 1, kTableLabel, nullptr);
        return r.read ? r.recalcNum : 0;
    });
}

int32_t Log_GetValidTrialCount(const QString& path) {
    const QString fn = QStringLiteral("Log_GetValidTrialCount");
    return guarded<int32_t>(fn, 0, [&] {
        const Counts counts = readCounts(fn, path);
        if (counts.trials < 1)
            return 0;
        const Record r = readRecord(fn, path, counts.trials, 0, kTableLabel, nullptr);
        return r.read ? r.extra.validTrialCount : 0;
    });
}

double Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(const QString& path, int32_t which) {
    const QString fn = QStringLiteral("Log_GetObjectiveValueWithPenaltiesForBestOriginalLast");
    return guarded<double>(fn, ol::kNoValue,
                           [&] { return readBestOriginalLast(fn, path, which, nullptr).valueWithPenalties; });
}

bool Log_GetAdjustableCellValuesForBestOriginalLast(const QString& path, int32_t which, QList<double>& values) {
    const QString fn = QStringLiteral("Log_GetAdjustableCellValuesForBestOriginalLast");
    return guarded<bool>(fn, false, [&] { return readBestOriginalLast(fn, path, which, &values).read; });
}

bool Log_GetAdjustableCellValues(const QString& path, int32_t tableId, int32_t recordNumber, QList<double>& values) {
    const QString fn = QStringLiteral("Log_GetAdjustableCellValues");
    return guarded<bool>(fn, false, [&] {
        const Counts counts = readCounts(fn, path);
        if (recordNumber > counts.trials) {
            log(QStringLiteral("***!!*** Log_GetAdjustableCellValues, passed p_RecordNumber > l_TrialCount obtained "
                               "from QxLogGetRecordCountsWVB"));
            return false;
        }
        return readRecord(fn, path, recordNumber, tableId, kIndexLabel, &values).read;
    });
}

bool Log_EFGetFrontierSolution(const QString& path, int32_t constrainingValueIndex, double& valueWithPenalties,
                               int32_t& trialNumber, int32_t& progressStepNumber) {
    const QString fn = QStringLiteral("Log_EFGetFrontierSolution");
    valueWithPenalties = ol::kNoValue;
    trialNumber = 0;
    progressStepNumber = 0;
    return guarded<bool>(fn, false, [&] {
        const Counts counts = readCounts2(fn, path, constrainingValueIndex);
        if (counts.steps < 1)
            return false;
        const Record r = readRecord(fn, path, counts.steps, constrainingValueIndex, kIndexLabel, nullptr);
        if (!r.read)
            return false;
        valueWithPenalties = r.valueWithPenalties;
        trialNumber = r.recalcNum;
        progressStepNumber = counts.steps;
        return true;
    });
}

} // namespace engine
