// Pause, stop, resume and the next optimization of an efficient frontier,
// against the real engine's population and its lock.
#include <future>
#include <stdexcept>
#include <thread>

#include "ManagerTestSupport.h"
#include "PopulationLockState.h"
#include "ResourceStrings.h"
#include "qxlib8.h"

using namespace managertest;
using namespace Qt::StringLiterals;
using engine::TaggedCollection;
using engine::TaggedValue;
using manager::WatcherManager;

namespace {

constexpr int16_t kOptimizing = WatcherManager::kRunStatusOptimizing;
constexpr int16_t kMarkToStop = WatcherManager::kRunStatusMarkToStop;
constexpr int16_t kMarkToPause = WatcherManager::kRunStatusMarkToPause;
constexpr int16_t kPaused = WatcherManager::kRunStatusPaused;
constexpr int16_t kStopped = WatcherManager::kRunStatusStopped;

const Journal kControlsOff = {u"compact.ControlsAfterStopClickedDisableEnable(0)"_s,
                              u"full.ControlsAfterStopClickedDisableEnable(0)"_s};
const Journal kButtonsRestored = {u"compact.RestoreRunPauseButtonState"_s, u"full.RestoreRunPauseButtonState"_s};
const Journal kBothUpdated = {u"compact.Update"_s, u"full.Update(1,1)"_s};

class RunControlTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = startedManager();
    }
    void TearDown() override {
        m.reset();
        ManagerTest::TearDown();
    }
    void restart(bool efficientFrontier) {
        m.reset();
        m = startedManager(efficientFrontier);
    }
    QStringList questions() const { return asked(u"askYesNo"_s); }

    std::unique_ptr<WatcherManager> m;
};

} // namespace

TEST_F(RunControlTest, PauseMarksTheRunAndTheWindowsFollowThePausedMessage) {
    m->CommandPauseOptimization_ProcessClick();
    EXPECT_EQ(status(), kMarkToPause);
    EXPECT_TRUE(journal.isEmpty());
    EXPECT_TRUE(lockIsFree());

    setStatus(kPaused); // the add-in honoured the mark
    m->setWaitingAfterPauseClicked(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_FALSE(m->WaitingAfterPauseClicked());
    EXPECT_EQ(journal, kBothUpdated + Journal({u"compact.GoToPausingConfig"_s, u"full.GoToPausingConfig"_s}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, PauseAndStopAfterTheRunStoppedChangeNothing) {
    setStatus(kStopped);
    for (const bool multiCore : {false, true})
        for (const int32_t configuration : {1, 2}) {
            m->setInput_MCoreOptimization(multiCore);
            factory.full->dialogConfiguration = configuration;
            m->CommandPauseOptimization_ProcessClick();
            m->CommandStopOptimization_ProcessClick();
        }
    EXPECT_EQ(status(), kStopped);
    EXPECT_TRUE(journal.isEmpty());
    EXPECT_TRUE(answers.calls().empty());
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, StopWhileRunningAsksOnlyOnceTheRunIsPaused) {
    startLogging();
    m->CommandStopOptimization_ProcessClick();
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(status(), kMarkToPause);
    EXPECT_TRUE(m->WaitingAfterStopClicked());
    EXPECT_EQ(journal, kControlsOff);
    EXPECT_TRUE(lockIsFree());
    EXPECT_TRUE(logged(u"CommandStopOptimization_ProcessClick, RUNNING"_s));
    EXPECT_TRUE(logged(u"CommandStopOptimization_ProcessClick, QxPopSetRunStatus returned: 0"_s));
    EXPECT_EQ(logMessages().last(), u"CommandStopOptimization_ProcessClick, QxPopUnlock returned"_s);

    setStatus(kPaused);
    journal.clear();
    answers.queueYesNo(true);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(questions(), QStringList({engine::GetResourceString(4306)}));
    EXPECT_EQ(answers.calls().front().title, u"Selvane"_s);
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_FALSE(m->WaitingAfterStopClicked());
    EXPECT_EQ(journal, kBothUpdated);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, NoToTheDeferredStopQuestionResumesTheRun) {
    m->CommandStopOptimization_ProcessClick();
    setStatus(kPaused);
    journal.clear();
    answers.queueYesNo(false);
    m->ProcessPausedMessageFromExcel();
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal, kBothUpdated +
                           Journal({u"compact.ControlsAfterStopClickedDisableEnable(1)"_s,
                                    u"full.ControlsAfterStopClickedDisableEnable(1)"_s}) +
                           kButtonsRestored + Journal({u"full.SetResumeSignalCounter(3)"_s}));
}

TEST_F(RunControlTest, StopWhilePausedAsksAtOnceWithThePopulationLocked) {
    setStatus(kPaused);
    factory.full->dialogConfiguration = 2;
    bool lockedDuringQuestion = false;
    boxes.beforeAnswer = [&] { lockedDuringQuestion = !lockIsFree(); };

    answers.queueYesNo(false); // stays paused, the Pause button pressed again
    m->CommandStopOptimization_ProcessClick();
    EXPECT_TRUE(lockedDuringQuestion);
    EXPECT_EQ(status(), kPaused);
    EXPECT_EQ(journal, kButtonsRestored);
    EXPECT_TRUE(lockIsFree());

    journal.clear();
    answers.queueYesNo(true);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_EQ(journal, kControlsOff);
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, AFailingQuestionStillUnlocks) {
    setStatus(kPaused);
    factory.full->dialogConfiguration = 2;
    m->CommandStopOptimization_ProcessClick(); // no scripted answer: the box raises
    EXPECT_EQ(status(), kPaused);
    EXPECT_TRUE(lockIsFree());
    m->setInput_MCoreOptimization(true);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_TRUE(lockIsFree());
}

TEST_F(RunControlTest, MultiCoreStopAsksAtOnceWhileUpdatesSkipTheirLock) {
    m->setInput_MCoreOptimization(true);
    bool locked = false;
    bool flag = false;
    qint32 locksMeanwhile = -1;
    qsizetype callsMeanwhile = -1;
    boxes.beforeAnswer = [&] {
        locked = !lockIsFree();
        flag = WatcherManager::stopClickInProgress();
        const qint32 before = WatcherManager::bothDialogsLockCount();
        const qsizetype calls = journal.size();
        m->BothDialogs_Update(false, false); // a tick of the update timer meanwhile
        locksMeanwhile = WatcherManager::bothDialogsLockCount() - before;
        callsMeanwhile = journal.size() - calls;
    };
    answers.queueYesNo(true);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_TRUE(locked);
    EXPECT_TRUE(flag);
    EXPECT_EQ(locksMeanwhile, 0);
    EXPECT_EQ(callsMeanwhile, 0);
    EXPECT_FALSE(WatcherManager::stopClickInProgress());
    EXPECT_EQ(status(), kMarkToStop);
    EXPECT_EQ(journal, kControlsOff);
    EXPECT_TRUE(lockIsFree());

    setStatus(kOptimizing);
    journal.clear();
    boxes.beforeAnswer = [] {};
    answers.queueYesNo(false);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal, kButtonsRestored);
}

TEST_F(RunControlTest, TheNextFrontierOptimizationIsAskedAboutExceptAfterTheLast) {
    restart(true);
    m->setInput_EFNumConstrainingValues(3);
    m->setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(
        TaggedCollection({TaggedValue::fromDouble(10), TaggedValue::fromDouble(20), TaggedValue::fromDouble(30)}));
    const auto pausedAfterNextClicked = [&](double optimization) {
        setStatus(kPaused);
        setChannel(WatcherManager::ChannelEFNumOptimizationUnderWay, optimization);
        m->setWaitingAfterEFNextOptimizationClicked(true);
        journal.clear();
        m->ProcessPausedMessageFromExcel();
        EXPECT_FALSE(m->WaitingAfterEFNextOptimizationClicked());
    };

    pausedAfterNextClicked(3);
    EXPECT_TRUE(questions().isEmpty());
    EXPECT_EQ(status(), kOptimizing);
    EXPECT_EQ(journal,
              Journal({u"full.SetResumeSignalCounter(3)"_s, u"compact.ControlsAfterStopClickedDisableEnable(1)"_s,
                       u"full.ControlsAfterStopClickedDisableEnable(1)"_s}) +
                  kButtonsRestored);

    answers.queueYesNo(true);
    pausedAfterNextClicked(1);
    EXPECT_EQ(questions(), QStringList({u"Move on to the next optimization (with constraining value 20)?"_s}));
    EXPECT_EQ(status(), WatcherManager::kRunStatusMarkToMoveToNextOptimization);

    answers.queueYesNo(false);
    pausedAfterNextClicked(1);
    EXPECT_EQ(status(), kOptimizing);

    // A next value that cannot be shown gives the short question.
    m->setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(
        TaggedCollection({TaggedValue::fromDouble(10)}));
    answers.queueYesNo(false);
    pausedAfterNextClicked(1);
    EXPECT_EQ(questions().last(), u"Move on to the next optimization?"_s);

    factory.full->dialogConfiguration = 2;
    answers.queueYesNo(false);
    m->CommandStopOptimization_ProcessClick();
    EXPECT_EQ(questions().last(), engine::GetResourceString(4307));
}

// An add-in stopped or hung while it holds the population lock: the update
// does not wait for it, leaves both windows alone, says so in the status
// line, and takes up again once the lock is free.
TEST_F(RunControlTest, AnUpdateWhileTheLockIsHeldElsewhereSkipsTheWindowsAndSaysSo) {
    std::promise<void> held;
    std::promise<void> release;
    int32_t locked = -1;
    std::thread addin([&, done = release.get_future()]() mutable {
        locked = QxPopLock(pop);
        held.set_value();
        done.wait();
        if (locked == 0)
            QxPopUnlock(pop);
    });
    held.get_future().wait();
    ASSERT_EQ(locked, 0) << "the other thread could not take the lock";

    const qint32 locksBefore = WatcherManager::bothDialogsLockCount();
    m->BothDialogs_Update(false, false);
    EXPECT_TRUE(m->populationBusy());
    EXPECT_EQ(journal, Journal{u"full.ShowStatusText"_s});
    EXPECT_EQ(factory.full->statusText, engine::GetResourceString(2466));
    EXPECT_FALSE(factory.full->statusText.startsWith(u"[missing"_s)) << qPrintable(factory.full->statusText);
    EXPECT_EQ(WatcherManager::bothDialogsLockCount(), locksBefore);
    m->BothDialogs_Update(true, true); // a forced update waits no longer
    EXPECT_EQ(journal.size(), 2);

    release.set_value();
    addin.join();
    journal.clear();
    m->BothDialogs_Update(true, true);
    EXPECT_FALSE(m->populationBusy());
    EXPECT_EQ(journal, (Journal{u"full.ShowStatusText"_s} + kBothUpdated));
    EXPECT_TRUE(factory.full->statusText.isEmpty());
    EXPECT_TRUE(lockIsFree());

    // A free lock leaves the status line to the window's own update.
    journal.clear();
    m->BothDialogs_Update(true, true);
    EXPECT_EQ(journal, kBothUpdated);
}

// The windows read from the population under the lock; what they make of
// what they read (a grid's text, a drawing) waits until the update has let
// go of it, so the add-in never waits for the formatting.
TEST_F(RunControlTest, WorkAfterTheWindowsReadsRunsOnceTheLockIsReleasedInTheOrderQueued) {
    const auto lockState = [this] { return testsupport::populationLockState(pop); };
    QStringList seen;
    factory.full->hooks[u"Update"_s] = [&] {
        seen << u"read: "_s + lockState();
        m->afterPopulationUnlock([&] { seen << u"grid: "_s + lockState(); });
        m->afterPopulationUnlock([] { throw std::runtime_error("a failing step"); });
        m->afterPopulationUnlock([&] { seen << u"graph: "_s + lockState(); });
    };
    m->BothDialogs_Update(false, false);
    EXPECT_EQ(seen, (QStringList{u"read: held"_s, u"grid: free"_s, u"graph: free"_s}));
    EXPECT_FALSE(m->populationLockedForUpdate());

    // Outside an update nothing is held and the work runs at once.
    seen.clear();
    m->afterPopulationUnlock([&] { seen << u"at once: "_s + lockState(); });
    EXPECT_EQ(seen, QStringList{u"at once: free"_s});

    // An update that finds the lock busy reads nothing and leaves nothing
    // behind for a later update to run.
    std::promise<void> held;
    std::promise<void> release;
    std::thread addin([&, done = release.get_future()]() mutable {
        QxPopLock(pop);
        held.set_value();
        done.wait();
        QxPopUnlock(pop);
    });
    held.get_future().wait();
    seen.clear();
    m->BothDialogs_Update(false, false);
    release.set_value();
    addin.join();
    EXPECT_TRUE(seen.isEmpty());
    factory.full->hooks.clear();
    m->BothDialogs_Update(false, false);
    EXPECT_TRUE(seen.isEmpty());
}
