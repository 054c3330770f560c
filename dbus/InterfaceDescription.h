#pragma once

#include <optional>

#include <QList>
#include <QString>

namespace dbusif {

// What an interface XML of this project declares: its properties with their
// signatures and its methods with the signatures of their in and out
// arguments. The Watcher checks every incoming call against it, and the tests
// walk it, so the XML file stays the one contract.
class InterfaceDescription {
public:
    struct Property {
        QString name;
        QString signature;
        bool readable = true;
        bool writable = true;
    };
    struct Method {
        QString name;
        QString inSignature;  // the in arguments' signatures, concatenated
        QString outSignature; // the same for the out arguments
    };

    // Reads the interface `interfaceName` from introspection XML. Nothing when
    // the XML is malformed or lacks the interface.
    static std::optional<InterfaceDescription> parse(const QString& xml, const QString& interfaceName);

    // The Watcher manager's interface, from the XML compiled into this
    // library.
    static const InterfaceDescription& watcherManager();
    // The text of the Watcher manager's interface XML as compiled in.
    static QString watcherManagerXml();

    const QString& name() const { return m_name; }
    const QList<Property>& properties() const { return m_properties; }
    const QList<Method>& methods() const { return m_methods; }
    const Property* property(const QString& name) const;
    const Method* method(const QString& name) const;
    // The <interface> element of the XML as written, for introspection.
    const QString& interfaceXml() const { return m_interfaceXml; }

private:
    QString m_name;
    QList<Property> m_properties;
    QList<Method> m_methods;
    QString m_interfaceXml;
};

} // namespace dbusif
