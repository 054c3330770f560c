#pragma once

#include "ol/PopupMenuService.h"

namespace watcher {

// Pop-up menus as QMenu, shown at the mouse position.
class QtPopupMenuService final : public ol::PopupMenuService {
public:
    std::optional<int> showPopupMenu(ol::WindowRef owner, std::span<const ol::PopupMenuItem> items) override;
};

} // namespace watcher
