// The fixture of the tests that drive the activated Watcher on a private
// bus: raw calls (to see every error exactly), property access and manager
// creation through the generated proxy.
#pragma once

#include <ostream>

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusVariant>

#include "DBusTypes.h"
#include "PrivateBus.h"
#include "factory_proxy.h"
#include "ol/NamedMutex.h"

// Failures show texts as text.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace dbustest {

using namespace Qt::Literals::StringLiterals;

inline const QString kProperties = u"org.freedesktop.DBus.Properties"_s;
// Activation starts a Qt program; give it room on a loaded machine.
inline constexpr int kCallTimeoutMs = 30000;
inline const QString kAnotherRunText =
    u"Cannot optimize, because optimization is under way in another copy of Excel."_s;

class WatcherBus : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_bus.isUp()) << "dbus-daemon did not start with " SELVANE_DBUS_SESSION_CONF;
        m_client = m_bus.connect(u"client"_s);
        ASSERT_TRUE(m_client.isConnected());
    }

    QDBusMessage call(const QDBusConnection& conn, const QString& path, const QString& iface, const QString& member,
                      const QVariantList& args = {}) {
        QDBusMessage msg = QDBusMessage::createMethodCall(dbusif::kServiceName, path, iface, member);
        msg.setArguments(args);
        return conn.call(msg, QDBus::Block, kCallTimeoutMs);
    }
    QDBusMessage callManager(const QDBusConnection& conn, const QString& path, const QString& member,
                             const QVariantList& args = {}) {
        return call(conn, path, dbusif::kManagerInterface, member, args);
    }
    QDBusMessage setProperty(const QString& path, const QString& name, const QVariant& value) {
        return setPropertyOn(m_client, path, name, value);
    }
    QDBusMessage setPropertyOn(const QDBusConnection& conn, const QString& path, const QString& name,
                               const QVariant& value) {
        return call(conn, path, kProperties, u"Set"_s,
                    {dbusif::kManagerInterface, name, QVariant::fromValue(QDBusVariant(value))});
    }
    QDBusMessage getProperty(const QString& path, const QString& name) {
        return call(m_client, path, kProperties, u"Get"_s, {dbusif::kManagerInterface, name});
    }
    // The value of a property as it arrived (a QDBusArgument for "(so)" and
    // "av"); fails the test when the read fails.
    QVariant propertyValue(const QString& path, const QString& name) {
        const QDBusMessage reply = getProperty(path, name);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << qPrintable(name) << ": " << qPrintable(reply.errorMessage());
        if (reply.arguments().isEmpty())
            return {};
        return reply.arguments().constFirst().value<QDBusVariant>().variant();
    }

    QString createManager(const QDBusConnection& conn) {
        FactoryProxy factory(dbusif::kServiceName, dbusif::kFactoryPath, conn);
        factory.setTimeout(kCallTimeoutMs);
        QDBusPendingReply<QDBusObjectPath> reply = factory.CreateWatcherManager();
        reply.waitForFinished();
        EXPECT_TRUE(reply.isValid()) << qPrintable(reply.error().message());
        return reply.isValid() ? reply.value().path() : QString();
    }

    // The add-in's process announces itself with this mutex; without it the
    // survival checker of an initialized Watcher ends the process.
    void holdAddinMutex() { ASSERT_TRUE(m_addinMutex.create(u"MirrowSurvivalMutex_OLProcessVersion8"_s)); }

    dbustest::PrivateBus m_bus;
    QDBusConnection m_client{u"none"_s};
    ol::NamedMutex m_addinMutex;
};

} // namespace dbustest
