#pragma once

#include <cstdint>

#include <QWidget>

namespace watcher {

// Where a top-level window stands (its frame's top-left corner on the
// desktop), in whole twips.
struct TwipsPosition {
    int32_t left = 0;
    int32_t top = 0;
    friend bool operator==(const TwipsPosition&, const TwipsPosition&) = default;
};

TwipsPosition windowPositionTwips(const QWidget* window);

// Remembers where a window stood and tells when it moved since then; the
// add-in redraws its sheet when a window of the Watcher moved.
class MoveWatch {
public:
    void remember(const QWidget* window) { m_last = windowPositionTwips(window); }
    // True when the window stands elsewhere than last time; remembers the
    // new place.
    bool movedSinceLastCheck(const QWidget* window);

private:
    TwipsPosition m_last;
};

// Puts a top-level window on (or takes it off) the always-on-top level
// without moving it. Changing the flag re-creates a shown window hidden, so
// its place and its visibility are put back.
void setStaysOnTop(QWidget* window, bool topmost);

} // namespace watcher
