#include "ProgressWindows.h"

namespace manager {

namespace {
WindowFactory* g_windowFactory = nullptr;
}

WindowFactory* windowFactory() {
    return g_windowFactory;
}

void setWindowFactory(WindowFactory* factory) {
    g_windowFactory = factory;
}

} // namespace manager
