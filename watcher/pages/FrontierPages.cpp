#include "FrontierPages.h"

#include <algorithm>

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QTableView>

#include "Formatting.h"
#include "FrontierWindowTexts.h"
#include "PageLayout.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

FrontierSummaryPage::FrontierSummaryPage(QFrame* frame) : WatcherPage(frame) {
    LabelBestSolutions = new QLabel(frame);
    LabelBestSolutions->setObjectName(QStringLiteral("LabelBestSolutions"));
    setGeometryTwips(LabelBestSolutions, 60, 60, 6000, 255);
    SGGridSummary = new QTableView(frame);
    SGGridSummary->setObjectName(QStringLiteral("SGGridSummary"));
    setGeometryTwips(SGGridSummary, 60, 360, kPageWidthTwips - 240, kPageHeightTwips - 600);
    m_Model = new SolutionGridModel(SGGridSummary);
    SGGridSummary->setModel(m_Model);
}

void FrontierSummaryPage::ApplyLocalization(const manager::WatcherManager*) {
    LabelBestSolutions->setText(engine::GetResourceString(4070));
    // The rows hold resource texts too.
    m_RowRevisions.assign(m_RowRevisions.size(), 0);
}

void FrontierSummaryPage::InitializePage() {
    manager::WatcherManager& mgr = *manager();
    log(QStringLiteral("WATCHER: GridInitialize, before adding columns"));
    m_Model->clearColumns();
    std::vector<double> widths;
    const auto add = [&](const QString& caption, double width) {
        m_Model->addColumn(caption);
        widths.push_back(width);
    };
    add(manager::FrontierSummaryFirstCaption(mgr), 1500);
    add(engine::GetResourceString(4046), 1200);
    add(engine::GetResourceString(4047), 1000);
    log(QStringLiteral("WATCHER: GridInitialize, before calculating numGenesInTable"));
    const engine::TaggedCollection& names = mgr.Input_AllGeneNamesCol();
    if (names.isEmpty())
        log(QStringLiteral("WATCHER: GridInitialize, m_Manager.Input_AllGeneNamesCol Is Nothing"));
    m_NumGenesInTable = manager::FrontierGeneColumnCount(names.count());
    log(QStringLiteral("WATCHER: GridInitialize, after calculating numGenesInTable, =") +
        QString::number(m_NumGenesInTable));
    log(QStringLiteral("WATCHER: GridInitialize, about to loop over variables to add columns"));
    for (int g = 1; g <= m_NumGenesInTable; ++g)
        add(names.item(g).toString(), 1000);
    log(QStringLiteral("WATCHER: GridInitialize, after adding columns"));
    SGGridSummary->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    for (size_t c = 0; c < widths.size(); ++c)
        SGGridSummary->horizontalHeader()->resizeSection(static_cast<int>(c), twipsToPixels(widths[c], SGGridSummary));

    const engine::TaggedCollection& values = mgr.Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final();
    m_Model->setRowCount(values.count());
    for (int k = 1; k <= values.count(); ++k)
        m_Model->setRowText(k - 1, engine::FormatNumberGeneral(values.item(k).toDouble()));
    m_RowRevisions.assign(static_cast<size_t>(values.count()), 0);
    m_OwnSolutions = manager::FrontierSolutions();
}

void FrontierSummaryPage::Update(const PageUpdate& update) {
    SummaryTab_Update(update.force);
}

void FrontierSummaryPage::SummaryTab_Update(bool rewriteAll) {
    ol::StepGuard guard;
    const int32_t n = std::min(manager()->Input_EFNumConstrainingValues(), static_cast<int32_t>(m_RowRevisions.size()));
    const manager::FrontierSolutions* solutions = m_SharedSolutions;
    if (solutions == nullptr) {
        guard.run([&] {
            if (rewriteAll)
                m_OwnSolutions.invalidate();
            m_OwnSolutions.refresh(*manager(), n);
        });
        solutions = &m_OwnSolutions;
    }
    for (int32_t k = 1; k <= n; ++k) {
        uint32_t& written = m_RowRevisions[static_cast<size_t>(k - 1)];
        const uint32_t revision = solutions->revision(k);
        if (!rewriteAll && revision != 0 && written == revision)
            continue;
        guard.run([&] {
            // A value not read yet (the reading failed) is read for its row.
            if (revision == 0)
                SummaryTab_UpdateRow(k);
            else
                m_Model->setRowText(
                    k - 1, manager::FrontierSummaryRowText(*manager(), k, m_NumGenesInTable, solutions->at(k)));
            written = revision;
        });
    }
}

void FrontierSummaryPage::SummaryTab_UpdateRow(int32_t k) {
    m_Model->setRowText(k - 1, manager::FrontierSummaryRowText(*manager(), k, m_NumGenesInTable));
}

QList<QTableView*> FrontierSummaryPage::Grids() const {
    return {SGGridSummary};
}

void FrontierLogPage::InitializePage() {
    LogPage::InitializePage();
    ol::StepGuard guard;
    guard.run([&] {
        SettingControlsScope scope(context().settingControls);
        comboLogType()->clear();
        comboLogType()->addItems(manager::FrontierLogTypeEntries(*manager()));
        comboLogType()->setCurrentIndex(kLogTypeAllTrials);
    });
}

} // namespace watcher
