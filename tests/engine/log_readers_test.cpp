#include <gtest/gtest.h>

#include <vector>

#include <QTemporaryDir>

#include "EngineTestEnv.h"
#include "LogReaders.h"
#include "QxLibBinding.h"
#include "ol/SpecialValues.h"
#include "qxlib8.h"

using namespace engine;
using enginetest::TempLogDir;

namespace {

constexpr int32_t kGenes = 3;

// An optimization log written through the engine library's writer, as the
// add-in writes it. Trial t has the objective value 100 + t, genes t, 10t,
// 100t, and a valid-trial count of t - 1 (trial 1 violated a hard constraint).
class TestLog {
public:
    TestLog() : m_path(m_dir.filePath(QStringLiteral("run.selvanelog"))) {
        EXPECT_EQ(QxLogCreateWVB(m_path.toUtf8().constData(), 1, kGenes, 0, nullptr, nullptr, nullptr, &m_log), 0);
    }
    ~TestLog() { QxLogClose(m_log); }

    const QString& path() const { return m_path; }

    static double value(int32_t trial) { return 100.0 + trial; }
    static QList<double> genes(int32_t trial) { return {1.0 * trial, 10.0 * trial, 100.0 * trial}; }

    void addTrials(int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            ++m_trials;
            const QxLogRecord r = record(m_trials);
            ASSERT_EQ(QxLogAppendTrialWVB(m_log, &r), 0);
        }
    }
    // Records the latest trial as a progress step of optimization `selector`.
    void addStep(int32_t selector = 1) {
        const QxLogRecord r = record(m_trials);
        ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, selector, &r), 0);
    }

private:
    QxLogRecord record(int32_t trial) {
        m_genes.push_back(genes(trial));
        QxLogRecord r{};
        r.elapsedMs = 10 * trial;
        r.spareValue = value(trial) - 0.5;
        r.valueWithPenalties = value(trial);
        r.recalcNum = trial;
        r.geneValues = m_genes.back().constData();
        r.extra.validTrialCount = trial - 1;
        return r;
    }

    QTemporaryDir m_dir;
    QString m_path;
    int32_t m_log = 0;
    int32_t m_trials = 0;
    std::vector<QList<double>> m_genes;
};

class LogReadersTest : public ::testing::Test {
protected:
    void SetUp() override { InitializeQxLib(); }
};

} // namespace

TEST_F(LogReadersTest, EmptyLogReadsNothing) {
    TestLog log;
    EXPECT_EQ(Log_GetTrialCount(log.path()), 0);
    EXPECT_EQ(Log_GetProgressStepCount(log.path()), 0);
    EXPECT_EQ(Log_GetBestTrialNumber(log.path()), 0);
    EXPECT_EQ(Log_GetValidTrialCount(log.path()), 0);
    for (int32_t which : {kWhichBest, kWhichOriginal, kWhichLast}) {
        SCOPED_TRACE(which);
        EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), which), ol::kNoValue);
        QList<double> values;
        EXPECT_FALSE(Log_GetAdjustableCellValuesForBestOriginalLast(log.path(), which, values));
    }
    double value = 0;
    int32_t trial = -1;
    int32_t step = -1;
    EXPECT_FALSE(Log_EFGetFrontierSolution(log.path(), 1, value, trial, step));
    EXPECT_EQ(value, ol::kNoValue);
    EXPECT_EQ(trial, 0);
    EXPECT_EQ(step, 0);
}

TEST_F(LogReadersTest, TrialsWithoutProgressStep) {
    TestLog log;
    log.addTrials(4);
    EXPECT_EQ(Log_GetTrialCount(log.path()), 4);
    EXPECT_EQ(Log_GetProgressStepCount(log.path()), 0);
    EXPECT_EQ(Log_GetBestTrialNumber(log.path()), 0);
    EXPECT_EQ(Log_GetValidTrialCount(log.path()), 3);

    // Best reads nothing; original is trial 1, last is trial 4 (any other selector).
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), kWhichBest), ol::kNoValue);
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), kWhichOriginal), TestLog::value(1));
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), kWhichLast), TestLog::value(4));
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), 7), TestLog::value(4));

    QList<double> values;
    EXPECT_FALSE(Log_GetAdjustableCellValuesForBestOriginalLast(log.path(), kWhichBest, values));
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(log.path(), kWhichOriginal, values));
    EXPECT_EQ(values, TestLog::genes(1));
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(log.path(), kWhichLast, values));
    EXPECT_EQ(values, TestLog::genes(4));
}

TEST_F(LogReadersTest, BestIsLastProgressStep) {
    TestLog log;
    log.addTrials(1);
    log.addStep();
    log.addTrials(2);
    log.addStep(); // trial 3 improved
    log.addTrials(2);
    EXPECT_EQ(Log_GetTrialCount(log.path()), 5);
    EXPECT_EQ(Log_GetProgressStepCount(log.path()), 2);
    EXPECT_EQ(Log_GetBestTrialNumber(log.path()), 3);
    EXPECT_EQ(Log_GetValidTrialCount(log.path()), 4);
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log.path(), kWhichBest), TestLog::value(3));
    QList<double> values;
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(log.path(), kWhichBest, values));
    EXPECT_EQ(values, TestLog::genes(3));

    // Plain record reads: trial table and progress-step table, bounded by the trial count.
    ASSERT_TRUE(Log_GetAdjustableCellValues(log.path(), 0, 2, values));
    EXPECT_EQ(values, TestLog::genes(2));
    ASSERT_TRUE(Log_GetAdjustableCellValues(log.path(), 1, 1, values));
    EXPECT_EQ(values, TestLog::genes(1));
    EXPECT_FALSE(Log_GetAdjustableCellValues(log.path(), 0, 6, values));
    // Within the trial count but past the steps: the engine refuses, the reader does not raise.
    EXPECT_FALSE(Log_GetAdjustableCellValues(log.path(), 1, 3, values));
}

TEST_F(LogReadersTest, FrontierSolutionPerConstrainingValue) {
    TestLog log;
    log.addTrials(2);
    log.addStep(1);
    log.addTrials(2);
    log.addStep(2); // trial 4: first step of optimization 2
    log.addTrials(1);
    log.addStep(2); // trial 5: second step of optimization 2

    EXPECT_EQ(Log_EFGetProgressStepCount(log.path(), 1), 1);
    EXPECT_EQ(Log_EFGetProgressStepCount(log.path(), 2), 2);
    EXPECT_EQ(Log_EFGetProgressStepCount(log.path(), 3), 0);

    double value = 0;
    int32_t trial = 0;
    int32_t step = 0;
    ASSERT_TRUE(Log_EFGetFrontierSolution(log.path(), 2, value, trial, step));
    EXPECT_EQ(value, TestLog::value(5));
    EXPECT_EQ(trial, 5);
    EXPECT_EQ(step, 2);
    ASSERT_TRUE(Log_EFGetFrontierSolution(log.path(), 1, value, trial, step));
    EXPECT_EQ(trial, 2);
    EXPECT_EQ(step, 1);
    EXPECT_FALSE(Log_EFGetFrontierSolution(log.path(), 3, value, trial, step));
    EXPECT_EQ(value, ol::kNoValue);

    // The genes of a frontier solution: its step record in the table of its optimization.
    QList<double> values;
    ASSERT_TRUE(Log_GetAdjustableCellValues(log.path(), 2, 2, values));
    EXPECT_EQ(values, TestLog::genes(5));
}

TEST_F(LogReadersTest, MissingLogGivesDefaultsAndLogsEngineError) {
    TempLogDir logs;
    logs.startLogging();
    const QString missing = logs.file(QStringLiteral("never-written.selvanelog"));
    EXPECT_EQ(Log_GetTrialCount(missing), 0);
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(missing, kWhichLast), ol::kNoValue);
    const QStringList messages = logs.logMessages();
    ASSERT_GE(messages.size(), 3);
    EXPECT_TRUE(messages[2].startsWith(QStringLiteral("Error in method: Log_GetTrialCount, QxLib method: "
                                                      "QxLogGetRecordCountsWVB, error number-")))
        << messages[2].toStdString();
    EXPECT_TRUE(messages[2].contains(QStringLiteral("QxLib description: Exception Name=")));
}

TEST_F(LogReadersTest, DiagnosticLinesOfARead) {
    TestLog log;
    log.addTrials(3);
    log.addStep();
    TempLogDir logs;
    logs.startLogging();
    const QString& p = log.path();

    QList<double> values;
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichBest, values));
    ASSERT_TRUE(Log_GetAdjustableCellValues(p, 0, 2, values));
    EXPECT_FALSE(Log_GetAdjustableCellValues(p, 0, 4, values));
    double value = 0;
    int32_t trial = 0;
    int32_t step = 0;
    ASSERT_TRUE(Log_EFGetFrontierSolution(p, 1, value, trial, step));

    const QString counted =
        QStringLiteral("QxLogGetRecordCountsWVB returned TrialCount=3, l_TrialOrProgressStepNumber=1, rc=0");
    const QString readOk = QStringLiteral("QxLogReadRecordVB returned rc=0");
    EXPECT_EQ(
        logs.logMessages(),
        (QStringList{
            QStringLiteral("Log_GetAdjustableCellValuesForBestOriginalLast, About to call "
                           "QxLogGetRecordCountsWVB with log path: ") +
                p,
            counted,
            QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + p +
                QStringLiteral(", recordNumber=1, TrialOrProgressStepNumber=1"),
            readOk,
            QStringLiteral("Array p_AdjustableCellValues:   3  30  300"),
            QStringLiteral("Log_GetAdjustableCellValues, About to call QxLogGetRecordCountsWVB with log path: ") + p,
            counted,
            QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + p +
                QStringLiteral(", recordNumber=2, p_ConstrainingValueIndex=0"),
            readOk,
            QStringLiteral("Array p_AdjustableCellValues:   2  20  200"),
            QStringLiteral("Log_GetAdjustableCellValues, About to call QxLogGetRecordCountsWVB with log path: ") + p,
            counted,
            QStringLiteral("***!!*** Log_GetAdjustableCellValues, passed p_RecordNumber > l_TrialCount obtained "
                           "from QxLogGetRecordCountsWVB"),
            QStringLiteral("Log_EFGetFrontierSolution, About to call QxLogGetRecordCounts2WVB with log path: ") + p,
            counted,
            QStringLiteral("About to call QxLogReadRecordVB with LogPath=") + p +
                QStringLiteral(", recordNumber=1, p_ConstrainingValueIndex=1"),
            readOk,
        }));
}
