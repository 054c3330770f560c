#include "QtScreenService.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include "QtWindows.h"
#include "Twips.h"

namespace watcher {

namespace {

constexpr double kBaseDpi = 96.0;

const QScreen* screenOf(ol::WindowRef window) {
    // A window of the host lives in another process: its monitor is not
    // known here, so the primary one stands for it.
    if (const QWidget* widget = widgetOf(window)) {
        if (const QScreen* screen = widget->screen())
            return screen;
    }
    return QGuiApplication::primaryScreen();
}

} // namespace

ol::WorkArea QtScreenService::workAreaOf(const QScreen* screen) {
    ol::WorkArea area;
    if (!screen) {
        area.pixels = QRect(0, 0, 1024, 768);
        return area;
    }
    area.pixels = screen->availableGeometry();
    const double dpiX = screen->logicalDotsPerInchX() > 0 ? screen->logicalDotsPerInchX() : kBaseDpi;
    const double dpiY = screen->logicalDotsPerInchY() > 0 ? screen->logicalDotsPerInchY() : kBaseDpi;
    area.twipsPerPixelX = kTwipsPerInch / dpiX;
    area.twipsPerPixelY = kTwipsPerInch / dpiY;
    return area;
}

ol::WorkArea QtScreenService::workAreaOfWindow(ol::WindowRef window) {
    return workAreaOf(screenOf(window));
}

ol::WorkArea QtScreenService::workAreaAtPoint(QPoint pixel) {
    const QScreen* screen = QGuiApplication::screenAt(pixel);
    return workAreaOf(screen ? screen : QGuiApplication::primaryScreen());
}

double QtScreenService::scaleFactor(ol::WindowRef window) {
    const QScreen* screen = screenOf(window);
    if (!screen || screen->logicalDotsPerInchX() <= 0)
        return 1.0;
    return screen->logicalDotsPerInchX() / kBaseDpi;
}

} // namespace watcher
