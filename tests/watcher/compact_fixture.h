#pragma once

// A run for the compact window's tests: a real WatcherManager bound to the
// real engine library, a population of the engine whose run status and
// timer the tests set as the add-in would, an optimization log written
// through the engine, the temp-data channels, scripted visual services for
// every menu and box, and a factory that makes the real FormProgressSmall
// beside a full window that only records what it is asked.

#include <chrono>
#include <memory>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QLineEdit>
#include <QStringList>
#include <QTemporaryDir>

#include "../engine/EngineTestEnv.h"
#include "WatcherManager.h"
#include "compact/FormProgressSmall.h"
#include "compact/FormProgressSmallEF.h"
#include "compact/TextProgressBar.h"
#include "ol/ScriptedVisualServices.h"
#include "qxlib8.h"

namespace compacttest {

// The full window of the run: these tests only need to know what it was
// asked.
class RecordingFullWindow final : public manager::FullWindow {
public:
    explicit RecordingFullWindow(QStringList* calls) : m_calls(calls) {}
    void Initialize(manager::WatcherManager*) override {}
    void Hide() override { m_visible = false; }
    void Unload() override {}
    void Dispose() override {}
    void Show() override { m_visible = true; }
    bool Visible() const override { return m_visible; }
    void SetTopmost(bool on) override { *m_calls << (on ? QStringLiteral("Topmost") : QStringLiteral("NotTopmost")); }
    int32_t TopTwips() const override { return 0; }
    ol::WindowRef windowRef() override { return {}; }
    void GoToPausingConfig() override { *m_calls << QStringLiteral("GoToPausingConfig"); }
    void GoToRunningConfig() override { *m_calls << QStringLiteral("GoToRunningConfig"); }
    void ControlsAfterStopClickedDisableEnable(bool) override { *m_calls << QStringLiteral("DisableEnable"); }
    void RestoreRunPauseButtonState() override { *m_calls << QStringLiteral("RestoreRunPauseButtonState"); }
    void CheckWindowMoved() override {}
    void InitializeAfterFirstTrial(int32_t, int32_t) override {}
    void Update(bool, bool) override {}
    void ShowStatusText(const QString& text) override { *m_calls << QStringLiteral("ShowStatusText ") + text; }
    bool StopTimer() const override { return false; }
    void SetStopTimer(bool) override {}
    bool UpdateTimerEnabled() const override { return false; }
    void SetUpdateTimerEnabled(bool) override {}
    bool MirGraphModalDialogBeingDisplayed() const override { return false; }
    int32_t DialogConfiguration() const override { return m_configuration; }
    void SetResumeSignalCounter(int32_t) override { *m_calls << QStringLiteral("SetResumeSignalCounter"); }
    void ShowModal() override {}
    void AfterShow() override {}
    bool ExportProgressGraph(const QString&, const QString&, double, int, int) override { return false; }

    int32_t m_configuration = 1;

private:
    QStringList* m_calls;
    bool m_visible = false;
};

class Factory final : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool efficientFrontier) override {
        if (efficientFrontier)
            return std::make_unique<watcher::FormProgressSmallEF>();
        return std::make_unique<watcher::FormProgressSmall>();
    }
    std::unique_ptr<manager::FullWindow> createFullWindow(bool) override {
        auto window = std::make_unique<RecordingFullWindow>(&fullCalls);
        full = window.get();
        return window;
    }
    QStringList fullCalls;
    RecordingFullWindow* full = nullptr;
};

// What the add-in sets between the manager's Initialize and InitializeForms.
struct RunSettings {
    double trialLimit = 0;
    double millisecondsLimit = 0;
    bool constraintSolverMode = false;
    bool multiCore = false;
    int32_t workerProcesses = 0;
    bool suppressProgressWindow = false;
    // An efficient-frontier analysis: the compact window is FormProgressSmallEF.
    bool efficientFrontier = false;
};

// One trial as the add-in logs it.
struct Trial {
    double value = 0;
    int32_t validSoFar = 0;
};

class CompactWindowTest : public ::testing::Test {
protected:
    // The work area of the monitor that shows Excel: 1280 x 984 pixels from
    // (0, 0), 15 twips a pixel.
    static constexpr int kWorkAreaWidth = 1280;
    static constexpr int kWorkAreaHeight = 984;

    void SetUp() override {
        const int32_t genes[] = {2};
        const int16_t methods[] = {QX_METHOD_RECIPE};
        ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &m_pop), 0);
        ASSERT_EQ(QxClearTempData(), 0);
        ASSERT_EQ(QxPopSetRunStatus(m_pop, QxRunStatusOptimizing), 0);
        m_visual.setWorkArea(ol::WorkArea{QRect(0, 0, kWorkAreaWidth, kWorkAreaHeight), 15.0, 15.0});
        manager::setWindowFactory(&m_factory);
        m_logPath = m_dir.filePath(QStringLiteral("run.qxlog"));
    }

    void TearDown() override {
        if (m_started)
            m_manager.Dispose();
        manager::setWindowFactory(nullptr);
        if (m_log != 0)
            QxLogClose(m_log);
        if (m_pop != 0)
            QxPopFree(m_pop);
    }

    // The add-in's set-up of a run, then InitializeForms (which initializes
    // and shows the compact window).
    void start(const RunSettings& settings = RunSettings()) {
        m_manager.Initialize();
        m_started = true;
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_LogPath(m_logPath);
        m_manager.setInput_ExcelAppHwnd(0x1234);
        m_manager.setInput_Runtime_TrialCount(settings.trialLimit);
        m_manager.setInput_Runtime_Milliseconds(settings.millisecondsLimit);
        m_manager.setInput_ConstraintSolverMode(settings.constraintSolverMode);
        m_manager.setInput_MCoreOptimization(settings.multiCore);
        m_manager.setInput_MCoreNumWorkerProcesses(settings.workerProcesses);
        m_manager.setInput_SuppressProgressWindow(settings.suppressProgressWindow);
        m_manager.setShowExcelRecalculations(1);
        m_manager.setInput_EFPerformAnalysis(settings.efficientFrontier);
        m_manager.InitializeForms();
        if (settings.efficientFrontier) {
            efForm = dynamic_cast<watcher::FormProgressSmallEF*>(m_manager.compactWindow());
            ASSERT_NE(efForm, nullptr);
        } else {
            form = dynamic_cast<watcher::FormProgressSmall*>(m_manager.compactWindow());
            ASSERT_NE(form, nullptr);
        }
    }

    // Writes the trials to the optimization log (created on first use);
    // every trial that improves on the best so far (the highest, or the
    // lowest when m_minimize) is also a progress step.
    void logTrials(const std::vector<Trial>& trials) {
        if (m_log == 0) {
            const QByteArray path = QFile::encodeName(m_logPath);
            ASSERT_EQ(QxLogCreateWVB(path.constData(), 1, 2, 0, nullptr, nullptr, nullptr, &m_log), 0);
        }
        for (const Trial& t : trials) {
            ++m_trialNumber;
            const double genes[] = {1.0, 2.0};
            QxLogRecord record{};
            record.elapsedMs = m_trialNumber;
            record.spareValue = t.value;
            record.valueWithPenalties = t.value;
            record.recalcNum = m_trialNumber;
            record.geneValues = genes;
            record.extra.validTrialCount = t.validSoFar;
            ASSERT_EQ(QxLogAppendTrialWVB(m_log, &record), 0);
            if (m_trialNumber == 1 || (m_minimize ? t.value < m_best : t.value > m_best)) {
                m_best = t.value;
                ASSERT_EQ(QxLogAppendProgressStepWVB(m_log, 1, &record), 0);
            }
        }
    }

    // n trials of value `value`, all valid.
    void logValidTrials(int n, double value = 1.0) {
        std::vector<Trial> trials;
        for (int i = 0; i < n; ++i)
            trials.push_back({value, m_trialNumber + i + 1});
        logTrials(trials);
    }

    // Lets the engine's run timer run a little, then pauses it; returns the
    // milliseconds it holds from then on (more than 0).
    int32_t runTimerBriefly() {
        EXPECT_EQ(QxPopTimerStart(m_pop), 0);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_EQ(QxPopTimerPause(m_pop), 0);
        return QxPopGetTimerValue(m_pop);
    }

    int16_t status() const { return QxPopGetRunStatus(m_pop); }

    static bool channelBool(int16_t channel) {
        int16_t v = 0;
        EXPECT_EQ(QxReadTempData(channel, &v, 2), 0);
        return v != 0;
    }
    static int32_t channelLong(int16_t channel) {
        int32_t v = 0;
        EXPECT_EQ(QxReadTempData(channel, &v, 4), 0);
        return v;
    }
    static void setChannelBool(int16_t channel, bool value) {
        const int16_t v = value ? -1 : 0;
        ASSERT_EQ(QxWriteTempData(channel, &v, 2), 0);
    }

    template <class T> T* child(const char* name) const {
        const QWidget* window = efForm != nullptr ? static_cast<const QWidget*>(efForm) : form;
        T* w = window->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QString text(const char* name) const { return child<QLineEdit>(name)->text(); }
    watcher::TextProgressBar* bar() const { return child<watcher::TextProgressBar>("vbalProgressBar"); }
    QAbstractButton* button(const char* name) const { return child<QAbstractButton>(name); }

    // Resource text in the language of the run's resource server.
    template <class... Args> static QString resource(int id, const Args&... args) {
        return engine::ProcessState::resourceServer()->text(id, args...);
    }

    enginetest::TempLogDir m_logs;
    ol::ScriptedVisualServices m_visual;
    ol::ScopedVisualServices m_visualScope{m_visual.asServices()};
    QTemporaryDir m_dir;
    QString m_logPath;
    Factory m_factory;
    manager::WatcherManager m_manager;
    watcher::FormProgressSmall* form = nullptr;
    watcher::FormProgressSmallEF* efForm = nullptr;
    int32_t m_pop = 0;
    int32_t m_log = 0;
    int32_t m_trialNumber = 0;
    double m_best = 0;
    bool m_minimize = false;
    bool m_started = false;
};

} // namespace compacttest
