#include "WatcherPage.h"

#include <QFrame>

#include "DiagnosticLog.h"

namespace watcher {

WatcherPage::WatcherPage(QFrame* frame) : QObject(frame), m_frame(frame) {}

WatcherPage::~WatcherPage() = default;

QFrame* WatcherPage::frame() const {
    return m_frame.data();
}

bool WatcherPage::AppliesTo(const manager::WatcherManager& /*manager*/) const {
    return true;
}

void WatcherPage::Initialize(const PageContext& context) {
    m_context = context;
    InitializePage();
}

void WatcherPage::ApplyLocalization(const manager::WatcherManager* /*manager*/) {}

void WatcherPage::InitializeAfterFirstTrial(int32_t /*graphAllTrialsInitialNumTrialsShown*/,
                                            int32_t /*numLastTrialsToShow*/) {}

void WatcherPage::ShowAfterFirstTrial() {}

void WatcherPage::PrepareUpdate() {}

void WatcherPage::Update(const PageUpdate& /*update*/) {}

void WatcherPage::PageSelected() {}

void WatcherPage::GoingToStoppingConfig() {}

void WatcherPage::ArrangeForStopping() {}

void WatcherPage::StoppingConfigApplied() {}

bool WatcherPage::ModalDialogBeingDisplayed() const {
    return false;
}

QList<QTableView*> WatcherPage::Grids() const {
    return {};
}

QList<QAbstractScrollArea*> WatcherPage::RowGrids() const {
    return {};
}

QString WatcherPage::RowGridSelectionText(const QAbstractScrollArea* /*grid*/) const {
    return QString();
}

void WatcherPage::Dispose() {
    m_context.manager = nullptr;
}

void WatcherPage::log(QString message) {
    if (engine::DiagnosticLog::isOn())
        engine::DiagnosticLog::WriteLine(message);
}

void WatcherPage::LayoutPage(const manager::WatcherLayout& /*layout*/) {}

} // namespace watcher
