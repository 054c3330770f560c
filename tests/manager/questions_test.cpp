// Questions and messages, switching between the two windows, the modal
// display at the end of a run and the changes made around it.
#include <QFile>

#include "ManagerTestSupport.h"
#include "ModalDialogChanges.h"
#include "ProcessState.h"

using namespace managertest;
using engine::ProcessState;
using manager::ModalDialogChanges;
using manager::WatcherManager;

namespace {

class QuestionsTest : public ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m = startedManager();
    }
    void TearDown() override {
        if (m)
            m->Dispose();
        m.reset();
        ManagerTest::TearDown();
    }
    QString helpFile() {
        const QString path = logDir.filePath(QStringLiteral("help.html"));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        return path;
    }

    std::unique_ptr<WatcherManager> m;
};

using ModalDialogChangesTest = ManagerTest;

} // namespace

TEST_F(QuestionsTest, SuppressibleQuestionsGiveTheDefaultWhenAlertsAreOff) {
    m->setInput_DisplayAlerts(false);
    EXPECT_TRUE(m->DisplayYesNoQuery(QStringLiteral("q"), true, true));
    EXPECT_FALSE(m->DisplayYesNoQuery(QStringLiteral("q"), true, false));
    EXPECT_TRUE(m->DisplayYesNoQueryWithHelp(QStringLiteral("q"), QString(), 5, true, true));
    m->DisplayMessage(QStringLiteral("m"), true);
    // Not suppressible: asked even with alerts off (and, with no answer
    // scripted, the box fails).
    EXPECT_EQ(raised([&] { m->DisplayYesNoQueryWithHelp(QStringLiteral("q"), QString(), 5); }).number(),
              ol::kErrGeneral);
    EXPECT_EQ(answers.callsOf(QStringLiteral("askWithHelp")).size(), 1u);
    answers.queueYesNo(true);
    EXPECT_TRUE(m->DisplayYesNoQuery(QStringLiteral("q"), false, false));
    m->DisplayMessage(QStringLiteral("m"), false);
    EXPECT_EQ(answers.callsOf(QStringLiteral("showMessage")).size(), 1u);
    EXPECT_EQ(answers.callsOf(QStringLiteral("showMessage")).front().title, QStringLiteral("Selvane"));
}

TEST_F(QuestionsTest, TheQuestionShownFlagIsSetOnlyWhileAsking) {
    bool shownWhileAsking = false;
    boxes.beforeAnswer = [&] { shownWhileAsking = ProcessState::questionShown(); };
    answers.queueYesNo(false);
    EXPECT_FALSE(m->DisplayYesNoQuery(QStringLiteral("Go on?"), false, true));
    EXPECT_TRUE(shownWhileAsking);
    EXPECT_FALSE(ProcessState::questionShown());
    // Cleared even when the box fails (no scripted answer).
    EXPECT_EQ(raised([&] { m->DisplayYesNoQuery(QStringLiteral("Go on?"), false, true); }).number(), ol::kErrGeneral);
    EXPECT_FALSE(ProcessState::questionShown());
}

TEST_F(QuestionsTest, HelpOpensTheHelpAndAsksAgain) {
    m->setInput_MainHelpFilePath(helpFile());
    answers.queueHelpQuestionButton(0);
    answers.queueHelpQuestionButton(0);
    answers.queueHelpQuestionButton(1);
    EXPECT_TRUE(m->DisplayYesNoQueryWithHelp(QStringLiteral("Use it?"), QStringLiteral("/other/file.html"), 1200));
    const auto asked = answers.callsOf(QStringLiteral("askWithHelp"));
    ASSERT_EQ(asked.size(), 3u);
    for (const auto& q : asked)
        EXPECT_EQ(q.text, QStringLiteral("Use it?"));
    const auto help = answers.callsOf(QStringLiteral("showHelp"));
    ASSERT_EQ(help.size(), 2u);
    EXPECT_EQ(help.front().text, m->Input_MainHelpFilePath());
    EXPECT_EQ(help.front().number, 1200);

    answers.queueHelpQuestionButton(2);
    EXPECT_FALSE(m->DisplayYesNoQueryWithHelp(QStringLiteral("Use it?"), QString(), 1200));
    answers.queueHelpQuestionButton(ol::kNoButton);
    EXPECT_FALSE(m->DisplayYesNoQueryWithHelp(QStringLiteral("Use it?"), QString(), 1200));
}

TEST_F(QuestionsTest, HelpIsOpenedOnlyWhenTheHelpFileExists) {
    m->setInput_MainHelpFilePath(logDir.filePath(QStringLiteral("missing.html")));
    m->ShowHelp(1090);
    EXPECT_TRUE(answers.callsOf(QStringLiteral("showHelp")).empty());
    m->setInput_MainHelpFilePath(helpFile());
    m->ShowHelpForControl(1090);
    ASSERT_EQ(answers.callsOf(QStringLiteral("showHelp")).size(), 1u);
    EXPECT_EQ(answers.callsOf(QStringLiteral("showHelp")).front().number, 1090);
}

TEST_F(QuestionsTest, SwitchingWindowsKeepsOneOnTopAndExcelInFront) {
    m->ShowFullWatcher();
    EXPECT_EQ(journal, Journal({QStringLiteral("excel.bringToFront"), QStringLiteral("compact.Hide"),
                                QStringLiteral("compact.SetTopmost(0)"), QStringLiteral("full.SetTopmost(1)"),
                                QStringLiteral("full.Show"), QStringLiteral("full.AfterShow")}));
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));

    journal.clear();
    m->ShowCompactWindow();
    EXPECT_EQ(journal, Journal({QStringLiteral("excel.bringToFront"), QStringLiteral("full.Hide"),
                                QStringLiteral("full.SetTopmost(0)"), QStringLiteral("compact.SetTopmost(1)"),
                                QStringLiteral("compact.Show")}));
    EXPECT_TRUE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
}

TEST_F(QuestionsTest, TheTopOfTheVisibleWindow) {
    factory.compact->topTwips = 300;
    factory.full->topTwips = 1200;
    EXPECT_EQ(m->GetTopPropertyOfVisibleForm(), 300);
    m->setWatcherShown(true);
    EXPECT_EQ(m->GetTopPropertyOfVisibleForm(), 1200);
    EXPECT_NE(m->WatcherProcessID(), 0);
}

TEST_F(QuestionsTest, TheModalDisplayDisablesExcelMeanwhileAndEndsTheRun) {
    factory.compact->visible = true;
    bool modalFlagDuringDisplay = false;
    factory.full->hooks[QStringLiteral("ShowModal")] = [&] { modalFlagDuringDisplay = ProcessState::modalDialogUp(); };
    startLogging();

    m->ShowWatcherModally();

    EXPECT_TRUE(modalFlagDuringDisplay);
    EXPECT_FALSE(ProcessState::modalDialogUp());
    const Journal expected = {QStringLiteral("compact.Hide"),
                              QStringLiteral("excel.displayAlerts"),
                              QStringLiteral("excel.setDisplayAlerts(0)"),
                              QStringLiteral("excel.setWindowEnabled(0)"),
                              QStringLiteral("full.ShowModal"),
                              QStringLiteral("excel.setWindowEnabled(1)"),
                              QStringLiteral("excel.bringToFront")};
    ASSERT_GE(journal.size(), expected.size());
    EXPECT_EQ(Journal(journal.begin(), journal.begin() + expected.size()), expected);
    const auto ties = answers.callsOf(QStringLiteral("tieToOwner"));
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(ties.front().window, ol::WindowRef::host(9001));
    EXPECT_EQ(ties.front().other, ol::WindowRef::host(4711));
    // Dispose ran: the windows are gone and the run is over.
    EXPECT_EQ(m->fullWindow(), nullptr);
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_TRUE(logged(QStringLiteral("ShowWatcherModally, m_FormProgressSmall.Visible: True")));
    EXPECT_TRUE(logged(QStringLiteral("ShowWatcherModally, about to hide small progress form.")));
    EXPECT_TRUE(logged(QStringLiteral("ShowWatcherModally, after hide command, m_FormProgressSmall.Visible: False")));
}

TEST_F(QuestionsTest, TheModalDisplayOfAVisibleWatcherLeavesTheCompactWindowAlone) {
    m->setWatcherShown(true);
    connector.excelHost->failDisplayAlerts = true;
    m->ShowWatcherModally();
    const auto modal = std::find(journal.begin(), journal.end(), QStringLiteral("full.ShowModal"));
    ASSERT_NE(modal, journal.end()) << "a failing host does not stop the display";
    for (auto it = journal.begin(); it != modal; ++it)
        EXPECT_FALSE(it->startsWith(QStringLiteral("compact."))) << it->toStdString();
    EXPECT_FALSE(ProcessState::modalDialogUp());
}

TEST_F(ModalDialogChangesTest, NestedDisplaysRestoreTheFlagInReverseOrder) {
    auto host = connector.excelHost;
    ModalDialogChanges outer;
    ModalDialogChanges inner;
    outer.Initialize(host, 4711, ol::WindowRef::host(1));
    EXPECT_TRUE(ProcessState::modalDialogUp());
    EXPECT_FALSE(host->enabled);
    inner.Initialize(host, 4711, ol::WindowRef::host(2));
    inner.Restore();
    EXPECT_TRUE(ProcessState::modalDialogUp());
    // The inner display found the window disabled, so it left it so.
    EXPECT_FALSE(host->enabled);
    outer.Restore();
    EXPECT_FALSE(ProcessState::modalDialogUp());
    EXPECT_TRUE(host->enabled);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), QStringLiteral("excel.setWindowEnabled(1)")), 1);
    EXPECT_EQ(std::count(journal.begin(), journal.end(), QStringLiteral("excel.bringToFront")), 2);
}

TEST_F(ModalDialogChangesTest, WhatWasAlreadySoIsNotWritten) {
    auto host = connector.excelHost;
    host->alerts = false;
    host->enabled = false;
    ModalDialogChanges changes;
    changes.Initialize(host, 4711);
    changes.Restore();
    EXPECT_EQ(journal, Journal({QStringLiteral("excel.displayAlerts"), QStringLiteral("excel.bringToFront")}));
    EXPECT_FALSE(host->enabled);
    // No dialog given: the window service is not asked to tie anything.
    EXPECT_TRUE(answers.callsOf(QStringLiteral("tieToOwner")).empty());
}

TEST_F(ModalDialogChangesTest, AlertsAreTurnedOffAndStayOffAndHostFailuresReachTheCaller) {
    auto host = connector.excelHost;
    ModalDialogChanges changes;
    changes.Initialize(host, 4711, ol::WindowRef::host(3));
    changes.Restore();
    EXPECT_FALSE(host->alerts);

    host->failDisplayAlerts = true;
    ModalDialogChanges failing;
    EXPECT_EQ(raised([&] { failing.Initialize(host, 4711); }).number(), ol::kErrGeneral);
    failing.Restore();
    EXPECT_FALSE(ProcessState::modalDialogUp());
}

TEST_F(QuestionsTest, FrontierChartsAreNotAvailableYet) {
    const manager::ObjectRef chart =
        m->EFGraphChartInExcel(manager::ObjectRef{QStringLiteral(":1.7"), QStringLiteral("/excel")},
                               QStringLiteral("Sheet1!A1"), QStringLiteral("Sheet1!B1:C9"));
    EXPECT_TRUE(chart.isNull());
    const auto shown = answers.callsOf(QStringLiteral("showMessage"));
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown.front().text, QStringLiteral("Efficient-frontier charts are not available yet"));
}
