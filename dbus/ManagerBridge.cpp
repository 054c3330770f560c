#include "ManagerBridge.h"

#include <exception>

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusVariant>
#include <QMetaProperty>
#include <QPointer>
#include <QVariantMap>

#include "DBusTypes.h"
#include "InterfaceDescription.h"
#include "ProcessState.h"
#include "PropertyLimits.h"
#include "WatcherManager.h"
#include "ol/OLError.h"

namespace dbusif {

namespace {

const QString kPropertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kErrInvalidArgs = QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs");
const QString kErrUnknownProperty = QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty");
const QString kErrUnknownInterface = QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface");
const QString kErrUnknownMethod = QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod");
const QString kErrReadOnly = QStringLiteral("org.freedesktop.DBus.Error.PropertyReadOnly");
const QString kErrFailed = QStringLiteral("org.freedesktop.DBus.Error.Failed");
const QString kErrAccessDenied = QStringLiteral("org.freedesktop.DBus.Error.AccessDenied");

// The calls that show a window and therefore run outside the handler.
bool showsWindow(const QString& method) {
    return method == u"ShowWatcherModally" || method == u"DisplayYesNoQueryWithHelp" ||
           method == u"EFGraphChartInExcel";
}

manager::ObjectRef objectRefArgument(const QVariant& value) {
    return qdbus_cast<manager::ObjectRef>(value.value<QDBusArgument>());
}

} // namespace

ManagerBridge::ManagerBridge(const QDBusConnection& connection, const QString& path, const QString& owner,
                             QObject* parent)
    : QDBusVirtualObject(parent), m_connection(connection), m_path(path), m_owner(owner),
      m_manager(std::make_unique<manager::WatcherManager>()), m_interface(InterfaceDescription::watcherManager()) {}

ManagerBridge::~ManagerBridge() {
    retire();
}

bool ManagerBridge::registerOnBus() {
    m_registered = m_connection.registerVirtualObject(m_path, this, QDBusConnection::SingleNode);
    return m_registered;
}

void ManagerBridge::retire() {
    if (m_registered) {
        m_connection.unregisterObject(m_path);
        m_registered = false;
    }
    if (!m_manager)
        return;
    // A client that goes away in the middle of a run leaves the engine and
    // the windows to us: dispose the run so the next client can start one.
    if (engine::ProcessState::currentManager() == static_cast<engine::SurvivalHost*>(m_manager.get())) {
        try {
            m_manager->Dispose();
        } catch (const std::exception&) {
            // Dispose ignores its own errors; nothing more to do here.
        }
    }
    m_manager.reset();
}

QString ManagerBridge::introspect(const QString&) const {
    return m_interface.interfaceXml();
}

bool ManagerBridge::handleMessage(const QDBusMessage& message, const QDBusConnection&) {
    if (message.type() != QDBusMessage::MethodCallMessage)
        return false;
    const bool properties = message.interface() == kPropertiesInterface;
    // Introspection and the other standard interfaces stay open to anyone;
    // Qt answers them.
    if (!properties && !message.interface().isEmpty() && message.interface() != kManagerInterface)
        return false;
    // A manager drives one client's run: another connection must not set its
    // properties, initialize it or release it. A manager made by a direct
    // call (no owner) has no such guard.
    if (!m_owner.isEmpty() && message.service() != m_owner) {
        sendError(message, kErrAccessDenied,
                  QStringLiteral("The Watcher manager %1 belongs to the connection that created it (%2); "
                                 "create a manager of your own with CreateWatcherManager.")
                      .arg(m_path, m_owner));
        return true;
    }
    if (!m_manager) {
        sendError(message, kErrUnknownMethod, QStringLiteral("This Watcher manager was released."));
        return true;
    }
    if (properties)
        handleProperties(message);
    else
        handleMethod(message);
    return true;
}

void ManagerBridge::sendError(const QDBusMessage& message, const QString& name, const QString& text) {
    // An error's text may quote what a host answered; it is cut so that the
    // error stays within what the bus carries.
    m_connection.send(message.createErrorReply(name, limits::boundedErrorText(text)));
}

QVariant ManagerBridge::readProperty(const QString& name, const QString& signature) {
    const QMetaObject* meta = m_manager->metaObject();
    const int index = meta->indexOfProperty(name.toLatin1().constData());
    if (index < 0)
        ol::raiseError(ol::kErrGeneral, name,
                       QStringLiteral("The Watcher does not implement the property %1.").arg(name));
    const QVariant value = meta->property(index).read(m_manager.get());
    if (signature == u"b")
        return QVariant(value.toBool());
    if (signature == u"i")
        return QVariant::fromValue<qint32>(value.toInt());
    if (signature == u"d")
        return QVariant(value.toDouble());
    if (signature == u"s")
        return QVariant(value.toString());
    if (signature == u"(so)")
        return QVariant::fromValue(value.value<manager::ObjectRef>());
    if (signature == u"av")
        return QVariant::fromValue(toDBusList(value.value<engine::TaggedCollection>()));
    ol::raiseError(ol::kErrGeneral, name,
                   QStringLiteral("The property %1 has the unknown type %2.").arg(name, signature));
}

void ManagerBridge::handleProperties(const QDBusMessage& message) {
    const QVariantList args = message.arguments();
    const QString member = message.member();
    const QString expected = member == u"Get"      ? QStringLiteral("ss")
                             : member == u"Set"    ? QStringLiteral("ssv")
                             : member == u"GetAll" ? QStringLiteral("s")
                                                   : QString();
    if (expected.isEmpty()) {
        sendError(message, kErrUnknownMethod, QStringLiteral("No method %1 in %2.").arg(member, kPropertiesInterface));
        return;
    }
    if (message.signature() != expected) {
        sendError(message, kErrInvalidArgs,
                  QStringLiteral("%1.%2 takes (%3), not (%4).")
                      .arg(kPropertiesInterface, member, expected, message.signature()));
        return;
    }
    const QString interface = args.at(0).toString();
    if (!interface.isEmpty() && interface != kManagerInterface) {
        sendError(message, kErrUnknownInterface, QStringLiteral("This object has no interface %1.").arg(interface));
        return;
    }

    try {
        if (member == u"GetAll") {
            QVariantMap all;
            for (const InterfaceDescription::Property& p : m_interface.properties())
                if (p.readable)
                    all.insert(p.name, readProperty(p.name, p.signature));
            m_connection.send(message.createReply(QVariant::fromValue(all)));
            return;
        }

        const QString name = args.at(1).toString();
        const InterfaceDescription::Property* property = m_interface.property(name);
        if (!property) {
            sendError(message, kErrUnknownProperty,
                      QStringLiteral("The Watcher manager has no property %1.").arg(name));
            return;
        }
        if (member == u"Get") {
            m_connection.send(message.createReply(
                QVariant::fromValue(QDBusVariant(readProperty(property->name, property->signature)))));
            return;
        }

        if (!property->writable) {
            sendError(message, kErrReadOnly, QStringLiteral("The property %1 is read-only.").arg(name));
            return;
        }
        // The value must have the property's D-Bus type exactly: a Boolean
        // sent as a string or a Long as a double is refused, not guessed at.
        const QVariant value = args.at(2).value<QDBusVariant>().variant();
        const QString given = signatureOf(value);
        if (given != property->signature) {
            sendError(message, kErrInvalidArgs,
                      QStringLiteral("The property %1 takes a value of type %2, not %3; nothing was changed.")
                          .arg(name, property->signature, given.isEmpty() ? QStringLiteral("?") : given));
            return;
        }
        // Every value is bounded, so that no reply that carries it back
        // (Get, GetAll) can grow past what the bus accepts.
        std::optional<QString> refusal;
        QVariant converted;
        if (property->signature == u"(so)") {
            const manager::ObjectRef ref = objectRefArgument(value);
            refusal = limits::checkObjectRef(name, ref);
            converted = QVariant::fromValue(ref);
        } else if (property->signature == u"av") {
            QVariantList list;
            value.value<QDBusArgument>() >> list;
            const std::optional<engine::TaggedCollection> collection = fromDBusList(list);
            if (!collection) {
                sendError(
                    message, kErrInvalidArgs,
                    QStringLiteral("The property %1 takes items of type b, n, i, d, s or av; nothing was changed.")
                        .arg(name));
                return;
            }
            refusal = limits::checkCollection(name, *collection);
            converted = QVariant::fromValue(*collection);
        } else {
            if (property->signature == u"s")
                refusal = limits::checkString(name, value.toString());
            converted = value;
        }
        if (refusal) {
            sendError(message, kErrInvalidArgs, *refusal);
            return;
        }
        const QMetaObject* meta = m_manager->metaObject();
        const int index = meta->indexOfProperty(name.toLatin1().constData());
        if (index < 0 || !meta->property(index).write(m_manager.get(), converted)) {
            sendError(message, kErrFailed, QStringLiteral("The Watcher could not set the property %1.").arg(name));
            return;
        }
        m_connection.send(message.createReply());
    } catch (const ol::OLError& error) {
        sendError(message, errorName(error.number()), error.description());
    } catch (const std::exception& error) {
        sendError(message, errorName(ol::kErrGeneral), QString::fromUtf8(error.what()));
    }
}

QHash<QString, ManagerBridge::Handler> ManagerBridge::methodHandlers() {
    using manager::WatcherManager;
    QHash<QString, Handler> h;
    const auto noResult = [](void (WatcherManager::*fn)()) {
        return [fn](WatcherManager& m, const QVariantList&) {
            (m.*fn)();
            return QVariantList();
        };
    };
    h.insert(QStringLiteral("Initialize"), noResult(&WatcherManager::Initialize));
    h.insert(QStringLiteral("InitializeForms"), noResult(&WatcherManager::InitializeForms));
    h.insert(QStringLiteral("StopTimer"), noResult(&WatcherManager::StopTimer));
    h.insert(QStringLiteral("ShowWatcherModally"), noResult(&WatcherManager::ShowWatcherModally));
    h.insert(QStringLiteral("Dispose"), noResult(&WatcherManager::Dispose));
    h.insert(QStringLiteral("BothDialogs_GoToPausingConfig"), noResult(&WatcherManager::BothDialogs_GoToPausingConfig));
    h.insert(QStringLiteral("DisplayYesNoQueryWithHelp"), [](WatcherManager& m, const QVariantList& a) {
        return QVariantList{m.DisplayYesNoQueryWithHelp(a.at(0).toString(), a.at(1).toString(), a.at(2).toInt(),
                                                        a.at(3).toBool(), a.at(4).toBool())};
    });
    h.insert(QStringLiteral("TellOLWatcherStoppedTimer"),
             [](WatcherManager& m, const QVariantList&) { return QVariantList{m.TellOLWatcherStoppedTimer()}; });
    h.insert(QStringLiteral("OLToldWatcherToStopTimer"),
             [](WatcherManager& m, const QVariantList&) { return QVariantList{m.OLToldWatcherToStopTimer()}; });
    h.insert(QStringLiteral("BothDialogs_Update"), [](WatcherManager& m, const QVariantList& a) {
        m.BothDialogs_Update(a.at(0).toBool(), a.at(1).toBool());
        return QVariantList();
    });
    h.insert(QStringLiteral("GetTopPropertyOfVisibleForm"), [](WatcherManager& m, const QVariantList&) {
        return QVariantList{QVariant::fromValue<qint32>(m.GetTopPropertyOfVisibleForm())};
    });
    h.insert(QStringLiteral("WatcherProcessID"), [](WatcherManager& m, const QVariantList&) {
        return QVariantList{QVariant::fromValue<qint32>(m.WatcherProcessID())};
    });
    h.insert(QStringLiteral("EFGraphChartInExcel"), [](WatcherManager& m, const QVariantList& a) {
        const manager::ObjectRef chart =
            m.EFGraphChartInExcel(objectRefArgument(a.at(0)), a.at(1).toString(), a.at(2).toString());
        // The reference comes from the host; its reply is bounded like a
        // property's value.
        if (limits::checkObjectRef(QString(), chart))
            ol::raiseError(ol::kErrGeneral, QStringLiteral("EFGraphChartInExcel"),
                           QStringLiteral("The host's chart reference is longer than a reply may carry (bus name "
                                          "%1, object path %2 characters at most).")
                               .arg(limits::kMaxBusNameLength)
                               .arg(limits::kMaxObjectPathLength));
        return QVariantList{QVariant::fromValue(chart)};
    });
    return h;
}

void ManagerBridge::runAndReply(const QDBusMessage& message, const Handler& handler) {
    try {
        m_connection.send(message.createReply(handler(*m_manager, message.arguments())));
    } catch (const ol::OLError& error) {
        sendError(message, errorName(error.number()), error.description());
    } catch (const std::exception& error) {
        sendError(message, errorName(ol::kErrGeneral), QString::fromUtf8(error.what()));
    }
}

void ManagerBridge::handleMethod(const QDBusMessage& message) {
    static const QHash<QString, Handler> handlers = methodHandlers();
    const QString name = message.member();
    const InterfaceDescription::Method* method = m_interface.method(name);
    if (!method) {
        sendError(message, kErrUnknownMethod, QStringLiteral("The Watcher manager has no method %1.").arg(name));
        return;
    }
    if (message.signature() != method->inSignature) {
        sendError(message, kErrInvalidArgs,
                  QStringLiteral("%1 takes arguments of type (%2), not (%3).")
                      .arg(name, method->inSignature, message.signature()));
        return;
    }
    const QVariantList args = message.arguments();
    for (int i = 0; i < args.size(); ++i) {
        if (args.at(i).metaType() != QMetaType::fromType<QString>())
            continue;
        if (const std::optional<QString> refusal = limits::checkStringArgument(name, i + 1, args.at(i).toString())) {
            sendError(message, kErrInvalidArgs, *refusal);
            return;
        }
    }
    if (name == u"Release") {
        m_connection.send(message.createReply());
        Q_EMIT releaseRequested(this);
        return;
    }
    const auto handler = handlers.constFind(name);
    if (handler == handlers.constEnd()) {
        sendError(message, kErrFailed, QStringLiteral("The Watcher does not implement %1.").arg(name));
        return;
    }
    if (!showsWindow(name)) {
        runAndReply(message, *handler);
        return;
    }
    ++m_runningCalls;
    QPointer<ManagerBridge> self(this);
    const Handler run = *handler;
    QMetaObject::invokeMethod(
        this,
        [self, message, run]() {
            if (!self)
                return;
            if (self->m_manager)
                self->runAndReply(message, run);
            else
                self->sendError(message, kErrUnknownMethod, QStringLiteral("This Watcher manager was released."));
            if (self && --self->m_runningCalls == 0)
                Q_EMIT self->becameIdle(self);
        },
        Qt::QueuedConnection);
}

} // namespace dbusif
