// An efficient-frontier analysis as a person sees it: the Watcher's frontier
// windows and its D-Bus server live in this process on a private bus, the
// sample add-in runs the portfolio's series of optimizations in a child
// process. The person moves the series on with the host's Next optimization
// button (SIGUSR1), answers the Watcher's questions through a script, stops
// the last optimization, and makes stopping choices; the frontier's chart
// ends in a workbook that a spreadsheet reader checks against the log.
#include <gtest/gtest.h>

#include <array>
#include <csignal>
#include <utility>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "AddinProcess.h"
#include "FormProgressEF.h"
#include "Formatting.h"
#include "GraphControl.h"
#include "LogReaders.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "WatcherManager.h"
#include "compact/FormProgressSmallEF.h"
#include "manager/HostObjects.h"
#include "ol/MessageBoxService.h"
#include "ol/VisualServices.h"
#include "pages/FrontierPages.h"
#include "pages/FrontierProgressPage.h"
#include "qxlib8.h"
#include "watcher_on_bus.h"

namespace {

using e2etest::currentManager;

// Generous: the machine may be busy, and nothing here is timed.
constexpr int kWaitMs = 120000;

// Answers every question Yes, noting it and the run status at that moment;
// plain messages are noted apart.
class Person final : public ol::MessageBoxService {
public:
    int32_t population = 0;
    QStringList questions;
    std::vector<int16_t> statusWhenAsked;
    QStringList messages;

    void showMessage(const ol::MessageRequest& request) override { messages << request.text; }
    bool askYesNo(const ol::YesNoRequest& request) override {
        note(request.text);
        return true;
    }
    int askWithHelp(const ol::HelpQuestion& question) override {
        note(question.text);
        return 1;
    }

private:
    void note(const QString& text) {
        questions << text;
        statusWhenAsked.push_back(population != 0 ? QxPopGetRunStatus(population) : int16_t(0));
    }
};

// The first whole number of a text ("12,345 of 100,000" gives 12345).
long long firstNumber(const QString& text) {
    static const QRegularExpression number(QStringLiteral("[0-9][0-9,.]*"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? m.captured().remove(QRegularExpression(QStringLiteral("[,.]"))).toLongLong() : -1;
}

// A Python 3 that can import openpyxl: the Debian one first, then whatever
// python3 the PATH finds; empty when there is none.
QString pythonWithOpenpyxl() {
    for (const QString& candidate : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess probe;
        probe.start(candidate, {QStringLiteral("-c"), QStringLiteral("import openpyxl")});
        if (probe.waitForFinished(60000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0)
            return candidate;
    }
    return {};
}

class FrontierSeriesTest : public e2etest::WatcherOnBusTest {
protected:
    ol::MessageBoxService& messageBoxes() override { return m_person; }

    Person m_person;
};

TEST_F(FrontierSeriesTest, EveryOptimizationShowsInBothWindowsAndTheFrontierReachesTheWorkbook) {
    addintest::AddinProcess addin(m_dir.path(), QStringLiteral("frontier"), addinEnvironment());
    // No limits: each optimization goes on until the person moves on.
    ASSERT_TRUE(addin.start({QStringLiteral("--efficient-frontier"), QStringLiteral("--trials"), QStringLiteral("0"),
                             QStringLiteral("--recalc-us"), QStringLiteral("500")}));
    ASSERT_TRUE(QTest::qWaitFor([] { return currentManager() && currentManager()->fullWindow(); }, kWaitMs))
        << addin.output().toStdString();
    manager::WatcherManager* m = currentManager();
    auto* full = dynamic_cast<watcher::FormProgressEF*>(m->fullWindow());
    auto* compact = dynamic_cast<watcher::FormProgressSmallEF*>(m->compactWindow());
    ASSERT_NE(full, nullptr);
    ASSERT_NE(compact, nullptr);
    auto* trialText = compact->findChild<QLineEdit*>(QStringLiteral("TextTrial"));
    ASSERT_NE(trialText, nullptr);
    const QString log = m->Input_LogPath();
    const int32_t n = m->Input_EFNumConstrainingValues();
    ASSERT_EQ(n, 5);
    const engine::TaggedCollection& values = m->Input_EFCollectionOfConstrainingValues_OptimizationOrder_Final();
    ASSERT_EQ(values.count(), n);

    for (int32_t k = 1; k <= n; ++k) {
        SCOPED_TRACE(k);
        // The Watcher follows optimization k's own population.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const auto s = addin.status();
                return s.value(QStringLiteral("optimization")).toInt() == k &&
                       s.value(QStringLiteral("population")).toInt() == m->Input_PopHandle();
            },
            kWaitMs))
            << addin.output().toStdString();
        m_person.population = m->Input_PopHandle();
        const long long trialsBefore = engine::Log_GetTrialCount(log);
        // The full window: the summary's row k holds the frontier solution's
        // trial, the progress graph has k's step curve. The compact window:
        // its trial count goes on past where optimization k began.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                const QStringList row = full->summaryPage()->model().rowText(k - 1).split(u'\t');
                return row.size() > 2 && firstNumber(row[1]) > 0 && !full->progressPage()->stepCurve(k).isEmpty() &&
                       firstNumber(trialText->text()) > trialsBefore;
            },
            kWaitMs))
            << full->summaryPage()->model().rowText(k - 1).toStdString() << " / " << trialText->text().toStdString()
            << "\n"
            << addin.output().toStdString();

        // The host's Next optimization button: the run pauses and the Watcher
        // asks whether to move on, naming the next constraining value; on
        // the last optimization it lets the run go on without asking.
        const qsizetype asked = m_person.questions.size();
        ASSERT_EQ(::kill(static_cast<pid_t>(addin.pid()), SIGUSR1), 0);
        if (k < n) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return m_person.questions.size() > asked; }, kWaitMs))
                << addin.output().toStdString();
            EXPECT_EQ(m_person.questions.last(),
                      QStringLiteral("Move on to the next optimization (with constraining value %1)?")
                          .arg(engine::FormatValueForDisplay(values.item(k + 1), false, false)));
            EXPECT_EQ(m_person.statusWhenAsked.back(), QxRunStatusPaused);
        } else {
            ASSERT_TRUE(
                QTest::qWaitFor([&] { return addin.output().contains(QStringLiteral("Resumed at trial")); }, kWaitMs))
                << addin.output().toStdString();
            EXPECT_EQ(m_person.questions.size(), asked) << m_person.questions.join(u'|').toStdString();
        }
    }

    // Stop the last optimization; once stopped, the frontier window comes up
    // modally on its stopping page, and the person makes choices there.
    struct Shown {
        bool modal = false;
        int configuration = 0;
        QList<QPointF> frontier;
        int progressCurves = 0;
        bool boxes = false;
        std::array<bool, 3> proposed{};
    } shown;
    // What the person asks for: the log of progress steps, no summary.
    const bool wantSummary = false, wantAllTrials = false, wantSteps = true;
    auto* person = new QTimer();
    person->setInterval(20);
    QObject::connect(person, &QTimer::timeout, [&, person] {
        if (QApplication::activeModalWidget() != full)
            return;
        person->stop();
        shown.modal = true;
        shown.configuration = full->DialogConfiguration();
        shown.frontier = full->progressPage()->frontierGraph()->curvePoints(1);
        shown.progressCurves = full->progressPage()->progressGraph()->CurveCount();
        auto* summary = full->findChild<QCheckBox*>(QStringLiteral("CheckGenerateOptimizationSummary"));
        auto* allTrials = full->findChild<QCheckBox*>(QStringLiteral("CheckWriteLogOfAllTrials"));
        auto* steps = full->findChild<QCheckBox*>(QStringLiteral("CheckWriteLogsOfProgressSteps"));
        shown.boxes = summary && allTrials && steps;
        if (shown.boxes) {
            shown.proposed = {summary->isChecked(), allTrials->isChecked(), steps->isChecked()};
            const std::pair<QCheckBox*, bool> wanted[] = {
                {summary, wantSummary}, {allTrials, wantAllTrials}, {steps, wantSteps}};
            for (const auto& [box, want] : wanted)
                if (box->isEnabled() && box->isChecked() != want)
                    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
        }
        if (auto* ok = full->findChild<QAbstractButton*>(QStringLiteral("CommandOK")))
            ok->click();
    });
    person->start();
    const qsizetype asked = m_person.questions.size();
    auto* stop = compact->findChild<QAbstractButton*>(QStringLiteral("CommandStop"));
    ASSERT_NE(stop, nullptr);
    stop->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_person.questions.size() > asked; }, kWaitMs))
        << addin.output().toStdString();
    EXPECT_EQ(m_person.questions.last(), engine::GetResourceString(4307));

    // The frontier as the log holds it: one point per constraining value
    // whose optimization found a solution, x growing.
    std::vector<std::pair<double, double>> expected;
    for (int32_t k = 1; k <= n; ++k) {
        double best = 0;
        int32_t trial = 0, step = 0;
        if (engine::Log_EFGetFrontierSolution(log, k, best, trial, step))
            expected.emplace_back(values.item(k).toDouble(), best);
    }
    ASSERT_EQ(static_cast<int32_t>(expected.size()), n) << "every optimization found a solution";

    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.modal; }, kWaitMs)) << addin.output().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return addin.pid() == 0; }, kWaitMs)) << addin.output().toStdString();
    delete person;
    const QString out = addin.output();
    EXPECT_EQ(addin.exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(m_person.messages.isEmpty()) << m_person.messages.join(u'|').toStdString();
    EXPECT_EQ(shown.configuration, watcher::FormProgressEF::kConfigStopped);
    EXPECT_EQ(shown.progressCurves, n);
    ASSERT_EQ(shown.frontier.size(), static_cast<qsizetype>(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_DOUBLE_EQ(shown.frontier[static_cast<qsizetype>(i)].x(), expected[i].first) << i;
        EXPECT_DOUBLE_EQ(shown.frontier[static_cast<qsizetype>(i)].y(), expected[i].second) << i;
    }
    EXPECT_EQ(out.count(QStringLiteral("moved on to the next optimization on request")), n - 1) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Optimization 5 (Risk <= 16.0%)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("stopped on request"))) << out.toStdString();

    // The page proposed the add-in's choices; OK handed the person's own to
    // the add-in, which wrote what they ask for: the progress steps of every
    // optimization of the series.
    ASSERT_TRUE(shown.boxes) << "the frontier window's stopping page has no report check boxes";
    EXPECT_EQ(shown.proposed, (std::array<bool, 3>{true, false, false}));
    auto yesNo = [](bool b) { return b ? QStringLiteral("yes") : QStringLiteral("no"); };
    EXPECT_TRUE(out.contains(QStringLiteral("Stopping choices (made in the Watcher)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Generate optimization summary: ") + yesNo(wantSummary)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Write log of all trials: ") + yesNo(wantAllTrials)))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Write log of progress steps: ") + yesNo(wantSteps)))
        << out.toStdString();
    const QDir dir(m_dir.path());
    EXPECT_TRUE(dir.entryList({QStringLiteral("*-summary.txt")}, QDir::Files).isEmpty());
    EXPECT_TRUE(dir.entryList({QStringLiteral("*-all-trials.tsv")}, QDir::Files).isEmpty());
    const QStringList stepLogs = dir.entryList({QStringLiteral("*-progress-steps.tsv")}, QDir::Files);
    ASSERT_EQ(stepLogs.size(), 1) << out.toStdString();
    const QString stepLog = dir.filePath(stepLogs.first());
    EXPECT_TRUE(out.contains(QStringLiteral("  Log of progress steps written: ") + stepLog)) << out.toStdString();
    QFile stepFile(stepLog);
    ASSERT_TRUE(stepFile.open(QIODevice::ReadOnly));
    const QStringList stepLines = QString::fromUtf8(stepFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    int loggedSteps = 0;
    for (int32_t k = 1; k <= n; ++k)
        loggedSteps += engine::Log_EFGetProgressStepCount(log, k);
    EXPECT_EQ(stepLines.size(), 1 + loggedSteps) << "a header and every optimization's progress steps";
    EXPECT_TRUE(stepLines.last().startsWith(QStringLiteral("Risk <= 16.0%\t"))) << stepLines.last().toStdString();

    // The workbook the add-in names in its summary.
    static const QRegularExpression named(QStringLiteral("\n  Frontier chart: (\\S+\\.xlsx)\n"));
    const QRegularExpressionMatch workbook = named.match(out);
    ASSERT_TRUE(workbook.hasMatch()) << out.toStdString();
    const QString workbookPath = workbook.captured(1);
    EXPECT_EQ(QFileInfo(workbookPath).absolutePath(), QFileInfo(addin.logPath()).absolutePath());
    ASSERT_TRUE(QFileInfo(workbookPath).isFile()) << workbookPath.toStdString();

    // A spreadsheet reader finds the scatter chart whose series holds the
    // log's frontier.
    const QString python = pythonWithOpenpyxl();
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with openpyxl (Debian package python3-openpyxl) is missing: the workbook was "
                        "written but not read back";
    QStringList args{QStringLiteral(SELVANE_FRONTIER_WORKBOOK_CHECK), workbookPath};
    for (const auto& [x, y] : expected)
        args << QStringLiteral("%1:%2").arg(x, 0, 'g', 17).arg(y, 0, 'g', 17);
    QProcess check;
    check.start(python, args);
    ASSERT_TRUE(check.waitForFinished(kWaitMs));
    EXPECT_EQ(check.exitCode(), 0) << check.readAllStandardError().toStdString();
    EXPECT_TRUE(check.readAllStandardOutput().startsWith("one scatter chart"));
}

} // namespace
