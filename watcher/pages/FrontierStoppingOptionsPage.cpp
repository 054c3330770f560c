#include "FrontierStoppingOptionsPage.h"

#include <algorithm>

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QLabel>

#include "DiagnosticLog.h"
#include "FrontierWindowTexts.h"
#include "PageLayout.h"
#include "ReportChoicesSection.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

namespace stopping = manager::stopping;
using namespace stoppinglayout;

// Designed tops (twips). The heading and its divider, the status text
// under them, the reports, and the frontier-point controls last.
constexpr double kHeadingTop = 120;
constexpr double kDividerTop = kHeadingTop + 290;
constexpr double kStatusTop = kDividerTop + 150;
constexpr double kStatusHeight = stopping::kStatusHeightShort;
constexpr double kReportsTop = kStatusTop + kStatusHeight + 300;

} // namespace

FrontierStoppingOptionsPage::FrontierStoppingOptionsPage(QFrame* frame) : WatcherPage(frame) {
    const double dividerWidth = kPageWidthTwips - 2 * kSectionLeft;
    LabelEFAnalysisHasStopped = makeStoppingLabel(frame, "LabelEFAnalysisHasStopped", false);
    setGeometryTwips(LabelEFAnalysisHasStopped, kSectionLeft, kHeadingTop, dividerWidth, kLabelHeight);
    FrameSolutionDivider = makeStoppingDivider(frame, "FrameSolutionDivider");
    setGeometryTwips(FrameSolutionDivider, kSectionLeft, kDividerTop, dividerWidth, kDividerHeight);
    LabelStoppingStatus = makeStoppingLabel(frame, "LabelStoppingStatus", true);
    setGeometryTwips(LabelStoppingStatus, kItemLeft, kStatusTop, kPageWidthTwips - 2 * kItemLeft, kStatusHeight);

    m_Reports = std::make_unique<ReportChoicesSection>(frame, "CheckWriteLogsOfProgressSteps");
    const stopping::ReportTops reports = stopping::ReportSectionTops(kReportsTop);
    m_Reports->Place(reports);

    const double pointTop = reports.checkWriteLogOfProgressSteps + 500;
    CheckSetAdjustableCells = makeStoppingCheck(frame, "CheckSetAdjustableCells");
    setGeometryTwips(CheckSetAdjustableCells, kItemLeft, pointTop, 3800, kLabelHeight);
    CheckSetAdjustableCells->setVisible(false);
    ComboFrontierPointSelection = new QComboBox(frame);
    ComboFrontierPointSelection->setObjectName(QStringLiteral("ComboFrontierPointSelection"));
    setGeometryTwips(ComboFrontierPointSelection, 4200, pointTop - 55, 3000, 315);
    ComboFrontierPointSelection->setVisible(false);

    frame->installEventFilter(this);
}

FrontierStoppingOptionsPage::~FrontierStoppingOptionsPage() = default;

void FrontierStoppingOptionsPage::InitializePage() {
    // The report-placement selector stays hidden, as in the single
    // optimization's window: OK hands back the add-in's placement.
    m_Reports->placement()->setVisible(false);
}

void FrontierStoppingOptionsPage::ApplyLocalization(const manager::WatcherManager*) {
    LabelEFAnalysisHasStopped->setText(engine::GetResourceString(4069));
    // The frontier window names its progress-steps log after what it holds:
    // the best solutions of each optimization.
    m_Reports->ApplyLocalization(4070);
}

bool FrontierStoppingOptionsPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == frame() && event->type() == QEvent::Resize)
        fitWidth(widthTwips(frame()));
    return WatcherPage::eventFilter(watched, event);
}

void FrontierStoppingOptionsPage::fitWidth(double frameWidthTwips) {
    const double pageWidth = std::max(frameWidthTwips, kPageWidthTwips);
    const double dividerWidth = pageWidth - 2 * kSectionLeft;
    setWidthTwips(LabelEFAnalysisHasStopped, dividerWidth);
    setWidthTwips(FrameSolutionDivider, dividerWidth);
    m_Reports->SetDividerWidth(dividerWidth);
    setWidthTwips(LabelStoppingStatus, pageWidth - 2 * kItemLeft);
}

void FrontierStoppingOptionsPage::ArrangeForStopping() {
    StoppingOptionsTab_Arrange();
    StoppingOptionsTab_PutInfo();
}

void FrontierStoppingOptionsPage::StoppingOptionsTab_Arrange() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    LabelStoppingStatus->setText(manager::FrontierStoppingStatus(*manager()));
    m_Reports->FillReportPlacement();
}

void FrontierStoppingOptionsPage::StoppingOptionsTab_PutInfo() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    try {
        stopping::RunFacts facts;
        facts.trialCount = manager()->TrialCount();
        facts.progressStepCount = manager()->ProgressStepCount();
        m_Reports->EnableLogBoxes(facts.trialCount, facts.progressStepCount);
        m_Reports->Show(stopping::ChoicesToShow(facts, stopping::SolutionStatus{}, *manager()));
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("StoppingOptionsTab_PutInfo"));
        engine::DiagnosticLog::WriteLine(QStringLiteral("Error in StoppingOptionsTab_PutInfo: ") + error.description());
    }
}

manager::stopping::PageChoices FrontierStoppingOptionsPage::choices() const {
    stopping::PageChoices c;
    m_Reports->Read(c, frame());
    return c;
}

void FrontierStoppingOptionsPage::StoppingOptionsTab_GetInfo() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    stopping::WriteReportChoices(*manager(), choices());
}

} // namespace watcher
