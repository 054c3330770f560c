// What a careless or hostile client of the same session can do to the
// Watcher: oversized values, calls on another client's manager, a call that
// starts the Watcher without ever creating a manager.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusMessage>
#include <QDBusVariant>

#include "DBusTypes.h"
#include "InterfaceDescription.h"
#include "PropertyLimits.h"
#include "WatcherBusFixture.h"
#include "WatcherServer.h"

using namespace Qt::Literals::StringLiterals;
using dbusif::InterfaceDescription;
using dbustest::kProperties;
using dbustest::WatcherBus;
namespace limits = dbusif::limits;

namespace {

const QString kInvalidArgs = u"org.freedesktop.DBus.Error.InvalidArgs"_s;
const QString kAccessDenied = u"org.freedesktop.DBus.Error.AccessDenied"_s;
// A character that takes three bytes in UTF-8: the most any character of a
// QString costs on the wire.
constexpr char16_t kWide = u'\u20AC';

QVariant strings(qsizetype count, qsizetype length) {
    QVariantList items;
    items.reserve(count);
    for (qsizetype i = 0; i < count; ++i)
        items.append(QVariant(QString(length, kWide)));
    return QVariant::fromValue(items);
}

} // namespace

// Two path properties of 17 MB each used to be taken; GetAll then built a
// reply over the bus's limit and the bus dropped the Watcher with every
// client's run.
TEST_F(WatcherBus, OversizedValuesAreRefusedNamingTheLimitAndGetAllStillAnswers) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    const std::optional<qint64> pid = m_bus.ownerPid(dbusif::kServiceName);
    ASSERT_TRUE(pid);

    const QString huge(17 * 1000 * 1000, u'x');
    for (const QString& name : {u"Input_LogPath"_s, u"Input_MainHelpFilePath"_s}) {
        const QDBusMessage reply = setProperty(path, name, huge);
        EXPECT_EQ(reply.errorName(), kInvalidArgs) << qPrintable(name);
        EXPECT_TRUE(reply.errorMessage().contains(name)) << qPrintable(reply.errorMessage());
        EXPECT_TRUE(reply.errorMessage().contains(u"at most 4096 characters"_s)) << qPrintable(reply.errorMessage());
    }
    const QDBusMessage afterHuge = call(m_client, path, kProperties, u"GetAll"_s, {dbusif::kManagerInterface});
    EXPECT_EQ(afterHuge.type(), QDBusMessage::ReplyMessage)
        << qPrintable(afterHuge.errorName() + u' ' + afterHuge.errorMessage());
    ASSERT_EQ(m_bus.ownerPid(dbusif::kServiceName), pid) << "the bus dropped the Watcher";

    // One past each bound is refused; at the bound the value is taken.
    const struct {
        QString property;
        QVariant value;
        QString limit;
    } refused[] = {
        {u"Input_ProgressGraphPath"_s, QString(limits::kMaxPathLength + 1, u'p'), u"4096"_s},
        {u"Input_OptimizationObjectiveStr"_s, QString(limits::kMaxTextLength + 1, u't'), u"32767"_s},
        {u"Input_AllGeneNamesCol"_s, strings(limits::kMaxCollectionItems + 1, 1), u"40000 items"_s},
        {u"Input_GroupNames"_s, strings(2, limits::kMaxCollectionTextLength / 2 + 1), u"400000 characters"_s},
        {u"Input_Application"_s,
         QVariant::fromValue(manager::ObjectRef{QString(limits::kMaxBusNameLength + 1, u'n'), u"/a"_s}), u"255"_s},
    };
    for (const auto& r : refused) {
        const QDBusMessage reply = setProperty(path, r.property, r.value);
        EXPECT_EQ(reply.errorName(), kInvalidArgs) << qPrintable(r.property);
        EXPECT_TRUE(reply.errorMessage().contains(r.limit)) << qPrintable(reply.errorMessage());
        EXPECT_TRUE(reply.errorMessage().contains(u"nothing was changed"_s)) << qPrintable(reply.errorMessage());
    }
    const QDBusMessage question =
        callManager(m_client, path, u"DisplayYesNoQueryWithHelp"_s,
                    {QString(limits::kMaxTextLength + 1, u'q'), u""_s, QVariant::fromValue<qint32>(0), true, true});
    EXPECT_EQ(question.errorName(), kInvalidArgs);
    EXPECT_TRUE(question.errorMessage().contains(u"Argument 1 of DisplayYesNoQueryWithHelp"_s))
        << qPrintable(question.errorMessage());

    const QString longest(limits::kMaxPathLength, kWide);
    ASSERT_EQ(setProperty(path, u"Input_LogPath"_s, longest).type(), QDBusMessage::ReplyMessage);
    const QDBusMessage all = call(m_client, path, kProperties, u"GetAll"_s, {dbusif::kManagerInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << qPrintable(all.errorName() + u' ' + all.errorMessage());
    const QVariantMap map = qdbus_cast<QVariantMap>(all.arguments().constFirst().value<QDBusArgument>());
    EXPECT_EQ(map.value(u"Input_LogPath"_s).toString(), longest);
    EXPECT_EQ(map.value(u"Input_MainHelpFilePath"_s).toString(), QString());
    EXPECT_EQ(m_bus.ownerPid(dbusif::kServiceName), pid);
}

// The bounds hold what they promise: with every property filled to its
// bound in the characters that cost most, one GetAll still fits.
TEST_F(WatcherBus, EveryPropertyAtItsBoundStillFitsInOneGetAll) {
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    const QVariant fullCollection =
        strings(limits::kMaxCollectionItems, limits::kMaxCollectionTextLength / limits::kMaxCollectionItems);
    for (const InterfaceDescription::Property& p : InterfaceDescription::watcherManager().properties()) {
        if (!p.writable)
            continue;
        QVariant value;
        if (p.signature == u"s")
            value = QString(limits::maxStringLength(p.name), kWide);
        else if (p.signature == u"(so)")
            value = QVariant::fromValue(manager::ObjectRef{QString(limits::kMaxBusNameLength, kWide),
                                                           u'/' + QString(limits::kMaxObjectPathLength - 1, u'a')});
        else if (p.signature == u"av")
            value = fullCollection;
        else
            continue;
        const QDBusMessage reply = setProperty(path, p.name, value);
        ASSERT_EQ(reply.type(), QDBusMessage::ReplyMessage) << qPrintable(p.name + u' ' + reply.errorMessage());
    }
    const QDBusMessage all = call(m_client, path, kProperties, u"GetAll"_s, {dbusif::kManagerInterface});
    ASSERT_EQ(all.type(), QDBusMessage::ReplyMessage) << qPrintable(all.errorName() + u' ' + all.errorMessage());
    const QVariantMap map = qdbus_cast<QVariantMap>(all.arguments().constFirst().value<QDBusArgument>());
    EXPECT_EQ(map.size(), InterfaceDescription::watcherManager().properties().size());
    QVariantList names;
    map.value(u"Input_AllGeneNamesCol"_s).value<QDBusArgument>() >> names;
    EXPECT_EQ(names.size(), limits::kMaxCollectionItems);
    EXPECT_EQ(map.value(u"Input_EFConstraintFormula"_s).toString().size(), limits::kMaxTextLength);
}

// A manager answers the connection that created it; any other gets
// AccessDenied for every member, while introspection stays open.
TEST_F(WatcherBus, AnotherConnectionCannotDriveAManager) {
    holdAddinMutex();
    const QString path = createManager(m_client);
    ASSERT_FALSE(path.isEmpty());
    ASSERT_EQ(setProperty(path, u"Input_PopHandle"_s, QVariant::fromValue<qint32>(42)).type(),
              QDBusMessage::ReplyMessage);

    QDBusConnection intruder = m_bus.connect(u"intruder"_s);
    const QList<QDBusMessage> attempts{
        setPropertyOn(intruder, path, u"Input_PopHandle"_s, QVariant::fromValue<qint32>(7)),
        call(intruder, path, kProperties, u"Get"_s, {dbusif::kManagerInterface, u"Input_PopHandle"_s}),
        call(intruder, path, kProperties, u"GetAll"_s, {dbusif::kManagerInterface}),
        callManager(intruder, path, u"Initialize"_s),
        callManager(intruder, path, u"Dispose"_s),
        callManager(intruder, path, u"Release"_s),
        // Without an interface name the call is still one of the manager's.
        call(intruder, path, QString(), u"WatcherProcessID"_s),
    };
    for (const QDBusMessage& reply : attempts) {
        EXPECT_EQ(reply.errorName(), kAccessDenied) << qPrintable(reply.errorMessage());
        EXPECT_TRUE(reply.errorMessage().contains(path)) << qPrintable(reply.errorMessage());
    }
    const QDBusMessage xml = call(intruder, path, u"org.freedesktop.DBus.Introspectable"_s, u"Introspect"_s);
    ASSERT_EQ(xml.type(), QDBusMessage::ReplyMessage) << qPrintable(xml.errorMessage());
    EXPECT_TRUE(xml.arguments().value(0).toString().contains(dbusif::kManagerInterface));

    // The owner's manager is untouched and still its own.
    EXPECT_EQ(propertyValue(path, u"Input_PopHandle"_s), QVariant(42));
    EXPECT_EQ(callManager(m_client, path, u"Initialize"_s).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(callManager(m_client, path, u"Dispose"_s).type(), QDBusMessage::ReplyMessage);
    EXPECT_EQ(callManager(m_client, path, u"Release"_s).type(), QDBusMessage::ReplyMessage);
}

// Activation starts the Watcher for whatever call comes first. One that
// creates no manager (a stray Get, an add-in's Dispose after the Watcher it
// knew crashed) must not leave a process that nobody will ever release.
TEST_F(WatcherBus, AWatcherStartedByAStrayCallEndsAfterTheLinger) {
    const QString stale = dbusif::kManagerPathPrefix + u"1"_s;
    const QDBusMessage get = getProperty(stale, u"Input_PopHandle"_s);
    EXPECT_EQ(get.type(), QDBusMessage::ErrorMessage);
    ASSERT_TRUE(m_bus.ownerPid(dbusif::kServiceName)) << "the call did not start the Watcher";
    EXPECT_TRUE(
        m_bus.waitUntilNoOwner(dbusif::kServiceName, dbusif::WatcherServer::kIdleExitDelay + std::chrono::seconds(10)));

    const QDBusMessage dispose = callManager(m_client, stale, u"Dispose"_s);
    EXPECT_EQ(dispose.type(), QDBusMessage::ErrorMessage);
    ASSERT_TRUE(m_bus.ownerPid(dbusif::kServiceName)) << "the call did not start the Watcher";
    EXPECT_TRUE(
        m_bus.waitUntilNoOwner(dbusif::kServiceName, dbusif::WatcherServer::kIdleExitDelay + std::chrono::seconds(10)));
}
