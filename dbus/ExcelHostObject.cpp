#include "ExcelHostObject.h"

#include "excel_adaptor.h"

namespace dbusif {

ExcelHostObject::ExcelHostObject(QObject* parent) : QObject(parent) {
    new ExcelAdaptor(this);
}

QDBusObjectPath ExcelHostObject::AddFrontierChart(const QString&, const QString&, const QString&, const QString&,
                                                  const QString&, const QStringList&, const QList<uint>&,
                                                  const QList<uint>&, const QList<double>&, const QList<double>&,
                                                  const QString&, const QString&) {
    return QDBusObjectPath(QStringLiteral("/"));
}

} // namespace dbusif
