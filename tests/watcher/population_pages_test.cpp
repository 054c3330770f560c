// The population, colour-graph and constraint-solver pages of the Watcher
// window over a real population and a real optimization log of the engine
// library: what they show after the window's refresh, when they refresh, and
// the colour graph's one redraw per scheduled redraw.

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPaintEvent>
#include <QResizeEvent>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include "PopulationColorTable.h"
#include "PopulationLockState.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "formprogress_fixture.h"
#include "pages/ColorGraphPage.h"
#include "pages/ConstraintSolverPage.h"
#include "pages/PopulationPage.h"
#include "pages/SolutionGrid.h"

using namespace Qt::Literals::StringLiterals;
using formprogresstest::FormProgressTest;
using watcher::FormProgress;

namespace {

engine::TaggedCollection texts(const QStringList& items) {
    engine::TaggedCollection c;
    for (const QString& s : items)
        c.add(engine::TaggedValue::fromString(s));
    return c;
}

engine::TaggedCollection numbers(std::initializer_list<double> items) {
    engine::TaggedCollection c;
    for (double v : items)
        c.add(engine::TaggedValue::fromDouble(v));
    return c;
}

class PopulationPagesTest : public FormProgressTest {
protected:
    static constexpr int32_t kOrganisms = 4;

    void TearDown() override {
        if (m_log != 0)
            QxLogClose(m_log);
        FormProgressTest::TearDown();
        if (m_runPop != 0)
            QxPopFree(m_runPop);
    }

    // A run of a model with a range group (3 genes, 0..10) and an order
    // group (2 genes), and a log whose constraints are hard, soft, hard.
    void startModelRun(bool constraintSolverMode) {
        m_manager.Dispose();
        m_started = false;
        manager::setWindowFactory(&m_factory);
        m_manager.Initialize();
        if (m_runPop == 0) {
            const int32_t genes[] = {3, 2};
            const int16_t methods[] = {QX_METHOD_RECIPE, QX_METHOD_ORDER};
            ASSERT_EQ(QxPopCreate(kOrganisms, 2, genes, methods, &m_runPop), 0);
            for (int g = 1; g <= 3; ++g)
                ASSERT_EQ(QxGeneSetRange(m_runPop, 1, g, 0, 10, 0), 0);
            for (int g = 1; g <= 2; ++g)
                ASSERT_EQ(QxGeneSetRange(m_runPop, 2, g, 1, 2, 1), 0);
            for (int org = 1; org <= kOrganisms; ++org) {
                setGenes(org, {double(org), 10, 0, double(org % 2 + 1), 1});
                ASSERT_EQ(QxOrgSetResult(m_runPop, org, org * 1.5, 0, 0), 0);
            }
        }
        ASSERT_EQ(QxPopSetRunStatus(m_runPop, QxRunStatusOptimizing), 0);
        const QString path = m_dir.filePath(u"model.qxlog"_s);
        if (m_log == 0) {
            const char* names[] = {"H1", "S1", "H2"};
            const int16_t kinds[] = {0, 1, 0};
            const int16_t atomic[] = {0, 0, 0};
            ASSERT_EQ(QxLogCreateWVB(path.toUtf8().constData(), 2, 5, 3, names, kinds, atomic, &m_log), 0);
            appendTrial({0, 4, 2}, false); // the original breaks H2
        }
        m_manager.setInput_PopHandle(m_runPop);
        m_manager.setInput_LogPath(path);
        m_manager.setInput_PopulationSize(kOrganisms);
        m_manager.setInput_AllGeneNamesCol(texts({u"A1"_s, u"A2"_s, u"A3"_s, u"B1"_s, u"B2"_s}));
        m_manager.setInput_GroupNames(texts({u"A"_s, u"B"_s}));
        m_manager.setInput_GroupSolvingMethods(numbers({1, 2}));
        m_manager.setInput_ConstraintSolverMode(constraintSolverMode);
        m_manager.setInput_ConstraintSolver_HardConstraintDescriptions(texts({u"x >= 1"_s, u"y <= 2"_s}));
        m_manager.setInput_ConstraintSolver_HardConstraintFormulas(texts({u"=A1>=1"_s, u"=A2<=2"_s}));
        m_manager.setInput_OptimizationEngine(1);
        m_manager.InitializeForms();
        m_started = true;
        form = dynamic_cast<FormProgress*>(m_manager.fullWindow());
        ASSERT_NE(form, nullptr);
    }

    void setGenes(int org, std::initializer_list<double> genes) {
        int i = 0;
        for (double v : genes) {
            const int chr = i < 3 ? 1 : 2;
            const int gene = i < 3 ? i + 1 : i - 2;
            ASSERT_EQ(QxGeneSetValue(m_runPop, chr, org, gene, v), 0);
            ++i;
        }
    }

    void appendTrial(const std::vector<double>& violations, bool progressStep) {
        ++m_trials;
        const double genes[5] = {1, 2, 3, 1, 2};
        const double cells[3] = {0, 0, 0};
        QxLogRecord rec{};
        rec.valueWithPenalties = 1;
        rec.recalcNum = m_trials;
        rec.constraintValues = violations.data();
        rec.constraintCellValues = cells;
        rec.geneValues = genes;
        ASSERT_EQ(QxLogAppendTrialWVB(m_log, &rec), 0);
        if (progressStep) {
            ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, 1, &rec), 0);
        }
    }

    QTabWidget* tabs() const { return child<QTabWidget>("TabMain"); }
    watcher::PopulationPage* populationPage() const {
        return dynamic_cast<watcher::PopulationPage*>(form->page(FormProgress::SlotPopulation));
    }
    watcher::ColorGraphPage* colorGraphPage() const {
        return dynamic_cast<watcher::ColorGraphPage*>(form->page(FormProgress::SlotColorGraph));
    }
    watcher::ConstraintSolverPage* constraintSolverPage() const {
        return dynamic_cast<watcher::ConstraintSolverPage*>(form->page(FormProgress::SlotConstraintSolver));
    }

    int32_t m_runPop = 0;
    int32_t m_log = 0;
    int32_t m_trials = 0;
};

TEST_F(PopulationPagesTest, PopulationGridShowsOrganismsHighestFirstAndKeepsTheSelectionAcrossRefreshes) {
    startModelRun(false);
    auto* grid = child<QTableView>("SGGridPopulation");
    const watcher::SolutionGridModel* model = populationPage()->model();
    ASSERT_EQ(model->columnCount(), 8);
    EXPECT_EQ(model->headerData(1, Qt::Horizontal, Qt::DisplayRole).toString(), engine::GetResourceString(4046));
    EXPECT_EQ(model->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(), engine::GetResourceString(4047));
    EXPECT_EQ(model->headerData(7, Qt::Horizontal, Qt::DisplayRole).toString(), u"B2");
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(0), watcher::twipsToPixels(500, grid));
    EXPECT_EQ(grid->horizontalHeader()->sectionSize(1), watcher::twipsToPixels(1200, grid));
    EXPECT_EQ(model->rowCount(), kOrganisms);

    form->InitializeAfterFirstTrial(100, 20); // refreshes every page once
    ASSERT_EQ(model->rowCount(), kOrganisms);
    EXPECT_EQ(model->cellText(0, 0), QString());
    EXPECT_EQ(model->cellText(0, 1), u"1");
    EXPECT_EQ(model->cellText(0, 2), u"6");      // organism 4's value, 4 x 1.5
    EXPECT_EQ(model->cellText(0, 3), u"4");      // its first gene
    EXPECT_EQ(model->cellText(3, 2), u"1.5000"); // organism 1 last
    EXPECT_EQ(model->cellText(3, 6), u"2");

    // The person's cell stays selected while the values change under it.
    grid->selectionModel()->setCurrentIndex(model->index(2, 4), QItemSelectionModel::ClearAndSelect);
    setGenes(2, {7, 3, 9, 2, 1});
    tabs()->setCurrentIndex(FormProgress::TabPopulation);
    form->Update(false, false);
    EXPECT_EQ(model->cellText(2, 3), u"7");
    EXPECT_EQ(grid->selectionModel()->currentIndex(), model->index(2, 4));
    EXPECT_TRUE(grid->selectionModel()->isSelected(model->index(2, 4)));

    // Another page selected: the grid is not rebuilt unless everything is.
    tabs()->setCurrentIndex(FormProgress::TabSummary);
    setGenes(2, {8, 3, 9, 2, 1});
    form->Update(false, false);
    EXPECT_EQ(model->cellText(2, 3), u"7");
    form->Update(true, false);
    EXPECT_EQ(model->cellText(2, 3), u"8");
}

// The grids' model keeps loaded rows as ranges of one text and finds a row's
// cells only when they are asked for: what it answers must not depend on
// when that happens.
TEST(SolutionGridModelTest, LoadedRowsAnswerTheirCellsWhateverTheColumnsDidMeanwhile) {
    watcher::SolutionGridModel model;
    model.addColumn(u"a"_s);
    model.addColumn(u"b"_s);
    model.setRowCount(3);
    model.loadText(u"1\t2\t3\r\t5\r6\r7\t8"_s);
    EXPECT_EQ(model.cellText(0, 1), u"2");
    EXPECT_EQ(model.cellText(0, 2), QString()); // beyond the last column
    EXPECT_EQ(model.cellText(1, 0), QString());
    EXPECT_EQ(model.cellText(1, 1), u"5");
    EXPECT_EQ(model.cellText(2, 0), u"6");
    EXPECT_EQ(model.cellText(2, 1), QString()); // missing: empty, not the next row's
    EXPECT_EQ(model.rowText(0), u"1\t2\t3");

    // A column added after the rows were read shows the cell it now holds.
    model.addColumn(u"c"_s);
    EXPECT_EQ(model.cellText(0, 2), u"3");
    EXPECT_EQ(model.cellText(1, 2), QString());

    // A load from a later row keeps the rows before it; a row text replaces one.
    model.loadText(u"x\ty\tz"_s, 1);
    EXPECT_EQ(model.cellText(0, 0), u"1");
    EXPECT_EQ(model.cellText(1, 2), u"z");
    EXPECT_EQ(model.cellText(2, 0), u"6");
    model.setRowText(2, u"p\tq"_s);
    EXPECT_EQ(model.cellText(2, 1), u"q");
    model.clearColumns();
    EXPECT_EQ(model.cellText(0, 0), QString());
    EXPECT_EQ(model.cellText(-1, 0), QString());
    EXPECT_EQ(model.cellText(5, 0), QString());
}

// The window's update reads the population under its lock; the grid's text
// is loaded and the colour graph drawn after the lock is released, with what
// was read under it.
TEST_F(PopulationPagesTest, GridIsLoadedAndColorGraphDrawnWithThePopulationUnlocked) {
    startModelRun(false);
    m_manager.setGotInitializedAfterFirstTrial(true);
    form->SetUpdateTimerEnabled(false);
    const auto lockState = [this] { return testsupport::populationLockState(m_runPop); };
    QStringList seen;
    const watcher::SolutionGridModel* model = populationPage()->model();
    QObject::connect(model, &QAbstractItemModel::dataChanged, model,
                     [&] { seen << u"grid loaded: "_s + lockState() + u", "_s + model->cellText(0, 3); });
    QObject::connect(colorGraphPage(), &watcher::ColorGraphPage::colorGraphDrawn, colorGraphPage(),
                     [&] { seen << u"graph drawn: "_s + lockState(); });
    form->InitializeAfterFirstTrial(100, 20); // every page refreshed through the manager
    EXPECT_EQ(seen, (QStringList{u"grid loaded: free, 4"_s, u"graph drawn: free"_s}));

    seen.clear();
    setGenes(4, {9, 10, 0, 1, 1});
    m_manager.BothDialogs_Update(true, false);
    EXPECT_EQ(seen, (QStringList{u"grid loaded: free, 9"_s, u"graph drawn: free"_s}));
}

TEST_F(PopulationPagesTest, ColorGraphRedrawsOncePerScheduledRedrawAndOnlyOnItsTab) {
    startModelRun(false);
    watcher::ColorGraphPage* page = colorGraphPage();
    // Only the colour graph's own timer redraws here.
    form->SetUpdateTimerEnabled(false);
    QSignalSpy drawn(page, &watcher::ColorGraphPage::colorGraphDrawn);
    // Before the first trial the timer's tick draws nothing.
    QTest::qWait(20);
    EXPECT_EQ(drawn.count(), 0);
    EXPECT_FALSE(page->timer()->isActive());

    m_manager.setGotInitializedAfterFirstTrial(true);
    form->InitializeAfterFirstTrial(100, 20); // a forced refresh draws once
    EXPECT_EQ(drawn.count(), 1);
    tabs()->setCurrentIndex(FormProgress::TabColorGraph); // the tab change schedules one
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 2; }, 1000));
    QTest::qWait(20);
    EXPECT_EQ(drawn.count(), 2);

    // Several paints, resizes and shows in a row: one redraw after them.
    QPaintEvent paint(QRect(0, 0, 10, 10));
    QApplication::sendEvent(form, &paint);
    QResizeEvent resize(form->size(), form->size());
    QApplication::sendEvent(form, &resize);
    form->AfterShow();
    ASSERT_TRUE(QTest::qWaitFor([&] { return drawn.count() >= 3; }, 1000));
    QTest::qWait(20);
    EXPECT_EQ(drawn.count(), 3);

    tabs()->setCurrentIndex(FormProgress::TabProgress);
    QTest::qWait(20);
    const int before = static_cast<int>(drawn.count());
    form->AfterShow();
    QTest::qWait(20);
    EXPECT_EQ(drawn.count(), before);
    EXPECT_FALSE(page->timer()->isActive());
}

TEST_F(PopulationPagesTest, ColorGraphShowsGeneColumnsAsBoxesWithAGap) {
    startModelRun(false);
    form->InitializeAfterFirstTrial(100, 20);
    watcher::ColorGraphPage* page = colorGraphPage();
    const manager::PopulationColorTable& table = page->colorTable();
    ASSERT_EQ(table.organismCount(), kOrganisms);
    ASSERT_EQ(table.geneCount(), 5);
    // Gene A2 is at its maximum in every organism, A3 at its minimum.
    for (int org = 1; org <= kOrganisms; ++org) {
        EXPECT_EQ(table.colorIndex(org, 2), 15);
        EXPECT_EQ(table.colorIndex(org, 3), 0);
    }
    // Order genes by rank among {1, 2}: equal values, equal colours.
    EXPECT_EQ(table.colorIndex(1, 4), 2);
    EXPECT_EQ(table.colorIndex(2, 4), 1);
    EXPECT_EQ(table.colorIndex(1, 5), table.colorIndex(2, 5));

    const QImage picture = page->picture()->picture();
    ASSERT_EQ(picture.size(), page->picture()->size());
    const int cellW = picture.width() / 5;
    const int cellH = picture.height() / kOrganisms;
    const QColor white(QRgb(manager::PopulationColorTable::palette()[15]));
    EXPECT_EQ(picture.pixelColor(cellW + cellW / 2, cellH / 2), white);
    // The last pixel column of a cell is the gap, in the background colour.
    const QColor background = page->picture()->palette().color(QPalette::Window);
    EXPECT_EQ(picture.pixelColor(2 * cellW - 1, cellH / 2), background);
}

TEST_F(PopulationPagesTest, ConstraintSolverPageShowsTheVerdictsOfTheHardConstraints) {
    startModelRun(true);
    EXPECT_EQ(tabs()->currentIndex(), FormProgress::TabConstraintSolver);
    QTableWidget* grid = constraintSolverPage()->grid();
    ASSERT_EQ(grid->columnCount(), 6);
    ASSERT_EQ(grid->rowCount(), 2);
    EXPECT_EQ(grid->horizontalHeaderItem(1)->text(), engine::GetResourceString(4303));
    EXPECT_EQ(grid->horizontalHeaderItem(5)->text(), engine::GetResourceString(4516));
    EXPECT_EQ(grid->item(1, 4)->text(), u"y <= 2");
    EXPECT_EQ(grid->item(0, 5)->text(), u"=A1>=1");
    EXPECT_EQ(grid->columnWidth(1), watcher::twipsToPixels(1000, grid));
    EXPECT_EQ(constraintSolverPage()->label()->text(), engine::GetResourceString(4513));

    form->InitializeAfterFirstTrial(100, 20);
    // One trial, no progress step: no best; the original and last alike.
    EXPECT_TRUE(grid->item(0, 1) == nullptr || grid->item(0, 1)->text().isEmpty());
    EXPECT_EQ(grid->item(0, 2)->text(), engine::GetResourceString(4521));
    EXPECT_EQ(grid->item(1, 2)->text(), engine::GetResourceString(4520)); // the soft one took no row
    EXPECT_EQ(grid->item(1, 3)->text(), grid->item(1, 2)->text());

    appendTrial({0, 9, 0}, true);
    form->Update(false, false);
    EXPECT_EQ(grid->item(1, 1)->text(), engine::GetResourceString(4521));
    EXPECT_EQ(grid->item(1, 2)->text(), engine::GetResourceString(4520));
    EXPECT_EQ(grid->item(1, 3)->text(), engine::GetResourceString(4521));
}

TEST_F(PopulationPagesTest, VerdictColumnsAreWiderInGerman) {
    enginetest::ScopedEnv german("SELVANE_LANGUAGE", "7");
    startModelRun(true);
    QTableWidget* grid = constraintSolverPage()->grid();
    EXPECT_EQ(grid->columnWidth(2), watcher::twipsToPixels(1650, grid));
    EXPECT_EQ(grid->horizontalHeaderItem(2)->text(), u"Ursprüngliche");
}

} // namespace
