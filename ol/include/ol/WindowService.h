#pragma once

#include <QString>

#include "ol/WindowRef.h"

namespace ol {

// Window services that go beyond what a window does for itself.
class WindowService {
public:
    virtual ~WindowService() = default;

    // Sets the title of a window; any Unicode text.
    virtual void setCaption(WindowRef window, const QString& caption) = 0;
    // The window that has the keyboard focus on the desktop, as far as this
    // process can tell; null when it cannot.
    virtual WindowRef foregroundWindow() = 0;
    // Raises and activates a window.
    virtual void bringToFront(WindowRef window) = 0;
    // Makes owner the owner of dialog, so that the dialog stays above it
    // and goes with it.
    virtual void tieToOwner(WindowRef dialog, WindowRef owner) = 0;
};

} // namespace ol
