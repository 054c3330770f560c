#include "StoppingOptionsPage.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>

#include "PageLayout.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"

namespace watcher {

StoppingOptionsPage::StoppingOptionsPage(QFrame* frame) : WatcherPage(frame) {
    ComboReportPlacement = new QComboBox(frame);
    ComboReportPlacement->setObjectName(QStringLiteral("ComboReportPlacement"));
    setGeometryTwips(ComboReportPlacement, 4200, 2000, 3000, 315);
    LabelGeneratorSeed = new QLabel(frame);
    LabelGeneratorSeed->setObjectName(QStringLiteral("LabelGeneratorSeed"));
    setGeometryTwips(LabelGeneratorSeed, 120, 3300, 4000, 255);
    FrameGeneratorSeedDivider = new QFrame(frame);
    FrameGeneratorSeedDivider->setObjectName(QStringLiteral("FrameGeneratorSeedDivider"));
    FrameGeneratorSeedDivider->setFrameShape(QFrame::HLine);
    setGeometryTwips(FrameGeneratorSeedDivider, 120, 3590, kPageWidthTwips - 240, 30);
    CheckFixSeed = new QCheckBox(frame);
    CheckFixSeed->setObjectName(QStringLiteral("CheckFixSeed"));
    setGeometryTwips(CheckFixSeed, 240, 3800, 5000, 255);
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
    if (manager != nullptr && manager->Input_ConstraintSolverMode()) {
        LabelGeneratorSeed->setText(engine::GetResourceString(4518));
        CheckFixSeed->setText(engine::GetResourceString(4522));
    }
}

} // namespace watcher
