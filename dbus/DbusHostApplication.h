#pragma once

#include <QDBusConnection>

#include "manager/HostObjects.h"

namespace dbusif {

// org.selvane.Host.Application1 of an add-in, as manager::HostApplication.
class DbusHostApplication : public manager::HostApplication {
public:
    DbusHostApplication(const QDBusConnection& connection, const manager::ObjectRef& ref);

    // Waits at most the connector's timeout; nothing when the add-in does
    // not answer in time or answers with an error.
    std::optional<QSize> reportGraphSize(int32_t graphKind) override;
    // Sent without waiting.
    void receiveStoppingOptions(const manager::StoppingChoices& choices) override;

private:
    QDBusConnection m_connection;
    manager::ObjectRef m_ref;
};

} // namespace dbusif
