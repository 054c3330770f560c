// The statistics queries over a real optimization log and population, and
// the status line built from them.
#include "Formatting.h"
#include "LogReaders.h"
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"
#include "ol/SpecialValues.h"
#include "qxlib8.h"

using namespace managertest;
using engine::GetCommonString;
using engine::GetResourceString;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::WatcherManager;

namespace {

class StatisticsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = std::make_unique<WatcherManager>();
        m->Initialize();
        m->setInput_PopHandle(pop);
        m->setInput_LogPath(log.path());
    }
    void TearDown() override {
        m->Dispose();
        m.reset();
        ManagerTest::TearDown();
    }
    QString time() const { return GetResourceString(2454, QStringLiteral("00:00:00")); }

    TestLog log;
    std::unique_ptr<WatcherManager> m;
};

} // namespace

TEST_F(StatisticsTest, BeforeTheFirstProgressStepThereIsNoBest) {
    log.addTrials(1);
    EXPECT_EQ(m->TrialCount(), 1.0);
    EXPECT_EQ(m->BestTrialNumber(), 0.0);
    EXPECT_EQ(m->ObjectiveValueBest(), ol::kNoValue);
    EXPECT_EQ(m->ObjectiveValueOriginal(), TestLog::valueOf(1));
    EXPECT_EQ(m->ProgressStatusText(), GetResourceString(2463, GetCommonString(1)) + u' ' +
                                           GetResourceString(2465, QStringLiteral("101")) + u' ' +
                                           GetResourceString(2461, 1) + u' ' + time());
}

TEST_F(StatisticsTest, TheStatusLineCountsValidTrialsOnlyWhenSomeWereNot) {
    log.addTrials(3);
    log.addStep();
    EXPECT_EQ(m->ProgressStatusText(), GetResourceString(2464, QStringLiteral("103"), 3) + u' ' +
                                           GetResourceString(2465, QStringLiteral("101")) + u' ' +
                                           GetResourceString(2461, 3) + u' ' + time());
    log.addTrials(2, 2);
    EXPECT_EQ(m->ValidTrialCount(), 3.0);
    EXPECT_EQ(m->TrialCount(), 5.0);
    EXPECT_EQ(m->ProgressStatusText(), GetResourceString(2464, QStringLiteral("103"), 3) + u' ' +
                                           GetResourceString(2465, QStringLiteral("101")) + u' ' +
                                           GetResourceString(2462, 3, 5) + u' ' + time());
    EXPECT_EQ(m->ObjectiveValueForBestOriginalLast(engine::kWhichLast), TestLog::valueOf(5));
    QList<double> genes;
    EXPECT_TRUE(m->AdjustableCellValuesForBestOriginalLast(engine::kWhichBest, genes));
    EXPECT_EQ(genes, QList<double>({3.0}));
    EXPECT_EQ(m->ProgressStepCount(), 1.0);
}

TEST_F(StatisticsTest, ConstraintSolverAndFrontierRunsHaveTheirOwnStatusLines) {
    log.addTrials(2);
    log.addStep();
    m->setInput_ConstraintSolverMode(true);
    m->setInput_ConstraintSolver_HardConstraintDescriptions(TaggedCollection(
        {TaggedValue::fromString(QStringLiteral("A1<=3")), TaggedValue::fromString(QStringLiteral("B1>0"))}));
    const QString gap = QStringLiteral("    ");
    EXPECT_EQ(m->ProgressStatusText(), GetResourceString(4510, 2) + gap +
                                           GetResourceString(2464, engine::FormatConstraintViolations(102, false), 2) +
                                           gap +
                                           GetResourceString(2465, engine::FormatConstraintViolations(101, false)) +
                                           gap + GetResourceString(2461, 2) + gap + time());

    m->setInput_EFPerformAnalysis(true);
    setChannelDouble(WatcherManager::ChannelNumTrialUnderWay, 17);
    EXPECT_EQ(m->ProgressStatusText(), GetResourceString(2461, 17) + u' ' + time());
}

TEST_F(StatisticsTest, AMissingLogGivesDefaults) {
    m->setInput_LogPath(logDir.filePath(QStringLiteral("no-such.log")));
    EXPECT_EQ(m->TrialCount(), 0.0);
    EXPECT_EQ(m->ValidTrialCount(), 0.0);
    EXPECT_EQ(m->ObjectiveValueBest(), ol::kNoValue);
    double value = 0;
    qint32 trial = -1;
    qint32 step = -1;
    EXPECT_FALSE(m->EFFrontierSolution(1, value, trial, step));
}

TEST_F(StatisticsTest, FrontierSolutionsAreReadPerConstrainingValue) {
    log.addTrials(4);
    log.addStep(2);
    double value = 0;
    qint32 trial = 0;
    qint32 step = 0;
    EXPECT_TRUE(m->EFFrontierSolution(2, value, trial, step));
    EXPECT_EQ(value, TestLog::valueOf(4));
    EXPECT_EQ(trial, 4);
    EXPECT_EQ(step, 1);
    EXPECT_FALSE(m->EFFrontierSolution(1, value, trial, step));
}

TEST_F(StatisticsTest, AnOrganismsResultCountsOnlyWhenEvaluatedAndValid) {
    startLogging();
    EXPECT_EQ(m->getSelvaneResult(1), ol::kNoValue); // not evaluated yet
    ASSERT_EQ(QxOrgSetResult(pop, 1, 5.5, 0.0, 0), 0);
    EXPECT_EQ(m->getSelvaneResult(1), 5.5);
    ASSERT_EQ(QxOrgSetResult(pop, 2, 7.0, 0.0, QX_ORG_INVALID), 0);
    EXPECT_EQ(m->getSelvaneResult(2), ol::kNoValue);
    EXPECT_EQ(m->getSelvaneResult(999), ol::kNoValue);

    const QStringList lines = logMessages();
    EXPECT_TRUE(lines.contains(QStringLiteral("WatcherManager.getSelvaneResult: about to call QxOrgGetResult(%1, 1, "
                                              "tempValue, objectiveValue, ByVal 0&, flags)")
                                   .arg(pop)));
    EXPECT_TRUE(lines.contains(QStringLiteral("WatcherManager.getSelvaneResult: QxOrgGetResult returned: 0")));
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](const QString& l) {
        return l.startsWith(QStringLiteral("Error calling QxOrgGetResult in getSelvaneResult: -"));
    }));
}

TEST_F(StatisticsTest, ElapsedTicksComeFromThePopulationsRunTimer) {
    startLogging();
    EXPECT_EQ(m->ElapsedTicks(), 0);
    EXPECT_TRUE(
        logged(QStringLiteral("WatcherManger, ElapsedTicks, about to call QxPopGetTimerValue, popHandle=%1").arg(pop)));
    EXPECT_TRUE(logged(QStringLiteral("WatcherManger, ElapsedTicks, QxPopGetTimerValue returned")));
    m->setInput_PopHandle(0);
    EXPECT_EQ(m->ElapsedTicks(), 0);
}

TEST_F(StatisticsTest, ValuesAreFormattedAsDatesOnlyWhenTheirFlagSaysSo) {
    EXPECT_EQ(m->FormatObjectiveValue(3.5), QStringLiteral("3.5000"));
    EXPECT_EQ(m->FormatObjectiveValue(ol::kNoValue), GetCommonString(1));
    m->setInput_TargetCellValuesTreatedAsDates(true);
    EXPECT_EQ(m->FormatObjectiveValue(45000), engine::FormatDateValue(45000.0, false));
    EXPECT_EQ(m->FormatConstrainingValue(45000), QStringLiteral("45000"));
    m->setInput_EFConstrainedCellValuesTreatedAsDate(true);
    EXPECT_EQ(m->FormatConstrainingValue(45000), engine::FormatDateValue(45000.0, false));
}
