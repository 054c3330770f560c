#pragma once

#include <cstdint>
#include <memory>
#include <utility>

namespace ol {
class ResourceServer;
}

namespace engine {

class SurvivalHost;

// The state the Watcher keeps once per process. Everything runs on the one
// user-interface thread, so these are plain values.
class ProcessState {
public:
    // Set first thing in start-up; start-up never runs twice.
    static bool applicationInitialized() noexcept { return s_applicationInitialized; }
    static void setApplicationInitialized(bool on) noexcept { s_applicationInitialized = on; }

    // The process was started by automation (D-Bus activation) rather than
    // by hand; only then does the survival checker run.
    static bool startedByAutomation() noexcept { return s_startedByAutomation; }
    static void setStartedByAutomation(bool on) noexcept { s_startedByAutomation = on; }

    // Read once at start-up.
    static int32_t processId() noexcept { return s_processId; }
    static void setProcessId(int32_t id) noexcept { s_processId = id; }

    // A modal dialog of the Watcher is up: the survival checker polls fast
    // and keeps the host responsive. Whoever changes it restarts the
    // polling timer.
    static bool modalDialogUp() noexcept { return s_modalDialogUp; }
    static void setModalDialogUp(bool on) noexcept { s_modalDialogUp = on; }

    // A yes/no question of the Watcher is on screen.
    static bool questionShown() noexcept { return s_questionShown; }
    static void setQuestionShown(bool on) noexcept { s_questionShown = on; }

    // One optimization at a time per process.
    static bool optimizationUnderWay() noexcept { return s_optimizationUnderWay; }
    static void setOptimizationUnderWay(bool on) noexcept { s_optimizationUnderWay = on; }

    // The manager of the run under way (set by its Initialize, cleared by
    // its Dispose); null when there is none. Not owned.
    static SurvivalHost* currentManager() noexcept { return s_currentManager; }
    static void setCurrentManager(SurvivalHost* manager) noexcept { s_currentManager = manager; }

    // The resource server the current manager obtained; null when there is
    // none (GetResourceString then fails).
    static std::shared_ptr<ol::ResourceServer> resourceServer() noexcept { return s_resourceServer; }
    static void setResourceServer(std::shared_ptr<ol::ResourceServer> server) noexcept {
        s_resourceServer = std::move(server);
    }

private:
    static inline bool s_applicationInitialized = false;
    static inline bool s_startedByAutomation = false;
    static inline int32_t s_processId = 0;
    static inline bool s_modalDialogUp = false;
    static inline bool s_questionShown = false;
    static inline bool s_optimizationUnderWay = false;
    static inline SurvivalHost* s_currentManager = nullptr;
    static inline std::shared_ptr<ol::ResourceServer> s_resourceServer;
};

} // namespace engine
