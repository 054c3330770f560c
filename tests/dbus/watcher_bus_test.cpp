// The Watcher as an add-in sees it: activated on a private bus, driven over
// D-Bus through raw messages (to see every error exactly) and the generated
// proxies.
#include <csignal>

#include <gtest/gtest.h>

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCall>
#include <QDBusServiceWatcher>
#include <QDeadlineTimer>
#include <QFileInfo>
#include <QTest>

#include "DBusTypes.h"
#include "InterfaceDescription.h"
#include "PrivateBus.h"
#include "WatcherBusFixture.h"
#include "WatcherServer.h"
#include "factory_proxy.h"
#include "ol/NamedMutex.h"
#include "watchermanager_proxy.h"

using namespace Qt::Literals::StringLiterals;
using dbusif::InterfaceDescription;
using dbustest::kAnotherRunText;
using dbustest::kCallTimeoutMs;
using dbustest::kProperties;
using dbustest::WatcherBus;

namespace {

// A sample value of the D-Bus type of property number `index`. Each property
// gets a value of its own, so that crossed wires show.
QVariant sampleValue(const QString& signature, int index, const QString& name, const QDBusConnection& conn) {
    if (signature == u"b")
        return true;
    if (signature == u"i")
        return QVariant::fromValue<qint32>(100000 + index);
    if (signature == u"d")
        return 0.25 + index;
    if (signature == u"s")
        return QString(u"Wert ä " + name);
    if (signature == u"(so)")
        return QVariant::fromValue(manager::ObjectRef{conn.baseService(), u"/host/"_s + name});
    if (signature == u"av") {
        // Plain values: a QVariantList makes each one variant on the wire.
        return QVariant::fromValue(QVariantList{QVariant(name), QVariant::fromValue<qint32>(index), QVariant(1.5),
                                                QVariant(true), QVariant::fromValue<qint16>(-7),
                                                QVariant::fromValue(QVariantList{QVariant(u"inner"_s)})});
    }
    return {};
}

// What a sample value looks like when it comes back, for comparison: "(so)"
// and "av" values arrive still marshalled, the samples do not.
QString describe(const QVariant& value) {
    const bool marshalled = value.metaType() == QMetaType::fromType<QDBusArgument>();
    const QString signature = dbusif::signatureOf(value);
    if (signature == u"(so)") {
        const auto ref = marshalled ? qdbus_cast<manager::ObjectRef>(value.value<QDBusArgument>())
                                    : value.value<manager::ObjectRef>();
        return u"(so) "_s + ref.service + u' ' + ref.path;
    }
    if (signature == u"av") {
        QVariantList items = value.toList();
        if (marshalled)
            value.value<QDBusArgument>() >> items;
        const auto c = dbusif::fromDBusList(items);
        return c ? u"av %1 %2 %3 %4 %5"_s.arg(c->count())
                       .arg(c->item(1).toString(), c->item(2).toString(), c->item(5).toString())
                       .arg(c->item(6).toArray().size())
                 : u"av ?"_s;
    }
    return signature + u' ' + value.toString();
}

} // namespace

TEST_F(WatcherBus, ActivationStartsTheBuiltWatcherWhichServesNumberedManagers) {
    EXPECT_FALSE(m_bus.hasOwner(dbusif::kServiceName));
    const QString first = createManager(m_client);
    const QString second = createManager(m_client);
    EXPECT_EQ(first, dbusif::kManagerPathPrefix + u"1"_s);
    EXPECT_EQ(second, dbusif::kManagerPathPrefix + u"2"_s);

    const std::optional<qint64> pid = m_bus.ownerPid(dbusif::kServiceName);
    ASSERT_TRUE(pid);
    EXPECT_EQ(QFileInfo(u"/proc/%1/exe"_s.arg(*pid)).canonicalFilePath(),
              QFileInfo(QStringLiteral(SELVANE_WATCHER_BINARY)).canonicalFilePath());

    // The generated proxy works against it, and the manager knows its process.
    WatcherManagerProxy proxy(dbusif::kServiceName, first, m_client);
    QDBusPendingReply<int> id = proxy.WatcherProcessID();
    id.waitForFinished();
    ASSERT_TRUE(id.isValid()) << qPrintable(id.error().message());
    EXPECT_EQ(id.value(), *pid);

    const QDBusMessage xml = call(m_client, first, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s);
    ASSERT_EQ(xml.type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(xml.arguments().value(0).toString().contains(
        u"<interface name=\"org.selvane.SelvaneWatcher8.WatcherManager\">"_s));
}

TEST_F(WatcherBus, EveryPropertyOfTheXmlRoundTripsWithItsType) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    const QList<InterfaceDescription::Property>& properties = InterfaceDescription::watcherManager().properties();

    // Write them all first, then read them all, so a write that lands in
    // another property is caught.
    for (int i = 0; i < properties.size(); ++i) {
        const InterfaceDescription::Property& p = properties.at(i);
        if (!p.writable)
            continue;
        const QDBusMessage reply = setProperty(path, p.name, sampleValue(p.signature, i, p.name, m_client));
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage)
            << qPrintable(p.name) << ": " << qPrintable(reply.errorMessage());
    }
    for (int i = 0; i < properties.size(); ++i) {
        const InterfaceDescription::Property& p = properties.at(i);
        const QVariant value = propertyValue(path, p.name);
        EXPECT_EQ(dbusif::signatureOf(value), p.signature) << qPrintable(p.name);
        if (p.writable) {
            EXPECT_EQ(describe(value), describe(sampleValue(p.signature, i, p.name, m_client))) << qPrintable(p.name);
        }
    }

    // Each item of a collection comes as one variant, not a variant in a
    // variant, so that any D-Bus binding reads it plainly.
    QVariantList items;
    propertyValue(path, u"Input_AllGeneNamesCol"_s).value<QDBusArgument>() >> items;
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items.at(0).metaType(), QMetaType::fromType<QString>());
    EXPECT_EQ(items.at(4).metaType(), QMetaType::fromType<qint16>());

    // GetAll answers exactly the XML's properties.
    const QDBusMessage all = call(m_client, path, kProperties, u"GetAll"_s, {dbusif::kManagerInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << qPrintable(all.errorMessage());
    const QVariantMap map = qdbus_cast<QVariantMap>(all.arguments().constFirst().value<QDBusArgument>());
    EXPECT_EQ(map.size(), properties.size());
    for (const InterfaceDescription::Property& p : properties)
        EXPECT_TRUE(map.contains(p.name)) << qPrintable(p.name);

    // The typed proxy reads the same values.
    WatcherManagerProxy proxy(dbusif::kServiceName, path, m_client);
    EXPECT_EQ(proxy.input_LogPath(), u"Wert ä Input_LogPath"_s);
    EXPECT_EQ(proxy.input_ExcelApplication().path, u"/host/Input_ExcelApplication"_s);
    EXPECT_FALSE(proxy.mirGraphModalDialogBeingDisplayed());
}

// An add-in with thousands of adjustable cells sends them all in one
// collection; every name arrives, in order.
TEST_F(WatcherBus, ACollectionOfFiveThousandNamesArrivesWhole) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    QVariantList names;
    for (int i = 1; i <= 5000; ++i)
        names.append(QVariant(u"Cell_"_s + QString::number(i)));
    const QDBusMessage reply = setProperty(path, u"Input_AllGeneNamesCol"_s, QVariant::fromValue(names));
    ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
    QVariantList items;
    propertyValue(path, u"Input_AllGeneNamesCol"_s).value<QDBusArgument>() >> items;
    ASSERT_EQ(items.size(), 5000);
    EXPECT_EQ(items.constFirst().toString(), u"Cell_1"_s);
    EXPECT_EQ(items.at(2999).toString(), u"Cell_3000"_s);
    EXPECT_EQ(items.constLast().toString(), u"Cell_5000"_s);
}

TEST_F(WatcherBus, WrongTypesAndUnknownNamesGiveClearErrorsAndChangeNothing) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(setProperty(path, u"Input_PopHandle"_s, QVariant::fromValue<qint32>(42)).type(),
              QDBusMessage::ReplyMessage);
    const QVariantList genes{QVariant(u"A1"_s)};
    ASSERT_EQ(setProperty(path, u"Input_AllGeneNamesCol"_s, QVariant::fromValue(genes)).type(),
              QDBusMessage::ReplyMessage);

    const struct {
        const char* property;
        QVariant value;
        const char* errorName;
    } refused[] = {
        {"Input_PopHandle", QVariant(u"43"_s), "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_PopHandle", QVariant(43.0), "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_PopHandle", QVariant(true), "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_AllGeneNamesCol", QVariant(QStringList{u"B1"_s}), "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_AllGeneNamesCol", QVariant::fromValue(QVariantList{QVariant::fromValue(QDBusVariant(QVariant(7u)))}),
         "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_ExcelApplication", QVariant(u":1.1 /x"_s), "org.freedesktop.DBus.Error.InvalidArgs"},
        {"Input_Nope", QVariant(true), "org.freedesktop.DBus.Error.UnknownProperty"},
        {"MirGraphModalDialogBeingDisplayed", QVariant(true), "org.freedesktop.DBus.Error.PropertyReadOnly"},
    };
    for (const auto& r : refused) {
        const QDBusMessage reply = setProperty(path, QString::fromLatin1(r.property), r.value);
        EXPECT_EQ(reply.type(), QDBusMessage::ErrorMessage) << r.property;
        EXPECT_EQ(reply.errorName(), QLatin1String(r.errorName)) << r.property;
        EXPECT_TRUE(reply.errorMessage().contains(QLatin1String(r.property))) << qPrintable(reply.errorMessage());
    }
    EXPECT_EQ(propertyValue(path, u"Input_PopHandle"_s), QVariant(42));
    EXPECT_EQ(describe(propertyValue(path, u"Input_AllGeneNamesCol"_s)), u"av 1 A1   0"_s);

    const QDBusMessage unknownGet = getProperty(path, u"Input_Nope"_s);
    EXPECT_EQ(unknownGet.errorName(), u"org.freedesktop.DBus.Error.UnknownProperty"_s);
    const QDBusMessage otherInterface =
        call(m_client, path, kProperties, u"Get"_s, {u"org.example.Other"_s, u"Input_PopHandle"_s});
    EXPECT_EQ(otherInterface.errorName(), u"org.freedesktop.DBus.Error.UnknownInterface"_s);

    // Methods check their arguments against the XML as well.
    const QDBusMessage unknownMethod = callManager(m_client, path, u"Frobnicate"_s);
    EXPECT_EQ(unknownMethod.errorName(), u"org.freedesktop.DBus.Error.UnknownMethod"_s);
    const QDBusMessage wrongArgs = callManager(m_client, path, u"BothDialogs_Update"_s, {u"yes"_s});
    EXPECT_EQ(wrongArgs.errorName(), u"org.freedesktop.DBus.Error.InvalidArgs"_s);
    EXPECT_TRUE(wrongArgs.errorMessage().contains(u"(bb)"_s)) << qPrintable(wrongArgs.errorMessage());
    const QDBusMessage tooFew =
        callManager(m_client, path, u"DisplayYesNoQueryWithHelp"_s, {u"q"_s, u""_s, QVariant::fromValue<qint32>(0)});
    EXPECT_EQ(tooFew.errorName(), u"org.freedesktop.DBus.Error.InvalidArgs"_s);
}

TEST_F(WatcherBus, QuestionsWithAlertsOffAnswerTheCallersDefault) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(setProperty(path, u"Input_DisplayAlerts"_s, false).type(), QDBusMessage::ReplyMessage);
    for (const bool fallback : {true, false}) {
        const QDBusMessage reply = callManager(m_client, path, u"DisplayYesNoQueryWithHelp"_s,
                                               {u"Go on?"_s, u""_s, QVariant::fromValue<qint32>(1200), true, fallback});
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(reply.errorMessage());
        EXPECT_EQ(reply.arguments().value(0), QVariant(fallback));
    }
}

TEST_F(WatcherBus, SecondClientCannotInitializeWhileARunIsUnderWay) {
    holdAddinMutex();
    QDBusConnection other = m_bus.connect(u"other"_s);
    const QString first = createManager(m_client);
    const QString second = createManager(other);
    ASSERT_FALSE(first.isEmpty());
    ASSERT_FALSE(second.isEmpty());

    const QDBusMessage ok = callManager(m_client, first, u"Initialize"_s);
    ASSERT_EQ(ok.type(), QDBusMessage::ReplyMessage) << qPrintable(ok.errorName() + u' ' + ok.errorMessage());

    const QDBusMessage refused = callManager(other, second, u"Initialize"_s);
    EXPECT_EQ(refused.errorName(), u"org.selvane.SelvaneWatcher8.Error.E8004000A"_s);
    EXPECT_EQ(refused.errorMessage(), kAnotherRunText);

    // Releasing a manager whose run is under way disposes the run first, so
    // the other client can start one.
    ASSERT_EQ(callManager(m_client, first, u"Release"_s).type(), QDBusMessage::ReplyMessage);
    const QDBusMessage now = callManager(other, second, u"Initialize"_s);
    EXPECT_EQ(now.type(), QDBusMessage::ReplyMessage) << qPrintable(now.errorName() + u' ' + now.errorMessage());
    EXPECT_EQ(callManager(other, second, u"Dispose"_s).type(), QDBusMessage::ReplyMessage);
}

TEST_F(WatcherBus, AWindowCallDoesNotStopTheWatcherServingOthers) {
    holdAddinMutex();
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(callManager(m_client, path, u"Initialize"_s).type(), QDBusMessage::ReplyMessage);
    ASSERT_EQ(setProperty(path, u"Input_DisplayAlerts"_s, true).type(), QDBusMessage::ReplyMessage);

    // The question stays on screen: nobody answers it in this test.
    QDBusMessage question = QDBusMessage::createMethodCall(dbusif::kServiceName, path, dbusif::kManagerInterface,
                                                           u"DisplayYesNoQueryWithHelp"_s);
    question.setArguments({u"Go on?"_s, u""_s, QVariant::fromValue<qint32>(0), false, false});
    QDBusPendingCall pending = m_client.asyncCall(question, kCallTimeoutMs);

    // Meanwhile the same client reads a property, and another client gets a
    // manager of its own (the factory registers a new object on the bus).
    EXPECT_EQ(propertyValue(path, u"Input_DisplayAlerts"_s), QVariant(true));
    QDBusConnection other = m_bus.connect(u"other"_s);
    EXPECT_EQ(createManager(other), dbusif::kManagerPathPrefix + u"2"_s);
    EXPECT_FALSE(pending.isFinished()) << qPrintable(pending.error().name() + u' ' + pending.error().message());
}

TEST_F(WatcherBus, TheProcessEndsAfterItsLastManagerIsReleased) {
    const QString first = createManager(m_client);
    const QString second = createManager(m_client);
    const std::optional<qint64> pid = m_bus.ownerPid(dbusif::kServiceName);
    ASSERT_TRUE(pid);

    ASSERT_EQ(callManager(m_client, first, u"Release"_s).type(), QDBusMessage::ReplyMessage);
    // The released one is gone; the other still serves.
    EXPECT_EQ(getProperty(first, u"Input_PopHandle"_s).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(getProperty(second, u"Input_PopHandle"_s).type(), QDBusMessage::ReplyMessage);

    ASSERT_EQ(callManager(m_client, second, u"Release"_s).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(m_bus.waitUntilNoOwner(dbusif::kServiceName, std::chrono::seconds(10)));
    const QDeadlineTimer deadline(10000);
    while (::kill(static_cast<pid_t>(*pid), 0) == 0 && !deadline.hasExpired())
        QTest::qWait(50);
    EXPECT_NE(::kill(static_cast<pid_t>(*pid), 0), 0) << "the Watcher process is still there";
}

TEST_F(WatcherBus, ANewManagerCreatedMeanwhileKeepsTheProcess) {
    const QString first = createManager(m_client);
    const std::optional<qint64> pid = m_bus.ownerPid(dbusif::kServiceName);
    ASSERT_TRUE(pid);
    ASSERT_EQ(callManager(m_client, first, u"Release"_s).type(), QDBusMessage::ReplyMessage);
    const QString second = createManager(m_client);
    ASSERT_FALSE(second.isEmpty());
    QTest::qWait(static_cast<int>(dbusif::WatcherServer::kIdleExitDelay.count()) + 1500);
    EXPECT_EQ(m_bus.ownerPid(dbusif::kServiceName), pid);
    EXPECT_EQ(getProperty(second, u"Input_PopHandle"_s).type(), QDBusMessage::ReplyMessage);
}

TEST_F(WatcherBus, AClientThatLeavesTheBusFreesItsManager) {
    holdAddinMutex();
    QString leavingName;
    QString abandoned;
    {
        // The connection closes once its last handle is gone.
        QDBusConnection leaving = m_bus.connect(u"leaving"_s);
        leavingName = leaving.baseService();
        abandoned = createManager(leaving);
        ASSERT_FALSE(abandoned.isEmpty());
        ASSERT_EQ(callManager(leaving, abandoned, u"Initialize"_s).type(), QDBusMessage::ReplyMessage);
    }
    // The bus tells the Watcher that the client left before it passes on
    // any later call, so once this client sees the name gone, the Watcher
    // has seen it too.
    m_bus.disconnect(u"leaving"_s);
    ASSERT_TRUE(m_bus.waitUntilNoOwner(leavingName, std::chrono::seconds(10)));

    const QString path = createManager(m_client);
    const QDBusMessage init = callManager(m_client, path, u"Initialize"_s);
    EXPECT_EQ(init.type(), QDBusMessage::ReplyMessage) << qPrintable(init.errorName() + u' ' + init.errorMessage());
    EXPECT_EQ(getProperty(abandoned, u"Input_PopHandle"_s).type(), QDBusMessage::ErrorMessage);
    EXPECT_EQ(callManager(m_client, path, u"Dispose"_s).type(), QDBusMessage::ReplyMessage);
}
