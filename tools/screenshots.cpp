// selvane-screenshots: pictures of the Watcher's windows in their main states,
// drawn from a real run. It optimizes a built-in model in this process (the
// engine library is shared with the Watcher's own binding, as the add-in's
// and the Watcher's processes share it through shared memory), sets up a
// Watcher manager with the inputs the add-in gives it, lets the windows'
// update timer tick, drives the run through pause and stop as a person
// would, and saves each window as a PNG file.
//
//   selvane-screenshots [--out DIR] [--model NAME] [--only GROUP,...]
//
// The language comes from $SELVANE_LANGUAGE (9 English, 7 German); the files
// are named <window>-<state>-<en|de>.png. Runs offscreen as well as on a
// desktop.
#include <chrono>
#include <cstdio>
#include <memory>
#include <thread>
#include <vector>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPixmap>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QWidget>

#include "Channels.h"
#include "OptimizationRun.h"
#include "ProcessState.h"
#include "QtWindows.h"
#include "TaggedCollection.h"
#include "WatcherInputs.h"
#include "WatcherManager.h"
#include "models/Model.h"
#include "ol/MessageBoxService.h"
#include "ol/ResourceServer.h"
#include "ol/VisualServices.h"
#include "qxlib8.h"

namespace {

// The questions of a stop are answered Yes, the help questions with their
// answering "Yes" button: nobody is at the screen.
class AnswerYes final : public ol::MessageBoxService {
public:
    void showMessage(const ol::MessageRequest& request) override {
        std::fprintf(stderr, "message: %s\n", qPrintable(request.text));
    }
    bool askYesNo(const ol::YesNoRequest&) override { return true; }
    int askWithHelp(const ol::HelpQuestion&) override { return 1; }
};

engine::TaggedValue tagged(const QVariant& v) {
    switch (v.typeId()) {
    case QMetaType::Bool:
        return engine::TaggedValue::fromBool(v.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
        return engine::TaggedValue::fromInt32(v.toInt());
    case QMetaType::Double:
        return engine::TaggedValue::fromDouble(v.toDouble());
    default:
        return engine::TaggedValue::fromString(v.toString());
    }
}

// Sets the manager's inputs as the add-in does (collections as tagged
// collections).
void setInputs(manager::WatcherManager& m, const QList<addin::WatcherInput>& inputs) {
    for (const addin::WatcherInput& in : inputs) {
        QVariant value = in.value;
        if (value.typeId() == QMetaType::QVariantList) {
            engine::TaggedCollection collection;
            for (const QVariant& item : value.toList())
                collection.add(tagged(item));
            value = QVariant::fromValue(collection);
        }
        if (!m.setProperty(in.name.toLatin1().constData(), value))
            std::fprintf(stderr, "warning: the manager refused %s\n", qPrintable(in.name));
    }
}

// One optimization of a built-in model with its log, run a slice at a time.
class Run {
public:
    Run(const QString& modelName, const QString& logPath, int64_t maxTrials) {
        m_model = models::makeModel(modelName.toStdString(), 7);
        if (!m_model)
            throw std::runtime_error("no such model");
        if (addin::CreateModelLog(*m_model, QFile::encodeName(logPath).toStdString(), m_log) != QX_OK)
            throw std::runtime_error("cannot create the log");
        addin::RunOptions o;
        o.populationSize = 50;
        o.seed = 7;
        o.maxTrials = maxTrials;
        m_run = std::make_unique<addin::OptimizationRun>(*m_model, o, m_log, 1, 1);
        if (m_run->start() != QX_OK)
            throw std::runtime_error("cannot start the run");
    }
    ~Run() {
        m_run.reset();
        QxLogClose(m_log);
    }

    models::Model& model() { return *m_model; }
    addin::OptimizationRun& run() { return *m_run; }

    // Up to n trials; the last step's result.
    addin::StepResult steps(int n) {
        addin::StepResult r = addin::StepResult::Trial;
        for (int i = 0; i < n; ++i) {
            r = m_run->step();
            if (r != addin::StepResult::Trial)
                break;
        }
        return r;
    }

private:
    std::unique_ptr<models::Model> m_model;
    int32_t m_log = 0;
    std::unique_ptr<addin::OptimizationRun> m_run;
};

// An efficient-frontier series of a built-in model as the add-in runs it:
// one optimization per constraining value, all in one log, each
// optimization's progress steps under its own index and its trial numbers
// going on from the one before. An optimization that has had its trials gives
// way to the next one without a pause in between (so the Watcher never sees a
// stopped population mid-series); the last one runs on until stopped.
class FrontierSeries {
public:
    FrontierSeries(const QString& modelName, const QString& logPath, int64_t trialsPerOptimization)
        : m_perOptimization(trialsPerOptimization) {
        m_model = models::makeModel(modelName.toStdString(), 7);
        if (!m_model || m_model->constrainingValues().size() < 2)
            throw std::runtime_error("no model with an efficient frontier");
        m_values = m_model->constrainingValues();
        if (addin::CreateModelLog(*m_model, QFile::encodeName(logPath).toStdString(), m_log) != QX_OK)
            throw std::runtime_error("cannot create the log");
        startOptimization(1, 1);
    }
    ~FrontierSeries() {
        m_run.reset();
        QxLogClose(m_log);
    }

    models::Model& model() { return *m_model; }
    addin::OptimizationRun& run() { return *m_run; }
    // The Watcher that follows the series: it gets each new population.
    void follow(manager::WatcherManager* watcher) { m_watcher = watcher; }

    addin::StepResult steps(int n) {
        addin::StepResult r = addin::StepResult::Trial;
        for (int i = 0; i < n; ++i) {
            if (m_run->trialsDone() >= m_perOptimization && m_k < static_cast<int>(m_values.size()))
                startOptimization(m_k + 1, m_run->nextTrialNumber());
            r = m_run->step();
            if (r != addin::StepResult::Trial)
                break;
        }
        return r;
    }

private:
    void startOptimization(int k, int64_t firstTrialNumber) {
        m_k = k;
        m_model->setConstrainingLimit(m_values[static_cast<size_t>(k - 1)]);
        addin::RunOptions o;
        o.populationSize = 50;
        o.seed = 7 + static_cast<uint64_t>(k - 1);
        o.maxTrials = 0;
        m_run.reset(); // the previous optimization's population goes first
        m_run = std::make_unique<addin::OptimizationRun>(*m_model, o, m_log, k, firstTrialNumber);
        if (m_run->start() != QX_OK)
            throw std::runtime_error("cannot start an optimization of the series");
        addin::channels::writeDouble(addin::channels::EFNumOptimizationUnderWay, k);
        if (m_watcher)
            m_watcher->setInput_PopHandle(m_run->population());
    }

    std::unique_ptr<models::Model> m_model;
    std::vector<double> m_values;
    int64_t m_perOptimization;
    int32_t m_log = 0;
    int m_k = 0;
    std::unique_ptr<addin::OptimizationRun> m_run;
    manager::WatcherManager* m_watcher = nullptr;
};

// Keeps the event loop (and so the windows' update timer) going for ms
// milliseconds while the run goes on at about trialsPerSecond.
template <class Series> addin::StepResult pump(Series& run, int ms, int trialsPerSecond) {
    QElapsedTimer clock;
    clock.start();
    addin::StepResult last = addin::StepResult::Trial;
    int64_t done = 0;
    while (clock.elapsed() < ms) {
        const int64_t due = clock.elapsed() * trialsPerSecond / 1000;
        if (due > done) {
            last = run.steps(static_cast<int>(due - done));
            done = due;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return last;
}

class Shooter {
public:
    Shooter(QString dir, QString language) : m_dir(std::move(dir)), m_language(std::move(language)) {}

    bool save(QWidget* window, const QString& name) {
        if (!window) {
            std::fprintf(stderr, "error: no window for %s\n", qPrintable(name));
            return false;
        }
        window->show();
        window->raise();
        for (int i = 0; i < 5; ++i)
            QApplication::processEvents();
        const QString path = QDir(m_dir).filePath(QStringLiteral("%1-%2.png").arg(name, m_language));
        const bool ok = window->grab().save(path);
        std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
        m_ok = m_ok && ok;
        return ok;
    }
    // A file the run wrote, kept beside the pictures.
    bool copy(const QString& file, const QString& name) {
        const QString path = QDir(m_dir).filePath(QStringLiteral("%1-%2.png").arg(name, m_language));
        QFile::remove(path);
        const bool ok = QFile::copy(file, path);
        std::printf("%s %s\n", ok ? "wrote" : "could not write", qPrintable(path));
        m_ok = m_ok && ok;
        return ok;
    }
    bool ok() const { return m_ok; }

private:
    QString m_dir;
    QString m_language;
    bool m_ok = true;
};

QWidget* widgetOf(manager::ProgressWindow* window) {
    return window ? watcher::widgetOf(window->windowRef()) : nullptr;
}

void selectTab(QWidget* window, int index) {
    auto* tabs = window ? window->findChild<QTabWidget*>(QStringLiteral("TabMain")) : nullptr;
    if (tabs)
        tabs->setCurrentIndex(index);
    else
        std::fprintf(stderr, "warning: no TabMain\n");
}

void clickButton(QWidget* window, const QString& name) {
    auto* button = window ? window->findChild<QAbstractButton*>(name) : nullptr;
    if (button)
        button->click();
    else
        std::fprintf(stderr, "warning: no button %s\n", qPrintable(name));
}

// Creates the manager of a run as the add-in does: Initialize, the inputs,
// InitializeForms, and the first-trial channels once a trial is done.
template <class Series>
std::unique_ptr<manager::WatcherManager> openWatcher(Series& run, const QString& logPath, int64_t maxTrials,
                                                     const QString& progressGraphPath = QString(),
                                                     bool efficientFrontier = false) {
    auto m = std::make_unique<manager::WatcherManager>();
    m->Initialize();
    addin::AddinOptions options;
    options.maxTrials = maxTrials;
    options.maxSeconds = 0;
    options.efficientFrontier = efficientFrontier;
    addin::RunSetup setup;
    setup.population = run.run().population();
    setup.logPath = logPath;
    setup.progressGraphPath = progressGraphPath;
    setInputs(*m, addin::watcherInputs(run.model(), options, setup));
    m->InitializeForms();
    // What the add-in writes once its first trial is done.
    addin::channels::writeLong(addin::channels::FirstTrialGraphAllTrialsInitialNumTrialsShown, 500);
    addin::channels::writeLong(addin::channels::FirstTrialNumLastTrialsToShow, 2000);
    addin::channels::writeBool(addin::channels::FirstTrialInfoAvailable, true);
    return m;
}

// Running, paused and stopped, both windows, with a trial limit (so the
// compact window shows its progress bar).
void shootFullRun(Shooter& shots, const QString& modelName, const QString& folder) {
    constexpr int64_t kMaxTrials = 6000;
    const QString logPath = QDir(folder).filePath(QStringLiteral("run.qxlog"));
    const QString graphPath = QDir(folder).filePath(QStringLiteral("progress.png"));
    Run run(modelName, logPath, kMaxTrials);
    run.steps(400);
    auto m = openWatcher(run, logPath, kMaxTrials, graphPath);
    m->ShowCompactWindow();
    pump(run, 2600, 250);
    shots.save(widgetOf(m->compactWindow()), QStringLiteral("compact-running"));
    m->ShowFullWatcher();
    pump(run, 1200, 250);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-running"));
    // The summary page of the same run, a little later.
    selectTab(widgetOf(m->fullWindow()), 1);
    pump(run, 1200, 250);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-summary-running"));
    // The progress page of a window the person made larger, then the
    // designed size again for the shots that follow.
    if (QWidget* full = widgetOf(m->fullWindow())) {
        const QSize designed = full->size();
        selectTab(full, 0);
        full->resize(designed.width() * 8 / 5, designed.height() * 3 / 2);
        pump(run, 600, 200);
        shots.save(full, QStringLiteral("full-resized"));
        full->resize(designed);
        pump(run, 200, 100);
    }
    selectTab(widgetOf(m->fullWindow()), 0);

    // Pause from the compact window, as a person would; the run honours the
    // mark and says it waits.
    m->ShowCompactWindow();
    clickButton(widgetOf(m->compactWindow()), QStringLiteral("CommandPause"));
    if (run.steps(1) == addin::StepResult::Paused)
        m->setWaitingAfterPauseClicked(true);
    pump(run, 1300, 0);
    shots.save(widgetOf(m->compactWindow()), QStringLiteral("compact-paused"));
    m->ShowFullWatcher();
    pump(run, 1100, 0);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-paused"));

    // Stop from the full window; the question is answered Yes.
    clickButton(widgetOf(m->fullWindow()), QStringLiteral("CommandStop"));
    run.steps(1);
    pump(run, 1300, 0);
    if (m->fullWindow() && m->fullWindow()->DialogConfiguration() != 3)
        std::fprintf(stderr, "warning: the full window is not in its stopping configuration\n");
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-stopped"));
    // The end of the run writes the progress graph file.
    m->Dispose();
    shots.copy(graphPath, QStringLiteral("progress-graph"));
}

// The stopping page of a run stopped right after its first trial: nothing
// has beaten the original solution, so the page keeps it (checked, greyed).
void shootOriginalStillBest(Shooter& shots, const QString& modelName, const QString& folder) {
    const QString logPath = QDir(folder).filePath(QStringLiteral("original.qxlog"));
    Run run(modelName, logPath, 0);
    run.steps(1);
    auto m = openWatcher(run, logPath, 0);
    m->ShowFullWatcher();
    pump(run, 1200, 0);
    // Stop asks once the run has paused: pause first, then stop.
    clickButton(widgetOf(m->fullWindow()), QStringLiteral("CommandPause"));
    if (run.steps(1) == addin::StepResult::Paused)
        m->setWaitingAfterPauseClicked(true);
    pump(run, 1100, 0);
    clickButton(widgetOf(m->fullWindow()), QStringLiteral("CommandStop"));
    run.steps(1);
    pump(run, 1300, 0);
    if (m->fullWindow() && m->fullWindow()->DialogConfiguration() != 3)
        std::fprintf(stderr, "warning: the full window is not in its stopping configuration\n");
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-stopped-original-best"));
    m->Dispose();
}

// No trial or time limit: the compact window has no progress bar.
void shootNoLimit(Shooter& shots, const QString& modelName, const QString& folder) {
    const QString logPath = QDir(folder).filePath(QStringLiteral("nolimit.qxlog"));
    Run run(modelName, logPath, 0);
    run.steps(300);
    auto m = openWatcher(run, logPath, 0);
    m->ShowCompactWindow();
    pump(run, 2600, 250);
    shots.save(widgetOf(m->compactWindow()), QStringLiteral("compact-no-progress-bar"));
    QxPopSetRunStatus(run.run().population(), QxRunStatusStopped);
    m->Dispose();
}

// The population pages during a real run (its genes converging in the
// colour graph), and the constraint solver's verdicts of the feasibility
// model.
void shootPopulationPages(Shooter& shots, const QString& folder) {
    const QString logPath = QDir(folder).filePath(QStringLiteral("population.qxlog"));
    Run run(QStringLiteral("portfolio"), logPath, 0);
    run.steps(150);
    auto m = openWatcher(run, logPath, 0);
    m->ShowFullWatcher();
    pump(run, 1300, 100);
    // Early in the run: some genes have converged, others not yet.
    selectTab(widgetOf(m->fullWindow()), 4);
    pump(run, 1300, 100);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-colorgraph"));
    selectTab(widgetOf(m->fullWindow()), 3);
    pump(run, 1300, 100);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-population"));
    QxPopSetRunStatus(run.run().population(), QxRunStatusStopped);
    m->Dispose();

    const QString solverLog = QDir(folder).filePath(QStringLiteral("solver.qxlog"));
    Run solver(QStringLiteral("feasibility"), solverLog, 0);
    solver.steps(200);
    auto s = openWatcher(solver, solverLog, 0);
    s->ShowFullWatcher();
    pump(solver, 2300, 100);
    shots.save(widgetOf(s->fullWindow()), QStringLiteral("full-constraint-solver"));
    QxPopSetRunStatus(solver.run().population(), QxRunStatusStopped);
    s->Dispose();
}

// The log page during a run: every trial, then the progress steps.
void shootLogPage(Shooter& shots, const QString& modelName, const QString& folder) {
    const QString logPath = QDir(folder).filePath(QStringLiteral("log.qxlog"));
    Run run(modelName, logPath, 0);
    run.steps(300);
    auto m = openWatcher(run, logPath, 0);
    m->ShowFullWatcher();
    QWidget* full = widgetOf(m->fullWindow());
    auto* tabs = full ? full->findChild<QTabWidget*>(QStringLiteral("TabMain")) : nullptr;
    auto* logType = full ? full->findChild<QComboBox*>(QStringLiteral("ComboLogType")) : nullptr;
    if (!tabs || !logType) {
        std::fprintf(stderr, "error: the full window has no log page\n");
        QxPopSetRunStatus(run.run().population(), QxRunStatusStopped);
        m->Dispose();
        return;
    }
    pump(run, 1500, 250);
    tabs->setCurrentIndex(2);
    pump(run, 2200, 250);
    shots.save(full, QStringLiteral("full-log-running"));
    logType->setCurrentIndex(1);
    pump(run, 1200, 250);
    shots.save(full, QStringLiteral("full-log-progress-steps"));
    QxPopSetRunStatus(run.run().population(), QxRunStatusStopped);
    m->Dispose();
}

// An efficient-frontier series: both windows while optimization 4 of 5
// runs (the earlier ones' step curves and the frontier so far beside the
// current one's progress), then the full window's stopping page once the
// last optimization has stopped.
void shootFrontier(Shooter& shots, const QString& folder) {
    constexpr int64_t kTrialsPerOptimization = 500;
    const QString logPath = QDir(folder).filePath(QStringLiteral("frontier.qxlog"));
    FrontierSeries series(QStringLiteral("portfolio"), logPath, kTrialsPerOptimization);
    // What the add-in proposes at the end of the run.
    addin::channels::writeBool(addin::channels::StopGenerateOptimizationSummary, true);
    addin::channels::writeBool(addin::channels::StopWriteLogOfAllTrials, false);
    addin::channels::writeBool(addin::channels::StopWriteLogOfProgressSteps, true);
    addin::channels::writeLong(addin::channels::StopSolutionToKeep, -1);
    series.steps(50);
    // The trial limit the Watcher is told is that of the whole series.
    auto m = openWatcher(series, logPath, kTrialsPerOptimization * 5, QString(), true);
    series.follow(m.get());
    m->ShowFullWatcher();
    pump(series, 1500, 0);
    // The Watcher draws each optimization's steps as it sees them: the
    // series goes on at a pace it can follow, into optimization 4.
    pump(series, 6000, 240);
    m->ShowCompactWindow();
    pump(series, 1500, 100);
    shots.save(widgetOf(m->compactWindow()), QStringLiteral("compact-frontier-running"));
    m->ShowFullWatcher();
    pump(series, 1500, 100);
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-frontier-running"));

    // The rest of the series, then the last optimization stops.
    pump(series, 4000, 250);
    QxPopSetRunStatus(series.run().population(), QxRunStatusStopped);
    pump(series, 1500, 0);
    if (m->fullWindow() && m->fullWindow()->DialogConfiguration() != 3)
        std::fprintf(stderr, "warning: the frontier window is not in its stopping configuration\n");
    shots.save(widgetOf(m->fullWindow()), QStringLiteral("full-frontier-stopped"));
    m->Dispose();
}

} // namespace

int main(int argc, char** argv) {
    // Channels and mutexes of their own, so that a run of the add-in on the
    // same desktop is not disturbed; logs in a temporary folder.
    qputenv("SELVANE_INSTANCE", QByteArrayLiteral("selvane-screenshots"));
    QTemporaryDir folder;
    qputenv("SELVANE_LOG_DIR", QFile::encodeName(folder.path()));
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Pictures of the Watcher's windows from a real run."));
    parser.addHelpOption();
    parser.addOption({QStringLiteral("out"), QStringLiteral("Folder of the pictures."), QStringLiteral("dir"),
                      QStringLiteral("docs/screenshots")});
    parser.addOption({QStringLiteral("model"), QStringLiteral("Built-in model to optimize."), QStringLiteral("name"),
                      QStringLiteral("portfolio")});
    parser.addOption({QStringLiteral("only"), QStringLiteral("Groups of pictures to make, comma-separated."),
                      QStringLiteral("groups")});
    parser.process(app);
    QDir().mkpath(parser.value(QStringLiteral("out")));

    const int language = ol::ResourceServer::parseLanguage(qEnvironmentVariable("SELVANE_LANGUAGE"));
    const QString suffix = language == ol::kLanguageGerman ? QStringLiteral("de") : QStringLiteral("en");

    watcher::InstallQtWindows();
    AnswerYes answers;
    ol::VisualServices services = ol::services();
    services.messageBoxes = &answers;
    ol::setServices(services);

    Shooter shots(parser.value(QStringLiteral("out")), suffix);
    try {
        // --only picks groups of pictures (full, original, nolimit,
        // population, log, frontier); all of them by default.
        const QStringList only = parser.value(QStringLiteral("only")).split(u',', Qt::SkipEmptyParts);
        const auto wanted = [&](const char* group) { return only.isEmpty() || only.contains(QLatin1String(group)); };
        const QString model = parser.value(QStringLiteral("model"));
        if (wanted("full"))
            shootFullRun(shots, model, folder.path());
        if (wanted("original"))
            shootOriginalStillBest(shots, model, folder.path());
        if (wanted("nolimit"))
            shootNoLimit(shots, model, folder.path());
        if (wanted("population"))
            shootPopulationPages(shots, folder.path());
        if (wanted("log"))
            shootLogPage(shots, model, folder.path());
        if (wanted("frontier"))
            shootFrontier(shots, folder.path());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "error: %s\n", e.what());
        return 1;
    }
    return shots.ok() ? 0 : 1;
}
