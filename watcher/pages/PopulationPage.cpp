#include "PopulationPage.h"

#include <algorithm>

#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QPointer>
#include <QTableView>

#include "DiagnosticLog.h"
#include "PageLayout.h"
#include "PopulationReader.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

PopulationPage::PopulationPage(QFrame* frame) : WatcherPage(frame) {
    SGGridPopulation = new QTableView(frame);
    SGGridPopulation->setObjectName(QStringLiteral("SGGridPopulation"));
    m_Model = new SolutionGridModel(SGGridPopulation);
    SGGridPopulation->setModel(m_Model);
    SGGridPopulation->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGGridPopulation->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGGridPopulation->verticalHeader()->setVisible(false);
    // Every row has the same height; the view need not measure them.
    SGGridPopulation->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGGridPopulation->setWordWrap(false);
    setGeometryTwips(SGGridPopulation, 60, 300, kPageWidthTwips - 240, kPageHeightTwips - 750);
}

bool PopulationPage::AppliesTo(const manager::WatcherManager& manager) const {
    return manager.Input_OptimizationEngine() == 1;
}

void PopulationPage::InitializePage() {
    m_PopulationGeneCount = GridInitialize(SGGridPopulation, m_Model, *manager(), true);
    m_Table.initialize(manager()->Input_PopulationSize(), m_PopulationGeneCount);
    m_PopulationRowCount = m_Table.rowCount();
    m_Model->setRowCount(m_PopulationRowCount);
    log(QStringLiteral("WATCHER: GridInitialize Me.SGGridPopulation, True returned"));
}

void PopulationPage::Update(const PageUpdate& update) {
    if (update.selected || update.force)
        Update_ValueTable();
}

void PopulationPage::Update_ValueTable() {
    if (manager() == nullptr)
        return;
    manager::EnginePopulationReader reader(*manager());
    Update_ValueTable(reader);
}

void PopulationPage::Update_ValueTable(manager::PopulationReader& reader) {
    uint32_t readTicks = 0;
    try {
        const uint32_t t0 = engine::DiagnosticLog::tickNow();
        if (manager() == nullptr)
            return;
        m_Table.read(reader, manager()->Input_GroupNames().count());
        readTicks = engine::DiagnosticLog::tickNow() - t0;
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("Update_ValueTable"),
                                          ol::currentExceptionAsError(QStringLiteral("Update_ValueTable")));
        return;
    }
    // The text and the grid's load need nothing from the population: they
    // wait until the window's update has let go of the population lock.
    manager()->afterPopulationUnlock([page = QPointer<PopulationPage>(this), readTicks] {
        if (page != nullptr)
            page->LoadValueTable(readTicks);
    });
}

void PopulationPage::LoadValueTable(uint32_t readTicks) {
    try {
        if (manager() == nullptr)
            return;
        const manager::WatcherManager& run = *manager();
        const uint32_t t0 = engine::DiagnosticLog::tickNow();
        manager::PopulationTableFormat format;
        format.constraintSolverMode = run.Input_ConstraintSolverMode();
        format.targetIsDate = run.Input_TargetCellValuesTreatedAsDates();
        format.chromosomeCount = run.Input_GroupNames().count();
        // The leading column has no contents; the row's fields start in the
        // organism-number column.
        format.leadingEmptyField = true;
        const engine::TaggedCollection& dates = run.Input_AdjustableCellsFormatAsDateCol();
        format.geneIsDate.reserve(static_cast<size_t>(m_PopulationGeneCount));
        for (int g = 1; g <= m_PopulationGeneCount; ++g)
            format.geneIsDate.push_back(g <= dates.count() && dates.item(g).toBool());
        QString text = m_Table.buildText(format);

        const uint32_t t1 = engine::DiagnosticLog::tickNow();
        // The cell the person selected stays selected across the load.
        QModelIndex remembered;
        ol::tryOr(false, [&] {
            const QModelIndexList selected = SGGridPopulation->selectionModel()->selectedIndexes();
            if (!selected.isEmpty())
                remembered = selected.first();
            return true;
        });
        const int rememberedRow = remembered.isValid() ? remembered.row() : -1;
        const int rememberedColumn = remembered.isValid() ? remembered.column() : -1;
        m_Model->loadText(text);
        // The grid holds the only other reference: the table's next text
        // after this one reuses the buffer once the grid lets go of it.
        text.clear();
        QItemSelectionModel* selection = SGGridPopulation->selectionModel();
        const QModelIndex current = selection->currentIndex();
        const bool reset = !current.isValid() || (current.row() == 0 && current.column() == 0);
        if (rememberedRow >= 0 && reset && rememberedRow < m_Model->rowCount() &&
            rememberedColumn < m_Model->columnCount() && (rememberedRow != 0 || rememberedColumn != 0)) {
            selection->setCurrentIndex(m_Model->index(rememberedRow, rememberedColumn),
                                       QItemSelectionModel::ClearAndSelect);
        }

        const uint32_t t2 = engine::DiagnosticLog::tickNow();
        // The first stage is the reads and the text, without the other
        // pages' work that came between them.
        log(QStringLiteral("Population table update, firststage = ") + QString::number(readTicks + (t1 - t0)) +
            QStringLiteral(" milliseconds, second stage = ") + QString::number(t2 - t1) +
            QStringLiteral(" milliseconds"));
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("Update_ValueTable"),
                                          ol::currentExceptionAsError(QStringLiteral("Update_ValueTable")));
    }
}

QList<QTableView*> PopulationPage::Grids() const {
    return {SGGridPopulation};
}

void PopulationPage::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(SGGridPopulation, layout.gridWidth);
    setHeightTwips(SGGridPopulation,
                   manager::WatcherLayout::fitGridHeight(topTwips(SGGridPopulation), layout.populationGridHeight,
                                                         layout.frameHeight - 60));
}

} // namespace watcher
