#pragma once

#include <cstdint>

#include <QList>
#include <QString>

namespace engine {

// Reading the optimization log that the add-in writes through the engine
// library: counts and single records for the windows' summaries. Nothing
// here writes the log, and nothing raises: an engine failure is written to
// the diagnostic log (LogQxLibError) and the function returns what it has,
// that is 0, false or the no-value double.

// Solution selectors of the "ForBestOriginalLast" readers; any other value
// selects the last trial.
inline constexpr int32_t kWhichBest = -1;
inline constexpr int32_t kWhichOriginal = -2;
inline constexpr int32_t kWhichLast = -5;

int32_t Log_GetTrialCount(const QString& path);
// Progress steps of a single optimization (selector 1).
int32_t Log_GetProgressStepCount(const QString& path);
// Progress steps of optimization k of an efficient-frontier analysis.
int32_t Log_EFGetProgressStepCount(const QString& path, int32_t constrainingValueIndex);
// Trial number of the last progress step; 0 when there is none.
int32_t Log_GetBestTrialNumber(const QString& path);
// Valid-trial count stored with the last trial; 0 when there is none.
int32_t Log_GetValidTrialCount(const QString& path);

// The objective value with penalties of the best (last progress step),
// original (trial 1) or last trial; the no-value double when there is no
// such record or it could not be read.
double Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(const QString& path, int32_t which);

// The adjustable-cell values of the best, original or last trial into
// `values` (one per gene of the log). True when a record was read.
bool Log_GetAdjustableCellValuesForBestOriginalLast(const QString& path, int32_t which, QList<double>& values);

// The adjustable-cell values of record `recordNumber` of table `tableId`
// (0 = every trial, k >= 1 = progress steps of optimization k). Reads only
// when recordNumber is at most the log's trial count. True when read.
bool Log_GetAdjustableCellValues(const QString& path, int32_t tableId, int32_t recordNumber, QList<double>& values);

// The last progress step of optimization k: its objective value with
// penalties (the no-value double when there is none), its trial number and
// its step number. True when the step exists and was read.
bool Log_EFGetFrontierSolution(const QString& path, int32_t constrainingValueIndex, double& valueWithPenalties,
                               int32_t& trialNumber, int32_t& progressStepNumber);

} // namespace engine
