// The frontier window's progress page over a real log: progress curves for
// the chosen constraining values only, the frontier with x growing, the
// published chart data, and steps and trials that arrive between two
// updates, on the graphs and on the summary page that shares its reading.
#include <QFile>

#include "FrontierGraph.h"
#include "GraphControl.h"
#include "page_fixture.h"
#include "pages/FrontierPages.h"
#include "pages/FrontierProgressPage.h"

namespace {

class FrontierProgressPageTest : public pagetest::PageTest {
protected:
    void setSeries(std::initializer_list<double> values) {
        engine::TaggedCollection c;
        for (double v : values)
            c.add(engine::TaggedValue::fromDouble(v));
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(c);
        m_manager.setInput_EFNumConstrainingValues(c.count());
    }
    // One trial per entry, a progress step of constraining value k with
    // objective value v.
    void logSteps(std::initializer_list<std::pair<int32_t, double>> steps) {
        const QByteArray name = QFile::encodeName(logPath());
        int32_t log = 0;
        ASSERT_EQ(QxLogCreateWVB(name.constData(), 1, 1, 0, nullptr, nullptr, nullptr, &log), QX_OK);
        int trial = 0;
        for (const auto& [k, v] : steps) {
            ++trial;
            double gene = trial;
            QxLogRecord record{};
            record.elapsedMs = trial;
            record.spareValue = v;
            record.valueWithPenalties = v;
            record.recalcNum = trial;
            record.geneValues = &gene;
            record.extra.validTrialCount = trial;
            ASSERT_EQ(QxLogAppendTrialWVB(log, &record), QX_OK);
            ASSERT_EQ(QxLogAppendProgressStepWVB(log, k, &record), QX_OK);
        }
        QxLogClose(log);
    }
    void startPage() {
        page = new watcher::FrontierProgressPage(&m_frame, &m_status);
        page->Initialize(pageContext());
        page->InitializeAfterFirstTrial(100, 0);
    }
    watcher::FrontierProgressPage* page = nullptr;
};

} // namespace

TEST_F(FrontierProgressPageTest, LongSeriesDrawsTenCurvesAndOnlyForValuesWithSteps) {
    engine::TaggedCollection c;
    for (int i = 1; i <= 25; ++i)
        c.add(engine::TaggedValue::fromDouble(i));
    m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(c);
    m_manager.setInput_EFNumConstrainingValues(25);
    logSteps({{1, 50}, {2, 40}, {3, 30}, {3, 35}});
    startPage();
    EXPECT_EQ(page->curveKeys(), (std::vector<int32_t>{1, 3, 6, 9, 11, 14, 17, 19, 22, 25}));
    page->Update(watcher::PageUpdate{true, false});
    // Values 1 and 3 have steps and curves; 2 has a step but no curve.
    EXPECT_EQ(page->progressGraph()->CurveCount(), 2);
    EXPECT_FALSE(page->stepCurve(2).isEmpty());
    EXPECT_TRUE(page->stepCurve(4).isEmpty());
    // The frontier has a point for each value with a step.
    EXPECT_EQ(page->frontierGraph()->curvePoints(1).size(), 3);
    // A second update with nothing new adds no curve.
    page->Update(watcher::PageUpdate{true, false});
    EXPECT_EQ(page->progressGraph()->CurveCount(), 2);
}

TEST_F(FrontierProgressPageTest, FallingSeriesAndTargetGoalAndThePublishedChart) {
    setSeries({10, 8, 6});
    m_manager.setInput_RuntimeGoalType(3);
    m_manager.setInput_RuntimeTargetValue(100);
    logSteps({{1, 97}, {2, 95}, {3, 110}});
    startPage();
    EXPECT_EQ(page->frontierGraph()->axisMinimum(watcher::GraphAxis::X), 6);
    EXPECT_EQ(page->frontierGraph()->axisMaximum(watcher::GraphAxis::X), 10);
    page->Update(watcher::PageUpdate{false, true});
    const QList<QPointF> points = page->frontierGraph()->curvePoints(1);
    ASSERT_EQ(points.size(), 3);
    EXPECT_EQ(points[0], QPointF(6, 10));
    EXPECT_EQ(points[1], QPointF(8, 5));
    EXPECT_EQ(points[2], QPointF(10, 3));

    ASSERT_EQ(manager::publishedFrontierGraph(), page);
    page->SetFirstItemColor(0x123456);
    const manager::FrontierChart chart = manager::publishedFrontierGraph()->ChartData();
    ASSERT_EQ(chart.series.size(), 1u);
    EXPECT_EQ(chart.series[0].color, 0x123456u);
    EXPECT_EQ(chart.series[0].x, (std::vector<double>{6, 8, 10}));
    delete page;
    EXPECT_EQ(manager::publishedFrontierGraph(), nullptr);
}

TEST_F(FrontierProgressPageTest, NoLogYetDrawsNothingAndRaisesNothing) {
    setSeries({1, 2});
    startPage();
    page->Update(watcher::PageUpdate{true, true});
    EXPECT_EQ(page->progressGraph()->CurveCount(), 0);
    EXPECT_EQ(page->frontierGraph()->CurveCount(), 0);
    page->ProgressTab_UpdateProgressStepInfoPerConstrainingValue(0);
    page->ProgressTab_UpdateProgressStepInfoPerConstrainingValue(99);
}

TEST_F(FrontierProgressPageTest, StepsAndTrialsArrivingBetweenUpdatesAreShown) {
    setSeries({10, 20, 30});
    pagetest::RunLog run(logPath(), 1);
    run.stepOf(1, 50);
    run.stepOf(2, 40);
    startPage();
    auto* summary = new watcher::FrontierSummaryPage(&m_frame);
    summary->ShareSolutions(&page->solutions());
    summary->Initialize(pageContext());
    const auto update = [&](bool selected) {
        page->Update(watcher::PageUpdate{selected, false});
        summary->Update(watcher::PageUpdate{false, false});
    };
    // Curves are added from the last value down: value 2 is curve 1,
    // value 1 curve 2.
    const auto lastOfValue1 = [&] { return page->progressGraph()->curvePoints(2).back(); };
    update(true);
    ASSERT_EQ(page->progressGraph()->CurveCount(), 2);
    EXPECT_EQ(lastOfValue1(), QPointF(2, 50));

    // Trials without a step: every curve still reaches the last trial.
    run.trialsUpTo(5, 0);
    update(true);
    EXPECT_EQ(lastOfValue1(), QPointF(5, 50));
    EXPECT_EQ(page->progressGraph()->curvePoints(1).back(), QPointF(5, 40));

    // A new step of value 1: its curve jumps, the frontier point and the
    // summary row follow; value 2's row is left as it was.
    run.stepOf(1, 55);
    update(true);
    const QList<QPointF> curve = page->progressGraph()->curvePoints(2);
    EXPECT_EQ(curve, (QList<QPointF>{{2, 50}, {6, 50}, {6, 55}, {6, 55}}));
    EXPECT_EQ(page->frontierGraph()->curvePoints(1), (QList<QPointF>{{10, 55}, {20, 40}}));
    EXPECT_EQ(summary->model().cellText(0, 1), QStringLiteral("6"));
    EXPECT_EQ(summary->model().cellText(0, 2), m_manager.FormatObjectiveValue(55));
    EXPECT_EQ(summary->model().cellText(1, 1), QStringLiteral("2"));

    // Read while the graphs are not shown, drawn once they are again.
    run.stepOf(2, 45);
    update(false);
    EXPECT_EQ(page->frontierGraph()->curvePoints(1).back(), QPointF(20, 40));
    EXPECT_EQ(summary->model().cellText(1, 2), m_manager.FormatObjectiveValue(45));
    update(true);
    EXPECT_EQ(page->frontierGraph()->curvePoints(1).back(), QPointF(20, 45));
    EXPECT_EQ(page->progressGraph()->curvePoints(1).back(), QPointF(7, 45));
}
