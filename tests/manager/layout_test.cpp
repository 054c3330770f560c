// The Watcher window's layout arithmetic at the designed size, at the
// minimum and when enlarged.
#include <gtest/gtest.h>

#include "WatcherLayout.h"

using manager::WatcherLayout;
using manager::WatcherLayoutInput;

namespace {

WatcherLayoutInput sized(double width, double height) {
    WatcherLayoutInput in;
    in.clientWidth = width;
    in.clientHeight = height;
    return in;
}

} // namespace

TEST(WatcherLayoutTest, GrowthSnapsExactlyBackToTheMinimumOfEachMode) {
    EXPECT_EQ(WatcherLayout::widthGrowth(5000), 3360);
    EXPECT_EQ(WatcherLayout::widthGrowth(8360), 0);
    EXPECT_EQ(WatcherLayout::widthGrowth(12000), 0);
    EXPECT_EQ(WatcherLayout::heightGrowth(3000, false), 2780);
    EXPECT_EQ(3000 + WatcherLayout::heightGrowth(3000, true), 6180);
    // Between the two minimums only the constraint-solver mode grows.
    EXPECT_EQ(WatcherLayout::heightGrowth(6000, false), 0);
    EXPECT_EQ(WatcherLayout::heightGrowth(6000, true), 180);
    EXPECT_EQ(WatcherLayout::heightGrowth(-100, false), 5880);
}

TEST(WatcherLayoutTest, ButtonsAreRightAlignedAndOkStandsWhereStopStands) {
    WatcherLayoutInput in = sized(10000, 7000);
    in.okWidth = in.stopWidth;
    const WatcherLayout l = WatcherLayout::compute(in);
    EXPECT_EQ(l.stopLeft, 10000 - 60 - 480);
    EXPECT_EQ(l.pauseLeft, l.stopLeft - 40 - 480);
    EXPECT_EQ(l.runLeft, l.pauseLeft - 40 - 480);
    EXPECT_EQ(l.okLeft, l.stopLeft);
    // A wider OK keeps its right edge where Stop's is.
    in.okWidth = 1000;
    const WatcherLayout wide = WatcherLayout::compute(in);
    EXPECT_EQ(wide.okLeft + 1000, wide.stopLeft + 480);
}

TEST(WatcherLayoutTest, BarsStatusAndTabFollowTheClientArea) {
    const WatcherLayout l = WatcherLayout::compute(sized(8360, 5780));
    EXPECT_EQ(l.bottomTop, 5180);
    EXPECT_EQ(l.bottomWidth, 8360);
    EXPECT_EQ(l.bottomDividerTop, 5100);
    EXPECT_EQ(l.bottomDividerWidth, 8280);
    EXPECT_EQ(l.statusTop, 4680);
    EXPECT_EQ(l.statusWidth, 8220);
    EXPECT_EQ(l.tabHeight, 4680 - 65 - 120);
    EXPECT_EQ(l.tabWidth, 8360 - 60 - 60);
    EXPECT_EQ(l.frameWidth, l.tabWidth - 40);
    EXPECT_EQ(l.frameHeight, l.tabHeight - 420);
    EXPECT_EQ(l.frameSizeLogLines(),
              QStringList({QStringLiteral("New frame width: 8200"), QStringLiteral("New frame height: 4075")}));
}

TEST(WatcherLayoutTest, GraphsStandSideBySideWithoutOverlapAtAnySize) {
    for (double width : {8360.0, 9000.0, 15000.0, 30000.0}) {
        const WatcherLayout l = WatcherLayout::compute(sized(width, 8000));
        EXPECT_EQ(l.graphWidth, (l.tabWidth - 360) / 2);
        EXPECT_EQ(l.allTrialsGraphLeft, l.graphWidth + 200);
        // Left graph at 60: a gap between them and room to the page's edge.
        EXPECT_GT(l.allTrialsGraphLeft, 60 + l.graphWidth);
        EXPECT_LE(l.allTrialsGraphLeft + l.graphWidth, l.frameWidth);
        EXPECT_EQ(l.graphHeight, l.tabHeight - 1100);
    }
}

TEST(WatcherLayoutTest, GridsAndColorGraphGrowWithTheTab) {
    const WatcherLayout small = WatcherLayout::compute(sized(8360, 5780));
    const WatcherLayout big = WatcherLayout::compute(sized(12360, 8780));
    EXPECT_EQ(big.gridWidth - small.gridWidth, 4000);
    EXPECT_EQ(big.logGridHeight - small.logGridHeight, 3000);
    EXPECT_EQ(big.populationGridHeight, big.tabHeight - 750);
    EXPECT_EQ(big.pageDividerWidth, big.gridWidth);
    EXPECT_EQ(big.colorGraphWidth, big.tabWidth - 240);
    EXPECT_EQ(big.colorGraphHeight, big.tabHeight - 930);
}

TEST(WatcherLayoutTest, GridFittingShortensOnlyByTheExcess) {
    EXPECT_EQ(WatcherLayout::fitGridHeight(300, 1000, 2000), 1000);
    EXPECT_EQ(WatcherLayout::fitGridHeight(300, 1700, 2000), 1700);
    EXPECT_EQ(WatcherLayout::fitGridHeight(300, 1800, 2000), 1700);
    // A limit above the grid's top leaves no height, never a negative one.
    EXPECT_EQ(WatcherLayout::fitGridHeight(300, 1800, 100), 0);
}
