#include "WatcherLayout.h"

#include <algorithm>

namespace manager {

WatcherLayout WatcherLayout::compute(const WatcherLayoutInput& in) {
    WatcherLayout l;
    l.bottomTop = in.clientHeight - in.bottomBarHeight;
    l.bottomWidth = in.clientWidth;
    // Buttons right-aligned; OK takes Stop's place.
    l.stopLeft = l.bottomWidth - 60 - in.stopWidth;
    l.pauseLeft = l.stopLeft - 40 - in.pauseWidth;
    l.runLeft = l.pauseLeft - 40 - in.runWidth;
    l.okLeft = l.bottomWidth - 60 - in.okWidth;
    l.bottomDividerTop = l.bottomTop - 80;
    l.bottomDividerWidth = in.clientWidth - 60 - 20;
    l.statusTop = l.bottomTop - 500;
    l.statusWidth = in.clientWidth - 120 - 20;
    l.tabHeight = l.statusTop - 65 - in.tabTop;
    l.tabWidth = in.clientWidth - 60 - in.tabLeft;
    l.frameWidth = l.tabWidth - 40;
    l.frameHeight = l.tabHeight - 420;
    l.graphWidth = (l.tabWidth - 360) / 2;
    l.graphHeight = l.tabHeight - 1100;
    l.allTrialsGraphLeft = l.graphWidth + 200;
    l.gridWidth = l.tabWidth - 240;
    l.logGridHeight = l.tabHeight - 1050;
    l.populationGridHeight = l.tabHeight - 750;
    l.pageDividerWidth = l.tabWidth - 240;
    l.colorGraphWidth = l.tabWidth - 240;
    l.colorGraphHeight = l.tabHeight - 930;
    return l;
}

double WatcherLayout::fitGridHeight(double top, double height, double bottomLimit) {
    const double excess = top + height - bottomLimit;
    if (excess > 0)
        height -= excess;
    return std::max(0.0, height);
}

QStringList WatcherLayout::frameSizeLogLines() const {
    return {QStringLiteral("New frame width: ") + QString::number(frameWidth),
            QStringLiteral("New frame height: ") + QString::number(frameHeight)};
}

} // namespace manager
