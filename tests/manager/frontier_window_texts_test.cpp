// The texts and sizes of the efficient-frontier window, over a real log with
// progress steps of some constraining values.
#include <QFile>
#include <QTemporaryDir>

#include "Formatting.h"
#include "FrontierWindowTexts.h"
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "qxlib8.h"

namespace {

class FrontierWindowTextsTest : public managertest::ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m.Initialize();
        engine::TaggedCollection values;
        for (double v : {10.0, 20.0, 30.0, 40.0, 50.0})
            values.add(engine::TaggedValue::fromDouble(v));
        m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(values);
        m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial(values);
        m.setInput_EFNumConstrainingValues(5);
        m.setInput_EFConstraintDisplayFormula_LHSide(QStringLiteral("Risk"));
        m.setInput_EFConstraintOperatorAsString(QStringLiteral("<="));
        m.setInput_LogPath(m_dir.filePath(QStringLiteral("ef.qxlog")));
    }
    void TearDown() override {
        if (m_log != 0)
            QxLogClose(m_log);
        m.Dispose();
        ManagerTest::TearDown();
    }
    // A log of two genes with one trial that is a progress step of
    // constraining value k, for each k given; a later call appends.
    void logStepsOf(std::initializer_list<int32_t> ks) {
        const QByteArray name = QFile::encodeName(m.Input_LogPath());
        if (m_log == 0) {
            ASSERT_EQ(QxLogCreateWVB(name.constData(), 1, 2, 0, nullptr, nullptr, nullptr, &m_log), QX_OK);
        }
        int& trial = m_trials;
        for (int32_t k : ks) {
            ++trial;
            double genes[] = {1.5 * trial, 2.5 * trial};
            QxLogRecord record{};
            record.elapsedMs = trial;
            record.spareValue = 100 + trial;
            record.valueWithPenalties = 100 + trial;
            record.recalcNum = trial;
            record.geneValues = genes;
            record.extra.validTrialCount = trial;
            ASSERT_EQ(QxLogAppendTrialWVB(m_log, &record), QX_OK);
            ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, k, &record), QX_OK);
        }
    }

    QTemporaryDir m_dir;
    manager::WatcherManager m;
    int32_t m_log = 0;
    int m_trials = 0;
};

} // namespace

TEST_F(FrontierWindowTextsTest, LogTypesAreAllTrialsThenOneEntryPerConstrainingValue) {
    const QStringList entries = manager::FrontierLogTypeEntries(m);
    ASSERT_EQ(entries.size(), 6);
    EXPECT_EQ(entries[0], engine::GetResourceString(4066));
    EXPECT_EQ(entries[2], engine::GetResourceString(4067) + QStringLiteral(" Risk <= 20"));
    EXPECT_EQ(manager::FrontierSummaryFirstCaption(m), QStringLiteral("Risk<=X"));
}

TEST_F(FrontierWindowTextsTest, RowsBeforeAStepShowTheValueAndCommonStringOneElseTheSolution) {
    logStepsOf({1, 2});
    const QString none = engine::GetCommonString(1);
    EXPECT_EQ(manager::FrontierSummaryRowText(m, 3, 2),
              QStringList({QStringLiteral("30"), none, none, none, none}).join(u'\t'));

    const QStringList cells = manager::FrontierSummaryRowText(m, 2, 2).split(u'\t');
    ASSERT_GE(cells.size(), 5);
    EXPECT_EQ(cells[0], m.FormatConstrainingValue(20));
    EXPECT_EQ(cells[1], QStringLiteral("2"));
    EXPECT_EQ(cells[2], m.FormatObjectiveValue(102));
    EXPECT_EQ(cells[3], engine::FormatNumberGeneral(3));
    EXPECT_EQ(cells[4], engine::FormatNumberGeneral(5));
    // The row keeps its fixed room, the rest as tabs.
    EXPECT_EQ(manager::FrontierSummaryRowText(m, 2, 2).size(), 5 * 15);

    EXPECT_EQ(manager::FrontierStoppingStatus(m), engine::GetResourceString(4068, 2, 5));
}

TEST_F(FrontierWindowTextsTest, SolutionsReadEachStepOnceAndSeeStepsAddedBetweenReadings) {
    manager::FrontierSolutions solutions;
    // No log yet: every value is read and has nothing.
    EXPECT_EQ(solutions.refresh(m, 5), 5);
    EXPECT_FALSE(solutions.at(1).found());
    EXPECT_NE(solutions.revision(1), 0u);

    logStepsOf({1, 2});
    EXPECT_EQ(solutions.refresh(m, 5), 2);
    EXPECT_EQ(solutions.at(2).best, 102);
    EXPECT_EQ(solutions.at(2).trial, 2);
    EXPECT_FALSE(solutions.at(3).found());
    const uint32_t first = solutions.revision(1), second = solutions.revision(2), third = solutions.revision(3);
    EXPECT_EQ(solutions.refresh(m, 5), 0);
    EXPECT_EQ(solutions.revision(2), second);

    // A later step of value 2 replaces its solution alone.
    logStepsOf({2});
    EXPECT_EQ(solutions.refresh(m, 5), 1);
    EXPECT_EQ(solutions.at(2).best, 103);
    EXPECT_EQ(solutions.at(2).step, 2);
    EXPECT_NE(solutions.revision(2), second);
    EXPECT_EQ(solutions.revision(1), first);
    EXPECT_EQ(solutions.revision(3), third);
    // The row written from it is the row read from the log.
    EXPECT_EQ(manager::FrontierSummaryRowText(m, 2, 2, solutions.at(2)), manager::FrontierSummaryRowText(m, 2, 2));

    solutions.invalidate();
    EXPECT_EQ(solutions.refresh(m, 5), 5);
    EXPECT_EQ(solutions.at(2).best, 103);
    EXPECT_FALSE(solutions.at(0).found());
    EXPECT_FALSE(solutions.at(6).found());
    EXPECT_EQ(solutions.revision(6), 0u);
}

TEST_F(FrontierWindowTextsTest, MissingLogAndIndexesOutsideTheSeriesGiveEmptyRows) {
    const QString none = engine::GetCommonString(1);
    EXPECT_EQ(manager::FrontierSummaryRowText(m, 1, 0), QStringLiteral("10\t") + none + u'\t' + none);
    EXPECT_EQ(manager::FrontierSummaryRowText(m, 99, 0).split(u'\t').size(), 3);
    EXPECT_EQ(manager::FrontierStoppingStatus(m), engine::GetResourceString(4068, 0, 5));
}

TEST(FrontierWindowSizesTest, GeneColumnsClientMinimumGraphSquaresAndHelpTopics) {
    EXPECT_EQ(manager::FrontierGeneColumnCount(1500), 1024);
    EXPECT_EQ(manager::FrontierGeneColumnCount(12), 12);
    EXPECT_EQ(manager::FrontierGeneColumnCount(-1), 0);
    const manager::TwipsSize grown = manager::FrontierClientSize(8000, 5000);
    EXPECT_EQ(grown.width, 9200);
    EXPECT_EQ(grown.height, 6280);
    EXPECT_EQ(manager::FrontierClientSize(12000, 7000).width, 12000);
    // Width-bound and height-bound squares; a tiny tab gives no negative side.
    EXPECT_EQ(manager::FrontierGraphSide(9000, 8000), 4320);
    EXPECT_EQ(manager::FrontierGraphSide(9000, 4000), 2900);
    EXPECT_EQ(manager::FrontierGraphSide(100, 100), 0);
    EXPECT_EQ(manager::FrontierHelpContextForTab(0), 1090);
    EXPECT_EQ(manager::FrontierHelpContextForTab(1), 1080);
    EXPECT_EQ(manager::FrontierHelpContextForTab(2), 1110);
    EXPECT_EQ(manager::FrontierHelpContextForTab(3), 1130);
    EXPECT_EQ(manager::FrontierHelpContextForTab(4), 0);
}
