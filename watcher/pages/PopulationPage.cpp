#include "PopulationPage.h"

#include <algorithm>

#include <QFrame>
#include <QHeaderView>
#include <QTableView>

#include "PageLayout.h"
#include "Twips.h"
#include "WatcherManager.h"

namespace watcher {

PopulationPage::PopulationPage(QFrame* frame) : WatcherPage(frame) {
    SGGridPopulation = new QTableView(frame);
    SGGridPopulation->setObjectName(QStringLiteral("SGGridPopulation"));
    m_Model = new SolutionGridModel(SGGridPopulation);
    SGGridPopulation->setModel(m_Model);
    SGGridPopulation->setSelectionMode(QAbstractItemView::ContiguousSelection);
    SGGridPopulation->setEditTriggers(QAbstractItemView::NoEditTriggers);
    SGGridPopulation->verticalHeader()->setVisible(false);
    setGeometryTwips(SGGridPopulation, 60, 300, kPageWidthTwips - 240, kPageHeightTwips - 750);
}

bool PopulationPage::AppliesTo(const manager::WatcherManager& manager) const {
    return manager.Input_OptimizationEngine() == 1;
}

void PopulationPage::InitializePage() {
    m_PopulationGeneCount = GridInitialize(SGGridPopulation, m_Model, *manager(), true);
    m_PopulationRowCount = std::clamp(manager()->Input_PopulationSize(), 0, kMaxRows);
    m_Model->setRowCount(m_PopulationRowCount);
    log(QStringLiteral("WATCHER: GridInitialize Me.SGGridPopulation, True returned"));
}

QList<QTableView*> PopulationPage::Grids() const {
    return {SGGridPopulation};
}

} // namespace watcher
