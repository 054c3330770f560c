#include "ol/VisualServices.h"

#include <mutex>

#include "ol/OLError.h"

namespace ol {

namespace {

std::mutex& registryMutex() {
    static std::mutex m;
    return m;
}

VisualServices& registry() {
    static VisualServices s;
    return s;
}

template <class T> T& require(T* service, const char* what) {
    if (!service)
        raiseError(kErrGeneral, QStringLiteral("ol::services"),
                   QStringLiteral("No %1 service is installed.").arg(QLatin1StringView(what)));
    return *service;
}

} // namespace

VisualServices services() {
    const std::lock_guard lock(registryMutex());
    return registry();
}

void setServices(const VisualServices& installed) {
    const std::lock_guard lock(registryMutex());
    registry() = installed;
}

MessageBoxService& messageBoxService() {
    return require(services().messageBoxes, "message box");
}

PopupMenuService& popupMenuService() {
    return require(services().popupMenus, "pop-up menu");
}

ScreenService& screenService() {
    return require(services().screens, "screen");
}

WindowService& windowService() {
    return require(services().windows, "window");
}

HelpViewer& helpViewer() {
    return require(services().help, "help viewer");
}

ErrorReporter& errorReporter() {
    return require(services().errors, "error report");
}

ScopedVisualServices::ScopedVisualServices(const VisualServices& installed) : m_previous(services()) {
    setServices(installed);
}

ScopedVisualServices::~ScopedVisualServices() {
    setServices(m_previous);
}

} // namespace ol
