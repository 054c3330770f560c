#pragma once

#include <functional>
#include <map>
#include <memory>
#include <ostream>
#include <optional>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QSize>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "HostObjects.h"
#include "ProgressWindows.h"
#include "WatcherManager.h"
#include "ol/ScriptedVisualServices.h"

// Readable texts in test failures.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace managertest {

// What every scripted object does, in order: "compact.Update",
// "full.Update(1,0)", "excel.setDisplayAlerts(0)", ...
using Journal = std::vector<QString>;

// A window that records its calls and answers from fields the test sets.
// An operation named in failing raises kErrGeneral; a hook named like an
// operation runs when it is called (for looks at the engine meanwhile).
template <class Base> class ScriptedWindowBase : public Base {
public:
    ScriptedWindowBase(QString name, Journal& journal) : m_name(std::move(name)), m_journal(journal) {}

    bool visible = false;
    int32_t topTwips = 0;
    std::set<QString> failing;
    std::map<QString, std::function<void()>> hooks;
    manager::WatcherManager* initializedWith = nullptr;

    void Initialize(manager::WatcherManager* m) override {
        record(QStringLiteral("Initialize"));
        initializedWith = m;
    }
    void Hide() override {
        record(QStringLiteral("Hide"));
        visible = false;
    }
    void Unload() override { record(QStringLiteral("Unload")); }
    void Dispose() override { record(QStringLiteral("Dispose")); }
    void Show() override {
        record(QStringLiteral("Show"));
        visible = true;
    }
    bool Visible() const override { return visible; }
    void SetTopmost(bool on) override { record(QStringLiteral("SetTopmost(%1)").arg(int(on))); }
    int32_t TopTwips() const override { return topTwips; }
    ol::WindowRef windowRef() override { return ol::WindowRef::host(m_name == QStringLiteral("full") ? 9001 : 9002); }
    void GoToPausingConfig() override { record(QStringLiteral("GoToPausingConfig")); }
    void GoToRunningConfig() override { record(QStringLiteral("GoToRunningConfig")); }
    void ControlsAfterStopClickedDisableEnable(bool enable) override {
        record(QStringLiteral("ControlsAfterStopClickedDisableEnable(%1)").arg(int(enable)));
    }
    void RestoreRunPauseButtonState() override { record(QStringLiteral("RestoreRunPauseButtonState")); }
    void CheckWindowMoved() override { record(QStringLiteral("CheckWindowMoved")); }

protected:
    // Records "<window>.<call>", runs the hook of the operation, and raises
    // when the operation is set to fail.
    void record(const QString& call) const {
        m_journal.push_back(m_name + u'.' + call);
        const QString op = call.section(u'(', 0, 0);
        if (auto it = hooks.find(op); it != hooks.end() && it->second)
            it->second();
        if (failing.count(op))
            ol::raiseError(ol::kErrGeneral, op, QStringLiteral("scripted failure of ") + op);
    }

private:
    QString m_name;
    Journal& m_journal;
};

class ScriptedCompactWindow : public ScriptedWindowBase<manager::CompactWindow> {
public:
    explicit ScriptedCompactWindow(Journal& journal) : ScriptedWindowBase(QStringLiteral("compact"), journal) {}
    void InitializeAfterFirstTrial() override { record(QStringLiteral("InitializeAfterFirstTrial")); }
    void Update() override { record(QStringLiteral("Update")); }
};

class ScriptedFullWindow : public ScriptedWindowBase<manager::FullWindow> {
public:
    explicit ScriptedFullWindow(Journal& journal) : ScriptedWindowBase(QStringLiteral("full"), journal) {}

    int32_t dialogConfiguration = 1;
    bool graphDialogUp = false;
    bool stopTimer = false;
    bool timerEnabled = true;
    int32_t resumeSignalCounter = 0;
    bool exportResult = true;
    // Arguments of the last ExportProgressGraph call.
    struct Export {
        QString path;
        QString title;
        double axisMaximum = 0;
        int width = 0;
        int height = 0;
    };
    std::optional<Export> exported;
    // Also receives the export, and outlives the window.
    std::optional<Export>* exportSink = nullptr;

    void InitializeAfterFirstTrial(int32_t allTrials, int32_t lastTrials) override {
        record(QStringLiteral("InitializeAfterFirstTrial(%1,%2)").arg(allTrials).arg(lastTrials));
    }
    void Update(bool force, bool updateLast) override {
        record(QStringLiteral("Update(%1,%2)").arg(int(force)).arg(int(updateLast)));
    }
    bool StopTimer() const override { return stopTimer; }
    void SetStopTimer(bool on) override {
        record(QStringLiteral("SetStopTimer(%1)").arg(int(on)));
        stopTimer = on;
    }
    bool UpdateTimerEnabled() const override { return timerEnabled; }
    void SetUpdateTimerEnabled(bool on) override {
        record(QStringLiteral("SetUpdateTimerEnabled(%1)").arg(int(on)));
        timerEnabled = on;
    }
    bool MirGraphModalDialogBeingDisplayed() const override {
        record(QStringLiteral("MirGraphModalDialogBeingDisplayed"));
        return graphDialogUp;
    }
    int32_t DialogConfiguration() const override { return dialogConfiguration; }
    void SetResumeSignalCounter(int32_t ticks) override {
        record(QStringLiteral("SetResumeSignalCounter(%1)").arg(ticks));
        resumeSignalCounter = ticks;
    }
    void ShowModal() override { record(QStringLiteral("ShowModal")); }
    void AfterShow() override { record(QStringLiteral("AfterShow")); }
    bool ExportProgressGraph(const QString& path, const QString& title, double axisMaximum, int width,
                             int height) override {
        record(QStringLiteral("ExportProgressGraph"));
        exported = Export{path, title, axisMaximum, width, height};
        if (exportSink)
            *exportSink = exported;
        return exportResult;
    }
};

// Makes scripted windows and keeps pointers to the last ones it made (the
// manager owns them; the pointers go stale when it releases them).
class ScriptedWindowFactory : public manager::WindowFactory {
public:
    explicit ScriptedWindowFactory(Journal& journal) : m_journal(journal) {}

    bool makeCompact = true;
    bool makeFull = true;
    // Kinds asked for, in order: "compact(ef=0)", "full(ef=1)".
    QStringList requests;
    ScriptedCompactWindow* compact = nullptr;
    ScriptedFullWindow* full = nullptr;
    // The last progress graph any full window exported.
    std::optional<ScriptedFullWindow::Export> lastExport;
    // Applied to each window as it is made.
    std::function<void(ScriptedCompactWindow&)> setUpCompact;
    std::function<void(ScriptedFullWindow&)> setUpFull;

    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool ef) override;
    std::unique_ptr<manager::FullWindow> createFullWindow(bool ef) override;

private:
    Journal& m_journal;
};

class ScriptedHostExcel : public manager::HostExcel {
public:
    explicit ScriptedHostExcel(Journal& journal) : m_journal(journal) {}
    bool alerts = true;
    bool enabled = true;
    bool failDisplayAlerts = false;

    bool displayAlerts() override;
    void setDisplayAlerts(bool on) override;
    bool interactive() override { return true; }
    void setInteractive(bool on) override;
    QString statusBar() override { return QString(); }
    void setStatusBar(const QString& text) override;
    bool windowEnabled() override { return enabled; }
    void setWindowEnabled(bool on) override;
    void run(const QString& macro) override;
    void bringToFront() override;

private:
    Journal& m_journal;
};

class ScriptedHostApplication : public manager::HostApplication {
public:
    std::optional<QSize> graphSize;
    std::optional<QSize> reportGraphSize(int32_t) override { return graphSize; }
    void receiveStoppingOptions(const manager::StoppingChoices&) override {}
};

class ScriptedHostConnector : public manager::HostConnector {
public:
    explicit ScriptedHostConnector(Journal& journal)
        : excelHost(std::make_shared<ScriptedHostExcel>(journal)), app(std::make_shared<ScriptedHostApplication>()) {}
    std::shared_ptr<ScriptedHostExcel> excelHost;
    std::shared_ptr<ScriptedHostApplication> app;
    std::shared_ptr<manager::HostExcel> excel(const manager::ObjectRef&) override { return excelHost; }
    std::shared_ptr<manager::HostApplication> application(const manager::ObjectRef&) override { return app; }
};

// Message boxes that run a look at the world before each answer (the
// population lock while the stop question is up), then answer from the
// scripted services.
class HookedMessageBoxes : public ol::MessageBoxService {
public:
    explicit HookedMessageBoxes(ol::ScriptedVisualServices& answers) : m_answers(answers) {}
    std::function<void()> beforeAnswer;
    void showMessage(const ol::MessageRequest& r) override;
    bool askYesNo(const ol::YesNoRequest& r) override;
    int askWithHelp(const ol::HelpQuestion& q) override;

private:
    ol::ScriptedVisualServices& m_answers;
};

// An optimization log written with the engine library's writer. Trial t has
// the objective value `valueOf(t)` and one gene t; `invalid` trials count
// as not valid.
class TestLog {
public:
    TestLog();
    ~TestLog();
    const QString& path() const { return m_path; }
    void addTrials(int32_t count, int32_t invalid = 0);
    // Records the latest trial as a progress step of optimization selector.
    void addStep(int32_t selector = 1);
    static double valueOf(int32_t trial) { return 100.0 + trial; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int32_t m_log = 0;
    int32_t m_trials = 0;
    int32_t m_valid = 0;
    double m_gene = 0;
};

// Everything a manager needs around it: the engine bound, a population, a
// private log directory, empty channels, an English resource server (until
// Initialize makes its own), scripted windows, hosts and message boxes.
class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A manager after Initialize with its properties set for a plain run and
    // its windows made.
    std::unique_ptr<manager::WatcherManager> startedManager(bool efficientFrontier = false);

    // The population lock can be taken by another thread (none of this
    // thread's locks is left over).
    bool lockIsFree() const;
    int16_t status() const;
    void setStatus(int16_t s) const;
    // Calls of the journal that start with prefix ("full.", "excel.").
    QStringList callsOf(const QString& prefix) const;
    // Diagnostic log messages (without the tick columns).
    QStringList logMessages() const;
    bool logged(const QString& message) const { return logMessages().contains(message); }
    void startLogging();

    Journal journal;
    ScriptedWindowFactory factory{journal};
    ScriptedHostConnector connector{journal};
    ol::ScriptedVisualServices answers;
    HookedMessageBoxes boxes{answers};
    int32_t pop = 0;
    QTemporaryDir logDir;

private:
    std::unique_ptr<ol::ScopedVisualServices> m_services;
};

// Channel values as the add-in reads and writes them (through qxlib8.h).
bool channelBool(int16_t channel);
int32_t channelLong(int16_t channel);
void setChannelBool(int16_t channel, bool value);
void setChannelLong(int16_t channel, int32_t value);
void setChannelDouble(int16_t channel, double value);

// The error f raises; a test failure when it raises nothing.
ol::OLError raised(const std::function<void()>& f);

} // namespace managertest
