#include "StoppingOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include "DiagnosticLog.h"
#include "PageLayout.h"
#include "ReportChoicesSection.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

namespace stopping = manager::stopping;
using namespace stoppinglayout;

// Designed geometry (twips) of the controls; arranging sets their tops.
// The explanation under the restore box is indented like the box's text.
constexpr double kRestoreLabelLeft = 540;
constexpr double kRestoreLabelHeight = 420;

} // namespace

StoppingOptionsPage::StoppingOptionsPage(QFrame* frame) : WatcherPage(frame) {
    const double dividerWidth = kPageWidthTwips - 240;
    const double textWidth = kPageWidthTwips - 2 * kItemLeft;

    LabelSolutionToKeep = makeStoppingLabel(frame, "LabelSolutionToKeep", false);
    setGeometryTwips(LabelSolutionToKeep, kSectionLeft, stopping::kDesignedSolutionLabelTop, dividerWidth,
                     kLabelHeight);
    FrameSolutionDivider = makeStoppingDivider(frame, "FrameSolutionDivider");
    setGeometryTwips(FrameSolutionDivider, kSectionLeft, stopping::kDesignedSolutionDividerTop, dividerWidth,
                     kDividerHeight);
    LabelStoppingStatus = makeStoppingLabel(frame, "LabelStoppingStatus", true);
    setGeometryTwips(LabelStoppingStatus, kItemLeft, 710, textWidth, stopping::kStatusHeightShort);
    CheckRestoreOriginal = makeStoppingCheck(frame, "CheckRestoreOriginal");
    setGeometryTwips(CheckRestoreOriginal, kItemLeft, 1340, kCheckWidth, kLabelHeight);
    LabelRestoreOriginal = makeStoppingLabel(frame, "LabelRestoreOriginal", true);
    setGeometryTwips(LabelRestoreOriginal, kRestoreLabelLeft, 1615, kPageWidthTwips - kRestoreLabelLeft - kItemLeft,
                     kRestoreLabelHeight);

    m_Reports = std::make_unique<ReportChoicesSection>(frame, "CheckWriteLogOfProgressSteps");

    LabelGeneratorSeed = makeStoppingLabel(frame, "LabelGeneratorSeed", false);
    setGeometryTwips(LabelGeneratorSeed, kSectionLeft, 3915, dividerWidth, kLabelHeight);
    FrameGeneratorSeedDivider = makeStoppingDivider(frame, "FrameGeneratorSeedDivider");
    setGeometryTwips(FrameGeneratorSeedDivider, kSectionLeft, 4205, dividerWidth, kDividerHeight);
    CheckFixSeed = makeStoppingCheck(frame, "CheckFixSeed");
    setGeometryTwips(CheckFixSeed, kItemLeft, 4415, kCheckWidth, kLabelHeight);
}

StoppingOptionsPage::~StoppingOptionsPage() = default;

void StoppingOptionsPage::LayoutPage(const manager::WatcherLayout& layout) {
    // The dividers are as wide as the grids of the other pages; the texts
    // beside them keep their margins.
    const double dividerWidth = layout.gridWidth;
    const double pageWidth = dividerWidth + 240;
    for (QWidget* divider : {static_cast<QWidget*>(FrameSolutionDivider), static_cast<QWidget*>(m_Reports->divider()),
                             static_cast<QWidget*>(FrameGeneratorSeedDivider),
                             static_cast<QWidget*>(LabelSolutionToKeep), static_cast<QWidget*>(LabelGeneratorSeed)})
        setWidthTwips(divider, dividerWidth);
    setWidthTwips(LabelStoppingStatus, pageWidth - 2 * kItemLeft);
    setWidthTwips(LabelRestoreOriginal, pageWidth - kRestoreLabelLeft - kItemLeft);
}

void StoppingOptionsPage::InitializePage() {
    // The report-placement selector stays hidden; the generator-seed
    // controls are shown in constraint-solver mode only.
    m_Reports->placement()->setVisible(false);
    const bool solverMode = manager()->Input_ConstraintSolverMode();
    LabelGeneratorSeed->setVisible(solverMode);
    FrameGeneratorSeedDivider->setVisible(solverMode);
    CheckFixSeed->setVisible(solverMode);
}

void StoppingOptionsPage::ApplyLocalization(const manager::WatcherManager* manager) {
    LabelSolutionToKeep->setText(engine::GetResourceString(4027));
    m_Reports->ApplyLocalization(4035);
    if (manager != nullptr && manager->Input_ConstraintSolverMode()) {
        LabelGeneratorSeed->setText(engine::GetResourceString(4518));
        CheckFixSeed->setText(engine::GetResourceString(4522));
    }
}

void StoppingOptionsPage::ArrangeForStopping() {
    StoppingOptionsTab_Arrange();
    StoppingOptionsTab_PutInfo();
}

void StoppingOptionsPage::StoppingOptionsTab_Arrange() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    LabelSolutionToKeep->setText(engine::GetResourceString(stopping::kResourceSolutionToKeep));
    CheckRestoreOriginal->setText(engine::GetResourceString(stopping::kResourceRestoreOriginal));
    LabelRestoreOriginal->setText(engine::GetResourceString(stopping::kResourceRestoreExplanation));

    const stopping::RunFacts facts = stopping::RunFacts::fromManager(*manager());
    const stopping::SolutionStatus status = stopping::DecideSolutionStatus(facts);
    LabelStoppingStatus->setText(status.text);

    // Visible in constraint-solver mode; asked of the page, not the screen,
    // so that a window not yet shown arranges the same.
    const bool seedShown = !LabelGeneratorSeed->isHidden();
    const stopping::PageTops tops =
        stopping::ArrangeTops(stopping::StatusLabelHeight(status.text), heightTwips(CheckRestoreOriginal), seedShown);
    setTopTwips(LabelSolutionToKeep, tops.labelSolutionToKeep);
    setTopTwips(FrameSolutionDivider, tops.frameSolutionDivider);
    setTopTwips(LabelStoppingStatus, tops.labelStoppingStatus);
    setHeightTwips(LabelStoppingStatus, tops.statusHeight);
    setTopTwips(CheckRestoreOriginal, tops.checkRestoreOriginal);
    setTopTwips(LabelRestoreOriginal, tops.labelRestoreOriginal);
    CheckRestoreOriginal->setChecked(status.restoreChecked);
    CheckRestoreOriginal->setEnabled(status.restoreEnabled);
    LabelRestoreOriginal->setEnabled(status.restoreEnabled);

    m_Reports->FillReportPlacement();
    m_Reports->Place(stopping::ReportSectionTops(tops.labelReportsToGenerate));
    if (tops.seedShown) {
        setTopTwips(LabelGeneratorSeed, tops.labelGeneratorSeed);
        setTopTwips(FrameGeneratorSeedDivider, tops.frameGeneratorSeedDivider);
        setTopTwips(CheckFixSeed, tops.checkFixSeed);
    }

    m_Reports->EnableLogBoxes(facts.trialCount, facts.progressStepCount);
}

void StoppingOptionsPage::StoppingOptionsTab_PutInfo() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    try {
        const stopping::RunFacts facts = stopping::RunFacts::fromManager(*manager());
        stopping::SolutionStatus status;
        status.restoreChecked = CheckRestoreOriginal->isChecked();
        status.restoreEnabled = CheckRestoreOriginal->isEnabledTo(frame());
        const stopping::PageChoices shown = stopping::ChoicesToShow(facts, status, *manager());
        m_Reports->Show(shown);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("StoppingOptionsTab_PutInfo"));
        engine::DiagnosticLog::WriteLine(QStringLiteral("Error in StoppingOptionsTab_PutInfo: ") + error.description());
    }
}

manager::stopping::PageChoices StoppingOptionsPage::choices() const {
    stopping::PageChoices c;
    c.restoreChecked = CheckRestoreOriginal->isChecked();
    c.restoreEnabled = CheckRestoreOriginal->isEnabledTo(frame());
    m_Reports->Read(c, frame());
    return c;
}

void StoppingOptionsPage::StoppingOptionsTab_GetInfo() {
    if (manager() == nullptr)
        return;
    const SettingControlsScope scope(context().settingControls);
    stopping::WriteReportChoices(*manager(), choices());
}

void StoppingOptionsPage::ApplyRestoreOriginal() {
    if (manager() != nullptr)
        stopping::ApplyRestoreChoice(*manager(), choices());
}

} // namespace watcher
