// The update timer's tick of the Watcher window, driven directly (never by
// waiting for the timer): what it reads, what it hands to the manager and
// what it writes to the add-in's channels.
#include <QApplication>
#include <QDialog>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "GraphControl.h"
#include "ProgressPage.h"
#include "formprogress_fixture.h"

using formprogresstest::FormProgressTest;
using formprogresstest::RunSettings;
using manager::WatcherManager;

TEST_F(FormProgressTest, TickAfterStopTimerWritesOnlyItsFirstLogLineAndDoesNothing) {
    m_logs.startLogging();
    form->SetResumeSignalCounter(3);
    setChannelBool(WatcherManager::ChannelOLToldWatcherToStopTimer, true);
    form->SetStopTimer(true);

    form->TimerUpdate_Timer();

    EXPECT_EQ(m_logs.logMessages(),
              QStringList{QStringLiteral("WATCHER: entering TimerUpdate_Timer, Me.StopTimer=True")});
    EXPECT_EQ(form->ResumeSignalCount(), 3);
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherStoppedTimer));
    EXPECT_FALSE(m_factory.compactCalls.contains(QStringLiteral("Update")));
}

TEST_F(FormProgressTest, RunningTickRefreshesBothWindowsAndLogsItsWay) {
    m_logs.startLogging();
    form->TimerUpdate_Timer();

    EXPECT_TRUE(m_factory.compactCalls.contains(QStringLiteral("Update")));
    const QStringList lines = m_logs.logMessages();
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.first(), QStringLiteral("WATCHER: entering TimerUpdate_Timer, Me.StopTimer=False"));
    EXPECT_EQ(lines.at(1), QStringLiteral("WATCHER: entering TimerUpdate_Timer, past Me.StopTimer check"));
    EXPECT_EQ(lines.last(), QStringLiteral("WATCHER: exiting TimerUpdate_Timer, past Me.StopTimer check"));
    EXPECT_TRUE(form->UpdateTimerEnabled());
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigRunning);
}

TEST_F(FormProgressTest, ResumeSignalGoesOutOnExactlyThreeTicksAndNotWhileStopped) {
    form->SetResumeSignalCounter(3);
    int signalled = 0;
    for (int tick = 0; tick < 5; ++tick) {
        form->TimerUpdate_Timer();
        if (takeChannelBool(WatcherManager::ChannelWatcherRequestsXLUpdate))
            ++signalled;
    }
    EXPECT_EQ(signalled, 3);
    EXPECT_EQ(form->ResumeSignalCount(), 0);

    // A stopped run gets no resume signal and keeps the count.
    form->SetResumeSignalCounter(3);
    setStatus(QxRunStatusStopped);
    form->TimerUpdate_Timer();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    EXPECT_EQ(form->ResumeSignalCount(), 3);
}

TEST_F(FormProgressTest, StoppedRunWithoutStoppingOptionsKeepsItsConfigurationAndStopsTheTimer) {
    for (int32_t config : {watcher::FormProgress::kConfigRunning, watcher::FormProgress::kConfigPaused}) {
        restart(RunSettings{});
        if (config == watcher::FormProgress::kConfigPaused)
            form->GoToPausingConfig();
        setStatus(QxRunStatusStopped);

        form->TimerUpdate_Timer();

        EXPECT_EQ(form->DialogConfiguration(), config);
        EXPECT_TRUE(form->StopTimer());
        EXPECT_FALSE(form->UpdateTimerEnabled());
        auto* tabs = child<QTabWidget>("TabMain");
        EXPECT_FALSE(tabs->isTabVisible(watcher::FormProgress::TabStoppingOptions));
        EXPECT_NE(tabs->currentIndex(), watcher::FormProgress::TabStoppingOptions);
        EXPECT_FALSE(child<QToolButton>("CommandOK")->isVisibleTo(form));
        EXPECT_TRUE(child<QToolButton>("CommandStop")->isVisibleTo(form));
        EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
    }
}

TEST_F(FormProgressTest, StoppedRunWithStoppingOptionsShowsOkAndAsksToBeShownModally) {
    restart(RunSettings{.showOptionsAtEnd = true, .startedFromGui = true});
    form->Show();
    // The stopping options the add-in left in its channels reach the manager.
    setChannelBool(WatcherManager::ChannelStopWriteLogOfAllTrials, true);
    setChannelLong(WatcherManager::ChannelStopSolutionToKeep, -2);
    setStatus(QxRunStatusStopped);

    form->TimerUpdate_Timer();

    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigStopped);
    auto* tabs = child<QTabWidget>("TabMain");
    EXPECT_TRUE(tabs->isTabVisible(watcher::FormProgress::TabStoppingOptions));
    EXPECT_EQ(tabs->currentIndex(), watcher::FormProgress::TabStoppingOptions);
    EXPECT_EQ(form->HelpContextID(), 1130);
    EXPECT_TRUE(child<QToolButton>("CommandOK")->isVisibleTo(form));
    for (const char* name : {"CommandRun", "CommandPause", "CommandStop"})
        EXPECT_FALSE(child<QToolButton>(name)->isVisibleTo(form)) << name;
    EXPECT_TRUE(form->IgnoreExcelUpdateClicks());
    EXPECT_TRUE(form->IgnoreMinimizeClicks());
    EXPECT_TRUE(m_manager.Stop_AtEndWriteLogOfAllTrials());
    EXPECT_EQ(m_manager.Stop_SolutionToKeep(), -2);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
    EXPECT_FALSE(form->UpdateTimerEnabled());

    // A run the add-in did not start from its own user interface is not
    // handed to it for modal display.
    restart(RunSettings{.showOptionsAtEnd = true});
    form->Show();
    setStatus(QxRunStatusStopped);
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigStopped);
    EXPECT_TRUE(form->Visible());
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
}

TEST_F(FormProgressTest, PausedRunIsHandedBackOnlyWhenTheManagerWaitsForIt) {
    setStatus(QxRunStatusPaused);
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigRunning);

    m_manager.setWaitingAfterPauseClicked(true);
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigPaused);
    EXPECT_TRUE(child<QToolButton>("CommandPause")->isChecked());
    EXPECT_FALSE(child<QToolButton>("CommandRun")->isChecked());
    EXPECT_FALSE(m_manager.WaitingAfterPauseClicked());
    EXPECT_TRUE(m_factory.compactCalls.contains(QStringLiteral("GoToPausingConfig")));

    // A multi-core run pauses directly; the tick leaves it alone.
    restart(RunSettings{.multiCore = true});
    setStatus(QxRunStatusPaused);
    m_manager.setWaitingAfterPauseClicked(true);
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigRunning);
    EXPECT_TRUE(m_manager.WaitingAfterPauseClicked());
}

TEST_F(FormProgressTest, FirstTrialSetUpOnATickWritesChannelNineOnce) {
    form->TimerUpdate_Timer();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    EXPECT_FALSE(form->GotInitializedAfterFirstTrial());
    EXPECT_FALSE(child<QWidget>("MirGraphAllTrials")->isVisibleTo(form));

    setChannelLong(WatcherManager::ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown, 500);
    setChannelLong(WatcherManager::ChannelFirstTrialNumLastTrialsToShow, 100);
    setChannelBool(WatcherManager::ChannelFirstTrialInfoAvailable, true);
    form->TimerUpdate_Timer();

    EXPECT_TRUE(takeChannelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    EXPECT_TRUE(form->GotInitializedAfterFirstTrial());
    EXPECT_TRUE(m_manager.GotInitializedAfterFirstTrial());
    EXPECT_TRUE(m_factory.compactCalls.contains(QStringLiteral("InitializeAfterFirstTrial")));
    auto* tabs = child<QTabWidget>("TabMain");
    for (int tab : {1, 2, 3, 4})
        EXPECT_TRUE(tabs->isTabEnabled(tab)) << tab;
    EXPECT_TRUE(child<QWidget>("MirGraphAllTrials")->isVisibleTo(form));
    EXPECT_TRUE(child<QWidget>("MirGraphLastTrials")->isVisibleTo(form));

    form->TimerUpdate_Timer();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
}

TEST_F(FormProgressTest, StopTimerHandshakeWithTheAddIn) {
    form->TimerUpdate_Timer();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherStoppedTimer));
    EXPECT_TRUE(form->UpdateTimerEnabled());

    setChannelBool(WatcherManager::ChannelOLToldWatcherToStopTimer, true);
    form->TimerUpdate_Timer();

    EXPECT_TRUE(form->StopTimer());
    EXPECT_FALSE(form->UpdateTimerEnabled());
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherStoppedTimer));
}

TEST_F(FormProgressTest, StopWhileRunningIsAskedOnceTheAddInPausedAndEndsInTheStoppingConfiguration) {
    restart(RunSettings{.showOptionsAtEnd = true, .startedFromGui = true});
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QTest::mouseClick(child<QToolButton>("CommandStop"), Qt::LeftButton);
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    EXPECT_TRUE(form->IgnoreRunControlClicks());
    form->TimerUpdate_Timer();
    EXPECT_TRUE(m_visual.callsOf(QStringLiteral("askYesNo")).empty());

    // The add-in honours the pause mark; the next tick hands the run back
    // and the manager asks.
    setStatus(QxRunStatusPaused);
    m_visual.queueYesNo(true);
    form->TimerUpdate_Timer();
    EXPECT_EQ(m_visual.callsOf(QStringLiteral("askYesNo")).size(), 1U);
    EXPECT_EQ(status(), QxRunStatusMarkToStop);
    EXPECT_TRUE(form->UpdateTimerEnabled());

    setStatus(QxRunStatusStopped);
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigStopped);
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
    EXPECT_FALSE(form->UpdateTimerEnabled());
}

// The end of the run hides the window; while a graph's dialog is up (here the
// axis-range dialog of the progress graph) the tick leaves the window and its
// timer alone, and the next tick after the dialog ends the run.
TEST_F(FormProgressTest, RunEndWaitsForAGraphDialogToClose) {
    restart(RunSettings{.showOptionsAtEnd = true, .startedFromGui = true});
    form->Show();
    setStatus(QxRunStatusStopped);
    bool reportedUp = false, visible = false, timerOn = false, askedForModal = true;
    int32_t configuration = 0;
    auto* poll = new QTimer(form);
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr)
            return;
        poll->stop();
        reportedUp = m_manager.MirGraphModalDialogBeingDisplayed();
        form->TimerUpdate_Timer();
        visible = form->Visible();
        timerOn = form->UpdateTimerEnabled();
        configuration = form->DialogConfiguration();
        askedForModal = channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally);
        dialog->reject();
    });
    poll->start();
    m_visual.queuePopupChoice(3); // the axis-range dialog
    form->progressPage()->allTrialsGraph()->ShowContextMenu();

    ASSERT_TRUE(reportedUp);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(timerOn);
    EXPECT_EQ(configuration, watcher::FormProgress::kConfigRunning);
    EXPECT_FALSE(askedForModal);

    EXPECT_FALSE(m_manager.MirGraphModalDialogBeingDisplayed());
    form->TimerUpdate_Timer();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgress::kConfigStopped);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
}
