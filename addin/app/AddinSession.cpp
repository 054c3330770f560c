#include "AddinSession.h"

#include <algorithm>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "Channels.h"
#include "EventWait.h"
#include "StoppingReports.h"
#include "WatcherInputs.h"
#include "ol/Directories.h"
#include "ol/NumberFormat.h"
#include "ol/ResourceServer.h"
#include "ol/SafeFile.h"
#include "qxlib8.h"

namespace addin {

namespace {

// How long the add-in waits for the Watcher. A question or the modal window
// waits for a person, so those bounds are generous; the handshakes are
// answered on the Watcher's next one-second tick.
constexpr int kFirstTrialHandshakeMs = 15000;
constexpr int kQuestionMs = 60 * 60 * 1000;
constexpr int kShowModallyCommandMs = 30000;
constexpr int kTimerStopMs = 5000;
// The event loop runs at least this often between trials.
constexpr int kEventIntervalMs = 5;

// What the graphs of the Watcher show after the first trial.
constexpr int32_t kGraphTrialsShownAtFirst = 500;
constexpr int32_t kLastTrialsKept = 2000;

QString engineErrorText(int32_t rc) {
    char text[256] = {};
    QxGetErrorTextWVB(static_cast<int16_t>(rc), text, sizeof text);
    return QString::fromUtf8(text);
}

QString hms(int64_t ms) {
    const int64_t s = ms / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

QString updatingName(ExcelUpdating u) {
    switch (u) {
    case ExcelUpdating::EveryRecalculation:
        return QStringLiteral("every recalculation");
    case ExcelUpdating::NewBestOnly:
        return QStringLiteral("new best solutions only");
    case ExcelUpdating::None:
        break;
    }
    return QStringLiteral("no updating");
}

QString solutionName(int32_t which) {
    switch (which) {
    case -1:
        return QStringLiteral("best");
    case -2:
        return QStringLiteral("original");
    case -5:
        return QStringLiteral("last");
    default:
        break;
    }
    return QStringLiteral("unknown");
}

QString yesNo(bool b) {
    return b ? QStringLiteral("yes") : QStringLiteral("no");
}

} // namespace

QString AddinSession::survivalMutexName() {
    return QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8");
}

QString AddinSession::progressGraphPathFor(const QString& logPath) {
    const QFileInfo log(logPath);
    QString stem = log.fileName();
    if (const qsizetype dot = stem.lastIndexOf(u'.'); dot > 0)
        stem.truncate(dot);
    return log.dir().filePath(stem + QStringLiteral("-progress.png"));
}

AddinSession::AddinSession(const AddinOptions& options, WatcherFactory watcherFactory, QObject* parent)
    : QObject(parent), m_options(options), m_watcherFactory(std::move(watcherFactory)),
      m_updating(options.excelUpdating) {
    m_excel.setDisplayAlerts(!options.unattended);
    m_progressOnTty = ::isatty(STDOUT_FILENO) != 0;
    connect(&m_excel, &HostExcelObject::hostEvent, this, [this](const QString& text) { say(text); });
}

AddinSession::~AddinSession() {
    m_run.reset(); // frees the population before the engine goes
    if (m_log != 0)
        QxLogClose(m_log);
}

void AddinSession::say(const QString& line) {
    if (m_progressLinePending) {
        std::fputs("\n", stdout); // leave the progress line standing
        m_progressLinePending = false;
    }
    std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

void AddinSession::warn(const QString& line) {
    std::fflush(stdout);
    std::fprintf(stderr, "selvane-addin: %s\n", line.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString AddinSession::formatObjective(double v) const {
    return ol::formatNumber(v, QString::fromStdString(m_model->objectiveFormat()));
}

void AddinSession::writeStatus(const QString& state) {
    if (m_options.statusFile.isEmpty())
        return;
    // Written whole and renamed into place, so a reader never sees half of it
    // and a link planted at the name is replaced, not followed.
    const QString text =
        QStringLiteral("pid=%1\npopulation=%2\nlog=%3\noptimization=%4\nwatcher_pid=%5\nhost=%6\nstate=%7\n")
            .arg(QCoreApplication::applicationPid())
            .arg(m_run ? m_run->population() : 0)
            .arg(m_logPath)
            .arg(m_optimization)
            .arg(m_watcherPid)
            .arg(m_hostAddress, state);
    const QByteArray bytes = text.toUtf8();
    std::string why;
    ol::safefile::replaceFile(QFile::encodeName(m_options.statusFile).toStdString(), bytes.constData(),
                              static_cast<size_t>(bytes.size()), why);
}

int AddinSession::run() {
    m_clock.start();
    // The Watcher ends itself once this mutex is gone, so a killed add-in
    // never leaves a Watcher behind.
    // Held shared: every add-in of the user holds it at once, and the
    // Watcher only asks whether any holder still lives.
    QString why;
    if (!m_survivalMutex.create(survivalMutexName(), ol::NamedMutex::Mode::Shared, &why))
        warn(QStringLiteral("cannot hold %1 (%2); a Watcher will not notice if this add-in dies.")
                 .arg(survivalMutexName(), why));

    QxSetProgramMode(0);
    if (const int32_t rc = QxInit3(QX_INTERFACE_VERSION, 0, 0, ""); rc != QX_OK) {
        warn(QStringLiteral("the engine library did not start: %1").arg(engineErrorText(rc)));
        return 1;
    }
    if (!setUpModelAndLog())
        return 1;

    // A run starts with every channel cleared, so nothing of an earlier run
    // (a first-trial answer, a modal command) is taken for this one's. The
    // stopping options the Watcher shows start from the add-in's defaults.
    QxClearTempData();
    const StoppingChoices defaults;
    channels::writeBool(channels::StopGenerateOptimizationSummary, defaults.generateOptimizationSummary);
    channels::writeBool(channels::StopWriteLogOfAllTrials, defaults.writeLogOfAllTrials);
    channels::writeBool(channels::StopWriteLogOfProgressSteps, defaults.writeLogOfProgressSteps);
    channels::writeLong(channels::StopSolutionToKeep, defaults.solutionToKeep);

    say(QStringLiteral("Optimizing \"%1\": %2")
            .arg(QString::fromStdString(m_model->name()), QString::fromStdString(m_model->description())));
    say(QStringLiteral("Log: %1").arg(m_logPath));
    if (!startOptimization(1, 1))
        return 1;
    say(QStringLiteral("Population handle: %1").arg(m_run->population()));

    if (m_options.watcher)
        openWatcher();
    writeStatus(QStringLiteral("running"));

    if (!askQuestionsBeforeTheRun()) {
        m_notRun = true;
        QxPopSetRunStatus(m_run->population(), QxRunStatusStopped);
    } else {
        const int count = m_frontier.empty() ? 1 : static_cast<int>(m_frontier.size());
        for (int k = 1; k <= count; ++k) {
            if (k > 1 && !startOptimization(k, m_run->nextTrialNumber()))
                break;
            const Outcome outcome = runOptimization();
            OptimizationResult r;
            r.constrainingValue = m_frontier.empty() ? 0 : m_frontier[static_cast<size_t>(k - 1)];
            r.trials = m_run->trialsDone();
            r.steps = m_run->progressSteps();
            r.hasBest = m_run->hasBest();
            r.best = m_run->bestValue();
            r.original = m_run->originalValue();
            r.bestGenes = m_run->bestGenes();
            r.outcome = outcome;
            m_results.push_back(r);
            if (m_run->lastError() != QX_OK)
                m_lastEngineError = m_run->lastError();
            if (outcome == Outcome::StopRequested || outcome == Outcome::EngineError)
                break;
            if (outcome == Outcome::NextOptimization && k == count)
                QxPopSetRunStatus(m_run->population(), QxRunStatusStopped);
        }
    }
    printProgressLine(true);
    writeStatus(QStringLiteral("stopped"));
    if (m_watcher && frontierCompleted())
        placeFrontierChart();
    if (m_watcher)
        endWithWatcher();
    printSummary();
    writeStatus(QStringLiteral("done"));
    return m_lastEngineError == QX_OK ? 0 : 1;
}

bool AddinSession::setUpModelAndLog() {
    m_model = models::makeModel(m_options.model.toStdString(), m_options.seed);
    if (!m_model) {
        warn(QStringLiteral("no built-in model \"%1\".").arg(m_options.model));
        return false;
    }
    if (m_options.constraintSolver && !m_model->setConstraintSolverMode(*m_options.constraintSolver)) {
        warn(QStringLiteral("the model \"%1\" cannot run in that mode.").arg(m_options.model));
        return false;
    }
    if (m_options.conflictingRule && !m_model->addConflictingRule()) {
        warn(QStringLiteral("the model \"%1\" has no conflicting rule to add.").arg(m_options.model));
        return false;
    }
    if (m_options.efficientFrontier)
        m_frontier = m_model->constrainingValues();

    m_logPath = m_options.logPath;
    if (m_logPath.isEmpty()) {
        // The user's own folder, never the shared temporary one: there,
        // another user could plant links where the log and graph will go.
        QString why;
        const QString dir = ol::runFilesDirectory(&why);
        if (dir.isEmpty()) {
            warn(QStringLiteral("no private folder for the log: %1. Name a log with --log.").arg(why));
            return false;
        }
        m_logPath = QDir(dir).filePath(
            QStringLiteral("selvane-addin-%1-%2.qxlog").arg(m_options.model).arg(QCoreApplication::applicationPid()));
    }
    m_logPath = QFileInfo(m_logPath).absoluteFilePath();
    // The frontier chart's workbook goes beside the log.
    m_excel.setWorkbookFolder(QFileInfo(m_logPath).absolutePath());
    if (const int32_t rc = addin::CreateModelLog(*m_model, QFile::encodeName(m_logPath).toStdString(), m_log);
        rc != QX_OK) {
        warn(QStringLiteral("cannot create the log %1: %2").arg(m_logPath, engineErrorText(rc)));
        return false;
    }
    return true;
}

bool AddinSession::startOptimization(int k, int64_t firstTrialNumber) {
    m_optimization = k;
    const int count = m_frontier.empty() ? 1 : static_cast<int>(m_frontier.size());
    if (!m_frontier.empty())
        m_model->setConstrainingLimit(m_frontier[static_cast<size_t>(k - 1)]);
    RunOptions o;
    o.populationSize = m_options.populationSize;
    o.seed = m_options.seed + static_cast<uint64_t>(k - 1);
    o.maxTrials = m_options.maxTrials;
    o.maxMs = m_options.maxSeconds * 1000;
    o.constraintSolverHelp = m_solverHelp;
    // Only the last optimization of a series ends the run when it reaches
    // its limit; before it, the next one simply takes over.
    o.markStoppedAtLimit = k == count;
    auto next = std::make_unique<OptimizationRun>(*m_model, o, m_log, k, firstTrialNumber);
    if (const int32_t rc = next->start(); rc != QX_OK) {
        warn(QStringLiteral("cannot set up the population: %1").arg(engineErrorText(rc)));
        m_lastEngineError = rc;
        if (m_run) // the series ends here: the Watcher sees it stopped
            QxPopSetRunStatus(m_run->population(), QxRunStatusStopped);
        return false;
    }
    channels::writeDouble(channels::EFNumOptimizationUnderWay, k);
    if (m_run) {
        // The Watcher follows the new population before the previous one
        // goes, so it never looks at a freed one. A pause or stop the
        // person asked for meanwhile went to the previous population and
        // carries over.
        const int32_t previous = m_run->population();
        QString error;
        if (m_watcher && !m_watcher->setPopulation(next->population(), error))
            warn(QStringLiteral("the Watcher did not take the new population: %1").arg(error));
        const int16_t asked = QxPopGetRunStatus(previous);
        const bool forTheQuestion = asked == QxRunStatusMarkToPause && m_nextOptimizationAsked;
        if ((asked == QxRunStatusMarkToPause && !forTheQuestion) || asked == QxRunStatusMarkToStop)
            QxPopSetRunStatus(next->population(), asked);
    }
    // A next-optimization request that the limit overtook is served.
    m_nextOptimizationAsked = false;
    m_run = std::move(next); // frees the previous population
    m_paused = false;
    if (!m_frontier.empty()) {
        say(QStringLiteral("Optimization %1 of %2: %3 %4 %5 (population handle %6)")
                .arg(k)
                .arg(m_frontier.size())
                .arg(QString::fromStdString(m_model->constrainedCellName()),
                     QString::fromStdString(m_model->constraintOperator()),
                     ol::formatNumber(m_frontier[static_cast<size_t>(k - 1)],
                                      QString::fromStdString(m_model->constrainedCellFormat())))
                .arg(m_run->population()));
        writeStatus(QStringLiteral("running"));
    }
    return true;
}

void AddinSession::openWatcher() {
    if (!m_watcherFactory)
        return;
    auto watcher = m_watcherFactory(m_excel, m_application);
    if (!watcher)
        return;
    RunSetup setup;
    setup.population = m_run->population();
    setup.logPath = m_logPath;
    setup.progressGraphPath = progressGraphPathFor(m_logPath);
    // The help in the language the Watcher shows its texts in (the
    // Watcher's language setting is product 2's).
    setup.helpFilePath = ol::helpFilePath(ol::ResourceServer::languageSetting(2));
    setup.hostProcessId = static_cast<int32_t>(QCoreApplication::applicationPid());
    QString error;
    if (!watcher->open(watcherInputs(*m_model, m_options, setup), error)) {
        warn(QStringLiteral("the Watcher could not be set up: %1").arg(error));
        say(QStringLiteral("Going on without a Watcher: progress is shown here."));
        return;
    }
    m_watcher = std::move(watcher);
    m_watcherPid = m_watcher->watcherProcessId();
    m_hostAddress = m_watcher->hostAddress();
    say(QStringLiteral("Watcher process: %1").arg(m_watcherPid));
}

int32_t AddinSession::ask(int16_t channel, int32_t request, bool defaultYes, const QString& what) {
    const auto c = static_cast<channels::Channel>(channel);
    if (!m_watcher) {
        say(QStringLiteral("%1: %2 (no Watcher to ask).")
                .arg(what, defaultYes ? QStringLiteral("yes") : QStringLiteral("no")));
        return defaultYes ? channels::kAnswerYes : channels::kAnswerNo;
    }
    say(QStringLiteral("%1? The Watcher asks.").arg(what));
    channels::writeLong(c, request);
    int32_t answer = 0;
    if (!serveEventsUntil(
            [&] {
                answer = channels::readLong(c);
                return answer < 0;
            },
            kQuestionMs)) {
        answer = defaultYes ? channels::kAnswerYes : channels::kAnswerNo;
        warn(QStringLiteral("no answer from the Watcher; taking %1.").arg(defaultYes ? u"yes" : u"no"));
    }
    channels::writeLong(c, 0); // the request is served
    say(QStringLiteral("%1: %2.").arg(what,
                                      answer == channels::kAnswerYes ? QStringLiteral("yes") : QStringLiteral("no")));
    return answer;
}

bool AddinSession::askQuestionsBeforeTheRun() {
    if (m_model->constraintSolverMode() || !m_model->hasHardConstraints())
        return true;
    if (const int doubtful = m_model->doubtfulConstraintCount(); doubtful > 0) {
        const int32_t a = ask(channels::XLRequestToAskUserAboutInconsistentConstraints, doubtful, true,
                              QStringLiteral("Run although %1 constraints may be inconsistent").arg(doubtful));
        if (a != channels::kAnswerYes)
            return false;
    }
    // Hard rules the original solution breaks: the constraint solver can
    // lead the search to plans that meet them.
    std::vector<double> original;
    for (const auto& g : m_model->groups())
        original.insert(original.end(), g.original.begin(), g.original.end());
    models::Evaluation e;
    m_model->evaluate(original.data(), e);
    int broken = 0;
    for (size_t i = 0; i < e.violation.size(); ++i)
        if (m_model->constraints()[i].hard && e.violation[i] > 0)
            ++broken;
    if (broken > 0) {
        const int32_t a =
            ask(channels::XLRequestToAskUserAboutSolver, broken, true,
                QStringLiteral("Let the constraint solver help (the original breaks %1 hard constraints)").arg(broken));
        m_solverHelp = a == channels::kAnswerYes;
        m_run->setConstraintSolverHelp(m_solverHelp);
    }
    return true;
}

AddinSession::Outcome AddinSession::runOptimization() {
    OptimizationRun& run = *m_run;
    QElapsedTimer sinceEvents, sinceReport;
    sinceEvents.start();
    sinceReport.start();
    for (;;) {
        if (s_stopRequested.exchange(false)) {
            say(QStringLiteral("Interrupted: stopping the run."));
            QxPopSetRunStatus(run.population(), QxRunStatusMarkToStop);
        }
        if (s_nextRequested.exchange(false))
            askForNextOptimization();
        const StepResult r = run.step();
        if (r == StepResult::Trial) {
            if (m_paused) {
                m_paused = false;
                say(QStringLiteral("Resumed at trial %1.").arg(run.nextTrialNumber()));
                writeStatus(QStringLiteral("running"));
            }
            if (!m_firstTrialDone)
                afterFirstTrial();
            showRecalculation();
            if (m_options.recalcMicroseconds > 0)
                std::this_thread::sleep_for(std::chrono::microseconds(m_options.recalcMicroseconds));
        } else if (r == StepResult::Paused) {
            if (!m_paused) {
                m_paused = true;
                ++m_pauses;
                say(QStringLiteral("Paused after trial %1.").arg(run.nextTrialNumber() - 1));
                writeStatus(QStringLiteral("paused"));
                // The Watcher turns its windows to the paused look once the
                // add-in says it waits; after a Stop click it asks its
                // question instead. A multi-core pause needs neither.
                // A pause for the next-optimization request waits for the
                // Watcher's question instead.
                if (m_watcher && m_nextOptimizationAsked) {
                    m_nextOptimizationAsked = false;
                    m_watcher->setWaitingAfterEFNextOptimizationClicked(true);
                } else if (m_watcher && m_options.multiCoreWorkers == 0 && !m_watcher->waitingAfterStopClicked()) {
                    m_watcher->setWaitingAfterPauseClicked(true);
                }
            }
            serveEventsFor(20);
            pollChannels();
            continue;
        } else if (r == StepResult::NextOptimization) {
            say(QStringLiteral("Moving on after trial %1, on request.").arg(run.nextTrialNumber() - 1));
            return Outcome::NextOptimization;
        } else {
            if (run.lastError() != QX_OK) {
                warn(QStringLiteral("an engine call failed during the run: %1").arg(engineErrorText(run.lastError())));
                return Outcome::EngineError;
            }
            const bool trialLimit = m_options.maxTrials > 0 && run.trialsDone() >= m_options.maxTrials;
            const bool timeLimit =
                m_options.maxSeconds > 0 && QxPopGetTimerValue(run.population()) >= m_options.maxSeconds * 1000;
            if (trialLimit || timeLimit)
                return Outcome::LimitReached;
            say(QStringLiteral("Stopped after trial %1, on request.").arg(run.nextTrialNumber() - 1));
            return Outcome::StopRequested;
        }
        if (sinceEvents.elapsed() >= kEventIntervalMs) {
            QCoreApplication::processEvents();
            pollChannels();
            sinceEvents.restart();
        }
        if (sinceReport.elapsed() >= 1000) {
            printProgressLine(false);
            sinceReport.restart();
        }
    }
}

void AddinSession::askForNextOptimization() {
    const int count = static_cast<int>(m_frontier.size());
    if (count < 2) {
        say(QStringLiteral("Next optimization asked for, but this run is a single optimization."));
        return;
    }
    const int32_t pop = m_run->population();
    if (m_watcher && !m_options.unattended) {
        // As the host's Next optimization button does: the run pauses, and
        // the Watcher asks the person whether to move on (on the last
        // optimization it lets the run go on without asking).
        say(QStringLiteral("Next optimization asked for after trial %1: the Watcher asks whether to move on.")
                .arg(m_run->nextTrialNumber() - 1));
        if (m_paused) {
            m_watcher->setWaitingAfterEFNextOptimizationClicked(true);
        } else {
            m_nextOptimizationAsked = true;
            QxPopSetRunStatus(pop, QxRunStatusMarkToPause);
        }
    } else if (m_optimization >= count) {
        say(QStringLiteral("Next optimization asked for, but this is the last optimization of the series."));
    } else {
        say(QStringLiteral("Next optimization asked for: nobody to ask, so the run moves on."));
        QxPopSetRunStatus(pop, QxRunStatusMarkToMoveToNextOptimization);
    }
}

void AddinSession::afterFirstTrial() {
    m_firstTrialDone = true;
    const int32_t shown = m_options.maxTrials > 0
                              ? static_cast<int32_t>(std::min<int64_t>(m_options.maxTrials, kGraphTrialsShownAtFirst))
                              : kGraphTrialsShownAtFirst;
    channels::writeLong(channels::FirstTrialGraphAllTrialsInitialNumTrialsShown, shown);
    channels::writeLong(channels::FirstTrialNumLastTrialsToShow, kLastTrialsKept);
    channels::writeBool(channels::FirstTrialInfoAvailable, true);
    if (!m_watcher)
        return;
    if (!serveEventsUntil([] { return channels::readBool(channels::WatcherInitializedAfterFirstTrial); },
                          kFirstTrialHandshakeMs))
        warn(QStringLiteral("the Watcher did not confirm its first-trial set-up within %1 s; going on.")
                 .arg(kFirstTrialHandshakeMs / 1000));
}

void AddinSession::pollChannels() {
    if (channels::readBool(channels::WatcherRequestsXLUpdate)) {
        // A window moved or the run changed state: the sheet repaints.
        channels::writeBool(channels::WatcherRequestsXLUpdate, false);
        ++m_updateRequests;
        ++m_sheetUpdates;
    }
    const int32_t updating = channels::readLong(channels::ShowExcelRecalculations);
    if (updating >= 1 && updating <= 3) {
        channels::writeLong(channels::ShowExcelRecalculations, 0);
        const auto u = static_cast<ExcelUpdating>(updating);
        if (u != m_updating) {
            m_updating = u;
            say(QStringLiteral("The sheet now shows %1.").arg(updatingName(u)));
        }
    }
}

void AddinSession::showRecalculation() {
    const OptimizationRun& run = *m_run;
    if (m_updating == ExcelUpdating::EveryRecalculation ||
        (m_updating == ExcelUpdating::NewBestOnly && run.lastTrialImproved())) {
        ++m_sheetUpdates;
        m_excel.setStatusBar(
            QStringLiteral("Trial %1: %2").arg(run.nextTrialNumber() - 1).arg(formatObjective(run.lastValue())));
    }
}

bool AddinSession::frontierCompleted() const {
    // The series got to its last optimization, however that one ended
    // (a person's Stop is how an open-ended last optimization ends).
    if (m_frontier.size() < 2 || m_results.size() != m_frontier.size())
        return false;
    return m_results.back().outcome != Outcome::EngineError;
}

void AddinSession::placeFrontierChart() {
    // When the Watcher cannot make the chart it says why in a message box;
    // with nobody to close it an unattended run does not ask.
    if (m_options.unattended)
        return;
    QString chartPath;
    QString error;
    if (!m_watcher->efGraphChartInExcel(frontierPlacementRange(), frontierDataRange(), chartPath, error))
        warn(QStringLiteral("EFGraphChartInExcel failed: %1").arg(error));
    else if (chartPath.isEmpty())
        say(QStringLiteral("The Watcher made no chart of the efficient frontier."));
    else
        say(QStringLiteral("The efficient frontier's chart is %1.").arg(chartPath));
}

void AddinSession::endWithWatcher() {
    QString error;
    if (m_options.unattended) {
        // Nobody will see the stopping options: the Watcher stops its timer,
        // then the add-in disposes the run.
        channels::writeBool(channels::OLToldWatcherToStopTimer, true);
        if (!serveEventsUntil([] { return channels::readBool(channels::WatcherStoppedTimer); }, kTimerStopMs))
            warn(QStringLiteral("the Watcher did not report its timer stopped within %1 s.").arg(kTimerStopMs / 1000));
        if (!m_watcher->dispose(error))
            warn(QStringLiteral("Dispose failed: %1").arg(error));
    } else {
        say(QStringLiteral("The run has stopped: the Watcher shows the stopping options."));
        if (serveEventsUntil([] { return channels::readBool(channels::WatcherSentCommandToShowItModally); },
                             kShowModallyCommandMs)) {
            channels::writeBool(channels::WatcherSentCommandToShowItModally, false);
            if (!m_watcher->showWatcherModally(error))
                warn(QStringLiteral("ShowWatcherModally failed: %1").arg(error));
        } else {
            warn(QStringLiteral("the Watcher did not ask to be shown within %1 s; disposing the run.")
                     .arg(kShowModallyCommandMs / 1000));
            if (!m_watcher->dispose(error))
                warn(QStringLiteral("Dispose failed: %1").arg(error));
        }
    }
    m_watcher->release();
    m_watcher.reset();
}

void AddinSession::printProgressLine(bool last) {
    if (!m_run)
        return;
    const QByteArray path = QFile::encodeName(m_logPath);
    int32_t trials = 0, steps = 0;
    QxLogGetRecordCounts2WVB(path.constData(), &trials, m_optimization, &steps);
    QString best = QStringLiteral("-");
    if (m_run->hasBest())
        best = formatObjective(m_run->bestValue());
    QString line = QStringLiteral("trial %1   progress steps %2   best %3   run time %4")
                       .arg(trials, 8)
                       .arg(steps, 4)
                       .arg(best, -14)
                       .arg(hms(QxPopGetTimerValue(m_run->population())));
    if (m_frontier.size() > 1)
        line += QStringLiteral("   optimization %1/%2").arg(m_optimization).arg(m_frontier.size());
    if (m_paused)
        line += QStringLiteral("   (paused)");
    if (m_progressOnTty) {
        std::fprintf(stdout, "\r%s", line.toLocal8Bit().constData());
        if (last)
            std::fputs("\n", stdout);
        m_progressLinePending = !last;
    } else {
        std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
    }
    std::fflush(stdout);
}

void AddinSession::printSummary() {
    QStringList out;
    out << QString() << QStringLiteral("Run summary");
    out << QStringLiteral("  Model: %1; objective: %2")
               .arg(QString::fromStdString(m_model->name()), objectiveText(*m_model));
    if (m_model->constraintSolverMode())
        out << QStringLiteral("  Constraint solver: %1 hard constraints")
                   .arg(std::count_if(m_model->constraints().begin(), m_model->constraints().end(),
                                      [](const models::Constraint& c) { return c.hard; }));
    else if (m_solverHelp)
        out << QStringLiteral("  The constraint solver helped with plans breaking hard constraints");
    if (m_notRun) {
        out << QStringLiteral("  Not run: the person chose not to run with possibly inconsistent constraints");
    }
    int64_t trials = 0, valid = 0;
    for (const auto& r : m_results)
        trials += r.trials;
    if (m_run)
        valid = m_run->validTrials();
    const QByteArray path = QFile::encodeName(m_logPath);
    int32_t logged = 0, unusedSteps = 0;
    QxLogGetRecordCountsWVB(path.constData(), &logged, &unusedSteps);
    out << QStringLiteral("  Trials: %1 (logged %2)").arg(trials).arg(logged);
    if (m_frontier.empty() && !m_results.empty())
        out << QStringLiteral("  Valid trials: %1").arg(valid);
    const QString cellFormat = QString::fromStdString(m_model->cellFormat());
    for (size_t i = 0; i < m_results.size(); ++i) {
        const auto& r = m_results[i];
        QString head = QStringLiteral("  ");
        if (!m_frontier.empty())
            head += QStringLiteral("Optimization %1 (%2 %3 %4): ")
                        .arg(i + 1)
                        .arg(QString::fromStdString(m_model->constrainedCellName()),
                             QString::fromStdString(m_model->constraintOperator()),
                             ol::formatNumber(r.constrainingValue,
                                              QString::fromStdString(m_model->constrainedCellFormat())));
        QString ended;
        switch (r.outcome) {
        case Outcome::LimitReached:
            ended = QStringLiteral("reached its limit");
            break;
        case Outcome::StopRequested:
            ended = QStringLiteral("stopped on request");
            break;
        case Outcome::NextOptimization:
            ended = QStringLiteral("moved on to the next optimization on request");
            break;
        case Outcome::EngineError:
            ended = QStringLiteral("ended by an engine error");
            break;
        }
        out << head + QStringLiteral("%1 trials, %2 progress steps, original %3, best %4; %5")
                          .arg(r.trials)
                          .arg(r.steps)
                          .arg(formatObjective(r.original), r.hasBest ? formatObjective(r.best) : QStringLiteral("-"),
                               ended);
        if (r.hasBest) {
            QStringList genes;
            size_t g = 0;
            for (const auto& group : m_model->groups())
                for (const auto& name : group.geneNames)
                    genes << QStringLiteral("%1=%2").arg(QString::fromStdString(name),
                                                         ol::formatNumber(r.bestGenes[g++], cellFormat));
            out << QStringLiteral("    best solution: ") + genes.join(u' ');
        }
    }
    out << QStringLiteral("  Run time: %1").arg(hms(m_clock.elapsed()));
    const QString graph = progressGraphPathFor(m_logPath);
    out << QStringLiteral("  Progress graph: %1")
               .arg(QFileInfo::exists(graph) ? graph : QStringLiteral("none (the Watcher wrote no file)"));
    if (!m_frontier.empty())
        out << QStringLiteral("  Frontier chart: %1")
                   .arg(!m_excel.lastWorkbook().isEmpty() ? m_excel.lastWorkbook()
                        : m_options.unattended            ? QStringLiteral("none (an unattended run asks for none)")
                                                          : QStringLiteral("none (no workbook was written)"));
    out << QStringLiteral("  Sheet: showed %1; %2 sheet updates, %3 update requests from the Watcher, %4 pauses")
               .arg(updatingName(m_updating))
               .arg(m_sheetUpdates)
               .arg(m_updateRequests)
               .arg(m_pauses);
    if (m_excel.doEventsRuns() > 0 || m_excel.windowDisabledCount() > 0)
        out << QStringLiteral("  While the Watcher was modal: %1 do-events calls; the sheet's window %2")
                   .arg(m_excel.doEventsRuns())
                   .arg(m_excel.windowEnabled() ? QStringLiteral("is enabled again")
                                                : QStringLiteral("is still disabled"));

    // The run's summary as a report would hold it.
    const QStringList runSummary = out;
    const auto& received = m_application.receivedChoices();
    const StoppingChoices choices = received.value_or(StoppingChoices{});
    out << QString()
        << (received ? QStringLiteral("Stopping choices (made in the Watcher)")
                     : QStringLiteral("Stopping choices (the add-in's defaults; nobody was asked)"));
    out << QStringLiteral("  Solution to keep: %1 (%2)")
               .arg(solutionName(choices.solutionToKeep))
               .arg(choices.solutionToKeep);
    out << QStringLiteral("  Generate optimization summary: %1").arg(yesNo(choices.generateOptimizationSummary));
    out << QStringLiteral("  Write log of all trials: %1").arg(yesNo(choices.writeLogOfAllTrials));
    out << QStringLiteral("  Write log of progress steps: %1").arg(yesNo(choices.writeLogOfProgressSteps));
    if (received)
        out << actOnStoppingChoices(choices, runSummary);
    std::fprintf(stdout, "%s\n", out.join(u'\n').toLocal8Bit().constData());
    std::fflush(stdout);
}

QStringList AddinSession::actOnStoppingChoices(const StoppingChoices& choices, const QStringList& runSummary) const {
    QStringList out;
    QStringList names;
    QStringList originals;
    const QString cellFormat = QString::fromStdString(m_model->cellFormat());
    for (const auto& group : m_model->groups())
        for (size_t g = 0; g < group.geneNames.size(); ++g) {
            names << QString::fromStdString(group.geneNames[g]);
            if (g < group.original.size())
                originals << QStringLiteral("%1=%2").arg(names.back(), ol::formatNumber(group.original[g], cellFormat));
        }
    // The sheet keeps the best solution unless the person restored the
    // original (or no better one exists).
    const bool hasBest = !m_results.empty() && m_results.back().hasBest;
    if (choices.solutionToKeep == -2 || !hasBest)
        out << QStringLiteral("  Adjustable cells: original values restored: ") + originals.join(u' ');
    else if (choices.solutionToKeep == -5)
        out << QStringLiteral("  Adjustable cells: the last trial's values kept");
    else
        out << QStringLiteral("  Adjustable cells: best solution kept");

    struct Report {
        bool wanted;
        QString what;
        QString path;
        int table; // -1: the summary
    };
    const Report wanted[] = {
        {choices.generateOptimizationSummary, QStringLiteral("Optimization summary"),
         reports::summaryPathFor(m_logPath), -1},
        {choices.writeLogOfAllTrials, QStringLiteral("Log of all trials"), reports::allTrialsPathFor(m_logPath), 0},
        {choices.writeLogOfProgressSteps, QStringLiteral("Log of progress steps"),
         reports::progressStepsPathFor(m_logPath), 1},
    };
    for (const Report& r : wanted) {
        if (!r.wanted)
            continue;
        QString why;
        bool written = false;
        if (r.table < 0) {
            written = reports::writeSummary(r.path, runSummary, why);
        } else if (r.table == 1 && !m_frontier.empty()) {
            // The progress steps of every optimization of the series, each
            // led by its constraint.
            std::vector<std::pair<int, QString>> tables;
            for (size_t k = 0; k < m_frontier.size(); ++k)
                tables.emplace_back(static_cast<int>(k + 1),
                                    QStringLiteral("%1 %2 %3")
                                        .arg(QString::fromStdString(m_model->constrainedCellName()),
                                             QString::fromStdString(m_model->constraintOperator()),
                                             ol::formatNumber(m_frontier[k], QString::fromStdString(
                                                                                 m_model->constrainedCellFormat()))));
            written = reports::writeLogTables(m_logPath, tables, QStringLiteral("Optimization"), names, r.path, why);
        } else {
            written = reports::writeLogTable(m_logPath, r.table, names, r.path, why);
        }
        out << (written ? QStringLiteral("  %1 written: %2").arg(r.what, r.path)
                        : QStringLiteral("  %1 not written (%2): %3").arg(r.what, why, r.path));
    }
    return out;
}

} // namespace addin
