#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include <QMetaType>
#include <QSize>
#include <QString>

#include "FrontierGraph.h"

namespace manager {

// A reference to an object that another process exports (the host's
// application objects, the callback object): where it lives and its name
// there. Over D-Bus this is the bus name and the object path, "(so)". An
// empty reference is "Nothing".
struct ObjectRef {
    QString service;
    QString path;

    bool isNull() const { return service.isEmpty() || path.isEmpty(); }
    friend bool operator==(const ObjectRef& a, const ObjectRef& b) {
        return a.service == b.service && a.path == b.path;
    }
};

// The host's application object ("Excel"), as the Watcher uses it. Every
// call is bounded in time: a slow or gone host makes a call fail (raise
// kErrGeneral with a text saying so) instead of freezing the windows. Calls
// whose result nobody needs (setters, Run, BringToFront) are sent without
// waiting.
class HostExcel {
public:
    virtual ~HostExcel() = default;
    virtual bool displayAlerts() = 0;
    virtual void setDisplayAlerts(bool on) = 0;
    virtual bool interactive() = 0;
    virtual void setInteractive(bool on) = 0;
    virtual QString statusBar() = 0;
    // An empty text gives the status bar back to the host.
    virtual void setStatusBar(const QString& text) = 0;
    // The host's main window takes mouse and keyboard input.
    virtual bool windowEnabled() = 0;
    virtual void setWindowEnabled(bool on) = 0;
    // Runs a macro of the add-in ("Selvane.xla!OptDoEvents").
    virtual void run(const QString& macro) = 0;
    // Brings the host's main window to the front.
    virtual void bringToFront() = 0;
    // Builds the efficient-frontier chart in the host's workbook: the data
    // go into dataRange, the chart sits over placementRange (range addresses
    // as the host understands them). Returns the chart object the host made.
    // A host that cannot make charts raises kErrGeneral saying so.
    virtual ObjectRef addFrontierChart(const FrontierChart& chart, const QString& placementRange,
                                       const QString& dataRange);
};

// The stopping choices handed to the add-in at OK of the stopping options.
struct StoppingChoices {
    bool generateOptimizationSummary = false;
    bool writeLogOfAllTrials = false;
    bool writeLogOfProgressSteps = false;
    int32_t solutionToKeep = -1;
};

// The add-in's own application object.
class HostApplication {
public:
    virtual ~HostApplication() = default;
    // Width and height in pixels of report graphs of the given kind; nothing
    // when the host does not answer.
    virtual std::optional<QSize> reportGraphSize(int32_t graphKind) = 0;
    // The stopping-options receiver.
    virtual void receiveStoppingOptions(const StoppingChoices& choices) = 0;
};

// Turns references into usable objects. The Watcher's process installs the
// D-Bus connector; tests install scripted hosts.
class HostConnector {
public:
    virtual ~HostConnector() = default;
    virtual std::shared_ptr<HostExcel> excel(const ObjectRef& ref) = 0;
    virtual std::shared_ptr<HostApplication> application(const ObjectRef& ref) = 0;
};

// The installed connector; null until one is installed. Not owned.
HostConnector* hostConnector();
void setHostConnector(HostConnector* connector);

} // namespace manager

Q_DECLARE_METATYPE(manager::ObjectRef)
