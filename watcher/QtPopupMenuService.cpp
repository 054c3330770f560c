#include "QtPopupMenuService.h"

#include <QAction>
#include <QCursor>
#include <QMenu>

#include "QtWindows.h"

namespace watcher {

std::optional<int> QtPopupMenuService::showPopupMenu(ol::WindowRef owner, std::span<const ol::PopupMenuItem> items) {
    QMenu menu(widgetOf(owner));
    menu.setObjectName(QStringLiteral("PopupMenu"));
    for (const ol::PopupMenuItem& item : items) {
        QAction* action = menu.addAction(item.caption);
        action->setObjectName(item.key);
        action->setCheckable(item.checked);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
    }
    QAction* chosen = menu.exec(QCursor::pos());
    if (!chosen)
        return std::nullopt;
    const int index = static_cast<int>(menu.actions().indexOf(chosen));
    if (index < 0)
        return std::nullopt;
    return index;
}

} // namespace watcher
