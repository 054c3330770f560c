#pragma once

#include <memory>

#include "WatcherPage.h"
#include "manager/StoppingOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace watcher {

class ReportChoicesSection;

// Page 3 of the efficient-frontier window, shown only in the stopping
// configuration: that the analysis has stopped, for how many constraining
// values a solution was found, and which reports and logs to write. There is
// no solution to keep and no generator seed here.
//
// CheckSetAdjustableCells and ComboFrontierPointSelection (putting one
// frontier point's solution into the adjustable cells) stand in their places
// below the reports but stay hidden: nothing captions them or reads them yet,
// and a control that does nothing would mislead.
class FrontierStoppingOptionsPage : public WatcherPage {
    Q_OBJECT

public:
    explicit FrontierStoppingOptionsPage(QFrame* frame);
    ~FrontierStoppingOptionsPage() override;

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    // Arrange, then PutInfo.
    void ArrangeForStopping() override;

    // The stopping status from the log (resource 4068 with the constraining
    // values that found a solution and the series' length) and the two
    // report placements.
    void StoppingOptionsTab_Arrange();
    // The manager's report properties onto the selector and the boxes; a log
    // box is greyed and unchecked while the log holds nothing of its kind.
    void StoppingOptionsTab_PutInfo();
    // The selector and the three boxes back into the manager's properties.
    void StoppingOptionsTab_GetInfo();

    // The controls' state as the person left it.
    manager::stopping::PageChoices choices() const;

protected:
    void InitializePage() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The section labels, dividers and texts follow the frame's width.
    void fitWidth(double frameWidthTwips);

    QLabel* LabelEFAnalysisHasStopped = nullptr;
    QFrame* FrameSolutionDivider = nullptr;
    QLabel* LabelStoppingStatus = nullptr;
    // LabelReportsToGenerate, ComboReportPlacement, FrameReportsDivider,
    // CheckGenerateOptimizationSummary, CheckWriteLogOfAllTrials and
    // CheckWriteLogsOfProgressSteps.
    std::unique_ptr<ReportChoicesSection> m_Reports;
    QCheckBox* CheckSetAdjustableCells = nullptr;
    QComboBox* ComboFrontierPointSelection = nullptr;
};

} // namespace watcher
