// The temp-data channel protocol, with the add-in's side played through
// qxlib8.h.
#include <QFile>

#include "ManagerTestSupport.h"
#include "ResourceStrings.h"

using namespace managertest;
using manager::WatcherManager;

namespace {

class ChannelsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = startedManager();
        m->setInput_MainHelpFilePath(QStringLiteral("/nowhere/selvane-help.html"));
    }
    void TearDown() override {
        m->Dispose();
        m.reset();
        ManagerTest::TearDown();
    }
    std::vector<ol::ScriptedCall> helpQuestions() const { return answers.callsOf(QStringLiteral("askWithHelp")); }

    std::unique_ptr<WatcherManager> m;
};

constexpr int16_t kSolver = WatcherManager::ChannelXLRequestToAskUserAboutSolver;
constexpr int16_t kInconsistent = WatcherManager::ChannelXLRequestToAskUserAboutInconsistentConstraints;

} // namespace

TEST_F(ChannelsTest, StoppingOptionsAreCopiedFromTheirChannels) {
    setChannelBool(WatcherManager::ChannelStopGenerateOptimizationSummary, true);
    setChannelBool(WatcherManager::ChannelStopWriteLogOfAllTrials, false);
    setChannelBool(WatcherManager::ChannelStopWriteLogOfProgressSteps, true);
    setChannelLong(WatcherManager::ChannelStopSolutionToKeep, -2);
    m->setStop_AtEndWriteLogOfAllTrials(true);
    m->ReadStoppingOptionsFromWatcher();
    EXPECT_TRUE(m->Stop_AtEndGenerateOptimizationSummary());
    EXPECT_FALSE(m->Stop_AtEndWriteLogOfAllTrials());
    EXPECT_TRUE(m->Stop_AtEndWriteLogOfProgressSteps());
    EXPECT_EQ(m->Stop_SolutionToKeep(), -2);
}

TEST_F(ChannelsTest, FirstTrialSetUpWaitsForTheAddInAndIsToldOnce) {
    startLogging();
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_FALSE(m->GotInitializedAfterFirstTrial());
    EXPECT_TRUE(journal.empty());
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    EXPECT_TRUE(logged(QStringLiteral("GetFirstTrialInfoSentByXL, l_InfoAvailable=False")));

    setChannelLong(WatcherManager::ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown, 50);
    setChannelLong(WatcherManager::ChannelFirstTrialNumLastTrialsToShow, 20);
    setChannelBool(WatcherManager::ChannelFirstTrialInfoAvailable, true);
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_TRUE(m->GotInitializedAfterFirstTrial());
    EXPECT_EQ(journal, Journal({QStringLiteral("full.InitializeAfterFirstTrial(50,20)"),
                                QStringLiteral("compact.InitializeAfterFirstTrial")}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    EXPECT_TRUE(logged(QStringLiteral("WatcherManager.InitializeAfterFirstTrialIfReady: Ready")));

    // The add-in clears channel 9; the Watcher never writes it again.
    setChannelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial, false);
    m->TellXLInitializedAfterFirstTrial();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
}

TEST_F(ChannelsTest, FirstTrialInfoWithZeroCountsIsAcceptedAndLogged) {
    startLogging();
    setChannelBool(WatcherManager::ChannelFirstTrialInfoAvailable, true);
    setChannelLong(WatcherManager::ChannelFirstTrialGraphAllTrialsInitialNumTrialsShown, 0);
    setChannelLong(WatcherManager::ChannelFirstTrialNumLastTrialsToShow, 5);
    qint32 all = -1;
    qint32 last = -1;
    EXPECT_TRUE(m->GetFirstTrialInfoSentByXL(all, last));
    EXPECT_EQ(all, 0);
    EXPECT_EQ(last, 5);
    EXPECT_TRUE(logged(QStringLiteral("ERROR: GetFirstTrialInfoSentByXL, p_GraphAllTrialsInitialNumTrialsShown=0, "
                                      "p_NumLastTrialsToShow=5")));
    m->InitializeAfterFirstTrialIfReady();
    EXPECT_TRUE(m->GotInitializedAfterFirstTrial());
}

TEST_F(ChannelsTest, OneSolverRequestUsesTheSingularTextAndIsAskedOnce) {
    setChannelLong(kSolver, 1);
    factory.compact->visible = true;
    answers.queueHelpQuestionButton(1);
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();

    ASSERT_EQ(helpQuestions().size(), 1u);
    const ol::ScriptedCall q = helpQuestions().front();
    EXPECT_EQ(q.title, QStringLiteral("Selvane"));
    EXPECT_EQ(q.text, engine::GetResourceString(4526));
    EXPECT_EQ(q.items,
              QStringList({engine::GetCommonString(5), engine::GetCommonString(16), engine::GetCommonString(17)}));
    EXPECT_EQ(q.number, 1200);
    EXPECT_EQ(channelLong(kSolver), -1);
    // Taken off the always-on-top level for the question, put back after.
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.SetTopmost(0)"), QStringLiteral("compact.SetTopmost(1)")}));

    setChannelLong(kSolver, 1);
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    EXPECT_EQ(helpQuestions().size(), 1u);
    EXPECT_EQ(channelLong(kSolver), 1);
}

TEST_F(ChannelsTest, SeveralSolverRequestsNameTheirNumberAndNoIsMinusTwo) {
    setChannelLong(kSolver, 3);
    answers.queueHelpQuestionButton(2);
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    ASSERT_EQ(helpQuestions().size(), 1u);
    EXPECT_EQ(helpQuestions().front().text, engine::GetResourceString(4527, 3));
    EXPECT_EQ(channelLong(kSolver), -2);
    EXPECT_TRUE(journal.empty()) << "a hidden compact window stays as it is";
}

TEST_F(ChannelsTest, NoSolverRequestWritesNothingAndKeepsAsking) {
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    EXPECT_EQ(channelLong(kSolver), 0);
    setChannelLong(kSolver, 1);
    answers.queueHelpQuestionButton(1);
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    EXPECT_EQ(channelLong(kSolver), -1);
}

TEST_F(ChannelsTest, FailedQuestionsAnswerNoAboutTheSolverButRunDespiteInconsistency) {
    factory.compact->visible = true;
    setChannelLong(kSolver, 1);
    setChannelLong(kInconsistent, 1);
    // No answers are scripted: both message boxes raise.
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    m->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    EXPECT_EQ(channelLong(kSolver), -2);
    EXPECT_EQ(channelLong(kInconsistent), -1);
    EXPECT_EQ(journal, Journal({QStringLiteral("compact.SetTopmost(0)"), QStringLiteral("compact.SetTopmost(1)")}));
}

TEST_F(ChannelsTest, WithAlertsOffTheSolverQuestionAnswersYesUnasked) {
    m->setInput_DisplayAlerts(false);
    setChannelLong(kSolver, 2);
    m->CheckForXLRequestToAskUserAboutSolverAndProcess();
    EXPECT_TRUE(helpQuestions().empty());
    EXPECT_EQ(channelLong(kSolver), -1);
}

TEST_F(ChannelsTest, TheInconsistencyQuestionIsAskedAtEveryRequest) {
    setChannelLong(kInconsistent, 1);
    answers.queueYesNo(false);
    m->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    EXPECT_EQ(channelLong(kInconsistent), -2);
    const auto asked = answers.callsOf(QStringLiteral("askYesNo"));
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_EQ(asked.front().text, engine::GetResourceString(5201));

    setChannelLong(kInconsistent, 4);
    answers.queueYesNo(true);
    m->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    EXPECT_EQ(channelLong(kInconsistent), -1);

    // The add-in's answer stays: a negative value is no request.
    m->CheckForXLRequestToAskUserWhetherToRunWithPotentiallyInconsistentConstraintsAndProcessTheRequest();
    EXPECT_EQ(answers.callsOf(QStringLiteral("askYesNo")).size(), 2u);
}

TEST_F(ChannelsTest, OutgoingSignalsAndIncomingCounts) {
    startLogging();
    EXPECT_FALSE(m->OLToldWatcherToStopTimer());
    setChannelBool(WatcherManager::ChannelOLToldWatcherToStopTimer, true);
    EXPECT_TRUE(m->OLToldWatcherToStopTimer());

    EXPECT_FALSE(m->TellOLWatcherStoppedTimer());
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherStoppedTimer));

    m->SendShowExcelRecalculationsToXL(2);
    EXPECT_EQ(channelLong(WatcherManager::ChannelShowExcelRecalculations), 2);

    m->RequestXLUpdate();
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));

    m->SendCommandToShowWatcherModally();
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherSentCommandToShowItModally));
    EXPECT_TRUE(logged(QStringLiteral("About to call QxLib.QxWriteTempData "
                                      "XLWatcherChannels.ChannelWatcherSentCommandToShowItModally, True, 2 "
                                      "(XLWatcherChannels.ChannelWatcherSentCommandToShowItModally=15)")));
    EXPECT_TRUE(logged(QStringLiteral("QxWriteTempData returned, Err: ")));

    setChannelDouble(WatcherManager::ChannelNumIterations, 1000);
    setChannelDouble(WatcherManager::ChannelNumIterationsInCompletedSimulation, 500);
    setChannelDouble(WatcherManager::ChannelNumTrialUnderWay, 42);
    setChannelDouble(WatcherManager::ChannelEFNumOptimizationUnderWay, 2);
    EXPECT_EQ(m->NumIterations(), 1000.0);
    EXPECT_EQ(m->NumIterationsInCompletedSimulation(), 500.0);
    EXPECT_EQ(m->NumTrialUnderWay(), 42.0);
    EXPECT_EQ(m->EFNumOptimizationUnderWay(), 2.0);
    EXPECT_TRUE(logged(QStringLiteral("WatcherManger, NumTrialUnderWay, about to call QxReadTempData")));
    EXPECT_TRUE(logged(QStringLiteral("WatcherManger, NumTrialUnderWay, QxReadTempData returned: 42")));
    EXPECT_TRUE(logged(QStringLiteral("QxReadTempData returned: 2")));

    m->CheckWindowsMoved();
    EXPECT_EQ(journal, Journal({QStringLiteral("full.CheckWindowMoved"), QStringLiteral("compact.CheckWindowMoved")}));
}
