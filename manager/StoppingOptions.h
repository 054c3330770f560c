#pragma once

#include <cstdint>
#include <functional>

#include <QString>

namespace manager {

class WatcherManager;

// The stopping-options page of the Watcher window without its widgets: what
// the page shows once a run has ended (the status text, where every control
// stands, which boxes are checked and which are greyed), and what OK writes
// back into the manager. The page copies these decisions onto its controls;
// everything here runs headless.
namespace stopping {

// Resource texts of the page.
inline constexpr int kResourceSolutionToKeep = 4054;      // LabelSolutionToKeep once arranged
inline constexpr int kResourceRestoreExplanation = 4056;  // LabelRestoreOriginal
inline constexpr int kResourceOriginalStillBest = 4057;   // the best is still trial 1
inline constexpr int kResourceConstraintsNote = 4058;     // appended when constraints may be unmet
inline constexpr int kResourceBetterSolutionFound = 4059; // a better solution than the original exists
inline constexpr int kResourceNoSolution = 4060;          // no progress step at all ("%1" = product)
inline constexpr int kResourceRestoreOriginal = 4061;     // CheckRestoreOriginal

// The product name the no-solution text names.
inline constexpr char16_t kProductName[] = u"Selvane";

// The solution selector that keeps the original solution in the sheet.
inline constexpr int32_t kSolutionOriginal = -2;

// The status label is two lines high, three once its text reaches this
// many characters.
inline constexpr int kLongStatusLength = 150;
inline constexpr double kStatusHeightShort = 480;
inline constexpr double kStatusHeightLong = 600;

// Designed tops (twips) of the two controls that arranging moves up by 150:
// the arranged page starts higher than the designed one because the status
// text goes below the divider.
inline constexpr double kDesignedSolutionLabelTop = 270;
inline constexpr double kDesignedSolutionDividerTop = 560;
inline constexpr double kArrangeMoveUp = 150;

// What the end of the run looks like, read once from the log and inputs.
struct RunFacts {
    double progressStepCount = 0;
    double trialCount = 0;
    // Trial number of the latest progress step (0 when there is none).
    double bestTrialNumber = 0;
    double bestValue = 0;
    bool constraintSolverMode = false;
    int32_t numConstraints = 0;

    // From the manager's statistics queries and inputs.
    static RunFacts fromManager(WatcherManager& manager);
};

// The status text and the restore-original box.
struct SolutionStatus {
    QString text;
    bool restoreChecked = false;
    bool restoreEnabled = false;
};

// No progress step: nothing better than the original exists, so the
// original stays (checked and greyed) and the text names the product. The
// latest step at trial 1: the original is still the best; checked and
// greyed too. Otherwise a better solution exists and the person chooses.
// The constraints note is appended in constraint-solver mode when the best
// value equals the number of constraints, outside it whenever the model has
// constraints.
SolutionStatus DecideSolutionStatus(const RunFacts& facts);

// Height of the status label for a text.
double StatusLabelHeight(const QString& text);

// The report section of a stopping page: its label, the placement selector
// beside it, the divider and the three report boxes one under the other.
struct ReportTops {
    double labelReportsToGenerate = 0;
    double comboReportPlacement = 0;
    double frameReportsDivider = 0;
    double checkGenerateOptimizationSummary = 0;
    double checkWriteLogOfAllTrials = 0;
    double checkWriteLogOfProgressSteps = 0;
};
// The section's tops when its label stands at `labelTop` (twips).
ReportTops ReportSectionTops(double labelTop);

// Every top (twips) that arranging the page sets.
struct PageTops {
    double labelSolutionToKeep = 0;
    double frameSolutionDivider = 0;
    double labelStoppingStatus = 0;
    double statusHeight = 0;
    double checkRestoreOriginal = 0;
    double labelRestoreOriginal = 0;
    double labelReportsToGenerate = 0;
    double comboReportPlacement = 0;
    double frameReportsDivider = 0;
    double checkGenerateOptimizationSummary = 0;
    double checkWriteLogOfAllTrials = 0;
    double checkWriteLogOfProgressSteps = 0;
    // Set only when the generator-seed controls are shown.
    bool seedShown = false;
    double labelGeneratorSeed = 0;
    double frameGeneratorSeedDivider = 0;
    double checkFixSeed = 0;
};

// The arranged tops for a status label of `statusHeight` and a restore box
// of `restoreCheckHeight`; the seed controls placed when `seedShown`.
PageTops ArrangeTops(double statusHeight, double restoreCheckHeight, bool seedShown);

// The state of the page's choice controls: check boxes as 1/0 and enabled
// flags, the report placement as the selector's index.
struct PageChoices {
    bool restoreChecked = false;
    bool restoreEnabled = false;
    int32_t reportPlacement = 0;
    bool generateSummary = false;
    bool writeLogOfAllTrials = false;
    bool writeLogOfAllTrialsEnabled = false;
    bool writeLogOfProgressSteps = false;
    bool writeLogOfProgressStepsEnabled = false;
};

// Arranging and StoppingOptionsTab_PutInfo together: the restore box from
// the status, the rest from the manager's stopping properties. A log box is
// greyed when the log holds nothing of its kind and then stays unchecked
// whatever the manager proposes, since there is nothing to write.
PageChoices ChoicesToShow(const RunFacts& facts, const SolutionStatus& status, const WatcherManager& manager);

// OK: a checked and enabled restore box keeps the original solution
// (Stop_SolutionToKeep = -2); a greyed one leaves the selector as the
// manager set it. Then StoppingOptionsTab_GetInfo: the report placement and
// the three report choices.
void ApplyRestoreChoice(WatcherManager& manager, const PageChoices& choices);
void WriteReportChoices(WatcherManager& manager, const PageChoices& choices);

// The first and last steps of OK in both full windows. The host gets its
// interactivity back when the run had taken it (and loses the Watcher's own
// status-bar message, never someone else's); then the host's stopping-options
// receiver gets the manager's three report choices and Stop_SolutionToKeep,
// in that order. A manager without a host application object calls nothing.
void RestoreHostInteraction(WatcherManager& manager);
void HandChoicesToHost(WatcherManager& manager);
// The rest of OK in both full windows: `takeChoicesAndHide` puts the stopping
// page's choices into the manager and hides the window, then
// HandChoicesToHost(*manager). An error on the way is shown as "Error in OK
// command handler: ..." through `windowManager` as it is then (the window's
// own member: null once the window has let its manager go).
void TakeChoicesAndHandToHost(WatcherManager* manager, WatcherManager* const& windowManager,
                              const std::function<void()>& takeChoicesAndHide);

} // namespace stopping
} // namespace manager
