#include "HostObjects.h"

#include "ol/OLError.h"

namespace manager {

namespace {
HostConnector* g_hostConnector = nullptr;
}

ObjectRef HostExcel::addFrontierChart(const FrontierChart& /*chart*/, const QString& /*placementRange*/,
                                      const QString& /*dataRange*/) {
    ol::raiseError(ol::kErrGeneral, QStringLiteral("HostExcel"), QStringLiteral("The host cannot create charts."));
}

HostConnector* hostConnector() {
    return g_hostConnector;
}

void setHostConnector(HostConnector* connector) {
    g_hostConnector = connector;
}

} // namespace manager
