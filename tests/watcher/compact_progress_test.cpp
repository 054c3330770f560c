// What the compact window shows of a run: the progress bar towards the trial
// and time limits, the trial and runtime texts, the original and best values.

#include "compact_fixture.h"

#include "Formatting.h"
#include "Twips.h"

namespace compacttest {
namespace {

using watcher::FormProgressSmall;

class CompactProgressTest : public CompactWindowTest {};

TEST_F(CompactProgressTest, BarShowsOnePercentAtTheStartOfARunWithATrialLimit) {
    start({.trialLimit = 1000});
    EXPECT_TRUE(form->ProgressBarShown());
    EXPECT_FALSE(bar()->isHidden());
    EXPECT_EQ(bar()->value(), 1);
    EXPECT_EQ(bar()->text(), QStringLiteral("1%"));
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("0"), QStringLiteral("1000")));
}

TEST_F(CompactProgressTest, BarFollowsWhicheverLimitIsFurtherAlong) {
    start({.trialLimit = 1000, .millisecondsLimit = 1e9});
    // A quarter of the trials, while the time is a small part of its limit.
    logValidTrials(250);
    const int32_t elapsed = runTimerBriefly();
    ASSERT_GT(elapsed, 0);
    form->Update();
    EXPECT_EQ(bar()->value(), 25);
    EXPECT_EQ(bar()->text(), QStringLiteral("25%"));

    // Half the time: 250 of 1000 trials (25%) against 30 of 60 s in scale.
    m_manager.setInput_Runtime_Milliseconds(2.0 * elapsed);
    form->Update();
    EXPECT_EQ(bar()->value(), 50);
    EXPECT_EQ(bar()->text(), QStringLiteral("50%"));
    EXPECT_EQ(text("TextRuntime"),
              resource(4121, engine::FormatElapsedTime(elapsed), engine::FormatElapsedTime(2.0 * elapsed)));
}

TEST_F(CompactProgressTest, TimeBelowOnePercentCountsAsOne) {
    start({.millisecondsLimit = 1e9});
    // No trial limit and no time yet: nothing to show, the bar keeps its start.
    EXPECT_EQ(bar()->value(), 0);
    EXPECT_EQ(bar()->text(), QString());
    runTimerBriefly();
    form->Update();
    EXPECT_EQ(bar()->value(), 1);
    EXPECT_EQ(bar()->text(), QStringLiteral("1%"));
}

TEST_F(CompactProgressTest, TrialsPastTheLimitGoAbove100) {
    start({.trialLimit = 100});
    logValidTrials(150);
    form->Update();
    EXPECT_EQ(bar()->value(), 150);
    EXPECT_EQ(bar()->text(), QStringLiteral("150%"));
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("150"), QStringLiteral("100")));
}

TEST_F(CompactProgressTest, HalfPercentsRoundToEvenInTheBarAndAwayFromZeroInTheText) {
    start({.trialLimit = 8});
    // 5 of 8 trials: 62.5%.
    logValidTrials(5);
    form->Update();
    EXPECT_EQ(bar()->value(), 62);
    EXPECT_EQ(bar()->text(), QStringLiteral("63%"));
}

TEST_F(CompactProgressTest, TrialTextNamesTheValidTrialsOnlyWithoutATrialLimit) {
    // Three trials of which the last broke a hard constraint.
    logTrials({{5.0, 1}, {6.0, 2}, {7.0, 2}});
    start();
    EXPECT_EQ(text("TextTrial"), resource(4119, QStringLiteral("3"), QStringLiteral("2")));

    m_manager.setInput_Runtime_TrialCount(1000);
    form->Update();
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("3"), QStringLiteral("1000")));
}

TEST_F(CompactProgressTest, OriginalAndBestValuesAsTheObjectiveIsShown) {
    logTrials({{3.5, 1}, {42.0, 2}, {12345678.0, 3}});
    start();
    EXPECT_EQ(text("TextOriginal"), QStringLiteral("3.5000"));
    EXPECT_EQ(text("TextBest"), QStringLiteral("1.2346E+007"));
}

TEST_F(CompactProgressTest, ConstraintSolverShowsViolatedConstraintCounts) {
    // The constraint solver's objective counts violated constraints.
    m_minimize = true;
    logTrials({{3.0, 1}, {1.0, 2}});
    start({.constraintSolverMode = true});
    EXPECT_EQ(text("TextOriginal"), resource(4509, 3));
    EXPECT_EQ(text("TextBest"), resource(4508));
}

TEST_F(CompactProgressTest, NoLimitsHideTheBarAndShortenTheWindowInItsCorner) {
    start({.trialLimit = 1000});
    const double heightWithBar = watcher::heightTwips(form);
    const QRectF rowsWithBar = watcher::geometryTwips(child<QWidget>("FrameBothQxAndTrellan"));
    m_manager.Dispose();
    m_started = false;

    start();
    EXPECT_FALSE(form->ProgressBarShown());
    EXPECT_TRUE(bar()->isHidden());
    // 500 twips are no whole number of pixels: within half a pixel.
    EXPECT_NEAR(watcher::heightTwips(form), heightWithBar - FormProgressSmall::kHiddenProgressBarShiftTwips, 7.5);
    EXPECT_NEAR(watcher::topTwips(child<QWidget>("FrameBothQxAndTrellan")),
                rowsWithBar.top() - FormProgressSmall::kHiddenProgressBarShiftTwips, 7.5);
    // Still 100 twips from the work area's left and bottom edges.
    // (within the half pixel that the twips round to).
    const QRect frame = form->frameGeometry();
    EXPECT_NEAR(watcher::pixelsToTwips(frame.left(), form), 100, 7.5);
    EXPECT_NEAR(watcher::pixelsToTwips(frame.top() + frame.height(), form), kWorkAreaHeight * 15.0 - 100, 7.5);
    EXPECT_EQ(text("TextTrial"), QStringLiteral("0"));
}

TEST_F(CompactProgressTest, HidingTheBarLeavesAMovedWindowWhereThePersonPutIt) {
    start({.trialLimit = 1000});
    form->move(form->pos() + QPoint(-30, -40));
    const QPoint moved = form->pos();
    form->HideProgressBar();
    EXPECT_EQ(form->pos(), moved);
    EXPECT_FALSE(form->ProgressBarShown());
}

TEST_F(CompactProgressTest, RuntimeIsShownAlsoWithoutLimits) {
    start();
    const int32_t elapsed = runTimerBriefly();
    form->Update();
    EXPECT_TRUE(bar()->isHidden());
    EXPECT_EQ(text("TextRuntime"), engine::FormatElapsedTime(elapsed));
}

} // namespace
} // namespace compacttest
