#pragma once

// A run for the Watcher window's tests: a real WatcherManager bound to the
// real engine library, a population of the engine whose run status the tests
// set as the add-in would, the temp-data channels, scripted visual services
// for every box and menu, and a factory that makes the real FormProgress
// beside a compact window that only records what it is asked.

#include <memory>

#include <gtest/gtest.h>

#include <QStringList>
#include <QTemporaryDir>

#include "../engine/EngineTestEnv.h"
#include "FormProgress.h"
#include "WatcherManager.h"
#include "ol/ScriptedVisualServices.h"
#include "qxlib8.h"

namespace formprogresstest {

// The compact window of the run: the full window's tick refreshes it through
// the manager; these tests only need to know what it was asked.
class RecordingCompactWindow final : public manager::CompactWindow {
public:
    explicit RecordingCompactWindow(QStringList* calls) : m_calls(calls) {}
    void Initialize(manager::WatcherManager*) override { *m_calls << QStringLiteral("Initialize"); }
    void Hide() override { m_visible = false; }
    void Unload() override {}
    void Dispose() override {}
    void Show() override {
        m_visible = true;
        *m_calls << QStringLiteral("Show");
    }
    bool Visible() const override { return m_visible; }
    void SetTopmost(bool) override {}
    int32_t TopTwips() const override { return 0; }
    ol::WindowRef windowRef() override { return {}; }
    void GoToPausingConfig() override { *m_calls << QStringLiteral("GoToPausingConfig"); }
    void GoToRunningConfig() override { *m_calls << QStringLiteral("GoToRunningConfig"); }
    void ControlsAfterStopClickedDisableEnable(bool) override {}
    void RestoreRunPauseButtonState() override {}
    void CheckWindowMoved() override {}
    void InitializeAfterFirstTrial() override { *m_calls << QStringLiteral("InitializeAfterFirstTrial"); }
    void Update() override { *m_calls << QStringLiteral("Update"); }

private:
    QStringList* m_calls;
    bool m_visible = false;
};

class Factory final : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool) override {
        return std::make_unique<RecordingCompactWindow>(&compactCalls);
    }
    std::unique_ptr<manager::FullWindow> createFullWindow(bool) override {
        return std::make_unique<watcher::FormProgress>();
    }
    QStringList compactCalls;
};

// Settings of the run that Initialize reads; the add-in sets them between
// the manager's Initialize and InitializeForms.
struct RunSettings {
    bool constraintSolverMode = false;
    int32_t optimizationEngine = 1;
    bool showOptionsAtEnd = false;
    bool startedFromGui = false;
    bool multiCore = false;
};

class FormProgressTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_visual.setWorkArea(ol::WorkArea{QRect(0, 0, 1280, 1024), 15.0, 15.0});
        start(RunSettings());
    }

    void TearDown() override {
        if (m_started)
            m_manager.Dispose();
        manager::setWindowFactory(nullptr);
        if (m_pop != 0)
            QxPopFree(m_pop);
    }

    // Starts the run again with other settings.
    void restart(const RunSettings& settings) {
        m_manager.Dispose();
        m_started = false;
        start(settings);
    }

    void start(const RunSettings& settings) {
        manager::setWindowFactory(&m_factory);
        m_factory.compactCalls.clear();
        // The manager's first Initialize binds and starts the engine, which
        // the population needs.
        m_manager.Initialize();
        if (m_pop == 0) {
            const int32_t genes[] = {2};
            const int16_t methods[] = {QX_METHOD_RECIPE};
            ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &m_pop), 0);
        }
        ASSERT_EQ(QxClearTempData(), 0);
        setStatus(QxRunStatusOptimizing);
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_LogPath(m_dir.filePath(QStringLiteral("run.qxlog")));
        m_manager.setInput_ConstraintSolverMode(settings.constraintSolverMode);
        m_manager.setInput_OptimizationEngine(settings.optimizationEngine);
        m_manager.setStop_AtEndShowOptionsToUser(settings.showOptionsAtEnd);
        m_manager.setInput_OptimizationStartedFromGUI(settings.startedFromGui);
        m_manager.setInput_MCoreOptimization(settings.multiCore);
        m_manager.InitializeForms();
        m_started = true;
        form = dynamic_cast<watcher::FormProgress*>(m_manager.fullWindow());
        ASSERT_NE(form, nullptr);
    }

    void setStatus(int16_t status) { ASSERT_EQ(QxPopSetRunStatus(m_pop, status), 0); }
    int16_t status() const { return QxPopGetRunStatus(m_pop); }

    static bool channelBool(int16_t channel) {
        int16_t v = 0;
        EXPECT_EQ(QxReadTempData(channel, &v, 2), 0);
        return v != 0;
    }
    static void setChannelBool(int16_t channel, bool value) {
        const int16_t v = value ? -1 : 0;
        ASSERT_EQ(QxWriteTempData(channel, &v, 2), 0);
    }
    static void setChannelLong(int16_t channel, int32_t value) { ASSERT_EQ(QxWriteTempData(channel, &value, 4), 0); }
    // Reads a Boolean channel and puts it back to false, as the add-in does
    // once it has seen it.
    static bool takeChannelBool(int16_t channel) {
        const bool v = channelBool(channel);
        setChannelBool(channel, false);
        return v;
    }

    template <class T> T* child(const char* name) const {
        T* w = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }

    enginetest::TempLogDir m_logs;
    ol::ScriptedVisualServices m_visual;
    ol::ScopedVisualServices m_visualScope{m_visual.asServices()};
    QTemporaryDir m_dir;
    Factory m_factory;
    manager::WatcherManager m_manager;
    int32_t m_pop = 0;
    bool m_started = false;
    watcher::FormProgress* form = nullptr;
};

} // namespace formprogresstest
