#pragma once

#include "ol/ScreenService.h"

class QScreen;

namespace watcher {

// Work areas and scale factors from the screens Qt knows.
class QtScreenService final : public ol::ScreenService {
public:
    ol::WorkArea workAreaOfWindow(ol::WindowRef window) override;
    ol::WorkArea workAreaAtPoint(QPoint pixel) override;
    double scaleFactor(ol::WindowRef window) override;

    // The work area of one screen; a null screen gives a 1024 x 768 area at
    // 96 dpi, so that layout code always has something to work with.
    static ol::WorkArea workAreaOf(const QScreen* screen);
};

} // namespace watcher
