// One run of the sample add-in from start to end: it holds the add-in's
// survival mutex, sets up the engine, the model, the population and the log,
// opens a Watcher (unless told not to), runs the optimization (or the series
// of an efficient frontier) one trial at a time while it keeps serving
// events, talks to the Watcher through the channels, and ends with the
// Watcher's stopping options and a summary.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

#include "AddinOptions.h"
#include "HostApplicationObject.h"
#include "HostExcelObject.h"
#include "OptimizationRun.h"
#include "WatcherConnection.h"
#include "models/Model.h"
#include "ol/NamedMutex.h"

namespace addin {

class AddinSession : public QObject {
    Q_OBJECT

public:
    // Makes the connection to a Watcher that exports the two host objects.
    using WatcherFactory =
        std::function<std::unique_ptr<WatcherConnection>(HostExcelObject& excel, HostApplicationObject& application)>;

    // The name of the mutex the add-in holds while it lives; the Watcher ends
    // itself when it is gone.
    static QString survivalMutexName();

    // The progress graph file of a log: beside it, named after the log's file
    // name without its last extension ("run.qxlog" -> "run-progress.png",
    // "runlog" -> "runlog-progress.png"). Dots in folder names do not count.
    static QString progressGraphPathFor(const QString& logPath);
    // Where a completed frontier run asks the Watcher to put its chart: the
    // points from the data range's corner, the chart over the placement.
    static QString frontierPlacementRange() { return QStringLiteral("Frontier!E2:M22"); }
    static QString frontierDataRange() { return QStringLiteral("Frontier!A1"); }

    AddinSession(const AddinOptions& options, WatcherFactory watcherFactory, QObject* parent = nullptr);
    ~AddinSession() override;

    // Runs everything; the process's exit code.
    int run();

    // Asks the run under way to stop as a stop mark would; safe to call from
    // a signal handler.
    static void requestStop() noexcept { s_stopRequested.store(true); }
    // Asks for the next optimization of a frontier series, as the host's
    // Next optimization button does; safe to call from a signal handler.
    static void requestNextOptimization() noexcept { s_nextRequested.store(true); }

private:
    enum class Outcome { LimitReached, StopRequested, NextOptimization, EngineError };
    struct OptimizationResult {
        double constrainingValue = 0;
        int64_t trials = 0;
        int32_t steps = 0;
        bool hasBest = false;
        double best = 0;
        double original = 0;
        std::vector<double> bestGenes;
        Outcome outcome = Outcome::LimitReached;
    };

    bool setUpModelAndLog();
    bool startOptimization(int k, int64_t firstTrialNumber);
    void openWatcher();
    bool askQuestionsBeforeTheRun();
    int32_t ask(int16_t channel, int32_t request, bool defaultYes, const QString& what);
    Outcome runOptimization();
    void askForNextOptimization();
    void afterFirstTrial();
    void pollChannels();
    void showRecalculation();
    void endWithWatcher();
    // Every optimization of a frontier run ran to its end.
    bool frontierCompleted() const;
    // Asks the Watcher for the frontier's chart in the host's workbook.
    void placeFrontierChart();
    void printProgressLine(bool last);
    void printSummary();
    // Keeps or restores the solution and writes the reports the person
    // asked for; the lines saying what was done.
    QStringList actOnStoppingChoices(const StoppingChoices& choices, const QStringList& runSummary) const;
    void writeStatus(const QString& state);
    QString formatObjective(double v) const;
    void say(const QString& line);
    void warn(const QString& line);

    static inline std::atomic<bool> s_stopRequested{false};
    static inline std::atomic<bool> s_nextRequested{false};

    AddinOptions m_options;
    WatcherFactory m_watcherFactory;
    ol::NamedMutex m_survivalMutex;
    HostExcelObject m_excel;
    HostApplicationObject m_application;
    std::unique_ptr<WatcherConnection> m_watcher;
    int64_t m_watcherPid = 0;
    QString m_hostAddress;

    std::unique_ptr<models::Model> m_model;
    std::vector<double> m_frontier; // constraining values, in optimization order
    QString m_logPath;
    int32_t m_log = 0;
    std::unique_ptr<OptimizationRun> m_run;
    int m_optimization = 0; // 1-based index of the optimization under way
    std::vector<OptimizationResult> m_results;

    ExcelUpdating m_updating;
    bool m_notRun = false; // the person chose not to run with doubtful constraints
    bool m_solverHelp = false;
    bool m_firstTrialDone = false;
    bool m_paused = false;
    bool m_nextOptimizationAsked = false; // paused for the next-optimization question
    int64_t m_sheetUpdates = 0;
    int m_updateRequests = 0;
    int m_pauses = 0;
    bool m_progressOnTty = false;
    bool m_progressLinePending = false;
    QElapsedTimer m_clock;
    int32_t m_lastEngineError = 0;
};

} // namespace addin
