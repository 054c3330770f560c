#include "ConstraintSolverPage.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTableWidget>

#include "DiagnosticLog.h"
#include "PageLayout.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/ResourceServer.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

// The grid's column of solution c (Best, Original, Last).
int gridColumn(manager::ConstraintVerdicts::Column c) {
    return ConstraintSolverPage::ColumnBest + static_cast<int>(c);
}

QTableWidgetItem* cellItem(QTableWidget* grid, int row, int column) {
    QTableWidgetItem* item = grid->item(row, column);
    if (item == nullptr) {
        item = new QTableWidgetItem;
        item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
        grid->setItem(row, column, item);
    }
    return item;
}

} // namespace

ConstraintSolverPage::ConstraintSolverPage(QFrame* frame) : WatcherPage(frame) {
    LabelConstraintSolver = new QLabel(frame);
    LabelConstraintSolver->setObjectName(QStringLiteral("LabelConstraintSolver"));
    LabelConstraintSolver->setWordWrap(true);
    SGGridConstraintSolver = new QTableWidget(frame);
    SGGridConstraintSolver->setObjectName(QStringLiteral("SGGridConstraintSolver"));
    SGGridConstraintSolver->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGGridConstraintSolver->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGGridConstraintSolver->verticalHeader()->setVisible(false);
    SGGridConstraintSolver->setWordWrap(false);
    setGeometryTwips(LabelConstraintSolver, 60, 60, kPageWidthTwips - 240, 480);
    setGeometryTwips(SGGridConstraintSolver, 60, 600, kPageWidthTwips - 240, kPageHeightTwips - 720);
}

bool ConstraintSolverPage::AppliesTo(const manager::WatcherManager& manager) const {
    return manager.Input_ConstraintSolverMode();
}

void ConstraintSolverPage::Update(const PageUpdate& /*update*/) {
    ConstraintSolverTab_Update();
}

void ConstraintSolverPage::ApplyLocalization(const manager::WatcherManager* manager) {
    if (manager != nullptr && manager->Input_ConstraintSolverMode())
        LabelConstraintSolver->setText(engine::GetResourceString(4513));
}

void ConstraintSolverPage::InitializePage() {
    const manager::WatcherManager& run = *manager();
    using Verdicts = manager::ConstraintVerdicts;
    QTableWidget* grid = SGGridConstraintSolver;
    grid->clear();
    grid->setColumnCount(ColumnCount);
    QStringList headers = {QString()};
    for (int resource : Verdicts::kSolutionHeaders)
        headers << engine::GetResourceString(resource);
    headers << engine::GetResourceString(Verdicts::kResourceDescriptionHeader)
            << engine::GetResourceString(Verdicts::kResourceFormulaHeader);
    grid->setHorizontalHeaderLabels(headers);

    const auto server = engine::ProcessState::resourceServer();
    const int32_t solutionWidth = Verdicts::SolutionColumnWidth(server ? server->language() : ol::kLanguageEnglish);
    const int32_t textWidth = Verdicts::TextColumnWidth(static_cast<int32_t>(widthTwips(grid)), solutionWidth);
    grid->setColumnWidth(ColumnLead, twipsToPixels(kLeadColumnWidth, grid));
    for (int column : {ColumnBest, ColumnOriginal, ColumnLast})
        grid->setColumnWidth(column, twipsToPixels(solutionWidth, grid));
    for (int column : {ColumnDescription, ColumnFormula})
        grid->setColumnWidth(column, std::max(1, twipsToPixels(textWidth, grid)));

    const engine::TaggedCollection& descriptions = run.Input_ConstraintSolver_HardConstraintDescriptions();
    const engine::TaggedCollection& formulas = run.Input_ConstraintSolver_HardConstraintFormulas();
    const int rows = std::max(descriptions.count(), formulas.count());
    grid->setRowCount(rows);
    m_verdicts.initialize(rows);
    for (int row = 0; row < rows; ++row) {
        cellItem(grid, row, ColumnDescription)->setText(descriptions.item(row + 1).toString());
        cellItem(grid, row, ColumnFormula)->setText(formulas.item(row + 1).toString());
    }
}

QList<QTableView*> ConstraintSolverPage::Grids() const {
    return {SGGridConstraintSolver};
}

void ConstraintSolverPage::ConstraintSolverTab_Update() {
    if (manager() == nullptr)
        return;
    try {
        using Verdicts = manager::ConstraintVerdicts;
        m_verdicts.update(manager()->Input_LogPath());
        QTableWidget* grid = SGGridConstraintSolver;
        for (int row = 0; row < m_verdicts.rowCount() && row < grid->rowCount(); ++row) {
            for (auto column : {Verdicts::Best, Verdicts::Original, Verdicts::Last}) {
                const QString text = m_verdicts.verdictText(row, column);
                QTableWidgetItem* item = grid->item(row, gridColumn(column));
                if (text.isEmpty() && item == nullptr)
                    continue;
                item = cellItem(grid, row, gridColumn(column));
                if (item->text() != text)
                    item->setText(text);
            }
        }
    } catch (...) {
        engine::DiagnosticLog::WriteError(QStringLiteral("ConstraintSolverTab_Update"),
                                          ol::currentExceptionAsError(QStringLiteral("ConstraintSolverTab_Update")));
    }
}

void ConstraintSolverPage::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(LabelConstraintSolver, layout.gridWidth);
    setWidthTwips(SGGridConstraintSolver, layout.gridWidth);
    const double top = topTwips(SGGridConstraintSolver);
    setHeightTwips(SGGridConstraintSolver,
                   manager::WatcherLayout::fitGridHeight(top, layout.frameHeight - 60 - top, layout.frameHeight - 60));
}

} // namespace watcher
