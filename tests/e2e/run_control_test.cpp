// A whole run as a person sees it: the Watcher's windows and its D-Bus server
// live in this process on a private bus, the sample add-in runs its
// optimization in a child process and drives them. The person's clicks are
// made on the real buttons; the questions are answered by a script.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <QDir>
#include <QImage>

#include "AddinProcess.h"
#include "FormProgress.h"
#include "Formatting.h"
#include "LogReaders.h"
#include "ProcessState.h"
#include "ResourceStrings.h"
#include "TempData.h"
#include "WatcherManager.h"
#include "compact/FormProgressSmall.h"
#include "manager/HostObjects.h"
#include "ol/MessageBoxService.h"
#include "ol/NamedMutex.h"
#include "ol/VisualServices.h"
#include "pages/SummaryPage.h"
#include "qxlib8.h"
#include "watcher_on_bus.h"

namespace {

using e2etest::currentManager;

// Answers every question Yes and notes the run status of the population at
// the moment it was asked.
class ScriptedAnswers final : public ol::MessageBoxService {
public:
    std::function<int32_t()> population;
    std::vector<int16_t> statusWhenAsked;
    QStringList questions;

    void showMessage(const ol::MessageRequest& request) override { questions << request.text; }
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
        statusWhenAsked.push_back(population ? QxPopGetRunStatus(population()) : int16_t(0));
    }
};

// The objective cell's number format, as the summary shows the objective.
class TargetCell final : public engine::CellNumberFormat {
public:
    explicit TargetCell(QString code) : m_code(std::move(code)) {}
    QString numberFormat() const override { return m_code; }

private:
    QString m_code;
};

bool readChannelBool(int16_t channel) {
    engine::TaggedValue value = engine::TaggedValue::fromBool(false);
    engine::QxReadTempData(channel, value, 2);
    return value.toBool();
}

void writeChannelBool(int16_t channel, bool on) {
    engine::QxWriteTempData(channel, engine::TaggedValue::fromBool(on), 2);
}

void click(QWidget* window, const char* name) {
    auto* button = window->findChild<QAbstractButton*>(QString::fromLatin1(name));
    ASSERT_NE(button, nullptr) << name;
    button->click();
}

int countWatcherWindows() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    int n = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        n += (qobject_cast<watcher::FormProgress*>(w) || qobject_cast<watcher::FormProgressSmall*>(w)) ? 1 : 0;
    return n;
}

class RunControlTest : public e2etest::WatcherOnBusTest {
protected:
    ol::MessageBoxService& messageBoxes() override { return m_answers; }

    ScriptedAnswers m_answers;
};

TEST_F(RunControlTest, PauseResumeStopAndTheEndThroughTheWindows) {
    addintest::AddinProcess addin(m_dir.path(), QStringLiteral("run"), addinEnvironment());
    ASSERT_TRUE(addin.start({QStringLiteral("--model"), QStringLiteral("portfolio"), QStringLiteral("--trials"),
                             QStringLiteral("2000000"), QStringLiteral("--recalc-us"), QStringLiteral("500")}));

    // The add-in creates the manager and its windows; the first tick after the
    // first trial sets the windows up and tells the add-in on channel 9.
    ASSERT_TRUE(QTest::qWaitFor([] { return currentManager() && currentManager()->fullWindow(); }, 20000))
        << addin.output().toStdString();
    manager::WatcherManager* m = currentManager();
    m_answers.population = [m] { return m->Input_PopHandle(); };
    auto* compact = dynamic_cast<watcher::FormProgressSmall*>(m->compactWindow());
    auto* full = dynamic_cast<watcher::FormProgress*>(m->fullWindow());
    ASSERT_NE(compact, nullptr);
    ASSERT_NE(full, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([m] { return m->GotInitializedAfterFirstTrial(); }, 15000))
        << addin.output().toStdString();
    EXPECT_TRUE(readChannelBool(manager::WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    // The add-in goes on once it has read the answer.
    ASSERT_TRUE(QTest::qWaitFor([m] { return m->TrialCount() > 20; }, 15000)) << addin.output().toStdString();
    EXPECT_FALSE(addin.output().contains(QStringLiteral("did not confirm"))) << addin.output().toStdString();
    // Written once: cleared here, it stays cleared over the next ticks.
    writeChannelBool(manager::WatcherManager::ChannelWatcherInitializedAfterFirstTrial, false);
    QTest::qWait(2500);
    EXPECT_FALSE(readChannelBool(manager::WatcherManager::ChannelWatcherInitializedAfterFirstTrial));
    EXPECT_TRUE(compact->isVisible());
    EXPECT_EQ(full->DialogConfiguration(), 1);

    // Pause in the compact window: both windows reach their paused look once
    // the add-in has paused.
    click(compact, "CommandPause");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return full->DialogConfiguration() == 2 &&
                   compact->RunState() == watcher::FormProgressSmall::kRunStatePaused;
        },
        15000))
        << addin.output().toStdString();
    EXPECT_EQ(QxPopGetRunStatus(m->Input_PopHandle()), QxRunStatusPaused);
    const double trialsWhenPaused = m->TrialCount();

    // Resume: both windows run again and so does the optimization.
    click(compact, "CommandRun");
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return full->DialogConfiguration() == 1 &&
                   compact->RunState() == watcher::FormProgressSmall::kRunStateRunning &&
                   m->TrialCount() > trialsWhenPaused + 10;
        },
        15000))
        << addin.output().toStdString();
    EXPECT_TRUE(m_answers.questions.isEmpty());

    // Stop while running: the question comes only once the add-in has
    // paused, and Yes stops the run. The add-in then shows the full window
    // modally in its stopping configuration; OK ends the run.
    bool okShown = false;
    int configurationWhenModal = 0;
    // The summary's best row and the log's best record, when the stopped
    // window is shown.
    QStringList bestRow;
    QStringList bestRecord;
    auto* closer = new QTimer();
    closer->setInterval(20);
    QObject::connect(closer, &QTimer::timeout, [&, closer] {
        if (QApplication::activeModalWidget() != full)
            return;
        closer->stop();
        auto* ok = full->findChild<QAbstractButton*>(QStringLiteral("CommandOK"));
        okShown = ok && ok->isVisible();
        configurationWhenModal = full->DialogConfiguration();
        bestRow = full->summaryPage()->model().rowText(0).split(u'\t');
        const QString log = m->Input_LogPath();
        const TargetCell objectiveCell(m->Input_TargetCellNumberFormat());
        QList<double> genes;
        engine::Log_GetAdjustableCellValuesForBestOriginalLast(log, engine::kWhichBest, genes);
        bestRecord << engine::GetResourceString(4303) << QString::number(engine::Log_GetBestTrialNumber(log))
                   << engine::FormatValueForDisplay(
                          engine::Log_GetObjectiveValueWithPenaltiesForBestOriginalLast(log, engine::kWhichBest), false,
                          false, &objectiveCell);
        for (double gene : genes)
            bestRecord << engine::FormatNumberGeneral(gene);
        if (ok)
            ok->click();
    });
    closer->start();
    click(compact, "CommandStop");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_answers.questions.isEmpty(); }, 15000));
    ASSERT_EQ(m_answers.statusWhenAsked.size(), 1u) << m_answers.questions.join(u'|').toStdString();
    EXPECT_EQ(m_answers.statusWhenAsked[0], QxRunStatusPaused);

    ASSERT_TRUE(QTest::qWaitFor([&] { return okShown; }, 30000)) << addin.output().toStdString();
    EXPECT_TRUE(okShown);
    EXPECT_EQ(configurationWhenModal, 3);
    ASSERT_GT(bestRecord.size(), 3);
    EXPECT_EQ(bestRow, bestRecord);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server->managerCount() == 0 && !currentManager(); }, 15000));
    delete closer;
    // The add-in releases its manager and ends; its calls are served meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return addin.pid() == 0; }, 20000)) << addin.output().toStdString();
    EXPECT_EQ(addin.exitCode(), 0) << addin.output().toStdString();

    // The progress graph file of the run, which the add-in names in its
    // summary: the progress curve's colour inside the plot, whose frame is
    // the grey of the axes' lines.
    const QStringList graphs = QDir(m_dir.path()).entryList({QStringLiteral("*-progress.png")}, QDir::Files);
    ASSERT_EQ(graphs.size(), 1) << addin.output().toStdString();
    const QString graphPath = m_dir.filePath(graphs.first());
    EXPECT_TRUE(addin.output().contains(QStringLiteral("Progress graph: ") + graphPath))
        << addin.output().toStdString();
    const QImage graph(graphPath);
    ASSERT_FALSE(graph.isNull());
    EXPECT_EQ(graph.size(), QSize(800, 500));
    int curvePixels = 0;
    // The plot area: inside the axes' labels and the title.
    const QRect plot(graph.width() / 8, graph.height() / 8, graph.width() * 3 / 4, graph.height() * 3 / 4);
    for (int y = plot.top(); y <= plot.bottom(); ++y)
        for (int x = plot.left(); x <= plot.right(); ++x) {
            const QColor c = graph.pixelColor(x, y);
            if (std::abs(c.red() - 0x1f) + std::abs(c.green() - 0x5f) + std::abs(c.blue() - 0xa8) < 40)
                ++curvePixels;
        }
    EXPECT_GT(curvePixels, 100);

    // Nothing of the run is left: no window, every population lock of the
    // windows' refreshes given back, no run under way. (The Watcher's own
    // mutex stays: it tells others that this process lives.)
    EXPECT_EQ(countWatcherWindows(), 0);
    EXPECT_EQ(manager::WatcherManager::bothDialogsLockCount(), manager::WatcherManager::bothDialogsUnlockCount());
    EXPECT_GT(manager::WatcherManager::bothDialogsLockCount(), 0);
    EXPECT_FALSE(engine::ProcessState::optimizationUnderWay());
    EXPECT_TRUE(ol::NamedMutex::exists(manager::WatcherManager::kWatcherMutexName));
}

} // namespace

namespace {

// A run that reaches its limit: the stopping page shows the run's real
// choices, a person restores the original and asks for the log of all
// trials, and the add-in reports exactly that and writes the log.
TEST_F(RunControlTest, StoppingChoicesMadeOnThePageReachTheAddInAndItWritesTheLog) {
    addintest::AddinProcess addin(m_dir.path(), QStringLiteral("run"), addinEnvironment());
    ASSERT_TRUE(addin.start(
        {QStringLiteral("--model"), QStringLiteral("portfolio"), QStringLiteral("--trials"), QStringLiteral("400")}));
    ASSERT_TRUE(QTest::qWaitFor([] { return currentManager() && currentManager()->fullWindow(); }, 20000))
        << addin.output().toStdString();
    manager::WatcherManager* m = currentManager();
    auto* full = dynamic_cast<watcher::FormProgress*>(m->fullWindow());
    ASSERT_NE(full, nullptr);

    bool pressed = false;
    QString statusText;
    QString betterFound;
    bool restoreWasEnabled = false;
    bool allTrialsProposed = true;
    auto* person = new QTimer();
    person->setInterval(20);
    QObject::connect(person, &QTimer::timeout, [&, person] {
        if (QApplication::activeModalWidget() != full)
            return;
        person->stop();
        auto* restore = full->findChild<QCheckBox*>(QStringLiteral("CheckRestoreOriginal"));
        auto* allTrials = full->findChild<QCheckBox*>(QStringLiteral("CheckWriteLogOfAllTrials"));
        auto* status = full->findChild<QLabel*>(QStringLiteral("LabelStoppingStatus"));
        if (!restore || !allTrials || !status)
            return;
        statusText = status->text();
        betterFound = engine::GetResourceString(4059);
        restoreWasEnabled = restore->isEnabled();
        allTrialsProposed = allTrials->isChecked();
        QTest::mouseClick(restore, Qt::LeftButton, {}, QPoint(8, restore->height() / 2));
        QTest::mouseClick(allTrials, Qt::LeftButton, {}, QPoint(8, allTrials->height() / 2));
        pressed = true;
        click(full, "CommandOK");
    });
    person->start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return pressed; }, 60000)) << addin.output().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return addin.pid() == 0; }, 30000)) << addin.output().toStdString();
    delete person;
    EXPECT_EQ(addin.exitCode(), 0) << addin.output().toStdString();

    // A better solution than the original was found in 400 trials, and the
    // add-in proposed no log of all trials.
    EXPECT_TRUE(statusText.startsWith(betterFound)) << statusText.toStdString();
    EXPECT_TRUE(restoreWasEnabled);
    EXPECT_FALSE(allTrialsProposed);

    const QString out = addin.output();
    EXPECT_TRUE(out.contains(QStringLiteral("Stopping choices (made in the Watcher)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Solution to keep: original (-2)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Generate optimization summary: yes"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Write log of all trials: yes"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Write log of progress steps: no"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("  Adjustable cells: original values restored"))) << out.toStdString();

    const QStringList logs = QDir(m_dir.path()).entryList({QStringLiteral("*-all-trials.tsv")}, QDir::Files);
    ASSERT_EQ(logs.size(), 1) << out.toStdString();
    const QString logPath = m_dir.filePath(logs.first());
    EXPECT_TRUE(out.contains(QStringLiteral("  Log of all trials written: ") + logPath)) << out.toStdString();
    QFile file(logPath);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 401) << "a header and one row per trial";
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("Trial\t")));
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("1\t")));
    EXPECT_TRUE(lines[400].startsWith(QStringLiteral("400\t")));
    EXPECT_TRUE(QDir(m_dir.path()).entryList({QStringLiteral("*-progress-steps.tsv")}, QDir::Files).isEmpty());
    EXPECT_EQ(QDir(m_dir.path()).entryList({QStringLiteral("*-summary.txt")}, QDir::Files).size(), 1);
}

} // namespace
