#pragma once

#include <memory>

#include "WatcherPage.h"
#include "manager/StoppingOptions.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace watcher {

class ReportChoicesSection;

// Page 6 of the Watcher window, shown only in the stopping configuration:
// which solution to keep, which reports and logs to write, and in
// constraint-solver mode whether to fix the generator seed. What the page
// shows is decided by manager::stopping; the page puts it on its controls
// and reads the person's choices back at OK.
class StoppingOptionsPage : public WatcherPage {
    Q_OBJECT

public:
    explicit StoppingOptionsPage(QFrame* frame);
    ~StoppingOptionsPage() override;

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;
    // The section labels, dividers and texts follow the page's width.
    void LayoutPage(const manager::WatcherLayout& layout) override;
    // Arrange, then PutInfo.
    void ArrangeForStopping() override;

    // Places the controls under the status text, fills the status text, the
    // restore-original box and the report-placement selector from the log.
    void StoppingOptionsTab_Arrange();
    // The manager's stopping properties onto the check boxes and selector.
    void StoppingOptionsTab_PutInfo();
    // The selector and the report boxes back into the manager's properties.
    void StoppingOptionsTab_GetInfo();
    // OK's choice of solution: the original when the restore box is checked
    // and the person could change it.
    void ApplyRestoreOriginal();

    // The controls' state as the person left it.
    manager::stopping::PageChoices choices() const;

protected:
    void InitializePage() override;

private:
    QLabel* LabelSolutionToKeep = nullptr;
    QFrame* FrameSolutionDivider = nullptr;
    QLabel* LabelStoppingStatus = nullptr;
    QCheckBox* CheckRestoreOriginal = nullptr;
    QLabel* LabelRestoreOriginal = nullptr;
    // LabelReportsToGenerate, ComboReportPlacement, FrameReportsDivider and
    // the three report boxes.
    std::unique_ptr<ReportChoicesSection> m_Reports;
    QLabel* LabelGeneratorSeed = nullptr;
    QFrame* FrameGeneratorSeedDivider = nullptr;
    QCheckBox* CheckFixSeed = nullptr;
};

} // namespace watcher
