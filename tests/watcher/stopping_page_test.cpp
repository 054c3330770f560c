// The stopping page of the real Watcher window at the end of a run: what it
// shows from the log and the add-in's proposals, where its controls stand,
// and what OK hands to the host (and when the kept solution is decided).
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "ResourceStrings.h"
#include "Twips.h"
#include "formprogress_fixture.h"
#include "manager/HostObjects.h"
#include "manager/StoppingOptions.h"
#include "pages/StoppingOptionsPage.h"
#include "recording_host.h"
#include "run_log.h"

namespace {

using formprogresstest::FormProgressTest;
using formprogresstest::RecordingHost;
using formprogresstest::RunSettings;
using manager::WatcherManager;
using watcher::FormProgress;
namespace stopping = manager::stopping;

class StoppingPageTest : public FormProgressTest {
protected:
    void TearDown() override {
        manager::setHostConnector(nullptr);
        FormProgressTest::TearDown();
    }

    // A stopped run with stopping options: the add-in proposes every report
    // and the best solution; the window switches to its stopping page.
    void stopRun(const RunSettings& settings = RunSettings{.showOptionsAtEnd = true}) {
        prepare(settings);
        stop();
    }
    void prepare(const RunSettings& settings) {
        restart(settings);
        m_manager.setInput_Application(manager::ObjectRef{QStringLiteral(":1.9"), QStringLiteral("/app")});
        manager::setHostConnector(&m_host);
        setChannelBool(WatcherManager::ChannelStopGenerateOptimizationSummary, true);
        setChannelBool(WatcherManager::ChannelStopWriteLogOfAllTrials, true);
        setChannelBool(WatcherManager::ChannelStopWriteLogOfProgressSteps, true);
        setChannelLong(WatcherManager::ChannelStopSolutionToKeep, -1);
    }
    void stop() {
        setStatus(QxRunStatusStopped);
        form->TimerUpdate_Timer();
        ASSERT_EQ(form->DialogConfiguration(), FormProgress::kConfigStopped);
    }
    void pressOk() { QTest::mouseClick(child<QToolButton>("CommandOK"), Qt::LeftButton); }
    QCheckBox* check(const char* name) const { return child<QCheckBox>(name); }
    bool greyed(const char* name) const { return !check(name)->isEnabledTo(check(name)->parentWidget()); }

    RecordingHost m_host{m_manager};
};

TEST_F(StoppingPageTest, BestInTrialOneShowsTheOriginalKeptAndOkLeavesTheSelectorAsSet) {
    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    log.trial(50, true);
    log.trialsUpTo(6, 40);
    stopRun();

    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(),
              engine::GetResourceString(stopping::kResourceOriginalStillBest));
    EXPECT_TRUE(check("CheckRestoreOriginal")->isChecked());
    EXPECT_TRUE(greyed("CheckRestoreOriginal"));
    EXPECT_FALSE(child<QLabel>("LabelRestoreOriginal")->isEnabledTo(form));
    EXPECT_EQ(child<QLabel>("LabelSolutionToKeep")->text(), engine::GetResourceString(4054));

    pressOk();
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_EQ(m_host.received[0].solutionToKeep, -1);
    EXPECT_EQ(m_manager.Stop_SolutionToKeep(), -1);
    EXPECT_FALSE(form->Visible());
}

TEST_F(StoppingPageTest, RestoringTheOriginalIsDecidedBeforeTheHostIsCalled) {
    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    log.trial(50, true);
    log.trial(60);
    log.trial(70, true);
    stopRun();

    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(),
              engine::GetResourceString(stopping::kResourceBetterSolutionFound));
    EXPECT_FALSE(check("CheckRestoreOriginal")->isChecked());
    EXPECT_FALSE(greyed("CheckRestoreOriginal"));
    // The add-in's proposals, all possible with this log.
    EXPECT_TRUE(check("CheckGenerateOptimizationSummary")->isChecked());
    EXPECT_TRUE(check("CheckWriteLogOfAllTrials")->isChecked());
    EXPECT_TRUE(check("CheckWriteLogOfProgressSteps")->isChecked());

    // The person restores the original and drops the summary and the steps.
    form->Show();
    QTest::mouseClick(check("CheckRestoreOriginal"), Qt::LeftButton);
    check("CheckGenerateOptimizationSummary")->setChecked(false);
    check("CheckWriteLogOfProgressSteps")->setChecked(false);
    pressOk();

    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_EQ(m_host.selectorWhenCalled[0], stopping::kSolutionOriginal);
    const manager::StoppingChoices& got = m_host.received[0];
    EXPECT_EQ(got.solutionToKeep, stopping::kSolutionOriginal);
    EXPECT_FALSE(got.generateOptimizationSummary);
    EXPECT_TRUE(got.writeLogOfAllTrials);
    EXPECT_FALSE(got.writeLogOfProgressSteps);
    EXPECT_FALSE(m_manager.Stop_AtEndWriteLogOfProgressSteps());
    EXPECT_EQ(m_manager.ReportPlacement(), 0);
}

TEST_F(StoppingPageTest, WithoutALoggedTrialBothLogBoxesAreGreyedAndUnchecked) {
    stopRun();
    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(),
              engine::GetResourceString(stopping::kResourceNoSolution, QStringLiteral("Selvane")));
    for (const char* name : {"CheckWriteLogOfAllTrials", "CheckWriteLogOfProgressSteps"}) {
        EXPECT_FALSE(check(name)->isChecked()) << name;
        EXPECT_TRUE(greyed(name)) << name;
    }
    EXPECT_TRUE(check("CheckRestoreOriginal")->isChecked());
    EXPECT_TRUE(greyed("CheckRestoreOriginal"));

    pressOk();
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_FALSE(m_host.received[0].writeLogOfAllTrials);
    EXPECT_FALSE(m_host.received[0].writeLogOfProgressSteps);
    EXPECT_TRUE(m_host.received[0].generateOptimizationSummary);
}

TEST_F(StoppingPageTest, ALongStatusGetsTheTallLabelAndPushesTheReportsDown) {
    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    log.trial(50, true);
    log.trial(70, true);
    // The better-solution text with the constraints note is over 150
    // characters in English.
    m_manager.setInput_NumConstraints(2);
    stopRun();
    auto* status = child<QLabel>("LabelStoppingStatus");
    ASSERT_GE(status->text().size(), stopping::kLongStatusLength);
    EXPECT_NEAR(watcher::heightTwips(status), stopping::kStatusHeightLong, 15);

    const stopping::PageTops tops =
        stopping::ArrangeTops(stopping::kStatusHeightLong, watcher::heightTwips(check("CheckRestoreOriginal")), false);
    // One pixel is 15 twips at 96 dpi.
    EXPECT_NEAR(watcher::topTwips(status), tops.labelStoppingStatus, 15);
    EXPECT_NEAR(watcher::topTwips(check("CheckRestoreOriginal")), tops.checkRestoreOriginal, 15);
    EXPECT_NEAR(watcher::topTwips(check("CheckWriteLogOfProgressSteps")), tops.checkWriteLogOfProgressSteps, 15);
    // The page's lowest control still fits on the page.
    const QWidget* page = check("CheckWriteLogOfProgressSteps")->parentWidget();
    EXPECT_LE(check("CheckWriteLogOfProgressSteps")->geometry().bottom(), page->height());
    // The hidden report-placement selector still offers both placements.
    auto* combo = child<QComboBox>("ComboReportPlacement");
    ASSERT_EQ(combo->count(), 2);
    EXPECT_EQ(combo->itemText(0), engine::GetResourceString(4308));
    EXPECT_EQ(combo->itemText(1), engine::GetResourceString(4309));
    EXPECT_FALSE(combo->isVisibleTo(form));
}

TEST_F(StoppingPageTest, SeedControlsAreShownAndPlacedOnlyForTheConstraintSolver) {
    stopRun();
    EXPECT_FALSE(check("CheckFixSeed")->isVisibleTo(form));

    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    log.trial(50, true);
    stopRun(RunSettings{.constraintSolverMode = true, .showOptionsAtEnd = true});
    auto* fix = check("CheckFixSeed");
    EXPECT_TRUE(fix->isVisibleTo(form));
    EXPECT_FALSE(fix->text().isEmpty());
    const double steps = watcher::topTwips(check("CheckWriteLogOfProgressSteps"));
    EXPECT_NEAR(watcher::topTwips(child<QLabel>("LabelGeneratorSeed")), steps + 500, 15);
    EXPECT_NEAR(watcher::topTwips(fix), steps + 500 + 290 + 210, 15);
}

TEST_F(StoppingPageTest, OkStandsExactlyWhereStopStands) {
    prepare(RunSettings{.showOptionsAtEnd = true});
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    auto* stopButton = child<QToolButton>("CommandStop");
    const QRect stopRect = stopButton->geometry();
    EXPECT_TRUE(stopButton->isVisible());
    stop();
    form->Show();
    auto* ok = child<QToolButton>("CommandOK");
    EXPECT_TRUE(ok->isVisible());
    EXPECT_FALSE(stopButton->isVisible());
    EXPECT_EQ(ok->parentWidget(), stopButton->parentWidget());
    EXPECT_EQ(ok->geometry().right(), stopButton->geometry().right());
    EXPECT_EQ(ok->geometry().top(), stopButton->geometry().top());
    EXPECT_EQ(ok->geometry().right(), stopRect.right());
}

} // namespace
