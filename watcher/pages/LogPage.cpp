#include "LogPage.h"

#include <QComboBox>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>

#include "LogGridView.h"
#include "PageLayout.h"
#include "ProgressDialogLogSvr.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/Directories.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {
// Places inside the page frame, in twips.
constexpr double kLabelLeft = 60;
constexpr double kLabelTop = 150;
constexpr double kComboLeft = 1300;
constexpr double kComboTop = 100;
constexpr double kComboWidth = 2800;
constexpr double kGridLeft = 60;
constexpr double kGridTop = 600;
} // namespace

// The grid side of the server's column calls: the server's model carries the
// headers; the widths are kept until the grid shows the columns.
class LogPage::GridColumns final : public loggrid::LogGridColumns {
public:
    explicit GridColumns(LogPage& page) : m_page(page) {}
    void RemoveAllColumns() override {
        m_page.SGGridLog->setModel(nullptr);
        m_page.m_ColumnWidths.clear();
    }
    void AddColumn(const QString&, int32_t widthTwips) override { m_page.m_ColumnWidths.push_back(widthTwips); }

private:
    LogPage& m_page;
};

LogPage::LogPage(QFrame* frame) : WatcherPage(frame) {
    LabelLogType = new QLabel(frame);
    LabelLogType->setObjectName(QStringLiteral("LabelLogType"));
    setGeometryTwips(LabelLogType, kLabelLeft, kLabelTop, kComboLeft - kLabelLeft - 60, 255);
    ComboLogType = new QComboBox(frame);
    ComboLogType->setObjectName(QStringLiteral("ComboLogType"));
    setGeometryTwips(ComboLogType, kComboLeft, kComboTop, kComboWidth, 315);
    SGGridLog = new LogGridView(frame);
    SGGridLog->setObjectName(QStringLiteral("SGGridLog"));
    setGeometryTwips(SGGridLog, kGridLeft, kGridTop, kPageWidthTwips - 240, kPageHeightTwips - 1050);
    connect(ComboLogType, &QComboBox::currentIndexChanged, this, [this](int) { ComboLogType_Click(); });
}

LogPage::~LogPage() = default;

void LogPage::ApplyLocalization(const manager::WatcherManager*) {
    LabelLogType->setText(engine::GetResourceString(4025));
}

void LogPage::InitializePage() {
    LoggingTab_Initialize();
    log(QStringLiteral("WATCHER: LoggingTab_Initialize returned"));
}

void LogPage::LoggingTab_Initialize() {
    // The grid's style: whole rows selected, columns the person can widen.
    SGGridLog->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    ol::StepGuard guard;
    guard.run([&] {
        SettingControlsScope scope(context().settingControls);
        ComboLogType->clear();
        ComboLogType->addItem(engine::GetResourceString(4043));
        ComboLogType->addItem(engine::GetResourceString(4044));
        ComboLogType->setCurrentIndex(kLogTypeAllTrials);
    });
}

void LogPage::PrepareUpdate() {
    BindLogServerIfLogExists();
}

void LogPage::BindLogServerIfLogExists() {
    if (m_LogServerBound || manager() == nullptr || !ol::fileExists(manager()->Input_LogPath()))
        return;
    ol::StepGuard guard;
    guard.run([&] { BindLogServer(); });
    m_LogServerBound = true;
}

void LogPage::BindLogServer() {
    m_LogServer = std::make_unique<loggrid::ProgressDialogLogSvr>();
    GridColumns columns(*this);
    m_LogServer->InitializeAndAddColumnsToGrid(&columns, manager());
    SGGridLog->setModel(m_LogServer.get());
    m_LogServer->SetGridRowCount(0);
    applyColumnWidths();
}

void LogPage::applyColumnWidths() {
    QHeaderView* header = SGGridLog->horizontalHeader();
    for (size_t c = 0; c < m_ColumnWidths.size() && static_cast<int>(c) < header->count(); ++c)
        header->resizeSection(static_cast<int>(c), twipsToPixels(m_ColumnWidths[c], SGGridLog));
}

void LogPage::Update(const PageUpdate&) {
    LoggingTab_Update();
}

void LogPage::LoggingTab_Update() {
    if (!m_LogServer)
        return;
    ol::StepGuard guard;
    guard.run([&] { m_LogServer->SetGridRowCount(m_LogServer->GetLogRowCount()); });
    guard.run([&] { SGGridLog->viewport()->update(); });
}

void LogPage::ComboLogType_Click() {
    if (settingControls() || manager() == nullptr)
        return;
    manager()->setIDForQxLogReadRecordVB(ComboLogType->currentIndex());
    LoggingTab_Update();
}

QString LogPage::CopyText() const {
    return SGGridLog->selectionText();
}

QList<QAbstractScrollArea*> LogPage::RowGrids() const {
    return {SGGridLog};
}

QString LogPage::RowGridSelectionText(const QAbstractScrollArea* grid) const {
    return grid == SGGridLog ? CopyText() : QString();
}

void LogPage::Dispose() {
    ol::StepGuard guard;
    guard.run([&] { SGGridLog->setModel(nullptr); });
    if (m_LogServer)
        guard.run([&] { m_LogServer->Dispose(); });
    m_LogServer.reset();
    WatcherPage::Dispose();
}

void LogPage::LayoutPage(const manager::WatcherLayout& layout) {
    setWidthTwips(SGGridLog, layout.gridWidth);
    setHeightTwips(SGGridLog,
                   manager::WatcherLayout::fitGridHeight(kGridTop, layout.logGridHeight, layout.frameHeight - 60));
}

} // namespace watcher
