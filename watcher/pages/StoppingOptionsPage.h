#pragma once

#include "WatcherPage.h"

class QCheckBox;
class QComboBox;
class QLabel;

namespace watcher {

// Page 6 of the Watcher window, shown only in the stopping configuration:
// which solution to keep, which reports and logs to write, and in
// constraint-solver mode whether to fix the generator seed.
class StoppingOptionsPage : public WatcherPage {
    Q_OBJECT

public:
    explicit StoppingOptionsPage(QFrame* frame);

    // WatcherPage
    void ApplyLocalization(const manager::WatcherManager* manager) override;

protected:
    void InitializePage() override;

private:
    QComboBox* ComboReportPlacement = nullptr;
    QLabel* LabelGeneratorSeed = nullptr;
    QFrame* FrameGeneratorSeedDivider = nullptr;
    QCheckBox* CheckFixSeed = nullptr;
};

} // namespace watcher
