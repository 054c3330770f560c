#pragma once

#include <cstdint>

#include <QString>

#include "ProgressSteps.h"
#include "WatcherPage.h"

class QLabel;

namespace watcher {

class GraphControl;

// Page 0 of the Watcher window: how the best objective value has improved.
// MirGraphAllTrials plots it against the trial number over the whole run,
// MirGraphLastTrials over the last N trials only; both are step curves built
// from the optimization log's progress steps. The page also keeps the
// window's status line (LabelProgressStatus), which the window places below
// the tabs and hands over.
class ProgressPage : public WatcherPage {
    Q_OBJECT

public:
    ProgressPage(QFrame* frame, QLabel* statusLabel);

    void ProgressTab_Initialize();
    void ProgressTab_InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown,
                                               int32_t numLastTrialsToShow);
    // Every update: appends the log's latest progress step when it brought a
    // new best value.
    void ProgressTab_ReadProgressSteps();
    // Records a step as ProgressTab_ReadProgressSteps does once it has read
    // one: the step data, the step curve and the last best value.
    void AddProgressStep(double trial, double bestValue);
    // When the page is shown or an update is forced: both curves.
    void ProgressTab_Update();
    // The status line = the manager's status text.
    void UpdateProgressStatusLabel();

    // The all-trials graph as an image file (the end-of-run progress graph):
    // the curve reaching the last trial, the title, the trial axis 0 ..
    // axisMaximum, width x height pixels.
    bool ExportAllTrialsGraph(const QString& path, const QString& title, double axisMaximum, int width, int height);

    GraphControl* allTrialsGraph() const { return MirGraphAllTrials; }
    GraphControl* lastTrialsGraph() const { return MirGraphLastTrials; }
    QLabel* statusLabel() const { return LabelProgressStatus; }
    const ProgressSteps& steps() const { return m_Steps; }
    double LastBestValue() const { return m_LastBestValue; }
    int32_t NumLastTrialsToShow() const { return m_NumLastTrialsToShow; }
    int32_t AllTrialsShown() const { return m_AllTrialsShown; }

    // WatcherPage
    void InitializeAfterFirstTrial(int32_t graphAllTrialsInitialNumTrialsShown, int32_t numLastTrialsToShow) override;
    void ShowAfterFirstTrial() override;
    void Update(const PageUpdate& update) override;
    void LayoutPage(const manager::WatcherLayout& layout) override;
    bool ModalDialogBeingDisplayed() const override;

protected:
    void InitializePage() override;

private:
    void refreshAllTrialsCurve(double trialCount);

    GraphControl* MirGraphLastTrials = nullptr;
    GraphControl* MirGraphAllTrials = nullptr;
    QLabel* LabelProgressStatus = nullptr;

    ProgressSteps m_Steps;
    // NaN until the first step: no value read from the log equals it.
    double m_LastBestValue;
    int32_t m_NumLastTrialsToShow = 0;
    int32_t m_AllTrialsShown = 0;
    // The last-trials curve, reused from update to update.
    GraphPoints m_LastTrialsCurve;
};

} // namespace watcher
