// The Watcher window's resize: the minimum client size, and the places of
// the bottom bar, the status line, the tab control and the pages' controls,
// worked out by manager::WatcherLayout.
#include "FormProgress.h"

#include <cmath>

#include <QFrame>
#include <QLabel>
#include <QTabWidget>
#include <QToolButton>

#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"
#include "pages/WatcherPage.h"

namespace watcher {

namespace {

// The least whole number of pixels that covers `twips`: a minimum in twips
// that falls between two pixels is met by the larger one, so that the
// client area is never below it and a second resize does not grow it again.
int pixelsCovering(double twips, double dpi) {
    return static_cast<int>(std::ceil(twips * dpi / kTwipsPerInch - 1e-9));
}

} // namespace

void FormProgress::Form_Resize() {
    if (m_SettingControls || TabMain == nullptr || FrameBottom == nullptr)
        return;
    SettingControlsScope settingControls(&m_SettingControls);
    ol::StepGuard guard;
    const bool solverMode = m_Manager != nullptr && m_Manager->Input_ConstraintSolverMode();
    const double dpi = logicalDpi(this);

    // The window manager keeps the person's resize above the minimum; a
    // resize by code below it is grown back here.
    guard.run([&] {
        const QSize minimum(pixelsCovering(manager::WatcherLayout::kMinClientWidth, dpi),
                            pixelsCovering(manager::WatcherLayout::minimumClientHeight(solverMode), dpi));
        setMinimumSize(minimum);
        if (width() < minimum.width() || height() < minimum.height())
            resize(std::max(width(), minimum.width()), std::max(height(), minimum.height()));
    });

    manager::WatcherLayoutInput input;
    input.clientWidth = widthTwips(this);
    input.clientHeight = heightTwips(this);
    input.constraintSolverMode = solverMode;
    input.bottomBarHeight = heightTwips(FrameBottom);
    input.tabLeft = leftTwips(TabMain);
    input.tabTop = topTwips(TabMain);
    input.stopWidth = widthTwips(CommandStop);
    input.pauseWidth = widthTwips(CommandPause);
    input.runWidth = widthTwips(CommandRun);
    input.okWidth = widthTwips(CommandOK);
    const manager::WatcherLayout layout = manager::WatcherLayout::compute(input);

    guard.run([&] { setGeometryTwips(FrameBottom, 0, layout.bottomTop, layout.bottomWidth, input.bottomBarHeight); });
    guard.run([&] {
        setLeftTwips(CommandStop, layout.stopLeft);
        setLeftTwips(CommandPause, layout.pauseLeft);
        setLeftTwips(CommandRun, layout.runLeft);
        setLeftTwips(CommandOK, layout.okLeft);
    });
    guard.run([&] {
        setTopTwips(FrameBottomDivider, layout.bottomDividerTop);
        setWidthTwips(FrameBottomDivider, layout.bottomDividerWidth);
    });
    guard.run([&] {
        setTopTwips(LabelProgressStatus, layout.statusTop);
        setWidthTwips(LabelProgressStatus, layout.statusWidth);
    });
    // The tab control sizes its page frames itself (the frames fill its page
    // area); what the frames get is logged.
    guard.run([&] {
        setWidthTwips(TabMain, layout.tabWidth);
        setHeightTwips(TabMain, layout.tabHeight);
    });
    for (const QString& line : layout.frameSizeLogLines())
        log(line);
    for (WatcherPage* p : m_Pages)
        if (p != nullptr)
            guard.run([&] { p->LayoutPage(layout); });
}

} // namespace watcher
