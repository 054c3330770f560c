#pragma once

#include "manager/StoppingOptions.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QString;

namespace watcher {

// Designed geometry (twips) both stopping pages and their report section
// share: section labels and dividers start at kSectionLeft, the items under
// them at kItemLeft.
namespace stoppinglayout {
inline constexpr double kSectionLeft = 120;
inline constexpr double kItemLeft = 240;
inline constexpr double kLabelHeight = 255;
inline constexpr double kDividerHeight = 30;
inline constexpr double kCheckWidth = 5000;
} // namespace stoppinglayout

// The controls both stopping pages share, made in a page's frame: section
// labels and dividers, and the report section (its label, the hidden
// report-placement selector, the divider and the three report boxes). The
// report boxes show and give back manager::stopping::PageChoices; the page
// decides where the section stands and which box means what.
QLabel* makeStoppingLabel(QFrame* frame, const char* name, bool wrap);
QFrame* makeStoppingDivider(QFrame* frame, const char* name);
QCheckBox* makeStoppingCheck(QFrame* frame, const char* name);

class ReportChoicesSection {
public:
    // The progress-steps box is named `progressStepsName` (the two windows
    // name it differently); the controls are the frame's children.
    ReportChoicesSection(QFrame* frame, const char* progressStepsName);

    QLabel* label() const { return m_Label; }
    QComboBox* placement() const { return m_Placement; }
    QFrame* divider() const { return m_Divider; }
    QCheckBox* summary() const { return m_Summary; }
    QCheckBox* allTrials() const { return m_AllTrials; }
    QCheckBox* progressSteps() const { return m_ProgressSteps; }

    // The section's texts; the progress-steps box gets resource string
    // `progressStepsKey`.
    void ApplyLocalization(int progressStepsKey);
    void Place(const manager::stopping::ReportTops& tops);
    void SetDividerWidth(double twips);
    // The two placements of the reports (4308, 4309), the first selected.
    void FillReportPlacement();
    // A log box is greyed while the log holds nothing of its kind.
    void EnableLogBoxes(double trialCount, double progressStepCount);
    // The placement and the three boxes from `shown`; a placement the
    // selector does not offer leaves the one selected.
    void Show(const manager::stopping::PageChoices& shown);
    // The placement, the boxes and their enabled states into `choices`;
    // enabled as seen within `page`, so that a page not on screen reads the
    // same.
    void Read(manager::stopping::PageChoices& choices, const QFrame* page) const;

private:
    QLabel* m_Label = nullptr;
    QComboBox* m_Placement = nullptr;
    QFrame* m_Divider = nullptr;
    QCheckBox* m_Summary = nullptr;
    QCheckBox* m_AllTrials = nullptr;
    QCheckBox* m_ProgressSteps = nullptr;
};

} // namespace watcher
