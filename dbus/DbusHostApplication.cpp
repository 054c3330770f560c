#include "DbusHostApplication.h"

#include <QDBusMessage>

#include "DBusTypes.h"
#include "DbusHostConnector.h"
#include "ol/OLError.h"

namespace dbusif {

DbusHostApplication::DbusHostApplication(const QDBusConnection& connection, const manager::ObjectRef& ref)
    : m_connection(connection), m_ref(ref) {}

std::optional<QSize> DbusHostApplication::reportGraphSize(int32_t graphKind) {
    QDBusMessage call = QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kApplicationInterface,
                                                       QStringLiteral("ReportGraphSize"));
    call << QVariant::fromValue<qint32>(graphKind);
    call.setAutoStartService(false);
    const QDBusMessage reply =
        m_connection.call(call, QDBus::Block, static_cast<int>(DbusHostConnector::kCallTimeout.count()));
    if (reply.type() != QDBusMessage::ReplyMessage || reply.signature() != u"ii")
        return std::nullopt;
    return QSize(reply.arguments().at(0).toInt(), reply.arguments().at(1).toInt());
}

void DbusHostApplication::receiveStoppingOptions(const manager::StoppingChoices& choices) {
    QDBusMessage call = QDBusMessage::createMethodCall(m_ref.service, m_ref.path, kApplicationInterface,
                                                       QStringLiteral("ReceiveStoppingOptions"));
    call << choices.generateOptimizationSummary << choices.writeLogOfAllTrials << choices.writeLogOfProgressSteps
         << QVariant::fromValue<qint32>(choices.solutionToKeep);
    call.setAutoStartService(false);
    if (!m_connection.send(call))
        ol::raiseError(ol::kErrGeneral, QStringLiteral("HostApplication"),
                       QStringLiteral("Cannot send the stopping options to the add-in."));
}

} // namespace dbusif
