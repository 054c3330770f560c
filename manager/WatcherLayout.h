#pragma once

#include <QStringList>

namespace manager {

// The layout arithmetic of the resizable Watcher window, in twips, without
// any widget: the window measures its client area and the designed sizes of
// the controls the resize keeps, asks for a WatcherLayout and puts the
// numbers on its controls and pages.
struct WatcherLayoutInput {
    double clientWidth = 0;
    double clientHeight = 0;
    bool constraintSolverMode = false;
    // Designed sizes the resize keeps.
    double bottomBarHeight = 600;
    double tabLeft = 60;
    double tabTop = 120;
    double stopWidth = 480;
    double pauseWidth = 480;
    double runWidth = 480;
    double okWidth = 1000;
};

struct WatcherLayout {
    // The smallest client area the window allows.
    static constexpr double kMinClientWidth = 8360;
    static constexpr double kMinClientHeight = 5780;
    static constexpr double kMinClientHeightSolver = 6180;

    static double minimumClientHeight(bool constraintSolverMode) {
        return constraintSolverMode ? kMinClientHeightSolver : kMinClientHeight;
    }
    // How much the window must grow (width, height; 0 when it need not) so
    // that its client area reaches the minimum.
    static double widthGrowth(double clientWidth) {
        return clientWidth < kMinClientWidth ? kMinClientWidth - clientWidth : 0;
    }
    static double heightGrowth(double clientHeight, bool constraintSolverMode) {
        const double minimum = minimumClientHeight(constraintSolverMode);
        return clientHeight < minimum ? minimum - clientHeight : 0;
    }

    // Works out every place from a client size; the client size is taken as
    // given (the caller grows the window first).
    static WatcherLayout compute(const WatcherLayoutInput& input);

    // The grid-fitting step: a grid at `top` with `height` whose rows would
    // end below `bottomLimit` is shortened by the excess; never below zero.
    static double fitGridHeight(double top, double height, double bottomLimit);

    // The diagnostic-log lines that report the page frames' new size.
    QStringList frameSizeLogLines() const;

    // Bottom bar, its buttons (lefts within the bar) and divider.
    double bottomTop = 0;
    double bottomWidth = 0;
    double stopLeft = 0;
    double pauseLeft = 0;
    double runLeft = 0;
    double okLeft = 0;
    double bottomDividerTop = 0;
    double bottomDividerWidth = 0;
    // Status line.
    double statusTop = 0;
    double statusWidth = 0;
    // Tab control and every page frame.
    double tabWidth = 0;
    double tabHeight = 0;
    double frameWidth = 0;
    double frameHeight = 0;
    // Progress page: two graphs side by side, the last trials on the left.
    double graphWidth = 0;
    double graphHeight = 0;
    double allTrialsGraphLeft = 0;
    // Grids and the page dividers, before the grid-fitting step.
    double gridWidth = 0;
    double logGridHeight = 0;
    double populationGridHeight = 0;
    double pageDividerWidth = 0;
    // Population colour graph: its area, and its distance from the page's
    // bottom.
    double colorGraphWidth = 0;
    double colorGraphHeight = 0;
    double colorGraphBottomMargin = 400;
};

} // namespace manager
