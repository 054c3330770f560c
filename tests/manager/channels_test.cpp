// The temp-data channel protocol, with the add-in's side played through
// qxlib8.h.
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"

using namespace managertest;
using namespace Qt::StringLiterals;
using manager::WatcherManager;

namespace {

constexpr int16_t kSolver = WatcherManager::ChannelXLRequestToAskUserAboutSolver;
constexpr int16_t kInconsistent = WatcherManager::ChannelXLRequestToAskUserAboutInconsistentConstraints;

class ChannelsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = startedManager();
    }
    void TearDown() override {
        m.reset();
        ManagerTest::TearDown();
    }
    void checkSolver() { m->CheckForXLRequestToAskUserAboutSolverAndProcess(); }
    void checkInconsistent() {
        m->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    }

    std::unique_ptr<WatcherManager> m;
};

} // namespace

TEST_F(ChannelsTest, FirstTrialSetUpWaitsForTheAddInAndIsToldOnce) {
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_FALSE(m->GotInitializedAfterFirstTrial());
    EXPECT_TRUE(journal.isEmpty());
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));

    setChannel(WatcherManager::ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown, 50);
    setChannel(WatcherManager::ChannelFirstTrialNumLastTrialsToShow, 20);
    setChannel(WatcherManager::ChannelFirstTrialInfoAvailable, true);
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_TRUE(m->GotInitializedAfterFirstTrial());
    EXPECT_EQ(journal, Journal({u"full.InitializeAfterFirstTrial(50,20)"_s, u"compact.InitializeAfterFirstTrial"_s}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));

    // The add-in clears channel 9; the Watcher never writes it again.
    setChannel(WatcherManager::ChannelWatcherInitializedAfterFirstTrial, false);
    m->TellXLInitializedAfterFirstTrial();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
}

TEST_F(ChannelsTest, FirstTrialInfoWithAZeroCountIsAcceptedAndLogged) {
    startLogging();
    setChannel(WatcherManager::ChannelFirstTrialInfoAvailable, true);
    setChannel(WatcherManager::ChannelFirstTrialNumLastTrialsToShow, 5);
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_TRUE(m->GotInitializedAfterFirstTrial());
    EXPECT_EQ(journal.first(), u"full.InitializeAfterFirstTrial(0,5)"_s);
    EXPECT_TRUE(logged(u"GetFirstTrialInfoSentByXL, l_InfoAvailable=True"_s));
    EXPECT_TRUE(logged(
        u"ERROR: GetFirstTrialInfoSentByXL, p_GraphAllTrialsInitialNumTrialsShown=0, p_NumLastTrialsToShow=5"_s));
}

TEST_F(ChannelsTest, OneSolverRequestUsesTheSingularTextAndIsAskedOnlyOnce) {
    m->setInput_MainHelpFilePath(u"/nowhere/help.html"_s);
    setChannel(kSolver, 1);
    factory.compact->visible = true;
    answers.queueHelpQuestionButton(1);
    checkSolver();
    const auto q = answers.callsOf(u"askWithHelp"_s);
    ASSERT_EQ(q.size(), 1u);
    EXPECT_EQ(q.front().text, engine::GetResourceString(4526));
    EXPECT_EQ(q.front().items,
              QStringList({engine::GetCommonString(5), engine::GetCommonString(16), engine::GetCommonString(17)}));
    EXPECT_EQ(q.front().number, 1200);
    EXPECT_EQ(channelLong(kSolver), -1);
    // Off the always-on-top level for the question, back on after it.
    EXPECT_EQ(journal, Journal({u"compact.SetTopmost(0)"_s, u"compact.SetTopmost(1)"_s}));

    setChannel(kSolver, 1);
    checkSolver();
    EXPECT_EQ(answers.callsOf(u"askWithHelp"_s).size(), 1u);
    EXPECT_EQ(channelLong(kSolver), 1);
}

TEST_F(ChannelsTest, SeveralSolverRequestsNameTheirNumber) {
    checkSolver(); // no request: nothing written, and the question stays open
    EXPECT_EQ(channelLong(kSolver), 0);
    setChannel(kSolver, 3);
    answers.queueHelpQuestionButton(2);
    checkSolver();
    EXPECT_EQ(asked(u"askWithHelp"_s), QStringList({engine::GetResourceString(4527, 3)}));
    EXPECT_EQ(channelLong(kSolver), -2);
    EXPECT_TRUE(journal.isEmpty()) << "a hidden compact window is left alone";
}

TEST_F(ChannelsTest, FailedQuestionsAnswerNoAboutTheSolverButRunDespiteInconsistency) {
    setChannel(kSolver, 1);
    setChannel(kInconsistent, 1);
    checkSolver(); // no scripted answers: both boxes raise
    checkInconsistent();
    EXPECT_EQ(channelLong(kSolver), -2);
    EXPECT_EQ(channelLong(kInconsistent), -1);
}

TEST_F(ChannelsTest, TheInconsistencyQuestionIsAskedAtEveryRequest) {
    setChannel(kInconsistent, 1);
    answers.queueYesNo(false);
    checkInconsistent();
    EXPECT_EQ(channelLong(kInconsistent), -2);
    setChannel(kInconsistent, 4);
    answers.queueYesNo(true);
    checkInconsistent();
    EXPECT_EQ(channelLong(kInconsistent), -1);
    checkInconsistent(); // the answer itself is no request
    EXPECT_EQ(asked(u"askYesNo"_s), QStringList(2, engine::GetResourceString(5201)));
}
