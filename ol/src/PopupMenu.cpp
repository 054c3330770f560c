#include "ol/PopupMenu.h"

#include "ol/OLError.h"
#include "ol/VisualServices.h"

namespace ol {

void PopupMenu::addItem(const QString& key, const QString& caption, bool checked, bool enabled) {
    m_items.push_back(PopupMenuItem{key, caption, checked, enabled});
}

PopupMenuItem& PopupMenu::item(int n) {
    if (n < 1 || n > itemCount())
        raiseError(kErrInvalidArgument, QStringLiteral("PopupMenu::item"), QStringLiteral("n"));
    return m_items[static_cast<size_t>(n - 1)];
}

const PopupMenuItem& PopupMenu::item(int n) const {
    return const_cast<PopupMenu*>(this)->item(n);
}

int PopupMenu::indexOfKey(const QString& key) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i].key == key)
            return static_cast<int>(i) + 1;
    }
    return 0;
}

void PopupMenu::checkOnly(const QString& key) {
    for (PopupMenuItem& it : m_items)
        it.checked = it.key == key;
}

QString PopupMenu::show(PopupMenuService& service) const {
    const std::optional<int> chosen = service.showPopupMenu(m_owner, m_items);
    // An index the menu did not offer, or a disabled item, chooses nothing.
    if (!chosen || *chosen < 0 || *chosen >= itemCount())
        return QString();
    const PopupMenuItem& it = m_items[static_cast<size_t>(*chosen)];
    return it.enabled ? it.key : QString();
}

QString PopupMenu::show() const {
    return show(popupMenuService());
}

} // namespace ol
