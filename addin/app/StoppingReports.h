// The reports and logs the add-in writes at the end of a run when the person
// asked for them on the Watcher's stopping page. Each goes to a file beside
// the optimization log, named after it, and is written through the shared
// library's safe file calls.
#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QStringList>

namespace addin::reports {

// "<log stem>-summary.txt", "<log stem>-all-trials.tsv",
// "<log stem>-progress-steps.tsv" in the log's folder.
QString summaryPathFor(const QString& logPath);
QString allTrialsPathFor(const QString& logPath);
QString progressStepsPathFor(const QString& logPath);

// Writes `lines` as a text file. False with `why` set when it could not.
bool writeSummary(const QString& path, const QStringList& lines, QString& why);

// Writes one table of the log (0 = every trial, 1 = the progress steps) as
// tab-separated values: a header of trial, run time, objective, objective
// with penalties and the adjustable cells' names, then one row per record.
// False with `why` set when the log cannot be read or the file not written.
bool writeLogTable(const QString& logPath, int tableId, const QStringList& geneNames, const QString& path,
                   QString& why);

// Several tables of the log in one file, in the order given, each row led by
// its table's label in a first column headed `labelHeader`: the progress
// steps of every optimization of a frontier series (tables 1..N), each led
// by its constraining value.
bool writeLogTables(const QString& logPath, const std::vector<std::pair<int, QString>>& tables,
                    const QString& labelHeader, const QStringList& geneNames, const QString& path, QString& why);

} // namespace addin::reports
