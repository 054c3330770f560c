// The frontier window's progress page over a real log: progress curves for
// the chosen constraining values only, the frontier with x growing and the
// published chart data.
#include <QFile>

#include "FrontierGraph.h"
#include "GraphControl.h"
#include "page_fixture.h"
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
