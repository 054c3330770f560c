// The frontier window's summary and log pages: one summary row per
// constraining value, at most 1,024 gene columns, and a log type per value
// whose choice selects that value's progress steps.
#include <QComboBox>

#include "Formatting.h"
#include "ResourceStrings.h"
#include "page_fixture.h"
#include "pages/FrontierPages.h"

namespace {

class FrontierPagesTest : public pagetest::PageTest {
protected:
    void setSeries(int count, int genes) {
        engine::TaggedCollection values, names;
        for (int i = 1; i <= count; ++i)
            values.add(engine::TaggedValue::fromDouble(10.0 * i));
        for (int g = 1; g <= genes; ++g)
            names.add(engine::TaggedValue::fromString(QStringLiteral("G%1").arg(g)));
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(values);
        m_manager.setInput_EFNumConstrainingValues(count);
        m_manager.setInput_AllGeneNamesCol(names);
        m_manager.setInput_EFConstraintDisplayFormula_LHSide(QStringLiteral("Risk"));
        m_manager.setInput_EFConstraintOperatorAsString(QStringLiteral("<="));
    }
};

} // namespace

TEST_F(FrontierPagesTest, SummaryHasARowPerValueAndCommonStringOneBeforeItsFirstStep) {
    setSeries(5, 2);
    auto* page = new watcher::FrontierSummaryPage(&m_frame);
    page->Initialize(pageContext());
    ASSERT_EQ(page->model().rowCount(), 5);
    ASSERT_EQ(page->model().columnCount(), 5);
    EXPECT_EQ(page->model().headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Risk<=X"));
    EXPECT_EQ(page->model().headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("G1"));
    page->Update(watcher::PageUpdate{});
    EXPECT_EQ(page->model().cellText(2, 0), QStringLiteral("30"));
    for (int c = 1; c < 5; ++c)
        EXPECT_EQ(page->model().cellText(2, c), engine::GetCommonString(1)) << c;
}

TEST_F(FrontierPagesTest, FifteenHundredAdjustableCellsGiveTheGrid1024GeneColumns) {
    setSeries(2, 1500);
    auto* page = new watcher::FrontierSummaryPage(&m_frame);
    page->Initialize(pageContext());
    EXPECT_EQ(page->numGenesInTable(), 1024);
    EXPECT_EQ(page->model().columnCount(), 1027);
}

TEST_F(FrontierPagesTest, LogTypesOnePerValueAndTheThirdSelectsTheSecondValuesSteps) {
    setSeries(5, 1);
    auto* page = new watcher::FrontierLogPage(&m_frame);
    page->Initialize(pageContext());
    QComboBox* combo = page->comboLogType();
    ASSERT_EQ(combo->count(), 6);
    EXPECT_EQ(combo->itemText(0), engine::GetResourceString(4066));
    EXPECT_EQ(combo->itemText(5), engine::GetResourceString(4067) + QStringLiteral(" Risk <= 50"));
    EXPECT_EQ(m_manager.IDForQxLogReadRecordVB(), 0);
    combo->setCurrentIndex(2);
    EXPECT_EQ(m_manager.IDForQxLogReadRecordVB(), 2);
}
