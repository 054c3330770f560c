#include <gtest/gtest.h>

#include <vector>

#include "EngineTestEnv.h"
#include "LogReaders.h"
#include "QxLibBinding.h"
#include "ol/SpecialValues.h"
#include "qxlib8.h"

using namespace engine;
using namespace Qt::StringLiterals;

namespace {

// An optimization log written with the engine library's writer, as the
// add-in writes it. Trial t has the objective value 100 + t, the genes t, 10t
// and 100t, and t - 1 valid trials up to it.
class TestLog {
public:
    TestLog() : m_path(m_dir.filePath(u"run.selvanelog"_s)) {
        EXPECT_EQ(QxLogCreateWVB(m_path.toUtf8().constData(), 1, 3, 0, nullptr, nullptr, nullptr, &m_log), 0);
    }
    ~TestLog() { QxLogClose(m_log); }

    const QString& path() const { return m_path; }
    static double value(int32_t trial) { return 100.0 + trial; }
    static QList<double> genes(int32_t trial) { return {1.0 * trial, 10.0 * trial, 100.0 * trial}; }

    void addTrials(int32_t count) {
        for (int32_t i = 0; i < count; ++i) {
            const QxLogRecord r = record(++m_trials);
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
        m_genes = genes(trial);
        QxLogRecord r{};
        r.valueWithPenalties = value(trial);
        r.recalcNum = trial;
        r.geneValues = m_genes.constData();
        r.extra.validTrialCount = trial - 1;
        return r;
    }

    QTemporaryDir m_dir;
    QString m_path;
    int32_t m_log = 0;
    int32_t m_trials = 0;
    QList<double> m_genes;
};

class LogReadersTest : public ::testing::Test {
protected:
    void SetUp() override { InitializeQxLib(); }
    TestLog m_log;
    const QString& p = m_log.path();
};

} // namespace

TEST_F(LogReadersTest, EmptyLogReadsNothing) {
    EXPECT_EQ(Log_GetTrialCount(p), 0);
    EXPECT_EQ(Log_GetProgressStepCount(p), 0);
    EXPECT_EQ(Log_GetBestTrialNumber(p), 0);
    EXPECT_EQ(Log_GetValidTrialCount(p), 0);
    for (int32_t which : {kWhichBest, kWhichOriginal, kWhichLast}) {
        EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(p, which), ol::kNoValue);
        QList<double> values;
        EXPECT_FALSE(Log_GetAdjustableCellValuesForBestOriginalLast(p, which, values));
    }
    double value = 0;
    int32_t trial = -1, step = -1;
    EXPECT_FALSE(Log_EFGetFrontierSolution(p, 1, value, trial, step));
    EXPECT_EQ(value, ol::kNoValue);
    EXPECT_EQ(trial + step, 0);
}

TEST_F(LogReadersTest, TrialsWithoutProgressStep) {
    m_log.addTrials(4);
    EXPECT_EQ(Log_GetTrialCount(p), 4);
    EXPECT_EQ(Log_GetBestTrialNumber(p), 0);
    EXPECT_EQ(Log_GetValidTrialCount(p), 3);
    // Best reads nothing; original is trial 1; last (any other selector) is trial 4.
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(p, kWhichBest), ol::kNoValue);
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(p, kWhichOriginal), TestLog::value(1));
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(p, 7), TestLog::value(4));
    QList<double> values;
    EXPECT_FALSE(Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichBest, values));
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichOriginal, values));
    EXPECT_EQ(values, TestLog::genes(1));
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichLast, values));
    EXPECT_EQ(values, TestLog::genes(4));
}

TEST_F(LogReadersTest, BestIsLastProgressStep) {
    m_log.addTrials(1);
    m_log.addStep();
    m_log.addTrials(2);
    m_log.addStep(); // trial 3 improved
    m_log.addTrials(2);
    EXPECT_EQ(Log_GetProgressStepCount(p), 2);
    EXPECT_EQ(Log_GetBestTrialNumber(p), 3);
    EXPECT_EQ(Log_GetValidTrialCount(p), 4);
    EXPECT_EQ(Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(p, kWhichBest), TestLog::value(3));
    QList<double> values;
    ASSERT_TRUE(Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichBest, values));
    EXPECT_EQ(values, TestLog::genes(3));
    ASSERT_TRUE(Log_GetAdjustableCellValues(p, 0, 2, values));
    EXPECT_EQ(values, TestLog::genes(2));
    // Past the trial count nothing is read; past the steps the engine refuses, quietly.
    EXPECT_FALSE(Log_GetAdjustableCellValues(p, 0, 6, values));
    EXPECT_FALSE(Log_GetAdjustableCellValues(p, 1, 3, values));
}

TEST_F(LogReadersTest, FrontierSolutionPerConstrainingValue) {
    m_log.addTrials(2);
    m_log.addStep(1);
    m_log.addTrials(2);
    m_log.addStep(2);
    m_log.addTrials(1);
    m_log.addStep(2); // trial 5: second step of optimization 2
    EXPECT_EQ(Log_EFGetProgressStepCount(p, 2), 2);
    EXPECT_EQ(Log_EFGetProgressStepCount(p, 3), 0);
    double value = 0;
    int32_t trial = 0, step = 0;
    ASSERT_TRUE(Log_EFGetFrontierSolution(p, 2, value, trial, step));
    EXPECT_EQ(value, TestLog::value(5));
    EXPECT_EQ(trial, 5);
    EXPECT_EQ(step, 2);
    EXPECT_FALSE(Log_EFGetFrontierSolution(p, 3, value, trial, step));
    EXPECT_EQ(value, ol::kNoValue);
    QList<double> values;
    ASSERT_TRUE(Log_GetAdjustableCellValues(p, 2, 2, values));
    EXPECT_EQ(values, TestLog::genes(5));
}

TEST_F(LogReadersTest, DiagnosticLines) {
    m_log.addTrials(3);
    m_log.addStep();
    enginetest::TempLogDir logs;
    logs.startLogging();
    QList<double> values;
    double value = 0;
    int32_t trial = 0, step = 0;
    Log_GetAdjustableCellValuesForBestOriginalLast(p, kWhichBest, values);
    Log_GetAdjustableCellValues(p, 0, 4, values);
    Log_EFGetFrontierSolution(p, 1, value, trial, step);
    const QString missing = logs.file(u"missing.selvanelog"_s);
    EXPECT_EQ(Log_GetTrialCount(missing), 0);

    const QString counted = u"QxLogGetRecordCountsWVB returned TrialCount=3, l_TrialOrProgressStepNumber=1, rc=0"_s;
    const QStringList messages = logs.logMessages();
    ASSERT_EQ(messages.size(), 15) << messages.join(u'\n').toStdString();
    EXPECT_EQ(
        messages.mid(0, 12),
        (QStringList{
            u"Log_GetAdjustableCellValuesForBestOriginalLast, About to call QxLogGetRecordCountsWVB "
            "with log path: "_s +
                p,
            counted,
            u"About to call QxLogReadRecordVB with LogPath="_s + p + u", recordNumber=1, TrialOrProgressStepNumber=1"_s,
            u"QxLogReadRecordVB returned rc=0"_s, u"Array p_AdjustableCellValues:   3  30  300"_s,
            u"Log_GetAdjustableCellValues, About to call QxLogGetRecordCountsWVB with log path: "_s + p, counted,
            u"***!!*** Log_GetAdjustableCellValues, passed p_RecordNumber > l_TrialCount obtained from "
            "QxLogGetRecordCountsWVB"_s,
            u"Log_EFGetFrontierSolution, About to call QxLogGetRecordCounts2WVB with log path: "_s + p, counted,
            u"About to call QxLogReadRecordVB with LogPath="_s + p + u", recordNumber=1, p_ConstrainingValueIndex=1"_s,
            u"QxLogReadRecordVB returned rc=0"_s}));
    // A missing log: the engine's error is logged with its details, nothing raised.
    EXPECT_TRUE(messages[14].startsWith(u"Error in method: Log_GetTrialCount, QxLib method: QxLogGetRecordCountsWVB, "
                                        "error number-"_s))
        << messages[14].toStdString();
    EXPECT_TRUE(messages[14].contains(u"QxLib description: Exception Name="_s));
}
