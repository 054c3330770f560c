#include "InterfaceDescription.h"

#include <QXmlStreamReader>

namespace dbusif {

// Generated from dbus/interfaces/org.selvane.SelvaneWatcher8.WatcherManager.xml
// at build time (WatcherManagerXml.cpp).
extern const char* const kWatcherManagerXml;

std::optional<InterfaceDescription> InterfaceDescription::parse(const QString& xml, const QString& interfaceName) {
    InterfaceDescription out;
    QXmlStreamReader reader(xml);
    bool inside = false;
    Method* method = nullptr;
    qint64 start = -1;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::StartElement) {
            const QStringView element = reader.name();
            const QXmlStreamAttributes attributes = reader.attributes();
            if (element == u"interface" && attributes.value(QLatin1String("name")) == interfaceName) {
                inside = true;
                out.m_name = interfaceName;
                // characterOffset() is just past the start tag; find its '<'.
                start = xml.lastIndexOf(u'<', reader.characterOffset() - 1);
            } else if (inside && element == u"property") {
                const QStringView access = attributes.value(QLatin1String("access"));
                out.m_properties.append(Property{attributes.value(QLatin1String("name")).toString(),
                                                 attributes.value(QLatin1String("type")).toString(),
                                                 access.contains(u"read"), access.contains(u"write")});
            } else if (inside && element == u"method") {
                out.m_methods.append(Method{attributes.value(QLatin1String("name")).toString(), {}, {}});
                method = &out.m_methods.last();
            } else if (inside && method && element == u"arg") {
                // Method arguments are "in" unless they say otherwise.
                if (attributes.value(QLatin1String("direction")) == u"out")
                    method->outSignature += attributes.value(QLatin1String("type"));
                else
                    method->inSignature += attributes.value(QLatin1String("type"));
            }
        } else if (token == QXmlStreamReader::EndElement) {
            if (reader.name() == u"method")
                method = nullptr;
            else if (inside && reader.name() == u"interface") {
                out.m_interfaceXml = xml.mid(start, reader.characterOffset() - start);
                inside = false;
            }
        }
    }
    if (reader.hasError() || out.m_name.isEmpty())
        return std::nullopt;
    return out;
}

QString InterfaceDescription::watcherManagerXml() {
    return QString::fromUtf8(kWatcherManagerXml);
}

const InterfaceDescription& InterfaceDescription::watcherManager() {
    static const InterfaceDescription description =
        parse(watcherManagerXml(), QStringLiteral("org.selvane.SelvaneWatcher8.WatcherManager"))
            .value_or(InterfaceDescription());
    return description;
}

const InterfaceDescription::Property* InterfaceDescription::property(const QString& name) const {
    for (const Property& p : m_properties)
        if (p.name == name)
            return &p;
    return nullptr;
}

const InterfaceDescription::Method* InterfaceDescription::method(const QString& name) const {
    for (const Method& m : m_methods)
        if (m.name == name)
            return &m;
    return nullptr;
}

} // namespace dbusif
