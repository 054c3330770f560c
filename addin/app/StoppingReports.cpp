#include "StoppingReports.h"

#include <algorithm>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "ol/SafeFile.h"
#include "qxlib8.h"

namespace addin::reports {

namespace {

QString besideLog(const QString& logPath, const QString& suffix) {
    const QFileInfo log(logPath);
    QString stem = log.fileName();
    if (const qsizetype dot = stem.lastIndexOf(u'.'); dot > 0)
        stem.truncate(dot);
    return log.dir().filePath(stem + suffix);
}

bool writeText(const QString& path, const QString& text, QString& why) {
    const QByteArray bytes = text.toUtf8();
    std::string error;
    if (!ol::safefile::replaceFile(QFile::encodeName(path).toStdString(), bytes.constData(),
                                   static_cast<size_t>(bytes.size()), error)) {
        why = QString::fromStdString(error);
        return false;
    }
    return true;
}

QString number(double v) {
    return QString::number(v, 'g', 15);
}

} // namespace

QString summaryPathFor(const QString& logPath) {
    return besideLog(logPath, QStringLiteral("-summary.txt"));
}

QString allTrialsPathFor(const QString& logPath) {
    return besideLog(logPath, QStringLiteral("-all-trials.tsv"));
}

QString progressStepsPathFor(const QString& logPath) {
    return besideLog(logPath, QStringLiteral("-progress-steps.tsv"));
}

bool writeSummary(const QString& path, const QStringList& lines, QString& why) {
    return writeText(path, lines.join(u'\n') + u'\n', why);
}

bool writeLogTable(const QString& logPath, int tableId, const QStringList& geneNames, const QString& path,
                   QString& why) {
    return writeLogTables(logPath, {{tableId, QString()}}, QString(), geneNames, path, why);
}

bool writeLogTables(const QString& logPath, const std::vector<std::pair<int, QString>>& tables,
                    const QString& labelHeader, const QStringList& geneNames, const QString& path, QString& why) {
    const QByteArray log = QFile::encodeName(logPath);
    int32_t trials = 0, steps = 0, chromosomes = 0, genes = 0, constraints = 0;
    if (QxLogGetRecordCountsWVB(log.constData(), &trials, &steps) != QX_OK ||
        QxLogGetCountsWVB(log.constData(), &chromosomes, &genes, &constraints) != QX_OK) {
        why = QStringLiteral("cannot read the log %1").arg(logPath);
        return false;
    }
    const bool labelled = !labelHeader.isEmpty();
    QStringList header = {QStringLiteral("Trial"), QStringLiteral("Run time (ms)"), QStringLiteral("Objective"),
                          QStringLiteral("Objective with penalties")};
    if (labelled)
        header.prepend(labelHeader);
    for (int32_t g = 0; g < genes; ++g)
        header << (g < geneNames.size() ? geneNames[g] : QStringLiteral("Cell %1").arg(g + 1));
    QString text = header.join(u'\t') + u'\n';
    std::vector<double> geneValues(static_cast<size_t>(std::max(genes, 1)));
    std::vector<double> constraintValues(static_cast<size_t>(std::max(constraints, 1)));
    std::vector<double> cellValues(constraintValues.size());
    std::vector<double> spare(constraintValues.size());
    for (const auto& [tableId, label] : tables) {
        // Every trial, or the progress steps recorded under one selector
        // (one optimization of a frontier series).
        int32_t records = trials;
        if (tableId != 0 && QxLogGetRecordCounts2WVB(log.constData(), &trials, tableId, &records) != QX_OK) {
            why = QStringLiteral("cannot read the log %1").arg(logPath);
            return false;
        }
        for (int32_t r = 1; r <= records; ++r) {
            int32_t elapsed = 0, recalc = 0;
            double value = 0, withPenalties = 0;
            QxLogRecordExtra extra{};
            if (QxLogReadRecordWVB(log.constData(), r, tableId, &elapsed, &value, &withPenalties, &recalc,
                                   constraintValues.data(), constraints, cellValues.data(), constraints, spare.data(),
                                   constraints, geneValues.data(), genes, &extra) != QX_OK) {
                why = QStringLiteral("cannot read record %1 of the log %2").arg(r).arg(logPath);
                return false;
            }
            QStringList row = {QString::number(recalc), QString::number(elapsed), number(value), number(withPenalties)};
            if (labelled)
                row.prepend(label);
            for (int32_t g = 0; g < genes; ++g)
                row << number(geneValues[static_cast<size_t>(g)]);
            text += row.join(u'\t') + u'\n';
        }
    }
    return writeText(path, text, why);
}

} // namespace addin::reports
