#pragma once

#include <optional>
#include <span>

#include <QString>

#include "ol/WindowRef.h"

namespace ol {

struct PopupMenuItem {
    QString key; // the name the menu answers with when the item is chosen
    QString caption;
    bool checked = false;
    bool enabled = true;
};

// Shows pop-up menus at the mouse position.
class PopupMenuService {
public:
    virtual ~PopupMenuService() = default;

    // Shows the items for owner and returns the 0-based index of the item
    // chosen, or nothing when the menu was closed without a choice. Returns
    // when the menu is closed.
    virtual std::optional<int> showPopupMenu(WindowRef owner, std::span<const PopupMenuItem> items) = 0;
};

} // namespace ol
