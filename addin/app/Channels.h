// The temp-data channels as the add-in uses them: the numbers it shares with
// the Watcher and typed reads and writes (Booleans are 16-bit, true = -1;
// Longs 32-bit; Doubles 64-bit).
#pragma once

#include <cstdint>

namespace addin::channels {

enum Channel : int16_t {
    StopGenerateOptimizationSummary = 2,
    StopWriteLogOfAllTrials = 3,
    StopWriteLogOfProgressSteps = 4,
    StopSolutionToKeep = 5,
    FirstTrialGraphAllTrialsInitialNumTrialsShown = 6,
    FirstTrialNumLastTrialsToShow = 7,
    FirstTrialInfoAvailable = 8,
    WatcherInitializedAfterFirstTrial = 9,
    WatcherRequestsXLUpdate = 10,
    NumTrialUnderWay = 13,
    ShowExcelRecalculations = 14,
    WatcherSentCommandToShowItModally = 15,
    XLRequestToAskUserAboutSolver = 16,
    OLToldWatcherToStopTimer = 17,
    WatcherStoppedTimer = 18,
    XLRequestToAskUserAboutInconsistentConstraints = 20,
    EFNumOptimizationUnderWay = 21,
};

// Answers the Watcher writes back into the question channels.
constexpr int32_t kAnswerYes = -1;
constexpr int32_t kAnswerNo = -2;

bool readBool(Channel c);
int32_t readLong(Channel c);
double readDouble(Channel c);
void writeBool(Channel c, bool v);
void writeLong(Channel c, int32_t v);
void writeDouble(Channel c, double v);

} // namespace addin::channels
