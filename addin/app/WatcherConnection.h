// The add-in's side of one Watcher manager: what the run needs from it,
// whatever carries the calls. Every call that can call back into the add-in
// waits in a local event loop, so the add-in keeps answering the Watcher's
// calls to its host objects meanwhile.
#pragma once

#include <cstdint>

#include <QList>
#include <QString>

#include "WatcherInputs.h"

namespace addin {

class WatcherConnection {
public:
    virtual ~WatcherConnection() = default;

    // Creates a manager (starting the Watcher when needed), Initialize, sets
    // every input, then InitializeForms. False with `error` set (the error's
    // name and text) when any of it failed; the manager is released then.
    virtual bool open(const QList<WatcherInput>& inputs, QString& error) = 0;
    // Where the add-in's host objects can be reached (its bus name).
    virtual QString hostAddress() const = 0;
    // The Watcher's process id; 0 when unknown.
    virtual int64_t watcherProcessId() = 0;

    virtual bool waitingAfterStopClicked() = 0;
    virtual void setWaitingAfterPauseClicked(bool on) = 0;
    // The person asked the host for the next optimization of a frontier
    // series: the paused run waits for the Watcher's question.
    virtual void setWaitingAfterEFNextOptimizationClicked(bool on) = 0;
    // A new population takes over the run (the next optimization of a
    // frontier series); true once the Watcher uses it.
    virtual bool setPopulation(int32_t population, QString& error) = 0;

    // Shows the full window modally; returns when the person closed it (the
    // manager is disposed then).
    virtual bool showWatcherModally(QString& error) = 0;
    // EFGraphChartInExcel with the add-in's Excel object: the Watcher calls
    // back to build the chart, or shows why it cannot in a message box, so
    // this waits as long as a window may be up. `chartPath` gets the chart's
    // object path; a null reference answered is no chart.
    virtual bool efGraphChartInExcel(const QString& placementRange, const QString& dataRange, QString& chartPath,
                                     QString& error) = 0;
    virtual bool dispose(QString& error) = 0;
    // Drops the manager; the Watcher disposes a run that was not disposed.
    virtual void release() = 0;
};

} // namespace addin
