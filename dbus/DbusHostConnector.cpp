#include "DbusHostConnector.h"

#include "DbusHostApplication.h"
#include "DbusHostExcel.h"

namespace dbusif {

DbusHostConnector::DbusHostConnector(const QDBusConnection& connection) : m_connection(connection) {}

std::shared_ptr<manager::HostExcel> DbusHostConnector::excel(const manager::ObjectRef& ref) {
    if (ref.isNull())
        return nullptr;
    return std::make_shared<DbusHostExcel>(m_connection, ref);
}

std::shared_ptr<manager::HostApplication> DbusHostConnector::application(const manager::ObjectRef& ref) {
    if (ref.isNull())
        return nullptr;
    return std::make_shared<DbusHostApplication>(m_connection, ref);
}

} // namespace dbusif
