// The Watcher window's resize: the minimum client size of each mode, the
// resize ignored while code changes controls, and where the buttons, graphs
// and grids end up.
#include <QFrame>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

#include "GraphControl.h"
#include "Twips.h"
#include "formprogress_fixture.h"
#include "pages/WatcherPage.h"

using formprogresstest::FormProgressTest;
using formprogresstest::RunSettings;
using watcher::FormProgress;
using watcher::heightTwips;
using watcher::leftTwips;
using watcher::topTwips;
using watcher::widthTwips;

namespace {

// One pixel at the tests' 96 dpi: the most a twips size can be off after
// turning into whole pixels.
constexpr double kPixel = 15;

double rightTwips(const QWidget* w) {
    return leftTwips(w) + widthTwips(w);
}

} // namespace

TEST_F(FormProgressTest, ShrinkingBelowTheMinimumSnapsBackToItInEachMode) {
    form->resize(100, 80);
    form->Form_Resize();
    EXPECT_GE(widthTwips(form), 8360);
    EXPECT_LT(widthTwips(form), 8360 + kPixel);
    EXPECT_GE(heightTwips(form), 5780);
    EXPECT_LT(heightTwips(form), 5780 + kPixel);
    // A second resize at the minimum does not grow it further.
    const QSize atMinimum = form->size();
    form->Form_Resize();
    EXPECT_EQ(form->size(), atMinimum);

    RunSettings solver;
    solver.constraintSolverMode = true;
    restart(solver);
    form->resize(2000, 100);
    form->Form_Resize();
    EXPECT_EQ(form->width(), 2000);
    EXPECT_GE(heightTwips(form), 6180);
    EXPECT_LT(heightTwips(form), 6180 + kPixel);
}

TEST_F(FormProgressTest, ResizeWhileCodeChangesControlsIsIgnored) {
    bool* settingControls = form->page(FormProgress::SlotProgress)->context().settingControls;
    ASSERT_NE(settingControls, nullptr);
    auto* stop = child<QToolButton>("CommandStop");
    const double stopLeft = leftTwips(stop);
    *settingControls = true;
    form->resize(100, 80);
    form->Form_Resize();
    *settingControls = false;
    EXPECT_EQ(form->size(), QSize(100, 80));
    EXPECT_EQ(leftTwips(stop), stopLeft);
    // The next resize outside of it lays the window out again.
    form->Form_Resize();
    EXPECT_GE(widthTwips(form), 8360);
}

TEST_F(FormProgressTest, ButtonsStayRightAlignedAndOkTakesStopsPlace) {
    form->resize(900, 600);
    form->Form_Resize();
    auto* stop = child<QToolButton>("CommandStop");
    auto* pause = child<QToolButton>("CommandPause");
    auto* run = child<QToolButton>("CommandRun");
    auto* ok = child<QToolButton>("CommandOK");
    const double client = widthTwips(form);
    EXPECT_NEAR(rightTwips(stop), client - 60, kPixel);
    EXPECT_NEAR(leftTwips(stop) - rightTwips(pause), 40, kPixel);
    EXPECT_NEAR(leftTwips(pause) - rightTwips(run), 40, kPixel);
    EXPECT_NEAR(rightTwips(ok), rightTwips(stop), kPixel);
    auto* bar = child<QFrame>("FrameBottom");
    EXPECT_NEAR(topTwips(bar) + heightTwips(bar), heightTwips(form), kPixel);
    EXPECT_NEAR(widthTwips(bar), client, kPixel);
}

TEST_F(FormProgressTest, GraphsStandSideBySideAndGridsFitTheirPage) {
    form->resize(1000, 700);
    form->Form_Resize();
    auto* tabs = child<QTabWidget>("TabMain");
    EXPECT_NEAR(rightTwips(tabs), widthTwips(form) - 60, kPixel);
    auto* last = child<watcher::GraphControl>("MirGraphLastTrials");
    auto* all = child<watcher::GraphControl>("MirGraphAllTrials");
    EXPECT_LT(rightTwips(last), leftTwips(all));
    EXPECT_NEAR(widthTwips(last), widthTwips(all), kPixel);
    EXPECT_NEAR(widthTwips(last), (widthTwips(tabs) - 360) / 2, kPixel);
    EXPECT_NEAR(heightTwips(last), heightTwips(tabs) - 1100, kPixel);
    // Every grid ends inside the page frame it sits on.
    for (const char* name : {"SGGridSummary", "SGGridPopulation"}) {
        auto* grid = child<QTableView>(name);
        EXPECT_NEAR(widthTwips(grid), widthTwips(tabs) - 240, kPixel) << name;
        EXPECT_LE(topTwips(grid) + heightTwips(grid), heightTwips(tabs) - 420 - 60 + kPixel) << name;
    }
    // The stopping page's dividers are as wide as the grids.
    for (const char* name : {"FrameSolutionDivider", "FrameReportsDivider"})
        EXPECT_NEAR(widthTwips(child<QFrame>(name)), widthTwips(tabs) - 240, kPixel) << name;
    // Shrinking again shrinks the graphs with the tab.
    const int wideGraph = last->width();
    form->resize(600, 420);
    form->Form_Resize();
    EXPECT_LT(last->width(), wideGraph);
}
