#pragma once

// The add-in's application object for the windows' OK tests: records each
// call of the stopping-options receiver with the manager's solution selector
// as it stood at that moment.

#include <vector>

#include "WatcherManager.h"
#include "manager/HostObjects.h"
#include "ol/OLError.h"

namespace formprogresstest {

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
    std::shared_ptr<manager::HostExcel> excel(const manager::ObjectRef&) override { return nullptr; }
    std::shared_ptr<manager::HostApplication> application(const manager::ObjectRef&) override {
        return std::shared_ptr<manager::HostApplication>(this, [](manager::HostApplication*) {});
    }

private:
    const manager::WatcherManager& m_manager;
};

} // namespace formprogresstest
