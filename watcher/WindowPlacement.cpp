#include "WindowPlacement.h"

#include <cmath>

#include "Twips.h"

namespace watcher {

TwipsPosition windowPositionTwips(const QWidget* window) {
    const QPoint p = window->pos();
    return {static_cast<int32_t>(std::lround(pixelsToTwips(p.x(), window))),
            static_cast<int32_t>(std::lround(pixelsToTwips(p.y(), window)))};
}

bool MoveWatch::movedSinceLastCheck(const QWidget* window) {
    const TwipsPosition now = windowPositionTwips(window);
    if (now == m_last)
        return false;
    m_last = now;
    return true;
}

void setStaysOnTop(QWidget* window, bool topmost) {
    if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) == topmost)
        return;
    const bool wasVisible = window->isVisible();
    const QPoint position = window->pos();
    window->setWindowFlag(Qt::WindowStaysOnTopHint, topmost);
    window->move(position);
    if (wasVisible)
        window->show();
}

} // namespace watcher
