// The interface XML against the manager class, and the shared conversions.
// No bus is needed here.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QMetaProperty>

#include "DBusTypes.h"
#include "InterfaceDescription.h"
#include "WatcherManager.h"
#include "ol/OLError.h"

using dbusif::InterfaceDescription;
using namespace Qt::Literals::StringLiterals;

namespace {

QString signatureForMetaType(QMetaType type) {
    if (type == QMetaType::fromType<bool>())
        return QStringLiteral("b");
    if (type == QMetaType::fromType<qint32>())
        return QStringLiteral("i");
    if (type == QMetaType::fromType<double>())
        return QStringLiteral("d");
    if (type == QMetaType::fromType<QString>())
        return QStringLiteral("s");
    if (type == QMetaType::fromType<manager::ObjectRef>())
        return QStringLiteral("(so)");
    if (type == QMetaType::fromType<engine::TaggedCollection>())
        return QStringLiteral("av");
    return QStringLiteral("?") + QString::fromLatin1(type.name());
}

} // namespace

TEST(InterfaceContract, XmlDeclaresEveryManagerPropertyInOrderWithItsType) {
    const InterfaceDescription& iface = InterfaceDescription::watcherManager();
    const QMetaObject& meta = manager::WatcherManager::staticMetaObject;
    QStringList fromClass;
    QStringList fromXml;
    for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
        const QMetaProperty p = meta.property(i);
        fromClass << QString::fromLatin1(p.name()) + u' ' + signatureForMetaType(p.metaType()) +
                         (p.isWritable() ? u" rw" : u" r");
    }
    for (const InterfaceDescription::Property& p : iface.properties())
        fromXml << p.name + u' ' + p.signature + (p.writable ? u" rw" : u" r");
    EXPECT_EQ(fromXml, fromClass);
    // The manager's table has 70 read/write properties plus the read-only one.
    EXPECT_EQ(iface.properties().size(), 71);
}

TEST(InterfaceContract, MethodsHaveTheOperationsArgumentTypesInOrder) {
    const InterfaceDescription& iface = InterfaceDescription::watcherManager();
    QStringList methods;
    for (const InterfaceDescription::Method& m : iface.methods())
        methods << m.name + u'(' + m.inSignature + u")->" + m.outSignature;
    const QStringList expected{
        u"Initialize()->"_s,
        u"InitializeForms()->"_s,
        u"StopTimer()->"_s,
        u"ShowWatcherModally()->"_s,
        u"Dispose()->"_s,
        u"DisplayYesNoQueryWithHelp(ssibb)->b"_s,
        u"TellOLWatcherStoppedTimer()->b"_s,
        u"OLToldWatcherToStopTimer()->b"_s,
        u"BothDialogs_Update(bb)->"_s,
        u"BothDialogs_GoToPausingConfig()->"_s,
        u"GetTopPropertyOfVisibleForm()->i"_s,
        u"WatcherProcessID()->i"_s,
        u"EFGraphChartInExcel((so)ss)->(so)"_s,
        u"Release()->"_s,
    };
    EXPECT_EQ(methods, expected);
    EXPECT_TRUE(iface.interfaceXml().startsWith(u"<interface name=\"org.selvane.SelvaneWatcher8.WatcherManager\">"));
    EXPECT_TRUE(iface.interfaceXml().endsWith(u"</interface>"));
}

TEST(InterfaceContract, ParseRefusesMalformedXmlAndMissingInterfaces) {
    EXPECT_FALSE(InterfaceDescription::parse(u"<node><interface name=\"a.b\">"_s, u"a.b"_s));
    EXPECT_FALSE(InterfaceDescription::parse(u"<node><interface name=\"a.b\"/></node>"_s, u"a.c"_s));
    const auto parsed = InterfaceDescription::parse(
        u"<node><interface name=\"a.b\"><method name=\"M\"><arg type=\"s\"/><arg type=\"i\" direction=\"out\"/>"
        "</method><property name=\"P\" type=\"d\" access=\"read\"/></interface></node>"_s,
        u"a.b"_s);
    ASSERT_TRUE(parsed);
    ASSERT_NE(parsed->method(u"M"_s), nullptr);
    EXPECT_EQ(parsed->method(u"M"_s)->inSignature, u"s"_s); // "in" is the default direction
    EXPECT_EQ(parsed->method(u"M"_s)->outSignature, u"i"_s);
    ASSERT_NE(parsed->property(u"P"_s), nullptr);
    EXPECT_FALSE(parsed->property(u"P"_s)->writable);
    EXPECT_EQ(parsed->property(u"Q"_s), nullptr);
}

TEST(ErrorNames, CarryTheNumberAsEightUpperCaseHexDigits) {
    EXPECT_EQ(dbusif::errorName(ol::kErrGeneral), u"org.selvane.SelvaneWatcher8.Error.E8004000A"_s);
    EXPECT_EQ(dbusif::errorName(0x1F), u"org.selvane.SelvaneWatcher8.Error.E0000001F"_s);
    EXPECT_EQ(dbusif::errorNumber(dbusif::errorName(ol::kErrQxLibMinus14)), ol::kErrQxLibMinus14);
    EXPECT_FALSE(dbusif::errorNumber(u"org.selvane.SelvaneWatcher8.Error.E8004"_s));
    EXPECT_FALSE(dbusif::errorNumber(u"org.selvane.SelvaneWatcher8.Error.EXYZXYZXY"_s));
    EXPECT_FALSE(dbusif::errorNumber(u"org.freedesktop.DBus.Error.Failed"_s));
}

TEST(TaggedValues, TravelWithTheirDBusTypeAndComeBackTheSame) {
    using engine::TaggedValue;
    const engine::TaggedArray nested{TaggedValue::fromString(u"x"_s), TaggedValue::fromInt32(-3)};
    const struct {
        TaggedValue value;
        const char* signature;
    } cases[] = {
        {TaggedValue::fromBool(true), "b"},          {TaggedValue::fromInt16(-7), "n"},
        {TaggedValue::fromInt32(123456), "i"},       {TaggedValue::fromDouble(2.5), "d"},
        {TaggedValue::fromString(u"Zürich"_s), "s"}, {TaggedValue::fromArray(nested), "av"},
    };
    for (const auto& c : cases) {
        const QDBusVariant v = dbusif::toDBusVariant(c.value);
        EXPECT_EQ(dbusif::signatureOf(v.variant()), QLatin1String(c.signature)) << c.signature;
        const std::optional<TaggedValue> back = dbusif::fromDBusVariant(v.variant());
        ASSERT_TRUE(back) << c.signature;
        EXPECT_EQ(*back, c.value) << c.signature;
    }
    // A date keeps its number; the date tag has no D-Bus form of its own.
    EXPECT_EQ(dbusif::fromDBusVariant(dbusif::toDBusVariant(TaggedValue::fromDate(45000.5)).variant()),
              TaggedValue::fromDouble(45000.5));
}

TEST(TaggedValues, TypesWithoutATaggedFormAreRefused) {
    EXPECT_FALSE(dbusif::fromDBusVariant(QVariant(QByteArray("ab"))));
    EXPECT_FALSE(dbusif::fromDBusVariant(QVariant(42u)));
    EXPECT_FALSE(dbusif::fromDBusVariant(QVariant()));
    EXPECT_FALSE(dbusif::fromDBusList(QVariantList{QVariant(u"ok"_s), QVariant(QByteArray("no"))}));
    const auto list = dbusif::fromDBusList(QVariantList{QVariant(u"a"_s), QVariant(true)});
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1), engine::TaggedValue::fromString(u"a"_s));
}
