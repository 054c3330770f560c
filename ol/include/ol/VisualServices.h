#pragma once

#include "ol/ErrorReporter.h"
#include "ol/HelpViewer.h"
#include "ol/MessageBoxService.h"
#include "ol/PopupMenuService.h"
#include "ol/ScreenService.h"
#include "ol/WindowService.h"

namespace ol {

// The services that show something to a person. The process installs one
// set: the Qt implementation in the programs, a scripted one in tests. The
// services are not owned here; whoever installs them keeps them alive.
struct VisualServices {
    MessageBoxService* messageBoxes = nullptr;
    PopupMenuService* popupMenus = nullptr;
    ScreenService* screens = nullptr;
    WindowService* windows = nullptr;
    HelpViewer* help = nullptr;
    ErrorReporter* errors = nullptr;
};

// The installed services (all null until something is installed).
VisualServices services();
void setServices(const VisualServices& installed);

// Each installed service; raises kErrGeneral when none is installed, so a
// caller without a user interface fails like any other failing step instead
// of crashing.
MessageBoxService& messageBoxService();
PopupMenuService& popupMenuService();
ScreenService& screenService();
WindowService& windowService();
HelpViewer& helpViewer();
ErrorReporter& errorReporter();

// Installs a set of services for its lifetime and puts the previous set back
// afterwards (for tests and for nested set-ups).
class ScopedVisualServices {
public:
    explicit ScopedVisualServices(const VisualServices& installed);
    ~ScopedVisualServices();
    ScopedVisualServices(const ScopedVisualServices&) = delete;
    ScopedVisualServices& operator=(const ScopedVisualServices&) = delete;

private:
    VisualServices m_previous;
};

} // namespace ol
