#pragma once

#include <vector>

#include <QString>

#include "ol/PopupMenuService.h"
#include "ol/WindowRef.h"

namespace ol {

// A pop-up menu of a window: items identified by their key, built once and
// shown whenever the user asks for it.
class PopupMenu {
public:
    explicit PopupMenu(WindowRef owner = WindowRef()) : m_owner(owner) {}

    void addItem(const QString& key, const QString& caption, bool checked = false, bool enabled = true);
    int itemCount() const { return static_cast<int>(m_items.size()); }
    // Item n, counted from 1. Raises kErrInvalidArgument "n" outside 1..count.
    PopupMenuItem& item(int n);
    const PopupMenuItem& item(int n) const;
    const std::vector<PopupMenuItem>& items() const { return m_items; }
    // The 1-based position of the item with this key; 0 when there is none.
    int indexOfKey(const QString& key) const;
    // Checks the item with this key and unchecks all others (the menu of a
    // choice of one option); a key of no item unchecks all.
    void checkOnly(const QString& key);

    WindowRef owner() const { return m_owner; }

    // Shows the menu at the mouse position and returns the key of the item
    // chosen, or "" when nothing (or a disabled item) was chosen.
    QString show(PopupMenuService& service) const;
    // The same through the installed visual services.
    QString show() const;

private:
    WindowRef m_owner;
    std::vector<PopupMenuItem> m_items;
};

} // namespace ol
