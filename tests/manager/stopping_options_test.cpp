// What the stopping-options page decides at the end of a run, over a real
// optimization log: the status text, the restore-original box, the log
// boxes, the arranged tops, and what OK writes back into the manager.
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"
#include "StoppingOptions.h"

using namespace managertest;
using namespace manager::stopping;
using engine::GetResourceString;
using manager::WatcherManager;

namespace {

class StoppingOptionsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m.Initialize();
        m.setInput_PopHandle(pop);
        m.setInput_LogPath(log.path());
        // The add-in proposes every report and keeps the best solution.
        m.setStop_AtEndGenerateOptimizationSummary(true);
        m.setStop_AtEndWriteLogOfAllTrials(true);
        m.setStop_AtEndWriteLogOfProgressSteps(true);
        m.setStop_SolutionToKeep(-1);
    }
    void TearDown() override {
        m.Dispose();
        ManagerTest::TearDown();
    }
    PageChoices shown() {
        const RunFacts facts = RunFacts::fromManager(m);
        return ChoicesToShow(facts, DecideSolutionStatus(facts), m);
    }
    QString note() const { return QStringLiteral("  ") + GetResourceString(kResourceConstraintsNote); }

    TestLog log;
    WatcherManager m;
};

TEST_F(StoppingOptionsTest, BestInTrialOneKeepsTheOriginalAndOkLeavesTheSelectorAlone) {
    log.addTrials(1);
    log.addStep();
    log.addTrials(4);
    const SolutionStatus status = DecideSolutionStatus(RunFacts::fromManager(m));
    EXPECT_EQ(status.text, GetResourceString(kResourceOriginalStillBest));
    EXPECT_TRUE(status.restoreChecked);
    EXPECT_FALSE(status.restoreEnabled);

    // Greyed and checked: OK must not turn the selector into "original",
    // the add-in's own choice stands.
    PageChoices choices = shown();
    ApplyRestoreChoice(m, choices);
    EXPECT_EQ(m.Stop_SolutionToKeep(), -1);
    m.setStop_SolutionToKeep(-5);
    ApplyRestoreChoice(m, choices);
    EXPECT_EQ(m.Stop_SolutionToKeep(), -5);
}

TEST_F(StoppingOptionsTest, ABetterSolutionLetsThePersonRestoreTheOriginal) {
    log.addTrials(3);
    log.addStep();
    const SolutionStatus status = DecideSolutionStatus(RunFacts::fromManager(m));
    EXPECT_EQ(status.text, GetResourceString(kResourceBetterSolutionFound));
    EXPECT_FALSE(status.restoreChecked);
    EXPECT_TRUE(status.restoreEnabled);

    PageChoices choices = shown();
    ApplyRestoreChoice(m, choices);
    EXPECT_EQ(m.Stop_SolutionToKeep(), -1) << "unchecked keeps the best";
    choices.restoreChecked = true;
    ApplyRestoreChoice(m, choices);
    EXPECT_EQ(m.Stop_SolutionToKeep(), kSolutionOriginal);
}

TEST_F(StoppingOptionsTest, WithoutAProgressStepThereIsNoSolutionAndNoStepLog) {
    log.addTrials(3);
    const PageChoices choices = shown();
    const SolutionStatus status = DecideSolutionStatus(RunFacts::fromManager(m));
    EXPECT_EQ(status.text, GetResourceString(kResourceNoSolution, QStringLiteral("Selvane")));
    EXPECT_TRUE(status.text.startsWith(QStringLiteral("Selvane ")));
    EXPECT_TRUE(choices.restoreChecked);
    EXPECT_FALSE(choices.restoreEnabled);
    // Trials exist, progress steps do not.
    EXPECT_TRUE(choices.writeLogOfAllTrialsEnabled);
    EXPECT_TRUE(choices.writeLogOfAllTrials);
    EXPECT_FALSE(choices.writeLogOfProgressStepsEnabled);
    EXPECT_FALSE(choices.writeLogOfProgressSteps);
}

TEST_F(StoppingOptionsTest, ARunWithoutALoggedTrialGreysAndClearsBothLogBoxes) {
    const PageChoices choices = shown();
    EXPECT_FALSE(choices.writeLogOfAllTrialsEnabled);
    EXPECT_FALSE(choices.writeLogOfAllTrials);
    EXPECT_FALSE(choices.writeLogOfProgressStepsEnabled);
    EXPECT_FALSE(choices.writeLogOfProgressSteps);
    // The summary does not depend on the log.
    EXPECT_TRUE(choices.generateSummary);

    // OK writes what the boxes show, not what the add-in proposed.
    WriteReportChoices(m, choices);
    EXPECT_FALSE(m.Stop_AtEndWriteLogOfAllTrials());
    EXPECT_FALSE(m.Stop_AtEndWriteLogOfProgressSteps());
    EXPECT_TRUE(m.Stop_AtEndGenerateOptimizationSummary());
}

TEST_F(StoppingOptionsTest, OkWritesTheReportChoicesAndPlacementBack) {
    log.addTrials(2);
    log.addStep();
    m.setReportPlacement(1);
    PageChoices choices = shown();
    EXPECT_EQ(choices.reportPlacement, 1);
    choices.reportPlacement = 0;
    choices.generateSummary = false;
    choices.writeLogOfProgressSteps = false;
    WriteReportChoices(m, choices);
    EXPECT_EQ(m.ReportPlacement(), 0);
    EXPECT_FALSE(m.Stop_AtEndGenerateOptimizationSummary());
    EXPECT_TRUE(m.Stop_AtEndWriteLogOfAllTrials());
    EXPECT_FALSE(m.Stop_AtEndWriteLogOfProgressSteps());
}

TEST_F(StoppingOptionsTest, TheConstraintsNoteFollowsTheModeAndTheConstraints) {
    log.addTrials(3);
    log.addStep(); // best value 103
    const QString better = GetResourceString(kResourceBetterSolutionFound);
    EXPECT_EQ(DecideSolutionStatus(RunFacts::fromManager(m)).text, better);

    m.setInput_NumConstraints(2);
    EXPECT_EQ(DecideSolutionStatus(RunFacts::fromManager(m)).text, better + note());

    // In constraint-solver mode only a best value equal to the number of
    // constraints brings the note.
    m.setInput_ConstraintSolverMode(true);
    EXPECT_EQ(DecideSolutionStatus(RunFacts::fromManager(m)).text, better);
    m.setInput_NumConstraints(103);
    EXPECT_EQ(DecideSolutionStatus(RunFacts::fromManager(m)).text, better + note());
    m.setInput_NumConstraints(0);
    EXPECT_EQ(DecideSolutionStatus(RunFacts::fromManager(m)).text, better);
}

TEST_F(StoppingOptionsTest, TheStatusLabelGrowsAtOneHundredAndFiftyCharacters) {
    EXPECT_EQ(StatusLabelHeight(QString(149, u'x')), kStatusHeightShort);
    EXPECT_EQ(StatusLabelHeight(QString(150, u'x')), kStatusHeightLong);
    EXPECT_EQ(StatusLabelHeight(QString()), kStatusHeightShort);
    // The English better-solution text fits two lines; with the note it
    // needs the third.
    log.addTrials(3);
    log.addStep();
    EXPECT_EQ(StatusLabelHeight(DecideSolutionStatus(RunFacts::fromManager(m)).text), kStatusHeightShort);
    m.setInput_NumConstraints(1);
    EXPECT_EQ(StatusLabelHeight(DecideSolutionStatus(RunFacts::fromManager(m)).text), kStatusHeightLong);
}

TEST_F(StoppingOptionsTest, ArrangedControlsFollowEachOtherDownThePage) {
    const PageTops s = ArrangeTops(kStatusHeightShort, 255, false);
    // The status text sits between the solution divider and the restore box,
    // the reports section below the restore explanation.
    EXPECT_EQ(s.labelSolutionToKeep, kDesignedSolutionLabelTop - 150);
    EXPECT_EQ(s.frameSolutionDivider, kDesignedSolutionDividerTop - 150);
    EXPECT_EQ(s.labelStoppingStatus, s.frameSolutionDivider + 150);
    EXPECT_EQ(s.checkRestoreOriginal, s.labelStoppingStatus + 480 + 150);
    EXPECT_EQ(s.labelRestoreOriginal, s.checkRestoreOriginal + 255 + 20);
    EXPECT_EQ(s.comboReportPlacement, s.labelReportsToGenerate - 55);
    const double ordered[] = {s.labelSolutionToKeep,      s.frameSolutionDivider,
                              s.labelStoppingStatus,      s.checkRestoreOriginal,
                              s.labelRestoreOriginal,     s.labelReportsToGenerate,
                              s.frameReportsDivider,      s.checkGenerateOptimizationSummary,
                              s.checkWriteLogOfAllTrials, s.checkWriteLogOfProgressSteps};
    for (size_t i = 1; i < std::size(ordered); ++i)
        EXPECT_LT(ordered[i - 1], ordered[i]) << i;
    EXPECT_EQ(s.labelGeneratorSeed, 0) << "no seed controls outside constraint-solver mode";

    // A three-line status pushes everything below it down by the extra line;
    // the seed controls come last.
    const PageTops l = ArrangeTops(kStatusHeightLong, 255, true);
    EXPECT_EQ(l.labelStoppingStatus, s.labelStoppingStatus);
    EXPECT_EQ(l.checkWriteLogOfProgressSteps - s.checkWriteLogOfProgressSteps, 120);
    EXPECT_EQ(l.labelGeneratorSeed, l.checkWriteLogOfProgressSteps + 500);
    EXPECT_EQ(l.frameGeneratorSeedDivider, l.labelGeneratorSeed + 290);
    EXPECT_EQ(l.checkFixSeed, l.frameGeneratorSeedDivider + 210);
    // Arranging twice gives the same page: the moved controls start from
    // their designed places.
    const PageTops again = ArrangeTops(kStatusHeightLong, 255, true);
    EXPECT_EQ(again.labelSolutionToKeep, l.labelSolutionToKeep);
}

} // namespace
