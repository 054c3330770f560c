#include "QtWindowService.h"

#include <QApplication>
#include <QWidget>

#include "QtWindows.h"

namespace watcher {

void QtWindowService::setCaption(ol::WindowRef window, const QString& caption) {
    if (QWidget* widget = widgetOf(window))
        widget->window()->setWindowTitle(caption);
}

ol::WindowRef QtWindowService::foregroundWindow() {
    if (QWidget* active = QApplication::activeWindow())
        return ol::WindowRef::local(active);
    return ol::WindowRef();
}

void QtWindowService::bringToFront(ol::WindowRef window) {
    QWidget* widget = widgetOf(window);
    if (!widget)
        return;
    QWidget* top = widget->window();
    if (top->isMinimized())
        top->showNormal();
    top->raise();
    top->activateWindow();
}

void QtWindowService::tieToOwner(ol::WindowRef dialog, ol::WindowRef owner) {
    QWidget* child = widgetOf(dialog);
    QWidget* parent = widgetOf(owner);
    if (!child || !parent || child == parent)
        return;
    // Reparenting drops the window flags unless they are given again; a
    // top-level window keeps being one, now above its owner.
    const Qt::WindowFlags flags = child->windowFlags() | Qt::Window;
    const bool wasVisible = child->isVisible();
    child->setParent(parent->window(), flags);
    if (wasVisible)
        child->show();
}

} // namespace watcher
