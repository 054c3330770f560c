#include "StoppingOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include "DiagnosticLog.h"
#include "Formatting.h"
#include "PageLayout.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherLayout.h"
#include "WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

namespace stopping = manager::stopping;

// Designed geometry (twips) of the controls; arranging sets their tops.
constexpr double kSectionLeft = 120;
constexpr double kItemLeft = 240;
constexpr double kLabelHeight = 255;
constexpr double kDividerHeight = 30;
constexpr double kCheckWidth = 5000;
// The explanation under the restore box is indented like the box's text.
constexpr double kRestoreLabelLeft = 540;
constexpr double kRestoreLabelHeight = 420;

// The selector as the shared filler sees it.
class ComboBoxItems final : public engine::ComboItems {
public:
    explicit ComboBoxItems(QComboBox* combo) : m_combo(combo) {}
    void clear() override { m_combo->clear(); }
    void addItem(const QString& text) override { m_combo->addItem(text); }
    void setCurrentIndex(int index) override { m_combo->setCurrentIndex(index); }

private:
    QComboBox* m_combo;
};

QLabel* makeLabel(QFrame* frame, const char* name, bool wrap) {
    auto* label = new QLabel(frame);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QFrame* makeDivider(QFrame* frame, const char* name) {
    auto* divider = new QFrame(frame);
    divider->setObjectName(QLatin1String(name));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    return divider;
}

QCheckBox* makeCheck(QFrame* frame, const char* name) {
    auto* check = new QCheckBox(frame);
    check->setObjectName(QLatin1String(name));
    return check;
}

} // namespace

StoppingOptionsPage::StoppingOptionsPage(QFrame* frame) : WatcherPage(frame) {
    const double dividerWidth = kPageWidthTwips - 240;
    const double textWidth = kPageWidthTwips - 2 * kItemLeft;

    LabelSolutionToKeep = makeLabel(frame, "LabelSolutionToKeep", false);
    setGeometryTwips(LabelSolutionToKeep, kSectionLeft, stopping::kDesignedSolutionLabelTop, dividerWidth,
                     kLabelHeight);
    FrameSolutionDivider = makeDivider(frame, "FrameSolutionDivider");
    setGeometryTwips(FrameSolutionDivider, kSectionLeft, stopping::kDesignedSolutionDividerTop, dividerWidth,
                     kDividerHeight);
    LabelStoppingStatus = makeLabel(frame, "LabelStoppingStatus", true);
    setGeometryTwips(LabelStoppingStatus, kItemLeft, 710, textWidth, stopping::kStatusHeightShort);
    CheckRestoreOriginal = makeCheck(frame, "CheckRestoreOriginal");
    setGeometryTwips(CheckRestoreOriginal, kItemLeft, 1340, kCheckWidth, kLabelHeight);
    LabelRestoreOriginal = makeLabel(frame, "LabelRestoreOriginal", true);
    setGeometryTwips(LabelRestoreOriginal, kRestoreLabelLeft, 1615, kPageWidthTwips - kRestoreLabelLeft - kItemLeft,
                     kRestoreLabelHeight);

    LabelReportsToGenerate = makeLabel(frame, "LabelReportsToGenerate", false);
    setGeometryTwips(LabelReportsToGenerate, kSectionLeft, 2115, 4000, kLabelHeight);
    ComboReportPlacement = new QComboBox(frame);
    ComboReportPlacement->setObjectName(QStringLiteral("ComboReportPlacement"));
    setGeometryTwips(ComboReportPlacement, 4200, 2060, 3000, 315);
    FrameReportsDivider = makeDivider(frame, "FrameReportsDivider");
    setGeometryTwips(FrameReportsDivider, kSectionLeft, 2405, dividerWidth, kDividerHeight);
    CheckGenerateOptimizationSummary = makeCheck(frame, "CheckGenerateOptimizationSummary");
    setGeometryTwips(CheckGenerateOptimizationSummary, kItemLeft, 2615, kCheckWidth, kLabelHeight);
    CheckWriteLogOfAllTrials = makeCheck(frame, "CheckWriteLogOfAllTrials");
    setGeometryTwips(CheckWriteLogOfAllTrials, kItemLeft, 3015, kCheckWidth, kLabelHeight);
    CheckWriteLogOfProgressSteps = makeCheck(frame, "CheckWriteLogOfProgressSteps");
    setGeometryTwips(CheckWriteLogOfProgressSteps, kItemLeft, 3415, kCheckWidth, kLabelHeight);

    LabelGeneratorSeed = makeLabel(frame, "LabelGeneratorSeed", false);
    setGeometryTwips(LabelGeneratorSeed, kSectionLeft, 3915, dividerWidth, kLabelHeight);
    FrameGeneratorSeedDivider = makeDivider(frame, "FrameGeneratorSeedDivider");
    setGeometryTwips(FrameGeneratorSeedDivider, kSectionLeft, 4205, dividerWidth, kDividerHeight);
    CheckFixSeed = makeCheck(frame, "CheckFixSeed");
    setGeometryTwips(CheckFixSeed, kItemLeft, 4415, kCheckWidth, kLabelHeight);
}

void StoppingOptionsPage::LayoutPage(const manager::WatcherLayout& layout) {
    // The dividers are as wide as the grids of the other pages; the texts
    // beside them keep their margins.
    const double dividerWidth = layout.gridWidth;
    const double pageWidth = dividerWidth + 240;
    for (QWidget* divider : {static_cast<QWidget*>(FrameSolutionDivider), static_cast<QWidget*>(FrameReportsDivider),
                             static_cast<QWidget*>(FrameGeneratorSeedDivider),
                             static_cast<QWidget*>(LabelSolutionToKeep), static_cast<QWidget*>(LabelGeneratorSeed)})
        setWidthTwips(divider, dividerWidth);
    setWidthTwips(LabelStoppingStatus, pageWidth - 2 * kItemLeft);
    setWidthTwips(LabelRestoreOriginal, pageWidth - kRestoreLabelLeft - kItemLeft);
}

void StoppingOptionsPage::InitializePage() {
    // The report-placement selector stays hidden; the generator-seed
    // controls are shown in constraint-solver mode only.
    ComboReportPlacement->setVisible(false);
    const bool solverMode = manager()->Input_ConstraintSolverMode();
    LabelGeneratorSeed->setVisible(solverMode);
    FrameGeneratorSeedDivider->setVisible(solverMode);
    CheckFixSeed->setVisible(solverMode);
}

void StoppingOptionsPage::ApplyLocalization(const manager::WatcherManager* manager) {
    LabelSolutionToKeep->setText(engine::GetResourceString(4027));
    LabelReportsToGenerate->setText(engine::GetResourceString(4031));
    CheckGenerateOptimizationSummary->setText(engine::GetResourceString(4032));
    CheckWriteLogOfAllTrials->setText(engine::GetResourceString(4034));
    CheckWriteLogOfProgressSteps->setText(engine::GetResourceString(4035));
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

    ComboBoxItems items(ComboReportPlacement);
    engine::FillReportPlacementCombo(items);

    setTopTwips(LabelReportsToGenerate, tops.labelReportsToGenerate);
    setTopTwips(ComboReportPlacement, tops.comboReportPlacement);
    setTopTwips(FrameReportsDivider, tops.frameReportsDivider);
    setTopTwips(CheckGenerateOptimizationSummary, tops.checkGenerateOptimizationSummary);
    setTopTwips(CheckWriteLogOfAllTrials, tops.checkWriteLogOfAllTrials);
    setTopTwips(CheckWriteLogOfProgressSteps, tops.checkWriteLogOfProgressSteps);
    if (tops.seedShown) {
        setTopTwips(LabelGeneratorSeed, tops.labelGeneratorSeed);
        setTopTwips(FrameGeneratorSeedDivider, tops.frameGeneratorSeedDivider);
        setTopTwips(CheckFixSeed, tops.checkFixSeed);
    }

    CheckWriteLogOfAllTrials->setEnabled(facts.trialCount > 0);
    CheckWriteLogOfProgressSteps->setEnabled(facts.progressStepCount > 0);
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
        // A placement the selector does not offer leaves the first one.
        if (shown.reportPlacement >= 0 && shown.reportPlacement < ComboReportPlacement->count())
            ComboReportPlacement->setCurrentIndex(shown.reportPlacement);
        CheckGenerateOptimizationSummary->setChecked(shown.generateSummary);
        CheckWriteLogOfAllTrials->setChecked(shown.writeLogOfAllTrials);
        CheckWriteLogOfProgressSteps->setChecked(shown.writeLogOfProgressSteps);
    } catch (...) {
        const ol::OLError error = ol::currentExceptionAsError(QStringLiteral("StoppingOptionsTab_PutInfo"));
        engine::DiagnosticLog::WriteLine(QStringLiteral("Error in StoppingOptionsTab_PutInfo: ") + error.description());
    }
}

manager::stopping::PageChoices StoppingOptionsPage::choices() const {
    stopping::PageChoices c;
    c.restoreChecked = CheckRestoreOriginal->isChecked();
    c.restoreEnabled = CheckRestoreOriginal->isEnabledTo(frame());
    c.reportPlacement = ComboReportPlacement->currentIndex();
    c.generateSummary = CheckGenerateOptimizationSummary->isChecked();
    c.writeLogOfAllTrials = CheckWriteLogOfAllTrials->isChecked();
    c.writeLogOfAllTrialsEnabled = CheckWriteLogOfAllTrials->isEnabledTo(frame());
    c.writeLogOfProgressSteps = CheckWriteLogOfProgressSteps->isChecked();
    c.writeLogOfProgressStepsEnabled = CheckWriteLogOfProgressSteps->isEnabledTo(frame());
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
