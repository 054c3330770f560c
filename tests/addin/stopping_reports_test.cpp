// The reports the sample add-in writes when the person asks for them on the
// stopping page: where they go, what a log table holds for a real run, and
// that a missing log or an unwritable folder is reported, not crashed on.
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "OptimizationRun.h"
#include "StoppingReports.h"
#include "models/Model.h"
#include "qxlib8.h"

namespace {

using namespace addin::reports;

QStringList linesOf(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(file.readAll());
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.split(u'\n');
}

TEST(StoppingReportPaths, AreNamedAfterTheLogInItsFolder) {
    EXPECT_EQ(summaryPathFor(QStringLiteral("/data/run.qxlog")), QStringLiteral("/data/run-summary.txt"));
    EXPECT_EQ(allTrialsPathFor(QStringLiteral("/data/run.qxlog")), QStringLiteral("/data/run-all-trials.tsv"));
    EXPECT_EQ(progressStepsPathFor(QStringLiteral("/data/run.qxlog")), QStringLiteral("/data/run-progress-steps.tsv"));
    // Only the last extension goes; a name without one, or a hidden name,
    // stays whole.
    EXPECT_EQ(summaryPathFor(QStringLiteral("/data/a.b.qxlog")), QStringLiteral("/data/a.b-summary.txt"));
    EXPECT_EQ(summaryPathFor(QStringLiteral("/data/run")), QStringLiteral("/data/run-summary.txt"));
    EXPECT_EQ(summaryPathFor(QStringLiteral("/data/.qxlog")), QStringLiteral("/data/.qxlog-summary.txt"));
}

class StoppingReportsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // Temp-data channels of this case only: ctest runs cases in parallel.
        ::setenv("SELVANE_INSTANCE", ::testing::UnitTest::GetInstance()->current_test_info()->name(), 1);
        m_logPath = m_dir.filePath(QStringLiteral("run.qxlog"));
    }
    void TearDown() override {
        if (m_log)
            QxLogClose(m_log);
        QxFree();
    }
    // A finished route run of `trials` trials; its number of progress steps.
    int runRoute(int trials) {
        m_model = models::makeModel("route", 2);
        if (addin::CreateModelLog(*m_model, QFile::encodeName(m_logPath).toStdString(), m_log) != QX_OK)
            return -1;
        addin::RunOptions o;
        o.maxTrials = trials;
        o.populationSize = 30;
        addin::OptimizationRun run(*m_model, o, m_log, 1);
        if (run.start() != QX_OK)
            return -1;
        while (run.step() == addin::StepResult::Trial) {
        }
        return run.progressSteps();
    }
    QStringList geneNames() const {
        QStringList names;
        for (const auto& group : m_model->groups())
            for (const std::string& name : group.geneNames)
                names << QString::fromStdString(name);
        return names;
    }

    QTemporaryDir m_dir;
    QString m_logPath;
    int32_t m_log = 0;
    std::unique_ptr<models::Model> m_model;
};

TEST_F(StoppingReportsTest, LogTablesHoldEveryTrialOrEveryProgressStepOfTheRun) {
    const int steps = runRoute(120);
    ASSERT_GE(steps, 1);
    const QStringList names = geneNames();
    ASSERT_FALSE(names.isEmpty());
    QString why;

    const QString all = allTrialsPathFor(m_logPath);
    ASSERT_TRUE(writeLogTable(m_logPath, 0, names, all, why)) << why.toStdString();
    const QStringList allLines = linesOf(all);
    ASSERT_EQ(allLines.size(), 121);
    const QStringList header = allLines.first().split(u'\t');
    ASSERT_EQ(header.size(), 4 + names.size());
    EXPECT_EQ(header.first(), QStringLiteral("Trial"));
    EXPECT_EQ(header.mid(4), names);
    // One row per trial, in order, each as wide as the header.
    for (int r = 1; r < allLines.size(); ++r) {
        const QStringList row = allLines[r].split(u'\t');
        ASSERT_EQ(row.size(), header.size()) << r;
        EXPECT_EQ(row.first(), QString::number(r));
    }

    const QString progress = progressStepsPathFor(m_logPath);
    ASSERT_TRUE(writeLogTable(m_logPath, 1, names, progress, why)) << why.toStdString();
    const QStringList stepLines = linesOf(progress);
    ASSERT_EQ(stepLines.size(), steps + 1);
    // The first progress step is the original solution, trial 1.
    EXPECT_EQ(stepLines[1].split(u'\t').first(), QStringLiteral("1"));
}

// A frontier series logs each optimization's progress steps under its own
// selector: the report holds every optimization's, each row led by its label.
TEST_F(StoppingReportsTest, ASeriesProgressStepsReportHoldsEveryOptimizationLedByItsLabel) {
    m_model = models::makeModel("portfolio", 1);
    ASSERT_EQ(addin::CreateModelLog(*m_model, QFile::encodeName(m_logPath).toStdString(), m_log), QX_OK);
    std::vector<int> steps;
    int64_t next = 1;
    for (int k = 1; k <= 2; ++k) {
        m_model->setConstrainingLimit(m_model->constrainingValues()[static_cast<size_t>(k - 1)]);
        addin::RunOptions o;
        o.maxTrials = 150;
        o.populationSize = 20;
        addin::OptimizationRun run(*m_model, o, m_log, k, next);
        ASSERT_EQ(run.start(), QX_OK);
        while (run.step() == addin::StepResult::Trial) {
        }
        steps.push_back(run.progressSteps());
        next = run.nextTrialNumber();
    }
    ASSERT_GE(steps[0], 1);
    ASSERT_GE(steps[1], 1);
    QString why;
    const QString path = progressStepsPathFor(m_logPath);
    ASSERT_TRUE(writeLogTables(m_logPath, {{1, QStringLiteral("Risk <= 8.0%")}, {2, QStringLiteral("Risk <= 10.0%")}},
                               QStringLiteral("Optimization"), geneNames(), path, why))
        << why.toStdString();
    const QStringList lines = linesOf(path);
    ASSERT_EQ(lines.size(), 1 + steps[0] + steps[1]);
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Optimization\tTrial\t")));
    // Optimization 1's steps, then 2's, whose trials go on from 1's last.
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("Risk <= 8.0%\t1\t")));
    const QStringList firstOfSecond = lines[1 + steps[0]].split(u'\t');
    EXPECT_EQ(firstOfSecond[0], QStringLiteral("Risk <= 10.0%"));
    EXPECT_EQ(firstOfSecond[1], QStringLiteral("151"));
    EXPECT_TRUE(lines.last().startsWith(QStringLiteral("Risk <= 10.0%\t")));
}

TEST_F(StoppingReportsTest, MissingLogsAndUnwritableFoldersAreReportedAndLeaveNothing) {
    QString why;
    const QString missing = m_dir.filePath(QStringLiteral("none.qxlog"));
    const QString target = allTrialsPathFor(missing);
    EXPECT_FALSE(writeLogTable(missing, 0, {}, target, why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(QFile::exists(target));

    why.clear();
    const QString nowhere = m_dir.filePath(QStringLiteral("no/such/folder/run-summary.txt"));
    EXPECT_FALSE(writeSummary(nowhere, {QStringLiteral("x")}, why));
    EXPECT_FALSE(why.isEmpty());
}

TEST_F(StoppingReportsTest, ASummaryReplacesAnEarlierOneWhole) {
    const QString path = summaryPathFor(m_logPath);
    QString why;
    ASSERT_TRUE(writeSummary(path, {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")}, why))
        << why.toStdString();
    ASSERT_TRUE(writeSummary(path, {QStringLiteral("Best: 1"), QStringLiteral("Trials: 2")}, why)) << why.toStdString();
    EXPECT_EQ(linesOf(path), (QStringList{QStringLiteral("Best: 1"), QStringLiteral("Trials: 2")}));
}

} // namespace
