// The statistics queries over a real optimization log and population, and
// the status line built from them.
#include "Formatting.h"
#include "LogReaders.h"
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"
#include "ol/SpecialValues.h"
#include "qxlib8.h"

using namespace managertest;
using namespace Qt::StringLiterals;
using engine::GetResourceString;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::WatcherManager;

namespace {

class StatisticsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m.Initialize();
        m.setInput_PopHandle(pop);
        m.setInput_LogPath(log.path());
    }
    void TearDown() override {
        m.Dispose();
        ManagerTest::TearDown();
    }
    // The run timer was never started.
    QString time() const { return GetResourceString(2454, u"00:00:00"_s); }

    TestLog log;
    WatcherManager m;
};

} // namespace

TEST_F(StatisticsTest, BeforeTheFirstProgressStepThereIsNoBest) {
    log.addTrials(1);
    EXPECT_EQ(m.BestTrialNumber(), 0.0);
    EXPECT_EQ(m.ObjectiveValueBest(), ol::kNoValue);
    EXPECT_EQ(m.ProgressStatusText(), GetResourceString(2463, engine::GetCommonString(1)) + u' ' +
                                          GetResourceString(2465, u"101"_s) + u' ' + GetResourceString(2461, 1) + u' ' +
                                          time());
}

TEST_F(StatisticsTest, TheStatusLineCountsValidTrialsOnlyWhenSomeWereNot) {
    log.addTrials(3);
    log.addStep();
    const QString bestAndOriginal = GetResourceString(2464, u"103"_s, 3) + u' ' + GetResourceString(2465, u"101"_s);
    EXPECT_EQ(m.ProgressStatusText(), bestAndOriginal + u' ' + GetResourceString(2461, 3) + u' ' + time());
    log.addTrials(2, 2);
    EXPECT_EQ(m.ProgressStatusText(), bestAndOriginal + u' ' + GetResourceString(2462, 3, 5) + u' ' + time());
    EXPECT_EQ(m.ObjectiveValueForBestOriginalLast(engine::kWhichLast), 105.0);
}

TEST_F(StatisticsTest, ConstraintSolverAndFrontierRunsHaveStatusLinesOfTheirOwn) {
    log.addTrials(2);
    log.addStep();
    m.setInput_ConstraintSolverMode(true);
    m.setInput_ConstraintSolver_HardConstraintDescriptions(
        TaggedCollection({TaggedValue::fromString(u"A1<=3"_s), TaggedValue::fromString(u"B1>0"_s)}));
    const QStringList parts = {
        GetResourceString(4510, 2), GetResourceString(2464, engine::FormatConstraintViolations(102, false), 2),
        GetResourceString(2465, engine::FormatConstraintViolations(101, false)), GetResourceString(2461, 2), time()};
    EXPECT_EQ(m.ProgressStatusText(), parts.join(u"    "_s));

    m.setInput_EFPerformAnalysis(true);
    setChannel(WatcherManager::ChannelNumTrialUnderWay, 17.0);
    EXPECT_EQ(m.ProgressStatusText(), GetResourceString(2461, 17) + u' ' + time());
}
