// The summary page: the grid's columns (shared with the population grid),
// the three solution rows and their formats, and the row positions.
#include <QTableView>

#include "Formatting.h"
#include "LogReaders.h"
#include "ResourceStrings.h"
#include "engine/EngineTestEnv.h"
#include "page_fixture.h"
#include "pages/PopulationPage.h"
#include "pages/SummaryPage.h"

namespace {

using pagetest::PageTest;
using pagetest::RunLog;
using watcher::SummaryPage;

engine::TaggedCollection geneNames(int n) {
    engine::TaggedCollection names;
    for (int i = 1; i <= n; ++i)
        names.add(engine::TaggedValue::fromString(QStringLiteral("Cell%1").arg(i)));
    return names;
}

engine::TaggedCollection flags(std::initializer_list<bool> list) {
    engine::TaggedCollection out;
    for (bool b : list)
        out.add(engine::TaggedValue::fromBool(b));
    return out;
}

class SummaryPageTest : public PageTest {
protected:
    SummaryPage& page() {
        if (m_page == nullptr) {
            m_page = new SummaryPage(&m_frame);
            m_page->Initialize(pageContext());
        }
        return *m_page;
    }
    QString cell(int32_t which, int column) {
        return page().model().cellText(SummaryPage::SummaryTableRowPosition(which) - 1, column);
    }
    QStringList row(int32_t which) {
        return page().model().rowText(SummaryPage::SummaryTableRowPosition(which) - 1).split(u'\t');
    }

    SummaryPage* m_page = nullptr;
};

TEST_F(SummaryPageTest, ColumnsAreNameTrialValueAndOnePerAdjustableCellUpTo1024) {
    m_manager.setInput_AllGeneNamesCol(geneNames(1500));
    const auto& model = page().model();
    EXPECT_EQ(page().numGenesInTable(), 1024);
    ASSERT_EQ(model.columnCount(), 3 + 1024);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QString());
    EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), engine::GetResourceString(4046));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), engine::GetResourceString(4047));
    EXPECT_EQ(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Cell1"));
    EXPECT_EQ(model.headerData(1026, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Cell1024"));
    EXPECT_EQ(model.rowCount(), 3);

    // The values follow the columns: the 1024th cell's value is the last one
    // shown, the 1025th is not.
    RunLog log(logPath(), 1500);
    log.trial(7.0, true);
    page().SummaryTab_Update();
    const QStringList last = row(engine::kWhichLast);
    ASSERT_EQ(last.size(), 1027);
    EXPECT_EQ(last[1026], engine::FormatNumberGeneral(1 + 0.5 * 1023));
    EXPECT_EQ(model.cellText(2, 1026), last[1026]);
    EXPECT_EQ(model.cellText(2, 1027), QString());
}

TEST_F(SummaryPageTest, WithoutGeneNamesOnlyTheFixedColumnsAreBuilt) {
    page();
    EXPECT_EQ(page().numGenesInTable(), 0);
    EXPECT_EQ(page().model().columnCount(), 3);
    RunLog log(logPath(), 2);
    log.trial(4.0, true);
    page().SummaryTab_Update();
    EXPECT_EQ(row(engine::kWhichOriginal).size(), 3);
}

TEST_F(SummaryPageTest, TheBestRowStaysEmptyBeforeTheFirstProgressStep) {
    m_manager.setInput_AllGeneNamesCol(geneNames(2));
    RunLog log(logPath(), 2);
    log.trial(3.0);
    log.trial(4.0);
    page().SummaryTab_Update();
    EXPECT_EQ(page().model().rowText(0), QString());
    EXPECT_EQ(row(engine::kWhichOriginal),
              QStringList({engine::GetResourceString(4304), QStringLiteral("1"), QStringLiteral("3"),
                           QStringLiteral("1"), QStringLiteral("1.5000")}));
    EXPECT_EQ(row(engine::kWhichLast),
              QStringList({engine::GetResourceString(4305), QStringLiteral("2"), QStringLiteral("4"),
                           QStringLiteral("2"), QStringLiteral("2.5000")}));

    // The first step fills the best row with that step's trial.
    log.trial(9.0, true);
    log.trial(1.0);
    page().SummaryTab_Update();
    EXPECT_EQ(row(engine::kWhichBest),
              QStringList({engine::GetResourceString(4303), QStringLiteral("3"), QStringLiteral("9"),
                           QStringLiteral("3"), QStringLiteral("3.5000")}));
    EXPECT_EQ(cell(engine::kWhichLast, 1), QStringLiteral("4"));
}

TEST_F(SummaryPageTest, ADateFlaggedCellShowsADateBetweenPlainNumbers) {
    m_manager.setInput_AllGeneNamesCol(geneNames(3));
    m_manager.setInput_AdjustableCellsFormatAsDateCol(flags({false, true, false}));
    RunLog log(logPath(), 3);
    log.trial(1.0, true, {0.25, 43831.0, 12.0});
    page().SummaryTab_Update();
    EXPECT_EQ(cell(engine::kWhichBest, 3), QStringLiteral("0.2500"));
    EXPECT_EQ(cell(engine::kWhichBest, 4), engine::FormatValueForDisplay(43831.0, true, false));
    EXPECT_EQ(cell(engine::kWhichBest, 4), QStringLiteral("1/1/2020"));
    EXPECT_EQ(cell(engine::kWhichBest, 5), QStringLiteral("12"));
}

TEST_F(SummaryPageTest, TheObjectiveTakesTheTargetCellsFormatOrGeneralForTheConstraintSolver) {
    m_manager.setInput_TargetCellNumberFormat(QStringLiteral("0.00%"));
    RunLog log(logPath(), 1);
    log.trial(0.1234, true);
    page().SummaryTab_Update();
    EXPECT_EQ(cell(engine::kWhichBest, 2), QStringLiteral("12.34%"));

    m_manager.setInput_ConstraintSolverMode(true);
    page().SummaryTab_Update();
    EXPECT_EQ(cell(engine::kWhichBest, 2), QStringLiteral("0.1234"));
}

TEST_F(SummaryPageTest, GridInitializeWritesItsLogLinesWithTheGeneCount) {
    m_logs.startLogging();
    page();
    const QStringList lines = m_logs.logMessages();
    const QStringList expected = {
        QStringLiteral("WATCHER: GridInitialize, before adding columns"),
        QStringLiteral("WATCHER: GridInitialize, before calculating numGenesInTable"),
        QStringLiteral("WATCHER: GridInitialize, m_Manager.Input_AllGeneNamesCol Is Nothing"),
        QStringLiteral("WATCHER: GridInitialize, after calculating numGenesInTable, =0"),
        QStringLiteral("WATCHER: GridInitialize, about to loop over variables to add columns"),
        QStringLiteral("WATCHER: GridInitialize, after adding columns"),
        QStringLiteral("WATCHER: GridInitialize Me.SGGridSummary, False returned")};
    const qsizetype first = lines.indexOf(expected.first());
    ASSERT_GE(first, 0) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines.mid(first, expected.size()), expected);
}

TEST_F(SummaryPageTest, RowPositionsOfTheThreeSolutionsAndTheErrorForAnyOther) {
    EXPECT_EQ(SummaryPage::SummaryTableRowPosition(-1), 1);
    EXPECT_EQ(SummaryPage::SummaryTableRowPosition(-2), 2);
    EXPECT_EQ(SummaryPage::SummaryTableRowPosition(-5), 3);
    for (int32_t which : {0, -3, -4, 1}) {
        const ol::OLError error = enginetest::raised([&] { SummaryPage::SummaryTableRowPosition(which); });
        EXPECT_EQ(error.number(), ol::kErrInvalidArgument) << which;
        EXPECT_EQ(error.source(), QStringLiteral("SummaryTableRowPosition"));
        EXPECT_EQ(error.description(), QStringLiteral("WhichSolution"));
    }
}

TEST_F(SummaryPageTest, ThePopulationGridSharesTheColumnsWithANarrowNameColumn) {
    m_manager.setInput_AllGeneNamesCol(geneNames(4));
    m_manager.setInput_PopulationSize(600);
    auto* population = new watcher::PopulationPage(&m_frame);
    population->Initialize(pageContext());
    page();
    EXPECT_EQ(population->model()->columnCount(), page().model().columnCount());
    EXPECT_EQ(population->model()->rowCount(), 512);
    EXPECT_LT(population->grid()->columnWidth(0), page().grid()->columnWidth(0));
    EXPECT_EQ(population->grid()->columnWidth(1), page().grid()->columnWidth(1));
}

TEST_F(SummaryPageTest, TheWindowRefreshesTheSummaryWhicheverPageIsShown) {
    RunLog log(logPath(), 2);
    log.trial(5.0, true);
    form->InitializeAfterFirstTrial(500, 100);
    auto* tabs = child<QTabWidget>("TabMain");
    ASSERT_EQ(tabs->currentIndex(), watcher::FormProgress::TabProgress);
    log.trial(8.0);
    form->Update(false, false);
    EXPECT_EQ(form->summaryPage()->model().cellText(2, 1), QStringLiteral("2"));
    EXPECT_EQ(form->summaryPage()->model().cellText(2, 2), QStringLiteral("8"));
}

} // namespace
