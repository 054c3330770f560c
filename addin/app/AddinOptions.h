// The command line of the sample add-in: which model it optimizes, the run's
// limits and how it shows the run (with the Watcher, or a plain progress
// line).
#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

namespace addin {

// How the sheet shows recalculations while the run goes; the Watcher's
// Excel-updating menu changes it (channel 14).
enum class ExcelUpdating : int32_t { EveryRecalculation = 1, NewBestOnly = 2, None = 3 };

struct AddinOptions {
    QString model = QStringLiteral("portfolio");
    int64_t maxTrials = 20000; // 0 = no limit
    int64_t maxSeconds = 0;    // 0 = no limit
    int32_t populationSize = 50;
    uint64_t seed = 1;
    int64_t recalcMicroseconds = 250;
    bool efficientFrontier = false;
    std::optional<bool> constraintSolver; // unset: the model's own mode
    bool conflictingRule = false;
    bool unattended = false;
    bool watcher = true;
    int32_t multiCoreWorkers = 0; // 0 = a single-process run
    ExcelUpdating excelUpdating = ExcelUpdating::NewBestOnly;
    QString logPath;    // empty: a file in the temp folder
    QString statusFile; // empty: none
    bool help = false;
};

// Parses the arguments after the program name. On failure returns nothing
// and sets `error` to a sentence naming the faulty argument.
std::optional<AddinOptions> parseAddinOptions(const QStringList& arguments, QString& error);

// The --help text.
QString addinUsage();

} // namespace addin
