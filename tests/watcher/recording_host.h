#pragma once

// The add-in's application object for the windows' OK tests: records each
// call of the stopping-options receiver with the manager's solution selector
// as it stood at that moment.

#include <vector>

#include "WatcherManager.h"
#include "manager/HostObjects.h"
#include "ol/OLError.h"

namespace formprogresstest {

// The host's Excel object as OK sees it: its interactive mode and status bar.
class RecordingExcel final : public manager::HostExcel {
public:
    bool interactiveNow = false;
    QString statusBarText;

    bool displayAlerts() override { return true; }
    void setDisplayAlerts(bool) override {}
    bool interactive() override { return interactiveNow; }
    void setInteractive(bool on) override { interactiveNow = on; }
    QString statusBar() override { return statusBarText; }
    void setStatusBar(const QString& text) override { statusBarText = text; }
    bool windowEnabled() override { return true; }
    void setWindowEnabled(bool) override {}
    void run(const QString&) override {}
    void bringToFront() override {}
};

class RecordingHost final : public manager::HostApplication, public manager::HostConnector {
public:
    explicit RecordingHost(const manager::WatcherManager& manager) : m_manager(manager) {}
    std::vector<manager::StoppingChoices> received;
    std::vector<int32_t> selectorWhenCalled;
    // The receiver fails (a host that went away) after recording the call.
    bool failing = false;

    std::optional<QSize> reportGraphSize(int32_t) override { return std::nullopt; }
    void receiveStoppingOptions(const manager::StoppingChoices& choices) override {
        received.push_back(choices);
        selectorWhenCalled.push_back(m_manager.Stop_SolutionToKeep());
        if (failing)
            ol::raiseError(ol::kErrGeneral, QStringLiteral("ReceiveStoppingOptions"),
                           QStringLiteral("The host did not answer"));
    }
    // Null unless a test gives the host an Excel object.
    std::shared_ptr<RecordingExcel> excelObject;
    std::shared_ptr<manager::HostExcel> excel(const manager::ObjectRef&) override { return excelObject; }
    std::shared_ptr<manager::HostApplication> application(const manager::ObjectRef&) override {
        return std::shared_ptr<manager::HostApplication>(this, [](manager::HostApplication*) {});
    }

private:
    const manager::WatcherManager& m_manager;
};

} // namespace formprogresstest
