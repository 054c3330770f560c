// The population grid's text: its shape for large populations and models,
// the order of its rows, what each column shows, and the grid model that
// takes the text in one load.
#include <gtest/gtest.h>

#include <QStringList>

#include "../engine/EngineTestEnv.h"
#include "PopulationTable.h"
#include "ScriptedPopulation.h"
#include "ol/SpecialValues.h"

using namespace Qt::Literals::StringLiterals;

namespace {

using pageviewstest::ScriptedPopulation;

QList<QStringList> rowsOf(const QString& text) {
    QList<QStringList> rows;
    for (const QString& row : text.split(u'\r'))
        rows << row.split(u'\t');
    return rows;
}

class PopulationTableTest : public ::testing::Test {
protected:
    enginetest::TempLogDir m_logs;
    enginetest::ScopedResourceServer m_resources;
};

TEST_F(PopulationTableTest, LargePopulationsAndModelsAreCutTo512RowsAnd1024GeneColumns) {
    manager::PopulationTable table;
    table.initialize(600, 300);
    EXPECT_EQ(table.rowCount(), 512);
    EXPECT_EQ(table.geneColumnCount(), 300);
    table.initialize(40, 1500);
    EXPECT_EQ(table.rowCount(), 40);
    EXPECT_EQ(table.geneColumnCount(), 1024);
    table.initialize(-1, -5);
    EXPECT_EQ(table.rowCount(), 0);
    EXPECT_EQ(table.geneColumnCount(), 0);

    // 600 organisms of 300 genes in two chromosomes: 512 rows of 302 fields,
    // the first row organism 512, the last organism 1.
    ScriptedPopulation pop(600, {100, 200});
    for (int org = 1; org <= 600; ++org) {
        pop.value(1, org, 1) = org;
        pop.value(2, org, 200) = org + 0.5;
    }
    table.initialize(600, 300);
    manager::PopulationTableFormat format;
    format.chromosomeCount = 2;
    const QList<QStringList> rows = rowsOf(table.buildText(pop, format));
    ASSERT_EQ(rows.size(), 512);
    for (const QStringList& row : rows)
        ASSERT_EQ(row.size(), 302);
    EXPECT_EQ(rows.first().at(0), u"1");
    EXPECT_EQ(rows.first().at(2), u"512");
    EXPECT_EQ(rows.first().at(301), u"512.5000");
    EXPECT_EQ(rows.last().at(0), u"512");
    EXPECT_EQ(rows.last().at(2), u"1");
    EXPECT_EQ(rows.last().at(301), u"1.5000");

    // 1500 genes: every organism's genes are read whole, 1024 are shown.
    ScriptedPopulation wide(3, {1500});
    wide.value(1, 3, 1024) = 7;
    wide.value(1, 3, 1025) = 8;
    table.initialize(3, 1500);
    format.chromosomeCount = 1;
    const QList<QStringList> wideRows = rowsOf(table.buildText(wide, format));
    ASSERT_EQ(wideRows.size(), 3);
    ASSERT_EQ(wideRows.first().size(), 1026);
    EXPECT_EQ(wideRows.first().last(), u"7");
}

TEST_F(PopulationTableTest, ObjectiveColumnShowsCountsInSolverModeDatesForDateTargetsAndGenesTheirDateFlags) {
    ScriptedPopulation pop(3, {3});
    pop.objectives = {2.4, 0.0, ol::kNoValue};
    for (int org = 1; org <= 3; ++org) {
        pop.value(1, org, 1) = 45000;
        pop.value(1, org, 2) = 45000;
        pop.value(1, org, 3) = 0.25;
    }
    manager::PopulationTable table;
    table.initialize(3, 3);
    manager::PopulationTableFormat format;
    format.chromosomeCount = 1;
    format.geneIsDate = {false, true}; // gene 3 has no flag: a number
    const QString missing = m_resources.text(2201);

    format.constraintSolverMode = true;
    QList<QStringList> rows = rowsOf(table.buildText(pop, format));
    ASSERT_EQ(rows.size(), 3);
    // Organism 3 first: no value; organism 1 last: 2.4 violated constraints.
    EXPECT_EQ(rows[0].at(1), missing);
    EXPECT_EQ(rows[1].at(1), u"0");
    EXPECT_EQ(rows[2].at(1), u"2");
    EXPECT_EQ(rows[2].mid(2), (QStringList{u"45000"_s, u"3/15/2023"_s, u"0.2500"_s}));

    format.constraintSolverMode = false;
    rows = rowsOf(table.buildText(pop, format));
    EXPECT_EQ(rows[2].at(1), u"2.4000");
    pop.objectives[0] = 45000;
    format.targetIsDate = true;
    rows = rowsOf(table.buildText(pop, format));
    EXPECT_EQ(rows[2].at(1), u"3/15/2023");
    EXPECT_EQ(rows[0].at(1), missing);
}

TEST_F(PopulationTableTest, AFailedGenesReadIsLoggedAndTheTableGoesOn) {
    m_logs.startLogging();
    ScriptedPopulation pop(2, {2});
    pop.value(1, 2, 2) = 9;
    pop.genesStatus = -4;
    manager::PopulationTable table;
    table.initialize(2, 2);
    manager::PopulationTableFormat format;
    format.chromosomeCount = 1;
    const QList<QStringList> rows = rowsOf(table.buildText(pop, format));
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[0].at(3), u"9");
    EXPECT_EQ(m_logs.logMessages().filter(u"Error in method: Update_ValueTable, QxLib method: QxOrgGetGenes"_s).size(),
              2);
}

TEST_F(PopulationTableTest, AnEmptyPopulationGivesAnEmptyTextAndALeadingFieldShiftsEveryRow) {
    ScriptedPopulation pop(2, {2});
    manager::PopulationTable table;
    table.initialize(0, 2);
    EXPECT_TRUE(table.buildText(pop, manager::PopulationTableFormat{}).isEmpty());

    pop.value(1, 1, 2) = 5;
    table.initialize(2, 2);
    manager::PopulationTableFormat format;
    format.chromosomeCount = 1;
    format.leadingEmptyField = true;
    EXPECT_EQ(table.buildText(pop, format), u"\t1\t0\t0\t0\r\t2\t0\t0\t5"_s);
}

} // namespace
