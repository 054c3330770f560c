// Questions, switching between the two windows, the modal display at the
// end of a run and the changes made around it.
#include <QFile>

#include "FrontierGraph.h"
#include "ManagerTestSupport.h"
#include "ModalDialogChanges.h"
#include "ProcessState.h"

using namespace managertest;
using namespace Qt::StringLiterals;
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
        m.reset();
        ManagerTest::TearDown();
    }
    std::unique_ptr<WatcherManager> m;
};

using ModalDialogChangesTest = ManagerTest;

} // namespace

TEST_F(QuestionsTest, WithAlertsOffSuppressibleQuestionsGiveTheDefaultUnasked) {
    m->setInput_DisplayAlerts(false);
    EXPECT_TRUE(m->DisplayYesNoQuery(u"q"_s, true, true));
    EXPECT_FALSE(m->DisplayYesNoQuery(u"q"_s, true, false));
    EXPECT_TRUE(m->DisplayYesNoQueryWithHelp(u"q"_s, QString(), 5, true, true));
    m->DisplayMessage(u"m"_s, true);
    EXPECT_TRUE(answers.calls().empty());
    // Not suppressible: asked (and, with no answer scripted, the box fails).
    EXPECT_EQ(raised([&] { m->DisplayYesNoQueryWithHelp(u"q"_s, QString(), 5); }).number(), ol::kErrGeneral);
    m->DisplayMessage(u"m"_s, false);
    EXPECT_EQ(answers.calls().back().title, u"Selvane"_s);
}

TEST_F(QuestionsTest, HelpOpensTheHelpFileAndAsksAgain) {
    const QString help = logDir.filePath(u"help.html"_s);
    m->setInput_MainHelpFilePath(help);
    answers.queueHelpQuestionButton(0); // the help file does not exist yet: nothing opens
    answers.queueHelpQuestionButton(0);
    answers.queueHelpQuestionButton(1);
    bool firstAsked = false;
    boxes.beforeAnswer = [&] {
        if (!std::exchange(firstAsked, true))
            QFile(help).open(QIODevice::WriteOnly);
    };
    EXPECT_TRUE(m->DisplayYesNoQueryWithHelp(u"Use it?"_s, u"/other/file.html"_s, 1200));
    EXPECT_EQ(asked(u"askWithHelp"_s), QStringList(3, u"Use it?"_s));
    const auto opened = answers.callsOf(u"showHelp"_s);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened.front().text, help);
    EXPECT_EQ(opened.front().number, 1200);
    EXPECT_TRUE(answers.callsOf(u"showMessage"_s).empty());

    answers.queueHelpQuestionButton(2);
    EXPECT_FALSE(m->DisplayYesNoQueryWithHelp(u"Use it?"_s, QString(), 1200));
    answers.queueHelpQuestionButton(ol::kNoButton);
    EXPECT_FALSE(m->DisplayYesNoQueryWithHelp(u"Use it?"_s, QString(), 1200));
}

TEST_F(QuestionsTest, TheModalDisplayDisablesExcelMeanwhileAndEndsTheRun) {
    factory.compact->visible = true;
    bool modalFlagMeanwhile = false;
    factory.full->hooks[u"ShowModal"_s] = [&] { modalFlagMeanwhile = ProcessState::modalDialogUp(); };
    startLogging();
    m->ShowWatcherModally();
    EXPECT_TRUE(modalFlagMeanwhile);
    EXPECT_FALSE(ProcessState::modalDialogUp());
    EXPECT_EQ(journal.mid(0, 7), Journal({u"compact.Hide"_s, u"excel.displayAlerts"_s, u"excel.setDisplayAlerts(0)"_s,
                                          u"excel.setWindowEnabled(0)"_s, u"full.ShowModal"_s,
                                          u"excel.setWindowEnabled(1)"_s, u"excel.bringToFront"_s}));
    const auto ties = answers.callsOf(u"tieToOwner"_s);
    ASSERT_EQ(ties.size(), 1u);
    EXPECT_EQ(ties.front().window, ol::WindowRef::host(9001));
    EXPECT_EQ(ties.front().other, ol::WindowRef::host(4711));
    EXPECT_EQ(m->fullWindow(), nullptr); // disposed
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
    EXPECT_TRUE(logged(u"ShowWatcherModally, after hide command, m_FormProgressSmall.Visible: False"_s));
}

TEST_F(QuestionsTest, ADisposeDuringTheModalDisplayWaitsForItsEnd) {
    m->setWatcherShown(true);
    bool windowKept = false;
    factory.full->hooks[u"ShowModal"_s] = [&] {
        m->Dispose();
        windowKept = m->fullWindow() != nullptr;
    };
    m->ShowWatcherModally();
    EXPECT_TRUE(windowKept);
    EXPECT_EQ(journal.filter(u"full."_s),
              Journal({u"full.ShowModal"_s, u"full.Hide"_s, u"full.Hide"_s, u"full.Unload"_s, u"full.Dispose"_s}));
    EXPECT_FALSE(ProcessState::optimizationUnderWay());
}

TEST_F(QuestionsTest, TheModalDisplayOfAVisibleWatcherLeavesTheCompactWindowAlone) {
    m->setWatcherShown(true);
    connector.host->failDisplayAlerts = true; // nor does a silent host stop the display
    m->ShowWatcherModally();
    const qsizetype modal = journal.indexOf(u"full.ShowModal"_s);
    ASSERT_GE(modal, 0);
    EXPECT_TRUE(journal.mid(0, modal).filter(u"compact."_s).isEmpty());
    EXPECT_FALSE(ProcessState::modalDialogUp());
}

TEST_F(ModalDialogChangesTest, NestedDisplaysRestoreInReverseOrder) {
    const auto host = connector.host;
    ModalDialogChanges outer;
    ModalDialogChanges inner;
    outer.Initialize(host, 4711, ol::WindowRef::host(1));
    inner.Initialize(host, 4711, ol::WindowRef::host(2));
    inner.Restore();
    EXPECT_TRUE(ProcessState::modalDialogUp());
    EXPECT_FALSE(host->enabled); // the inner display found it disabled
    outer.Restore();
    EXPECT_FALSE(ProcessState::modalDialogUp());
    EXPECT_TRUE(host->enabled);
    EXPECT_FALSE(host->alerts); // alerts stay off
    EXPECT_EQ(journal.count(u"excel.setWindowEnabled(1)"_s), 1);
}

TEST_F(ModalDialogChangesTest, WhatWasAlreadySoIsNotWritten) {
    const auto host = connector.host;
    host->alerts = false;
    host->enabled = false;
    ModalDialogChanges changes;
    changes.Initialize(host, 4711); // no dialog: nothing to tie
    changes.Restore();
    EXPECT_EQ(journal, Journal({u"excel.displayAlerts"_s, u"excel.bringToFront"_s}));
    EXPECT_TRUE(answers.callsOf(u"tieToOwner"_s).empty());

    host->failDisplayAlerts = true;
    ModalDialogChanges failing;
    EXPECT_EQ(raised([&] { failing.Initialize(host, 4711); }).number(), ol::kErrGeneral);
    failing.Restore();
    EXPECT_FALSE(ProcessState::modalDialogUp());
}

namespace {

// The frontier graph a frontier window would publish: one curve, recording
// the colour it is given before its data are read.
class PublishedGraph : public manager::FrontierGraph {
public:
    PublishedGraph() { manager::publishFrontierGraph(this); }
    ~PublishedGraph() override { manager::publishFrontierGraph(nullptr); }
    PublishedGraph(const PublishedGraph&) = delete;
    PublishedGraph& operator=(const PublishedGraph&) = delete;
    void SetFirstItemColor(uint32_t color) override { m_color = color; }
    manager::FrontierChart ChartData() const override {
        manager::FrontierChart chart;
        chart.title = u"Efficient frontier"_s;
        chart.series.push_back({QString(), {6, 8, 10}, {1.5, 2.5, 3.0}, m_color});
        return chart;
    }

private:
    uint32_t m_color = 0x123456;
};

const manager::ObjectRef kExcel{u":1.7"_s, u"/excel"_s};

} // namespace

TEST_F(QuestionsTest, TheFrontierChartIsTheRedFirstCurveOfThePublishedGraph) {
    const PublishedGraph graph;
    const manager::ObjectRef chart = m->EFGraphChartInExcel(kExcel, u"E2:L20"_s, u"A1:B4"_s);
    EXPECT_EQ(chart, (manager::ObjectRef{u":1.7"_s, u"/charts/1"_s}));
    ASSERT_EQ(connector.host->charts.size(), 1u);
    const auto& request = connector.host->charts[0];
    EXPECT_EQ(request.placementRange, u"E2:L20"_s);
    EXPECT_EQ(request.dataRange, u"A1:B4"_s);
    ASSERT_EQ(request.chart.series.size(), 1u);
    EXPECT_EQ(request.chart.series[0].color, 0xFF0000u);
    EXPECT_EQ(request.chart.series[0].x, (std::vector<double>{6, 8, 10}));
    EXPECT_TRUE(answers.calls().empty());
}

TEST_F(QuestionsTest, AFrontierChartThatCannotBeMadeShowsWhyAndReturnsNothing) {
    // No frontier window, so no graph: the host is not asked.
    EXPECT_TRUE(m->EFGraphChartInExcel(kExcel, u"E2:L20"_s, u"A1:B4"_s).isNull());
    EXPECT_EQ(asked(u"showMessage"_s),
              QStringList{u"There is no efficient-frontier graph to place in the workbook."_s});
    EXPECT_TRUE(connector.host->charts.empty());

    // A graph, but a host that fails: its text is shown.
    const PublishedGraph graph;
    connector.host->chartFailure = u"The workbook cannot be written."_s;
    EXPECT_TRUE(m->EFGraphChartInExcel(kExcel, u"E2:L20"_s, u"A1:B4"_s).isNull());
    EXPECT_EQ(asked(u"showMessage"_s).last(), u"The workbook cannot be written."_s);

    // No host object given.
    connector.host->chartFailure.clear();
    EXPECT_TRUE(m->EFGraphChartInExcel(manager::ObjectRef(), u"E2:L20"_s, u"A1:B4"_s).isNull());
    EXPECT_EQ(asked(u"showMessage"_s).last(), u"The host's application object is not available."_s);
}

TEST_F(QuestionsTest, HelpThatCannotBeShownSaysWhy) {
    // No file given, a file that cannot be found, a file the browser does
    // not open: each is said in its own words; an opened topic says nothing.
    m->setInput_MainHelpFilePath(QString());
    m->ShowHelp(1090);
    const QString missing = logDir.filePath(u"gone/watcher.html"_s);
    m->setInput_MainHelpFilePath(missing);
    m->ShowHelp(1090);
    const QString help = logDir.filePath(u"watcher.html"_s);
    QFile(help).open(QIODevice::WriteOnly);
    m->setInput_MainHelpFilePath(help);
    answers.setHelpResult(false);
    m->ShowHelp(1110);
    answers.setHelpResult(true);
    m->ShowHelp(1110);

    const auto said = answers.callsOf(u"showMessage"_s);
    ASSERT_EQ(said.size(), 3u);
    EXPECT_FALSE(said[0].text.isEmpty());
    EXPECT_TRUE(said[1].text.contains(missing));
    EXPECT_TRUE(said[2].text.contains(help));
    EXPECT_NE(said[1].text, said[2].text);
    for (const auto& call : said) {
        EXPECT_EQ(call.title, u"Selvane"_s);
        EXPECT_EQ(call.number, static_cast<qint64>(ol::MessageKind::Warning));
    }
    EXPECT_EQ(answers.callsOf(u"showHelp"_s).size(), 2u);
}
