#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <vector>

#include <gtest/gtest.h>

#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

#include "WatcherManager.h"
#include "ol/ScriptedVisualServices.h"

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace managertest {

// Every call of the scripted windows and host, in order: "compact.Update",
// "full.Update(1,0)", "excel.setDisplayAlerts(0)".
using Journal = QStringList;

// A window that records its calls. An operation named in `failing` raises;
// a hook named like an operation runs when it is called.
template <class Base> class ScriptedWindow : public Base {
public:
    ScriptedWindow(QString name, Journal& journal) : m_name(std::move(name)), m_journal(journal) {}
    bool visible = false;
    std::set<QString> failing;
    std::map<QString, std::function<void()>> hooks;
    manager::WatcherManager* initializedWith = nullptr;

    void Initialize(manager::WatcherManager* m) override { record(u"Initialize", {}, initializedWith = m); }
    void Hide() override { record(u"Hide", {}, visible = false); }
    void Show() override { record(u"Show", {}, visible = true); }
    void Unload() override { record(u"Unload"); }
    void Dispose() override { record(u"Dispose"); }
    bool Visible() const override { return visible; }
    void SetTopmost(bool on) override { record(u"SetTopmost", {on}); }
    int32_t TopTwips() const override { return 0; }
    ol::WindowRef windowRef() override { return ol::WindowRef::host(m_name == u"full" ? 9001 : 9002); }
    void GoToPausingConfig() override { record(u"GoToPausingConfig"); }
    void GoToRunningConfig() override { record(u"GoToRunningConfig"); }
    void ControlsAfterStopClickedDisableEnable(bool on) override {
        record(u"ControlsAfterStopClickedDisableEnable", {on});
    }
    void RestoreRunPauseButtonState() override { record(u"RestoreRunPauseButtonState"); }
    void CheckWindowMoved() override { record(u"CheckWindowMoved"); }

protected:
    // Records "<window>.<op>(<args>)", runs the hook, raises when set to fail.
    // Further arguments are only evaluated (state changes made before the
    // call is recorded).
    template <class... Ignored> void record(QStringView op, std::initializer_list<int> args = {}, Ignored...) const {
        QStringList a;
        for (int v : args)
            a << QString::number(v);
        m_journal << m_name + u'.' + op + (a.isEmpty() ? QString() : QString(u'(' + a.join(u',') + u')'));
        if (auto it = hooks.find(op.toString()); it != hooks.end())
            it->second();
        if (failing.count(op.toString()))
            ol::raiseError(ol::kErrGeneral, op.toString(), QStringLiteral("scripted failure of ") + op);
    }

private:
    QString m_name;
    Journal& m_journal;
};

class ScriptedCompactWindow : public ScriptedWindow<manager::CompactWindow> {
public:
    explicit ScriptedCompactWindow(Journal& journal) : ScriptedWindow(QStringLiteral("compact"), journal) {}
    void InitializeAfterFirstTrial() override { record(u"InitializeAfterFirstTrial"); }
    void Update() override { record(u"Update"); }
};

struct GraphExport {
    QString path;
    QString title;
    double axisMaximum = 0;
    QSize size;
};

class ScriptedFullWindow : public ScriptedWindow<manager::FullWindow> {
public:
    ScriptedFullWindow(Journal& journal, std::optional<GraphExport>& sink)
        : ScriptedWindow(QStringLiteral("full"), journal), m_export(sink) {}
    int32_t dialogConfiguration = 1;
    QString statusText;
    bool graphDialogUp = false; // a graph of the window shows its dialog

    void InitializeAfterFirstTrial(int32_t all, int32_t last) override {
        record(u"InitializeAfterFirstTrial", {all, last});
    }
    void Update(bool force, bool last) override { record(u"Update", {force, last}); }
    void ShowStatusText(const QString& text) override { record(u"ShowStatusText", {}, statusText = text); }
    bool StopTimer() const override { return false; }
    void SetStopTimer(bool on) override { record(u"SetStopTimer", {on}); }
    bool UpdateTimerEnabled() const override { return true; }
    void SetUpdateTimerEnabled(bool on) override { record(u"SetUpdateTimerEnabled", {on}); }
    bool MirGraphModalDialogBeingDisplayed() const override { return graphDialogUp; }
    int32_t DialogConfiguration() const override { return dialogConfiguration; }
    void SetResumeSignalCounter(int32_t ticks) override { record(u"SetResumeSignalCounter", {ticks}); }
    void ShowModal() override { record(u"ShowModal"); }
    void AfterShow() override { record(u"AfterShow"); }
    bool ExportProgressGraph(const QString& path, const QString& title, double axisMaximum, int w, int h) override {
        record(u"ExportProgressGraph", {}, m_export = GraphExport{path, title, axisMaximum, QSize(w, h)});
        return true;
    }

private:
    std::optional<GraphExport>& m_export;
};

// Makes scripted windows and keeps pointers to the last ones it made.
class ScriptedWindowFactory : public manager::WindowFactory {
public:
    explicit ScriptedWindowFactory(Journal& journal) : m_journal(journal) {}
    bool makeFull = true;
    QStringList requests; // "compact(ef=0)", "full(ef=1)"
    ScriptedCompactWindow* compact = nullptr;
    ScriptedFullWindow* full = nullptr;
    std::function<void(ScriptedFullWindow&)> setUpFull;
    std::optional<GraphExport> lastExport; // outlives the window

    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool ef) override;
    std::unique_ptr<manager::FullWindow> createFullWindow(bool ef) override;

private:
    Journal& m_journal;
};

// Both host objects in one, recording what changes.
class ScriptedHost : public manager::HostExcel, public manager::HostApplication {
public:
    explicit ScriptedHost(Journal& journal) : m_journal(journal) {}
    bool alerts = true;
    bool enabled = true;
    bool failDisplayAlerts = false;
    std::optional<QSize> graphSize;

    bool displayAlerts() override;
    void setDisplayAlerts(bool on) override { note(u"setDisplayAlerts", alerts = on); }
    bool interactive() override { return true; }
    void setInteractive(bool) override {}
    QString statusBar() override { return QString(); }
    void setStatusBar(const QString&) override {}
    bool windowEnabled() override { return enabled; }
    void setWindowEnabled(bool on) override { note(u"setWindowEnabled", enabled = on); }
    void run(const QString&) override {}
    void bringToFront() override { m_journal << QStringLiteral("excel.bringToFront"); }
    std::optional<QSize> reportGraphSize(int32_t) override { return graphSize; }
    // The charts asked for, with their placement and data ranges; a set
    // failure text makes the next one fail with it.
    struct ChartRequest {
        manager::FrontierChart chart;
        QString placementRange;
        QString dataRange;
    };
    std::vector<ChartRequest> charts;
    QString chartFailure;
    manager::ObjectRef addFrontierChart(const manager::FrontierChart& chart, const QString& placementRange,
                                        const QString& dataRange) override {
        if (!chartFailure.isEmpty())
            ol::raiseError(ol::kErrGeneral, QStringLiteral("addFrontierChart"), chartFailure);
        charts.push_back({chart, placementRange, dataRange});
        return {QStringLiteral(":1.7"), QStringLiteral("/charts/%1").arg(charts.size())};
    }
    void receiveStoppingOptions(const manager::StoppingChoices&) override {}

private:
    void note(QStringView op, bool on) { m_journal << QStringLiteral("excel.%1(%2)").arg(op).arg(int(on)); }
    Journal& m_journal;
};

class ScriptedHostConnector : public manager::HostConnector {
public:
    explicit ScriptedHostConnector(Journal& journal) : host(std::make_shared<ScriptedHost>(journal)) {}
    std::shared_ptr<ScriptedHost> host;
    std::shared_ptr<manager::HostExcel> excel(const manager::ObjectRef&) override { return host; }
    std::shared_ptr<manager::HostApplication> application(const manager::ObjectRef&) override { return host; }
};

// Message boxes that take a look at the world before each answer (is the
// population locked while the stop question is up?), then answer from the
// scripted services.
class HookedMessageBoxes : public ol::MessageBoxService {
public:
    explicit HookedMessageBoxes(ol::ScriptedVisualServices& answers) : m_answers(answers) {}
    std::function<void()> beforeAnswer = [] {};
    void showMessage(const ol::MessageRequest& r) override { m_answers.showMessage(r); }
    bool askYesNo(const ol::YesNoRequest& r) override { return beforeAnswer(), m_answers.askYesNo(r); }
    int askWithHelp(const ol::HelpQuestion& q) override { return beforeAnswer(), m_answers.askWithHelp(q); }

private:
    ol::ScriptedVisualServices& m_answers;
};

// An optimization log written with the engine library's writer: trial t has
// the objective value 100 + t and one gene t.
class TestLog {
public:
    TestLog();
    ~TestLog();
    const QString& path() const { return m_path; }
    // The first `invalid` of the new trials break a hard constraint.
    void addTrials(int32_t count, int32_t invalid = 0);
    // The latest trial as a progress step of optimization 1.
    void addStep();

private:
    void append(bool step);
    QTemporaryDir m_dir;
    QString m_path;
    int32_t m_log = 0;
    int32_t m_trials = 0;
    int32_t m_valid = 0;
};

// Around each test: the engine bound, a running population, a private log
// directory, cleared channels, scripted windows, host and message boxes.
class ManagerTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A manager after Initialize and InitializeForms with the population,
    // alerts on and the host set; the journal cleared.
    std::unique_ptr<manager::WatcherManager> startedManager(bool efficientFrontier = false);

    // Another thread can take the population lock: no lock was left over.
    bool lockIsFree() const;
    int16_t status() const;
    void setStatus(int16_t s) const;
    // The texts of the scripted services' calls of one kind ("askYesNo").
    QStringList asked(const QString& operation) const;
    void startLogging();
    QStringList logMessages() const;
    bool logged(const QString& message) const { return logMessages().contains(message); }

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

// Channels as the add-in reads and writes them.
int32_t channelLong(int16_t channel);
bool channelBool(int16_t channel);
void setChannel(int16_t channel, bool value);
void setChannel(int16_t channel, int32_t value);
void setChannel(int16_t channel, double value);

// The error f raises; a test failure when it raises nothing.
ol::OLError raised(const std::function<void()>& f);

} // namespace managertest
