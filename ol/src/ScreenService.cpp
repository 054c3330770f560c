#include "ol/ScreenService.h"

#include <cmath>

namespace ol {

QRect WorkArea::twips() const {
    const auto tx = [this](int px) { return static_cast<int>(std::lround(px * twipsPerPixelX)); };
    const auto ty = [this](int px) { return static_cast<int>(std::lround(px * twipsPerPixelY)); };
    const int left = tx(leftEdge());
    const int top = ty(topEdge());
    return QRect(left, top, tx(rightEdge()) - left, ty(bottomEdge()) - top);
}

} // namespace ol
