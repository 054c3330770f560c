#pragma once

#include <QPoint>
#include <QRect>

#include "ol/WindowRef.h"

namespace ol {

// The part of a monitor that windows may use (without panels and docks), in
// pixels, with the monitor's twips per pixel (15 at 96 dpi).
struct WorkArea {
    QRect pixels;
    double twipsPerPixelX = 15.0;
    double twipsPerPixelY = 15.0;

    // The edges as window placement uses them: right and bottom are the first
    // pixel outside the area (left + width, top + height), unlike
    // QRect::right() and QRect::bottom().
    int leftEdge() const { return pixels.x(); }
    int topEdge() const { return pixels.y(); }
    int rightEdge() const { return pixels.x() + pixels.width(); }
    int bottomEdge() const { return pixels.y() + pixels.height(); }

    // The same area in twips, each edge rounded to the nearest twip.
    QRect twips() const;
};

// The monitors of the desktop.
class ScreenService {
public:
    virtual ~ScreenService() = default;

    // The work area of the monitor that shows window (mostly); a host window
    // that this process cannot see gives the primary monitor's.
    virtual WorkArea workAreaOfWindow(WindowRef window) = 0;
    // The work area of the monitor that holds the pixel (desktop coordinates).
    virtual WorkArea workAreaAtPoint(QPoint pixel) = 0;
    // How much larger than at 96 dpi the window's contents are drawn (1.0 at
    // 96 dpi, 1.5 at 144 dpi).
    virtual double scaleFactor(WindowRef window) = 0;
};

} // namespace ol
