// The progress page: its step data, both curves, the axes and the status
// line, and the progress graph file written from its all-trials graph.
#include <QImage>
#include <QLabel>
#include <QTabWidget>

#include "GraphControl.h"
#include "ResourceStrings.h"
#include "page_fixture.h"
#include "pages/ProgressPage.h"

namespace {

using pagetest::PageTest;
using pagetest::RunLog;
using watcher::GraphAxis;
using watcher::GraphControl;
using watcher::PageUpdate;
using watcher::ProgressPage;

QList<QPointF> points(std::initializer_list<std::pair<double, double>> list) {
    QList<QPointF> out;
    for (const auto& [x, y] : list)
        out << QPointF(x, y);
    return out;
}

class ProgressPageTest : public PageTest {
protected:
    ProgressPage& page() {
        if (m_page == nullptr) {
            m_page = new ProgressPage(&m_frame, &m_status);
            m_page->Initialize(pageContext());
        }
        return *m_page;
    }
    // One window update with the page shown.
    void update(bool selected = true) { page().Update(PageUpdate{selected, false}); }
    QList<QPointF> allTrials() { return page().allTrialsGraph()->curvePoints(1); }
    QList<QPointF> lastTrials() { return page().lastTrialsGraph()->curvePoints(1); }

    ProgressPage* m_page = nullptr;
};

TEST_F(ProgressPageTest, BeforeTheFirstStepTheGraphsStayEmptyAndTheStatusLineFollowsTheManager) {
    page();
    EXPECT_EQ(m_status.text(), engine::GetResourceString(4037));
    EXPECT_FALSE(page().allTrialsGraph()->isVisibleTo(&m_frame));

    RunLog log(logPath(), 2);
    log.trial(5.0);
    log.trial(6.0);
    page().InitializeAfterFirstTrial(500, 100);
    update();
    EXPECT_TRUE(page().steps().isEmpty());
    EXPECT_EQ(page().allTrialsGraph()->CurveCount(), 0);
    EXPECT_EQ(page().lastTrialsGraph()->CurveCount(), 0);
    EXPECT_EQ(m_status.text(), m_manager.ProgressStatusText());
    EXPECT_NE(m_status.text(), engine::GetResourceString(4037));
}

TEST_F(ProgressPageTest, StepsComeOnlyFromANewBestValueAndTheCurveReachesTheCurrentTrial) {
    RunLog log(logPath(), 2);
    log.trial(10.0, true);
    page().InitializeAfterFirstTrial(500, 100);
    update();
    EXPECT_EQ(page().steps().count(), 1);
    EXPECT_EQ(allTrials(), points({{1, 10}, {1, 10}}));

    // A later step with the same best value is no new step.
    log.trialsUpTo(4, 3.0);
    log.trial(10.0, true);
    update();
    update();
    EXPECT_EQ(page().steps().count(), 1);
    EXPECT_EQ(allTrials(), points({{1, 10}, {5, 10}}));

    log.trialsUpTo(6, 3.0);
    log.trial(20.0, true);
    log.trialsUpTo(9, 3.0);
    update();
    EXPECT_EQ(page().steps().count(), 2);
    EXPECT_DOUBLE_EQ(page().LastBestValue(), 20.0);
    // Flat until the improving trial, a jump there, then flat to trial 9.
    EXPECT_EQ(allTrials(), points({{1, 10}, {7, 10}, {7, 20}, {9, 20}}));
    EXPECT_EQ(page().allTrialsGraph()->CurveStyle(1), GraphControl::kStyleProgress);
}

TEST_F(ProgressPageTest, TheGraphsAreRedrawnOnlyWhenThePageIsShownOrTheUpdateIsForced) {
    RunLog log(logPath(), 2);
    log.trial(1.0, true);
    page().InitializeAfterFirstTrial(500, 100);
    update(false);
    // The step is read even so; the graphs wait.
    EXPECT_EQ(page().steps().count(), 1);
    EXPECT_EQ(page().allTrialsGraph()->CurveCount(), 0);
    page().Update(PageUpdate{false, true});
    EXPECT_EQ(allTrials(), points({{1, 1}, {1, 1}}));
}

TEST_F(ProgressPageTest, TheAllTrialsAxisGrowsToTheRoundedDoubleOfTheTrialCount) {
    RunLog log(logPath(), 2);
    log.trial(1.0, true);
    page().InitializeAfterFirstTrial(500, 100);
    log.trialsUpTo(500, 1.0);
    update();
    EXPECT_EQ(page().AllTrialsShown(), 500);
    EXPECT_DOUBLE_EQ(page().allTrialsGraph()->axisMaximum(GraphAxis::X), 500.0);

    log.trialsUpTo(600, 1.0);
    update();
    EXPECT_EQ(page().AllTrialsShown(), 2000);
    EXPECT_DOUBLE_EQ(page().allTrialsGraph()->axisMinimum(GraphAxis::X), 0.0);
    EXPECT_DOUBLE_EQ(page().allTrialsGraph()->axisMaximum(GraphAxis::X), 2000.0);
    EXPECT_EQ(page().allTrialsGraph()->AxisTitle(GraphAxis::X), engine::GetResourceString(4041));
}

TEST_F(ProgressPageTest, TheLastTrialsAxisStaysFromMinusNToZeroWhateverTheTrialCount) {
    RunLog log(logPath(), 2);
    log.trial(1.0, true);
    page().InitializeAfterFirstTrial(500, 100);
    EXPECT_EQ(page().lastTrialsGraph()->AxisTitle(GraphAxis::X), engine::GetResourceString(4039, 100));
    for (int trials : {50, 5000}) {
        log.trialsUpTo(trials, 1.0);
        update();
        EXPECT_DOUBLE_EQ(page().lastTrialsGraph()->axisMinimum(GraphAxis::X), -100.0) << trials;
        EXPECT_DOUBLE_EQ(page().lastTrialsGraph()->axisMaximum(GraphAxis::X), 0.0) << trials;
    }
    EXPECT_FALSE(page().lastTrialsGraph()->ManualScalingAllowed(GraphAxis::X));
    EXPECT_FALSE(page().lastTrialsGraph()->ManualScalingAllowed(GraphAxis::Y));
}

TEST_F(ProgressPageTest, TheLastTrialsCurveIsAFlatLineWhenTheLatestStepLiesLeftOfTheWindow) {
    RunLog log(logPath(), 2);
    log.trial(5.0, true);
    page().InitializeAfterFirstTrial(500, 100);
    log.trialsUpTo(500, 1.0);
    update();
    EXPECT_EQ(lastTrials(), points({{-1, 5}, {-100, 5}}));
}

TEST_F(ProgressPageTest, TheLastTrialsCurveWalksFromTheCurrentTrialBackToTheWindowsLeftEdge) {
    RunLog log(logPath(), 2);
    page().InitializeAfterFirstTrial(500, 100);
    log.trial(1.0, true);
    update();
    log.trialsUpTo(449, 0.0);
    log.trial(2.0, true); // trial 450, at 450 - 500 - 1 = -51
    update();
    log.trialsUpTo(479, 0.0);
    log.trial(3.0, true); // trial 480, at -21
    log.trialsUpTo(500, 0.0);
    update();
    ASSERT_EQ(page().steps().count(), 3);
    EXPECT_EQ(lastTrials(), points({{-1, 3}, {-21, 3}, {-21, 2}, {-51, 2}, {-51, 1}, {-100, 1}}));
}

TEST_F(ProgressPageTest, TheLastTrialsCurveEndsAtTheFirstStepWhenEveryStepIsInsideTheWindow) {
    RunLog log(logPath(), 2);
    page().InitializeAfterFirstTrial(500, 100);
    log.trial(1.0, true);
    update();
    log.trial(0.0);
    log.trial(2.0, true);
    log.trialsUpTo(5, 0.0);
    update();
    // Trial 1 at -5, trial 3 at -3.
    EXPECT_EQ(lastTrials(), points({{-1, 2}, {-3, 2}, {-3, 1}, {-5, 1}}));
}

TEST_F(ProgressPageTest, AHundredThousandStepsAreStillDrawnAndReadFromButNoMore) {
    RunLog log(logPath(), 2);
    page().InitializeAfterFirstTrial(500, 100);
    for (int i = 1; i <= watcher::ProgressSteps::kMaxSteps; ++i)
        page().AddProgressStep(1, i);
    log.trial(1e6, true);
    // 100,000 steps are still drawn (the last one reaching the current trial).
    page().ProgressTab_Update();
    EXPECT_EQ(allTrials().size(), 2 * watcher::ProgressSteps::kMaxSteps);
    // They are still read from: the log's new best makes 100,001, which are
    // no longer drawn.
    log.trial(2e6, true);
    update();
    EXPECT_EQ(page().steps().count(), watcher::ProgressSteps::kMaxSteps + 1);
    EXPECT_EQ(allTrials().size(), 2 * watcher::ProgressSteps::kMaxSteps);
    EXPECT_DOUBLE_EQ(allTrials().last().y(), watcher::ProgressSteps::kMaxSteps);
    // From 100,001 on nothing more is read.
    log.trial(3e6, true);
    update();
    EXPECT_EQ(page().steps().count(), watcher::ProgressSteps::kMaxSteps + 1);
    EXPECT_DOUBLE_EQ(page().LastBestValue(), 2e6);
}

TEST_F(ProgressPageTest, ARelativePositionThatIsNoWholeNumberLiesOutsideEveryWindow) {
    EXPECT_DOUBLE_EQ(watcher::ProgressSteps::RelativePosition(10, 20), -11.0);
    EXPECT_DOUBLE_EQ(watcher::ProgressSteps::RelativePosition(1, 1e12), -2147483648.0);
    EXPECT_DOUBLE_EQ(watcher::ProgressSteps::RelativePosition(std::numeric_limits<double>::quiet_NaN(), 5),
                     -2147483648.0);
}

TEST_F(ProgressPageTest, ValueAxesTakeTheTargetCellsDateScalingAndNumberFormat) {
    m_manager.setInput_TargetCellValuesTreatedAsDates(true);
    m_manager.setInput_TargetCellNumberFormat_ShortIfDate_ForcedEnglish(QStringLiteral("d-mmm-yy"));
    m_manager.setStop_AtEndShowOptionsToUser(true);
    m_manager.setInput_MainHelpFilePath(QStringLiteral("/help/selvane.qch"));
    for (GraphControl* graph : {page().allTrialsGraph(), page().lastTrialsGraph()}) {
        EXPECT_TRUE(graph->DateScaling(GraphAxis::Y));
        EXPECT_FALSE(graph->DateScaling(GraphAxis::X));
        EXPECT_EQ(graph->NumberFormat(GraphAxis::Y), QStringLiteral("d-mmm-yy"));
        EXPECT_FALSE(graph->LegendVisible());
        EXPECT_TRUE(graph->RightClickEnabled());
        EXPECT_EQ(graph->HelpFilePath(), QStringLiteral("/help/selvane.qch"));
    }
}

TEST_F(ProgressPageTest, InitializeAndUpdateWriteTheirLogLines) {
    m_logs.startLogging();
    RunLog log(logPath(), 2);
    log.trial(1.0, true);
    m_manager.setInput_TargetCellValuesTreatedAsDates(true);
    page();
    update();
    const QStringList lines = m_logs.logMessages();
    const QStringList expected = {
        QStringLiteral("WATCHER: about to call ProgressTab_Initialize"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, created and initialized graphs"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, assigned first graph to control"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, assigned graphs to controls"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, set graph control RightClickEnabled properties"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, set graph visibility"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, set status message"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, assigned HelpFilePath"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, set Legend.Visible"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, about to set DateScaling"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, set DateScaling"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, about to set number format of Y axes"),
        QStringLiteral("WATCHER, ProgressTab_Initialize, done setting number format of Y axes"),
        QStringLiteral("WATCHER: ProgressTab_Initialize returned")};
    const qsizetype first = lines.indexOf(expected.first());
    ASSERT_GE(first, 0) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.mid(first, expected.size()), expected);
    EXPECT_TRUE(lines.contains(QStringLiteral("WATCHER: about to call QxPopGetProgressStepCount(%1)").arg(m_pop)));
}

// The window: the page is its tab 0 and follows its updates.
TEST_F(ProgressPageTest, TheWindowUpdatesItsProgressPageAndExportsTheGraphFileWithItsCurve) {
    RunLog log(logPath(), 2);
    log.trial(100.0, true);
    form->InitializeAfterFirstTrial(500, 100);
    log.trial(50.0);
    log.trial(200.0, true);
    log.trial(300.0, true);
    // The tab shown is the progress page: an ordinary update redraws it. An
    // update reads the latest step only, so the step of trial 3 came and
    // went between two updates.
    form->Update(false, false);
    ProgressPage* progress = form->progressPage();
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->allTrialsGraph()->curvePoints(1), points({{1, 100}, {4, 100}, {4, 300}, {4, 300}}));
    EXPECT_TRUE(progress->allTrialsGraph()->isVisibleTo(form));

    // At the end of the run: title 5200, axis up to 10 for 4 trials, the
    // size the host reports (none here: the default), the curve drawn.
    const QString file = m_dir.filePath(QStringLiteral("progress.png"));
    m_manager.setInput_ProgressGraphPath(file);
    m_manager.GenerateProgressGraphFile();
    EXPECT_EQ(progress->allTrialsGraph()->Title(), engine::GetResourceString(5200));
    EXPECT_DOUBLE_EQ(progress->allTrialsGraph()->axisMaximum(GraphAxis::X), 10.0);
    QImage image(file);
    ASSERT_FALSE(image.isNull());
    const QColor curve = progress->allTrialsGraph()->CurveColor(1);
    int curvePixels = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - curve.red()) + std::abs(c.green() - curve.green()) +
                    std::abs(c.blue() - curve.blue()) <
                30)
                ++curvePixels;
        }
    EXPECT_GT(curvePixels, 50);
}

} // namespace
