// Pause, stop, resume and the next optimization of an efficient frontier,
// against the real engine's population and its lock.
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"

using namespace managertest;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::WatcherManager;

namespace {

constexpr int16_t kOptimizing = WatcherManager::kRunStatusOptimizing;
constexpr int16_t kMarkToStop = WatcherManager::kRunStatusMarkToStop;
constexpr int16_t kMarkToPause = WatcherManager::kRunStatusMarkToPause;
constexpr int16_t kPaused = WatcherManager::kRunStatusPaused;
constexpr int16_t kStopped = WatcherManager::kRunStatusStopped;
constexpr int16_t kMoveOn = WatcherManager::kRunStatusMarkToMoveToNextOptimization;

class RunControlTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = startedManager();
    }
    void TearDown() override {
        m->Dispose();
        m.reset();
        ManagerTest::TearDown();
    }
    // The yes/no questions asked so far.
    QStringList questions() const {
        QStringList out;
        for (const ol::ScriptedCall& c : answers.callsOf(QStringLiteral("askYesNo")))
            out << c.text;
        return out;
    }
    QString stopQuestion() const { return engine::GetResourceString(4306); }

    std::unique_ptr<WatcherManager> m;
};

} // namespace

TEST_F(RunControlTest, PauseMarksTheRunAndLeavesTheWindowsToThePausedMessage) {
    m->CommandPauseOptimization_ProcessClick();
    EXPECT_EQ(status(), kMarkToPause);
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(lockIsFree());

    // The add-in pauses and the Watcher's timer hands the pause back.
    setStatus(kPaused);
    m->setWaitingAfterPauseClicked(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_FALSE(m->WaitingAfterPauseClicked());
    EXPECT_EQ(journal,
              Journal({QStringLiteral("compact.Update"), QStringLiteral("full.Update(1,1)"),
                       QStringLiteral("compact.GoToPausingConfig"), QStringLiteral("full.GoToPausingConfig")}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    EXPECT_EQ(status(), kPaused);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, PauseAndStopAfterTheRunStoppedChangeNothing) {
    setStatus(kStopped);
    for (const bool multiCore : {false, true}) {
        m->setInput_MCoreOptimization(multiCore);
        for (const int32_t configuration : {1, 2}) {
            factory.full->dialogConfiguration = configuration;
            m->CommandPauseOptimization_ProcessClick();
            m->CommandStopOptimization_ProcessClick();
            EXPECT_EQ(status(), kStopped);
            EXPECT_TRUE(lockIsFree());
        }
    }
    EXPECT_TRUE(journal.empty());
    EXPECT_TRUE(answers.calls().empty());
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
}

TEST_F(RunControlTest, StopWhileRunningAsksOnlyOnceTheRunIsPaused) {
    startLogging();
    m->CommandStopOptimization_ProcessClick();
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(status(), kMarkToPause);
    EXPECT_TRUE(m->WaitingAfterStopClicked());
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.ControlsAfterStopClickedDisableEnable(0)"),
                                QStringLiteral("full.ControlsAfterStopClickedDisableEnable(0)")}));
    EXPECT_TRUE(lockIsFree());
    const int p = pop;
    EXPECT_EQ(
        logMessages(),
        QStringList({
            QStringLiteral("CommandStopOptimization_ProcessClick: entering"),
            QStringLiteral("CommandStopOptimization_ProcessClick: about to call QxPopLock with %1").arg(p),
            QStringLiteral("QxPopLock Me.Input_PopHandle returned"),
            QStringLiteral("Evaluated \"QxLib.QxPopGetRunStatus(Me.Input_PopHandle) <> QxRunStatusStopped\" as True"),
            QStringLiteral("CommandStopOptimization_ProcessClick, RUNNING"),
            QStringLiteral("CommandStopOptimization_ProcessClick, about to call "
                           "m_FormProgressSmall.ControlsAfterStopClickedDisableEnable False"),
            QStringLiteral("CommandStopOptimization_ProcessClick, about to call "
                           "m_FormWatcher.ControlsAfterStopClickedDisableEnable False"),
            QStringLiteral("CommandStopOptimization_ProcessClick, about to call QxPopSetRunStatus "
                           "Me.Input_PopHandle, QxRunStatusMarkToPause"),
            QStringLiteral("CommandStopOptimization_ProcessClick, QxPopSetRunStatus returned: 0"),
            QStringLiteral("CommandStopOptimization_ProcessClick, about to call QxPopUnlock with %1").arg(p),
            QStringLiteral("CommandStopOptimization_ProcessClick, QxPopUnlock returned"),
        }));

    // Paused by the add-in: the timer hands it back and the question comes.
    setStatus(kPaused);
    journal.clear();
    answers.queueYesNo(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(questions(), QStringList({stopQuestion()}));
    EXPECT_EQ(answers.callsOf(QStringLiteral("askYesNo")).front().title, QStringLiteral("Selvane"));
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.Update"), QStringLiteral("full.Update(1,1)")}));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, NoToTheDeferredStopQuestionResumesTheRun) {
    m->CommandStopOptimization_ProcessClick();
    setStatus(kPaused);
    journal.clear();
    answers.queueYesNo(false);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.Update"), QStringLiteral("full.Update(1,1)"),
                                QStringLiteral("compact.ControlsAfterStopClickedDisableEnable(1)"),
                                QStringLiteral("full.ControlsAfterStopClickedDisableEnable(1)"),
                                QStringLiteral("compact.RestoreRunPauseButtonState"),
                                QStringLiteral("full.RestoreRunPauseButtonState"),
                                QStringLiteral("full.SetResumeSignalCounter(3)")}));
}

TEST_F(RunControlTest, StopWhilePausedAsksAtOnceWithThePopulationLocked) {
    setStatus(kPaused);
    factory.full->dialogConfiguration = 2;
    bool lockedDuringQuestion = false;
    boxes.beforeAnswer = [&] { lockedDuringQuestion = !lockIsFree(); };

    // No: the run stays paused and the Pause button is pressed again.
    answers.queueYesNo(false);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_TRUE(lockedDuringQuestion);
    EXPECT_EQ(status(), kPaused);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.RestoreRunPauseButtonState"),
                                QStringLiteral("full.RestoreRunPauseButtonState")}));
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_TRUE(lockIsFree());

    // Yes: controls off, marked to stop.
    journal.clear();
    answers.queueYesNo(true);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.ControlsAfterStopClickedDisableEnable(0)"),
                                QStringLiteral("full.ControlsAfterStopClickedDisableEnable(0)")}));
    EXPECT_EQ(questions(), QStringList({stopQuestion(), stopQuestion()}));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, AFailingQuestionStillUnlocksThePopulation) {
    setStatus(kPaused);
    factory.full->dialogConfiguration = 2;
    // No answer is scripted: the message box raises.
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(status(), kPaused);
    EXPECT_TRUE(lockIsFree());

    m->setInput_MCoreOptimization(true);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, MultiCoreStopAsksAtOnceWhileUpdatesSkipTheirLock) {
    m->setInput_MCoreOptimization(true);
    bool lockedDuringQuestion = false;
    bool flagDuringQuestion = false;
    qint32 locksDuringQuestion = -1;
    Journal journalDuringQuestion;
    boxes.beforeAnswer = [&] {
        lockedDuringQuestion = !lockIsFree();
        flagDuringQuestion = WatcherManager::stopClickInProgress();
        // A tick of the update timer while the question is up.
        const qint32 before = WatcherManager::bothDialogsLockCount();
        const size_t calls = journal.size();
        m->BothDialogs_Update(false, false);
        locksDuringQuestion = WatcherManager::bothDialogsLockCount() - before;
        journalDuringQuestion.assign(journal.begin() + calls, journal.end());
    };
    answers.queueYesNo(true);
    m->CommandStopOptimization_ProcessClick();

    EXPECT_TRUE(lockedDuringQuestion);
    EXPECT_TRUE(flagDuringQuestion);
    EXPECT_EQ(locksDuringQuestion, 0);
    EXPECT_TRUE(journalDuringQuestion.empty());
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_TRUE(lockIsFree());

    // No: both Run/Pause buttons restored, the run goes on as it was.
    setStatus(kOptimizing);
    journal.clear();
    boxes.beforeAnswer = nullptr;
    answers.queueYesNo(false);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.RestoreRunPauseButtonState"),
                                QStringLiteral("full.RestoreRunPauseButtonState")}));
}

TEST_F(RunControlTest, MultiCorePausePausesDirectly) {
    m->setInput_MCoreOptimization(true);
    m->CommandPauseOptimization_ProcessClick();
    EXPECT_EQ(status(), kPaused);
    EXPECT_EQ(journal,
              Journal({QStringLiteral("compact.Update"), QStringLiteral("full.Update(1,1)"),
                       QStringLiteral("compact.GoToPausingConfig"), QStringLiteral("full.GoToPausingConfig")}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, ResumeSwitchesWindowsBackAndSignalsForThreeTicks) {
    setStatus(kPaused);
    m->CommandResumeOptimization_ProcessClick();
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.GoToRunningConfig"), QStringLiteral("full.GoToRunningConfig"),
                                QStringLiteral("full.SetResumeSignalCounter(3)")}));
    EXPECT_EQ(factory.full->resumeSignalCounter, 3);
}

TEST_F(RunControlTest, BothDialogsUpdateCountsItsLocksAndAlwaysUnlocks) {
    const qint32 locks = WatcherManager::bothDialogsLockCount();
    const qint32 unlocks = WatcherManager::bothDialogsUnlockCount();
    bool lockedDuringUpdate = false;
    factory.compact->hooks[QStringLiteral("Update")] = [&] { lockedDuringUpdate = !lockIsFree(); };
    factory.full->failing.insert(QStringLiteral("Update"));
    m->BothDialogs_Update(true, false);
    EXPECT_TRUE(lockedDuringUpdate);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.Update"), QStringLiteral("full.Update(1,0)")}));
    EXPECT_EQ(WatcherManager::bothDialogsLockCount(), locks + 1);
    EXPECT_EQ(WatcherManager::bothDialogsUnlockCount(), unlocks + 1);
    EXPECT_TRUE(lockIsFree());

    factory.compact->failing.insert(QStringLiteral("GoToPausingConfig"));
    journal.clear();
    m->BothDialogs_GoToPausingConfig();
    EXPECT_EQ(journal,
              Journal({QStringLiteral("compact.GoToPausingConfig"), QStringLiteral("full.GoToPausingConfig")}));
}

TEST_F(RunControlTest, TheLastFrontierOptimizationIsNotAskedAbout) {
    m->Dispose();
    m = startedManager(true);
    m->setInput_EFNumConstrainingValues(3);
    m->setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(
        TaggedCollection({TaggedValue::fromDouble(10), TaggedValue::fromDouble(20), TaggedValue::fromDouble(30)}));
    setStatus(kPaused);

    setChannelDouble(WatcherManager::ChannelEFNumOptimizationUnderWay, 3);
    m->setWaitingAfterEFNextOptimizationClicked(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_FALSE(m->WaitingAfterEFNextOptimizationClicked());
    const Journal afterwards = {QStringLiteral("full.SetResumeSignalCounter(3)"),
                                QStringLiteral("compact.ControlsAfterStopClickedDisableEnable(1)"),
                                QStringLiteral("full.ControlsAfterStopClickedDisableEnable(1)"),
                                QStringLiteral("compact.RestoreRunPauseButtonState"),
                                QStringLiteral("full.RestoreRunPauseButtonState")};
    EXPECT_EQ(journal, afterwards);

    // Optimization 1 of 3: the question names the next constraining value.
    setStatus(kPaused);
    setChannelDouble(WatcherManager::ChannelEFNumOptimizationUnderWay, 1);
    m->setWaitingAfterEFNextOptimizationClicked(true);
    answers.queueYesNo(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(questions(),
              QStringList({QStringLiteral("Move on to the next optimization (with constraining value 20)?")}));
    EXPECT_EQ(status(), kMoveOn);

    // No: the run goes on with this optimization.
    setStatus(kPaused);
    m->setWaitingAfterEFNextOptimizationClicked(true);
    answers.queueYesNo(false);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(status(), kOptimizing);

    // A next value that cannot be shown gives the short question.
    m->setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(
        TaggedCollection({TaggedValue::fromDouble(10)}));
    m->setWaitingAfterEFNextOptimizationClicked(true);
    answers.queueYesNo(false);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(questions().last(), QStringLiteral("Move on to the next optimization?"));
}

TEST_F(RunControlTest, TheFrontierStopQuestionNamesTheWholeAnalysis) {
    m->Dispose();
    m = startedManager(true);
    setStatus(kPaused);
    factory.full->dialogConfiguration = 2;
    answers.queueYesNo(false);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(questions(), QStringList({engine::GetResourceString(4307)}));
}
