#include "HostObjects.h"

namespace manager {

namespace {
HostConnector* g_hostConnector = nullptr;
}

HostConnector* hostConnector() {
    return g_hostConnector;
}

void setHostConnector(HostConnector* connector) {
    g_hostConnector = connector;
}

} // namespace manager
