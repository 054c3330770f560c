// Which constraining values get progress curves, the frontier points and how
// the frontier window's axes are set from the run's inputs.
#include <gtest/gtest.h>

#include "FrontierCurves.h"
#include "ManagerTestSupport.h"
#include "ResourceStrings.h"
#include "TaggedCollection.h"
#include "WatcherManager.h"
#include "ol/SpecialValues.h"

using manager::FrontierCurve;
using manager::FrontierCurveKeys;
using manager::FrontierStepCurve;
using manager::FrontierXRange;

namespace {

engine::TaggedCollection doubles(std::initializer_list<double> values) {
    engine::TaggedCollection c;
    for (double v : values)
        c.add(engine::TaggedValue::fromDouble(v));
    return c;
}

// The manager's Initialize starts the resource server the titles come from.
class FrontierAxesTest : public managertest::ManagerTest {
protected:
    void SetUp() override {
        ManagerTest::SetUp();
        m.Initialize();
    }
    void TearDown() override {
        m.Dispose();
        ManagerTest::TearDown();
    }
    manager::WatcherManager m;
};

} // namespace

TEST(FrontierCurveKeysTest, ShortSeriesDrawEveryValueLongOnesTenSpreadEvenly) {
    EXPECT_TRUE(FrontierCurveKeys(0).empty());
    EXPECT_TRUE(FrontierCurveKeys(-3).empty());
    EXPECT_EQ(FrontierCurveKeys(3), (std::vector<int32_t>{1, 2, 3}));
    EXPECT_EQ(FrontierCurveKeys(10), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}));
    EXPECT_EQ(FrontierCurveKeys(25), (std::vector<int32_t>{1, 3, 6, 9, 11, 14, 17, 19, 22, 25}));
    EXPECT_EQ(FrontierCurveKeys(11), (std::vector<int32_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 11}));
    // Whatever the length, ten distinct keys in increasing order.
    for (int32_t n : {11, 12, 19, 50, 1000}) {
        const std::vector<int32_t> keys = FrontierCurveKeys(n);
        ASSERT_EQ(keys.size(), 10u) << n;
        EXPECT_EQ(keys.front(), 1);
        EXPECT_EQ(keys.back(), n);
        EXPECT_TRUE(std::adjacent_find(keys.begin(), keys.end(), std::greater_equal<>()) == keys.end()) << n;
    }
}

TEST(FrontierCurveTest, FallingSeriesIsShownWithXGrowingAndTheRangeFromSmallestToLargest) {
    const manager::FrontierPoints points = FrontierCurve({10, 8, 6}, {1, 2, 3}, 1, 0);
    EXPECT_EQ(points.x, (std::vector<double>{6, 8, 10}));
    EXPECT_EQ(points.y, (std::vector<double>{3, 2, 1}));
    EXPECT_EQ(FrontierXRange(10, 6).minimum, 6);
    EXPECT_EQ(FrontierXRange(10, 6).maximum, 10);
    EXPECT_EQ(FrontierXRange(6, 10).minimum, 6);
    const manager::FrontierPoints rising = FrontierCurve({6, 8, 10}, {3, 2, 1}, 1, 0);
    EXPECT_EQ(rising.x, (std::vector<double>{6, 8, 10}));
}

TEST(FrontierCurveTest, TargetGoalPlotsTheDistanceAndValuesWithoutBestHaveNoPoint) {
    EXPECT_EQ(FrontierCurve({1}, {97}, 3, 100).y, (std::vector<double>{3}));
    EXPECT_EQ(FrontierCurve({1}, {104}, 3, 100).y, (std::vector<double>{4}));
    EXPECT_EQ(FrontierCurve({1}, {97}, 2, 100).y, (std::vector<double>{97}));
    const manager::FrontierPoints some = FrontierCurve({1, 2, 3}, {5, ol::kNoValue, 7}, 1, 0);
    EXPECT_EQ(some.x, (std::vector<double>{1, 3}));
    EXPECT_EQ(FrontierCurve({1, 2}, {ol::kNoValue, ol::kNoValue}, 1, 0).count(), 0);
    // Lists of different lengths take the shorter one.
    EXPECT_EQ(FrontierCurve({1, 2, 3}, {4}, 1, 0).count(), 1);
    EXPECT_EQ(FrontierCurve({}, {}, 1, 0).count(), 0);
}

TEST(FrontierStepCurveTest, GrowsOnlyWhenTheBestChangesAndStaysFlatUntilTheJump) {
    FrontierStepCurve curve;
    EXPECT_FALSE(curve.see(5, ol::kNoValue));
    EXPECT_TRUE(curve.isEmpty());
    EXPECT_TRUE(curve.see(5, 10));
    EXPECT_FALSE(curve.see(8, 10));
    EXPECT_TRUE(curve.see(12, 14));
    EXPECT_EQ(curve.points().x, (std::vector<double>{5, 12, 12}));
    EXPECT_EQ(curve.points().y, (std::vector<double>{10, 10, 14}));
    EXPECT_EQ(curve.lastSeen(), 14);

    manager::FrontierPoints shown;
    curve.withFinalPoint(30, 14, shown);
    EXPECT_EQ(shown.x.back(), 30);
    EXPECT_EQ(shown.count(), 4);
    // A failed reading keeps the last value instead of plunging the curve.
    curve.withFinalPoint(31, ol::kNoValue, shown);
    EXPECT_EQ(shown.y.back(), 14);
}

TEST_F(FrontierAxesTest, DatesFormatsTitlesAndRangeComeFromTheInputs) {
    m.setInput_TargetCellValuesTreatedAsDates(true);
    m.setInput_TargetCellNumberFormat_ShortIfDate_ForcedEnglish(QStringLiteral("m/d/yyyy"));
    m.setInput_EFConstrainedCellValuesTreatedAsDate(false);
    m.setInput_EFConstrainedCellNumberFormat_ShortIfDate_ForcedEnglish(QStringLiteral("0.00"));
    m.setInput_EFConstraintFormula(QStringLiteral("=B4"));
    m.setInput_OptimizationObjectiveStr(QStringLiteral("Profit"));
    m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(doubles({10, 8, 6}));
    m.setInput_RuntimeGoalType(1);
    manager::FrontierAxes axes = manager::FrontierAxesOf(m);
    EXPECT_TRUE(axes.valueAxisDates);
    EXPECT_EQ(axes.valueAxisFormat, QStringLiteral("m/d/yyyy"));
    EXPECT_FALSE(axes.constrainingAxisDates);
    EXPECT_EQ(axes.constrainingAxisFormat, QStringLiteral("0.00"));
    EXPECT_EQ(axes.constrainingAxisTitle, QStringLiteral("=B4"));
    EXPECT_EQ(axes.valueAxisTitle, QStringLiteral("Profit"));
    EXPECT_EQ(axes.frontierTitle, engine::GetResourceString(4064));
    EXPECT_EQ(axes.xRange.minimum, 6);
    EXPECT_EQ(axes.xRange.maximum, 10);

    m.setInput_RuntimeGoalType(3);
    m.setInput_TargetCellValuesTreatedAsDates(false);
    m.setInput_EFConstrainedCellValuesTreatedAsDate(true);
    axes = manager::FrontierAxesOf(m);
    EXPECT_FALSE(axes.valueAxisDates);
    EXPECT_TRUE(axes.constrainingAxisDates);
    EXPECT_EQ(axes.frontierTitle,
              engine::GetResourceString(4064) + QStringLiteral("\r\n(") + engine::GetResourceString(4065) + u')');

    // No constraining values: no range, nothing raised.
    m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(engine::TaggedCollection());
    EXPECT_EQ(manager::FrontierAxesOf(m).xRange.maximum, 0);
}

TEST_F(FrontierAxesTest, LegendsUseTheAddinsTextUnlessDatesGeneralOrMissing) {
    m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(doubles({0.25, 0.5}));
    engine::TaggedCollection formatted;
    formatted.add(engine::TaggedValue::fromString(QStringLiteral("25%")));
    m.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final_Formatted(formatted);
    m.setInput_EFConstrainedCellNumberFormat_ShortIfDate(QStringLiteral("0%"));
    EXPECT_EQ(manager::FrontierCurveLegend(m, 1), QStringLiteral("25%"));
    EXPECT_EQ(manager::FrontierCurveLegend(m, 2), m.FormatConstrainingValue(0.5));
    m.setInput_EFConstrainedCellNumberFormat_ShortIfDate(QStringLiteral("GENERAL"));
    EXPECT_EQ(manager::FrontierCurveLegend(m, 1), m.FormatConstrainingValue(0.25));
}
