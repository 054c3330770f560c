// The compact window's buttons: run control through the manager, the
// Excel-updating menu, the full Watcher window, the clicks ignored while a
// stop is processed, and the close box that is refused.

#include "compact_fixture.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include "compact/ExcelUpdatingMenu.h"

namespace compacttest {
namespace {

using watcher::ExcelUpdatingMenu;
using watcher::FormProgressSmall;
using Channels = manager::WatcherManager::XLWatcherChannels;

class CompactButtonsTest : public CompactWindowTest {
protected:
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    int menusShown() const { return static_cast<int>(m_visual.callsOf(QStringLiteral("showPopupMenu")).size()); }
};

TEST_F(CompactButtonsTest, StartsRunningWithRunPressed) {
    start();
    EXPECT_EQ(form->RunState(), FormProgressSmall::kRunStateRunning);
    EXPECT_TRUE(button("CommandRun")->isChecked());
    EXPECT_FALSE(button("CommandPause")->isChecked());
    EXPECT_FALSE(form->SettingControls());
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(CompactButtonsTest, PauseMarksTheRunAndRunResumesIt) {
    start();
    click("CommandPause");
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    // The window shows Paused only once the add-in has paused.
    EXPECT_EQ(form->RunState(), FormProgressSmall::kRunStateRunning);

    form->GoToPausingConfig();
    EXPECT_TRUE(button("CommandPause")->isChecked());
    EXPECT_FALSE(button("CommandRun")->isChecked());

    click("CommandRun");
    EXPECT_EQ(status(), QxRunStatusOptimizing);
    EXPECT_EQ(form->RunState(), FormProgressSmall::kRunStateRunning);
    EXPECT_TRUE(button("CommandRun")->isChecked());
    EXPECT_FALSE(button("CommandPause")->isChecked());
    EXPECT_TRUE(m_factory.fullCalls.contains(QStringLiteral("SetResumeSignalCounter")));
}

TEST_F(CompactButtonsTest, StopWhileRunningMarksToPauseAndIgnoresFurtherClicks) {
    start();
    m_visual.clearCalls();
    click("CommandStop");
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    EXPECT_TRUE(m_manager.WaitingAfterStopClicked());
    EXPECT_TRUE(form->IgnoreRunControlClicks());
    EXPECT_TRUE(form->IgnoreExcelUpdateClicks());
    EXPECT_TRUE(form->IgnoreWatcherClicks());
    EXPECT_FALSE(form->ButtonsShowEnabledImages());

    // While the stop is processed, every button is deaf.
    ASSERT_EQ(QxPopSetRunStatus(m_pop, QxRunStatusPaused), 0);
    m_factory.fullCalls.clear();
    click("CommandRun");
    click("CommandPause");
    click("CommandStop");
    click("CommandExcelUpdate");
    click("CommandWatcher");
    EXPECT_EQ(status(), QxRunStatusPaused);
    EXPECT_EQ(menusShown(), 0);
    EXPECT_TRUE(m_visual.callsOf(QStringLiteral("askYesNo")).empty());
    EXPECT_TRUE(m_factory.fullCalls.isEmpty()) << m_factory.fullCalls.join(u',').toStdString();
    EXPECT_TRUE(form->isVisible());
    // The ignored clicks leave the buttons as they were shown.
    EXPECT_TRUE(button("CommandRun")->isChecked());
    EXPECT_FALSE(button("CommandPause")->isChecked());
    EXPECT_FALSE(button("CommandExcelUpdate")->isChecked());

    // No to the stop question: the run goes on and the buttons hear again.
    m_visual.queueYesNo(false);
    m_manager.ProcessPausedMessageFromExcel();
    EXPECT_EQ(status(), QxRunStatusOptimizing);
    EXPECT_FALSE(form->IgnoreRunControlClicks());
    EXPECT_TRUE(form->ButtonsShowEnabledImages());
    click("CommandPause");
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
}

TEST_F(CompactButtonsTest, MultiCoreRunOffersNoRunControl) {
    start({.multiCore = true, .workerProcesses = 4});
    EXPECT_TRUE(form->IgnoreRunControlClicks());
    EXPECT_FALSE(form->ButtonsShowEnabledImages());
    click("CommandPause");
    EXPECT_EQ(status(), QxRunStatusOptimizing);
}

TEST_F(CompactButtonsTest, FailedSetUpIsReportedAndLeavesTheButtonsWorking) {
    // Without a screen service the window cannot find its place.
    ol::VisualServices withoutScreens = m_visual.asServices();
    withoutScreens.screens = nullptr;
    ol::ScopedVisualServices scope(withoutScreens);
    m_logs.startLogging();
    start();
    const auto reports = m_visual.callsOf(QStringLiteral("reportError"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("Error in FormProgressSmall.Initialize method: ")))
        << reports[0].text.toStdString();
    EXPECT_TRUE(reports[0].text.endsWith(QStringLiteral(" (0x8004000A)"))) << reports[0].text.toStdString();
    EXPECT_EQ(reports[0].number, qint64{ol::kErrGeneral});
    EXPECT_TRUE(m_logs.logMessages().contains(reports[0].text));
    EXPECT_FALSE(form->SettingControls());
}

TEST_F(CompactButtonsTest, WatcherButtonSwitchesToTheFullWindow) {
    start();
    click("CommandWatcher");
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(m_factory.full->Visible());
    EXPECT_TRUE(m_factory.fullCalls.contains(QStringLiteral("Topmost")));

    m_manager.ShowCompactWindow();
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

TEST_F(CompactButtonsTest, ExcelUpdatingMenuSetsTheOptionAndTellsTheAddIn) {
    start();
    ASSERT_EQ(form->excelUpdatingMenu().itemCount(), 3);
    EXPECT_EQ(form->excelUpdatingMenu().item(1).key, ExcelUpdatingMenu::kKeyOn);
    EXPECT_EQ(form->excelUpdatingMenu().item(2).key, ExcelUpdatingMenu::kKeyBest);
    EXPECT_EQ(form->excelUpdatingMenu().item(3).key, ExcelUpdatingMenu::kKeyOff);
    EXPECT_EQ(form->excelUpdatingMenu().item(2).caption, resource(4116));

    m_visual.queuePopupChoice(2); // "mnuExcelUpdating_Off"
    click("CommandExcelUpdate");
    EXPECT_EQ(m_manager.ShowExcelRecalculations(), 3);
    EXPECT_EQ(channelLong(Channels::ChannelShowExcelRecalculations), 3);
    EXPECT_FALSE(button("CommandExcelUpdate")->isChecked());
    EXPECT_FALSE(form->IgnoreExcelUpdateClicks());

    // The menu shows the current option checked, the others not.
    m_visual.queuePopupChoice(1);
    click("CommandExcelUpdate");
    const auto shown = m_visual.callsOf(QStringLiteral("showPopupMenu"));
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_EQ(m_manager.ShowExcelRecalculations(), 2);
    EXPECT_EQ(channelLong(Channels::ChannelShowExcelRecalculations), 2);
    EXPECT_FALSE(form->excelUpdatingMenu().item(1).checked);
    EXPECT_FALSE(form->excelUpdatingMenu().item(2).checked);
    EXPECT_TRUE(form->excelUpdatingMenu().item(3).checked);
}

TEST_F(CompactButtonsTest, NothingChosenInTheMenuStillReleasesTheButton) {
    start();
    m_manager.setShowExcelRecalculations(2);
    m_visual.queuePopupChoice(std::nullopt);
    click("CommandExcelUpdate");
    EXPECT_EQ(menusShown(), 1);
    EXPECT_EQ(m_manager.ShowExcelRecalculations(), 2);
    EXPECT_EQ(channelLong(Channels::ChannelShowExcelRecalculations), 0);
    EXPECT_FALSE(button("CommandExcelUpdate")->isChecked());
    EXPECT_FALSE(form->IgnoreExcelUpdateClicks());
    EXPECT_TRUE(form->excelUpdatingMenu().item(2).checked);
}

TEST_F(CompactButtonsTest, MenuThatCannotBeShownStillReleasesTheButton) {
    start();
    // No scripted answer: the menu service fails.
    click("CommandExcelUpdate");
    EXPECT_EQ(m_manager.ShowExcelRecalculations(), 1);
    EXPECT_FALSE(button("CommandExcelUpdate")->isChecked());
    EXPECT_FALSE(form->IgnoreExcelUpdateClicks());
}

TEST_F(CompactButtonsTest, RestoreRunPauseButtonStateRepressesTheStateButton) {
    start();
    form->GoToPausingConfig();
    QSignalSpy clicks(button("CommandPause"), &QAbstractButton::clicked);
    button("CommandPause")->setChecked(false);
    form->RestoreRunPauseButtonState();
    EXPECT_TRUE(button("CommandPause")->isChecked());
    EXPECT_FALSE(form->IgnoreRunControlClicks());
    EXPECT_EQ(clicks.count(), 0);
}

TEST_F(CompactButtonsTest, CloseBoxIsRefusedButCodeMayClose) {
    start();
    ASSERT_NE(form->windowHandle(), nullptr);
    // What the window system sends for the close box.
    QCloseEvent fromCloseBox;
    QCoreApplication::sendEvent(form->windowHandle(), &fromCloseBox);
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(fromCloseBox.isAccepted());

    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
}

TEST_F(CompactButtonsTest, MovingTheWindowAsksTheAddInForAnUpdateOnce) {
    start({.trialLimit = 100});
    setChannelBool(Channels::ChannelWatcherRequestsXLUpdate, false);
    form->CheckWindowMoved();
    EXPECT_FALSE(channelBool(Channels::ChannelWatcherRequestsXLUpdate));

    form->move(form->pos() + QPoint(20, -10));
    form->CheckWindowMoved();
    EXPECT_TRUE(channelBool(Channels::ChannelWatcherRequestsXLUpdate));

    setChannelBool(Channels::ChannelWatcherRequestsXLUpdate, false);
    form->CheckWindowMoved();
    EXPECT_FALSE(channelBool(Channels::ChannelWatcherRequestsXLUpdate));
}

} // namespace
} // namespace compacttest
