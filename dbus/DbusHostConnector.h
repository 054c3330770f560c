#pragma once

#include <chrono>
#include <memory>

#include <QDBusConnection>

#include "manager/HostObjects.h"

namespace dbusif {

// The host objects of an add-in, reached over the bus at the bus name and
// path that the add-in handed to the manager. Reads wait at most
// kCallTimeout; writes, Run, BringToFront and the stopping options are sent
// without waiting for an answer. A failing read raises kErrGeneral with a
// text that names the call and the bus's reason, so a slow or dead add-in
// never freezes the Watcher.
class DbusHostConnector : public manager::HostConnector {
public:
    static constexpr std::chrono::milliseconds kCallTimeout{2000};
    // Building a chart writes the workbook, so the host gets longer for it.
    static constexpr std::chrono::milliseconds kChartTimeout{10000};

    explicit DbusHostConnector(const QDBusConnection& connection);

    std::shared_ptr<manager::HostExcel> excel(const manager::ObjectRef& ref) override;
    std::shared_ptr<manager::HostApplication> application(const manager::ObjectRef& ref) override;

private:
    QDBusConnection m_connection;
};

} // namespace dbusif
