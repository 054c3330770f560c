// The colour graph's cells: range-scaled colours for genes with a numeric
// range, ranked colours for the others, and the limits of the table.
#include <gtest/gtest.h>

#include "../engine/EngineTestEnv.h"
#include "PopulationColorTable.h"
#include "ScriptedPopulation.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using manager::PopulationColorTable;
using pageviewstest::ScriptedPopulation;

constexpr int32_t kRecipe = 1;
constexpr int32_t kOrder = 2;
constexpr int32_t kBudget = 5;

TEST(PopulationColors, LargePopulationsAndModelsAreCutTo256By256) {
    ScriptedPopulation pop(600, {100, 200});
    for (int org = 1; org <= 600; ++org)
        pop.value(2, org, 156) = 100; // gene row 256: the last one shown
    PopulationColorTable table;
    table.initialize(600, 300);
    EXPECT_EQ(table.organismCount(), 256);
    EXPECT_EQ(table.geneCount(), 256);
    ASSERT_TRUE(table.update(pop, {kRecipe, kRecipe}));
    // Only the cells shown are read: 256 organisms of 256 genes.
    EXPECT_EQ(pop.valueReads, 256 * 256);
    EXPECT_EQ(table.colorIndex(256, 256), 15);
    EXPECT_EQ(table.colorIndex(1, 255), 0);
    EXPECT_EQ(table.colorIndex(257, 1), 0); // outside the table

    table.initialize(-3, 10);
    EXPECT_EQ(table.organismCount(), 0);
    EXPECT_TRUE(table.update(pop, {kRecipe, kRecipe}));
}

TEST(PopulationColors, RangeGenesAreScaledIntoSixteenBandsWithTheMaximumInTheTopOne) {
    ScriptedPopulation pop(6, {2, 1});
    pop.setRange(1, 1, 10, 20);
    const double values[] = {10, 20, 15, 10.625, 25, 0}; // min, max, middle, second band, above, below
    for (int org = 1; org <= 6; ++org)
        pop.value(1, org, 1) = values[org - 1];
    pop.setRange(1, 2, 5, 5); // a single value: nothing to tell apart
    pop.value(1, 1, 2) = 5;
    pop.setRange(2, 1, -1, 1); // budget genes are range-scaled too
    pop.value(2, 1, 1) = 0.99;
    PopulationColorTable table;
    table.initialize(6, 3);
    ASSERT_TRUE(table.update(pop, {kRecipe, kBudget}));
    EXPECT_EQ(table.colorIndex(1, 1), 0);
    EXPECT_EQ(table.colorIndex(2, 1), 15);
    EXPECT_EQ(table.colorIndex(3, 1), 8);
    EXPECT_EQ(table.colorIndex(4, 1), 1);
    EXPECT_EQ(table.colorIndex(5, 1), 15);
    EXPECT_EQ(table.colorIndex(6, 1), 0);
    EXPECT_EQ(table.colorIndex(1, 2), 0);
    EXPECT_EQ(table.colorIndex(1, 3), 15);
}

TEST(PopulationColors, OtherGenesAreColouredByRankEqualValuesAlike) {
    ScriptedPopulation pop(4, {2});
    // Gene 1: 7, 3, 7, 9 -> ranks among {3, 7, 9, 40, 50}: 2, 1, 2, 3.
    const double gene1[] = {7, 3, 7, 9};
    const double gene2[] = {50, 40, 50, 3};
    for (int org = 1; org <= 4; ++org) {
        pop.value(1, org, 1) = gene1[org - 1];
        pop.value(1, org, 2) = gene2[org - 1];
    }
    PopulationColorTable table;
    table.initialize(4, 2);
    ASSERT_TRUE(table.update(pop, {kOrder}));
    EXPECT_EQ(table.colorIndex(1, 1), 2);
    EXPECT_EQ(table.colorIndex(2, 1), 1);
    EXPECT_EQ(table.colorIndex(3, 1), table.colorIndex(1, 1));
    EXPECT_EQ(table.colorIndex(4, 1), 3);
    // One list for all ranked genes: 3 has the same colour in both columns.
    EXPECT_EQ(table.colorIndex(4, 2), table.colorIndex(2, 1));
    EXPECT_EQ(table.colorIndex(1, 2), 5);
    EXPECT_EQ(table.colorIndex(2, 2), 4);
}

TEST(PopulationColors, ValuesThatFellOutOfTheRankingAreBlack) {
    // 300 distinct values, 1..300, in a non-range group: the list keeps the
    // smallest 256, so 257..300 are black; rank 16 wraps to black as well.
    ScriptedPopulation pop(256, {2});
    for (int org = 1; org <= 256; ++org) {
        pop.value(1, org, 1) = org;
        pop.value(1, org, 2) = org <= 44 ? 256 + org : 1;
    }
    PopulationColorTable table;
    table.initialize(256, 2);
    ASSERT_TRUE(table.update(pop, {kOrder}));
    EXPECT_EQ(table.colorIndex(1, 1), 1);
    EXPECT_EQ(table.colorIndex(15, 1), 15);
    EXPECT_EQ(table.colorIndex(16, 1), 0);
    EXPECT_EQ(table.colorIndex(17, 1), 1);
    EXPECT_EQ(table.colorIndex(255, 1), 255 % 16);
    for (int org = 1; org <= 44; ++org)
        EXPECT_EQ(table.colorIndex(org, 2), 0) << "value " << 256 + org;
    EXPECT_EQ(table.colorIndex(45, 2), 1);
}

TEST(PopulationColors, DistinctValuesKeepTheSmallestAndDropTheLargest) {
    manager::DistinctValues list(3);
    for (double v : {5.0, 1.0, 5.0, 9.0})
        list.insert(v);
    EXPECT_EQ(list.size(), 3u);
    list.insert(10.0); // larger than all of a full list: not taken
    EXPECT_EQ(list.position(10.0), 0);
    list.insert(2.0); // goes to its place, 9 drops out
    EXPECT_EQ(list.position(1.0), 1);
    EXPECT_EQ(list.position(2.0), 2);
    EXPECT_EQ(list.position(5.0), 3);
    EXPECT_EQ(list.position(9.0), 0);
    EXPECT_EQ(list.size(), 3u);
}

TEST(PopulationColors, ANegativeGeneCountEndsTheUpdateWithTheTableAsItWas) {
    ScriptedPopulation pop(2, {1, 1});
    pop.value(1, 1, 1) = 100;
    PopulationColorTable table;
    table.initialize(2, 2);
    ASSERT_TRUE(table.update(pop, {kRecipe, kRecipe}));
    EXPECT_EQ(table.colorIndex(1, 1), 15);
    pop.value(1, 1, 1) = 0;
    pop.geneCountOverride[2] = -7;
    EXPECT_FALSE(table.update(pop, {kRecipe, kRecipe}));
    EXPECT_EQ(table.colorIndex(1, 1), 15);
}

TEST(PopulationColors, FailedReadsAreLoggedAndTheUpdateGoesOn) {
    enginetest::TempLogDir logs;
    enginetest::ScopedResourceServer resources;
    logs.startLogging();
    ScriptedPopulation pop(2, {1});
    pop.value(1, 2, 1) = 100;
    pop.valueStatus = -5;
    pop.rangeStatus = -6;
    PopulationColorTable table;
    table.initialize(2, 1);
    ASSERT_TRUE(table.update(pop, {kRecipe}));
    EXPECT_EQ(table.colorIndex(2, 1), 15);
    const QStringList lines = logs.logMessages();
    EXPECT_EQ(lines.filter(u"Error in method: ColorGraph_Update, QxLib method: QxGeneGetValue"_s).size(), 2);
    EXPECT_EQ(lines.filter(u"Error in method: ColorGraph_Update, QxLib method: QxGeneGetRange"_s).size(), 1);
}

TEST(PopulationColors, PaletteIsTheClassicSixteen) {
    const auto& p = PopulationColorTable::palette();
    EXPECT_EQ(p[0], 0x000000u);
    EXPECT_EQ(p[1], 0x0000AAu);
    EXPECT_EQ(p[6], 0xAA5500u); // brown, not dark yellow
    EXPECT_EQ(p[14], 0xFFFF55u);
    EXPECT_EQ(p[15], 0xFFFFFFu);
}

} // namespace
