#include "ReportChoicesSection.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include "Formatting.h"
#include "PageLayout.h"
#include "ResourceStrings.h"
#include "Twips.h"

namespace watcher {

namespace {

namespace stopping = manager::stopping;

using namespace stoppinglayout;

// Designed top (twips) of the section; pages move the section by its tops.
constexpr double kDesignedLabelTop = 2115;

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

} // namespace

QLabel* makeStoppingLabel(QFrame* frame, const char* name, bool wrap) {
    auto* label = new QLabel(frame);
    label->setObjectName(QLatin1String(name));
    label->setWordWrap(wrap);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

QFrame* makeStoppingDivider(QFrame* frame, const char* name) {
    auto* divider = new QFrame(frame);
    divider->setObjectName(QLatin1String(name));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Sunken);
    return divider;
}

QCheckBox* makeStoppingCheck(QFrame* frame, const char* name) {
    auto* check = new QCheckBox(frame);
    check->setObjectName(QLatin1String(name));
    return check;
}

ReportChoicesSection::ReportChoicesSection(QFrame* frame, const char* progressStepsName) {
    const double dividerWidth = kPageWidthTwips - 2 * kSectionLeft;
    m_Label = makeStoppingLabel(frame, "LabelReportsToGenerate", false);
    setGeometryTwips(m_Label, kSectionLeft, kDesignedLabelTop, 4000, kLabelHeight);
    m_Placement = new QComboBox(frame);
    m_Placement->setObjectName(QStringLiteral("ComboReportPlacement"));
    setGeometryTwips(m_Placement, 4200, kDesignedLabelTop - 55, 3000, 315);
    m_Divider = makeStoppingDivider(frame, "FrameReportsDivider");
    setGeometryTwips(m_Divider, kSectionLeft, kDesignedLabelTop + 290, dividerWidth, kDividerHeight);
    m_Summary = makeStoppingCheck(frame, "CheckGenerateOptimizationSummary");
    m_AllTrials = makeStoppingCheck(frame, "CheckWriteLogOfAllTrials");
    m_ProgressSteps = makeStoppingCheck(frame, progressStepsName);
    for (QCheckBox* check : {m_Summary, m_AllTrials, m_ProgressSteps})
        setGeometryTwips(check, kItemLeft, 0, kCheckWidth, kLabelHeight);
    Place(stopping::ReportSectionTops(kDesignedLabelTop));
}

void ReportChoicesSection::ApplyLocalization(int progressStepsKey) {
    m_Label->setText(engine::GetResourceString(4031));
    m_Summary->setText(engine::GetResourceString(4032));
    m_AllTrials->setText(engine::GetResourceString(4034));
    m_ProgressSteps->setText(engine::GetResourceString(progressStepsKey));
}

void ReportChoicesSection::Place(const manager::stopping::ReportTops& tops) {
    setTopTwips(m_Label, tops.labelReportsToGenerate);
    setTopTwips(m_Placement, tops.comboReportPlacement);
    setTopTwips(m_Divider, tops.frameReportsDivider);
    setTopTwips(m_Summary, tops.checkGenerateOptimizationSummary);
    setTopTwips(m_AllTrials, tops.checkWriteLogOfAllTrials);
    setTopTwips(m_ProgressSteps, tops.checkWriteLogOfProgressSteps);
}

void ReportChoicesSection::SetDividerWidth(double twips) {
    setWidthTwips(m_Divider, twips);
}

void ReportChoicesSection::FillReportPlacement() {
    ComboBoxItems items(m_Placement);
    engine::FillReportPlacementCombo(items);
}

void ReportChoicesSection::EnableLogBoxes(double trialCount, double progressStepCount) {
    m_AllTrials->setEnabled(trialCount > 0);
    m_ProgressSteps->setEnabled(progressStepCount > 0);
}

void ReportChoicesSection::Show(const manager::stopping::PageChoices& shown) {
    if (shown.reportPlacement >= 0 && shown.reportPlacement < m_Placement->count())
        m_Placement->setCurrentIndex(shown.reportPlacement);
    m_Summary->setChecked(shown.generateSummary);
    m_AllTrials->setChecked(shown.writeLogOfAllTrials);
    m_ProgressSteps->setChecked(shown.writeLogOfProgressSteps);
}

void ReportChoicesSection::Read(manager::stopping::PageChoices& choices, const QFrame* page) const {
    choices.reportPlacement = m_Placement->currentIndex();
    choices.generateSummary = m_Summary->isChecked();
    choices.writeLogOfAllTrials = m_AllTrials->isChecked();
    choices.writeLogOfAllTrialsEnabled = m_AllTrials->isEnabledTo(page);
    choices.writeLogOfProgressSteps = m_ProgressSteps->isChecked();
    choices.writeLogOfProgressStepsEnabled = m_ProgressSteps->isEnabledTo(page);
}

} // namespace watcher
