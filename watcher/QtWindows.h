#pragma once

#include "ol/WindowRef.h"

class QWidget;

namespace watcher {

// Makes this process show its windows with Qt: installs the Qt visual
// services of the shared library (message boxes, pop-up menus, screens,
// window captions, help, error reports), the survival window's start-up and
// end hooks (keeping the other hooks already installed), and the factory of
// the progress windows. Call once, after the QApplication exists; calling it
// again changes nothing.
void InstallQtWindows();

// The widget a window reference stands for; null for a host window or a
// window that no longer exists.
QWidget* widgetOf(const ol::WindowRef& window);

} // namespace watcher
