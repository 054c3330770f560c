#include "PopulationPage.h"

#include <QFrame>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTableView>

#include "DiagnosticLog.h"
#include "PopulationReader.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

void log(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

} // namespace

PopulationPage::PopulationPage(QFrame* frame) : QObject(frame) {
    SGGridPopulation = new QTableView(frame);
    SGGridPopulation->setObjectName(QStringLiteral("SGGridPopulation"));
    SGGridPopulation->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGGridPopulation->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGGridPopulation->verticalHeader()->setVisible(false);
    // Every row has the same height; the view need not measure them.
    SGGridPopulation->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    SGGridPopulation->setWordWrap(false);
    SGGridPopulation->setModel(&m_model);
}

void PopulationPage::GridInitialize(manager::WatcherManager& manager) {
    log(QStringLiteral("WATCHER: GridInitialize, before adding columns"));
    QStringList headers = {QString(), engine::GetResourceString(4046), engine::GetResourceString(4047)};
    log(QStringLiteral("WATCHER: GridInitialize, before calculating numGenesInTable"));
    const engine::TaggedCollection& names = manager.Input_AllGeneNamesCol();
    if (names.isEmpty())
        log(QStringLiteral("WATCHER: GridInitialize, m_Manager.Input_AllGeneNamesCol Is Nothing"));
    m_table.initialize(manager.Input_PopulationSize(), names.count());
    log(QStringLiteral("WATCHER: GridInitialize, after calculating numGenesInTable, =") +
        QString::number(m_table.geneColumnCount()));
    log(QStringLiteral("WATCHER: GridInitialize, about to loop over variables to add columns"));
    for (int g = 1; g <= m_table.geneColumnCount(); ++g)
        headers << names.item(g).toString();
    m_model.setColumns(headers);
    log(QStringLiteral("WATCHER: GridInitialize, after adding columns"));
    m_model.setEmptyRows(m_table.rowCount());

    QHeaderView* header = SGGridPopulation->horizontalHeader();
    // The default first: setting it resizes every section.
    header->setDefaultSectionSize(twipsToPixels(kGeneColumnWidth, SGGridPopulation));
    header->resizeSection(0, twipsToPixels(kLeadingColumnWidth, SGGridPopulation));
    header->resizeSection(1, twipsToPixels(kOrganismColumnWidth, SGGridPopulation));
    header->resizeSection(2, twipsToPixels(kObjectiveColumnWidth, SGGridPopulation));
}

void PopulationPage::Update_ValueTable(manager::WatcherManager& manager) {
    manager::EnginePopulationReader reader(manager);
    Update_ValueTable(manager, reader);
}

void PopulationPage::Update_ValueTable(manager::WatcherManager& manager, manager::PopulationReader& reader) {
    try {
        const uint32_t t0 = engine::DiagnosticLog::tickNow();
        manager::PopulationTableFormat format;
        format.constraintSolverMode = manager.Input_ConstraintSolverMode();
        format.targetIsDate = manager.Input_TargetCellValuesTreatedAsDates();
        format.chromosomeCount = manager.Input_GroupNames().count();
        const engine::TaggedCollection& dates = manager.Input_AdjustableCellsFormatAsDateCol();
        format.geneIsDate.reserve(static_cast<size_t>(m_table.geneColumnCount()));
        for (int g = 1; g <= m_table.geneColumnCount(); ++g)
            format.geneIsDate.push_back(g <= dates.count() && dates.item(g).toBool());
        QString text = m_table.buildText(reader, format);

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
        m_model.loadText(std::move(text), manager::PopulationTable::kColumnDelimiter,
                         manager::PopulationTable::kRowDelimiter, 1);
        QItemSelectionModel* selection = SGGridPopulation->selectionModel();
        const QModelIndex current = selection->currentIndex();
        const bool reset = !current.isValid() || (current.row() == 0 && current.column() == 0);
        if (rememberedRow >= 0 && reset && rememberedRow < m_model.rowCount() &&
            rememberedColumn < m_model.columnCount() && (rememberedRow != 0 || rememberedColumn != 0)) {
            selection->setCurrentIndex(m_model.index(rememberedRow, rememberedColumn),
                                       QItemSelectionModel::ClearAndSelect);
        }

        const uint32_t t2 = engine::DiagnosticLog::tickNow();
        log(QStringLiteral("Population table update, firststage = ") + QString::number(t1 - t0) +
            QStringLiteral(" milliseconds, second stage = ") + QString::number(t2 - t1) +
            QStringLiteral(" milliseconds"));
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("Update_ValueTable"),
                                          ol::currentExceptionAsError(QStringLiteral("Update_ValueTable")));
    }
}

} // namespace watcher
