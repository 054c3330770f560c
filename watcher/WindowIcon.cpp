#include "WindowIcon.h"

#include <QDir>
#include <QWidget>
#include <QWindow>

// The icon resources live in this static library; they are registered
// before their first use so that no program linking it can drop them.
static void initProductIcons() {
    Q_INIT_RESOURCE(product_icons);
}

namespace watcher {

QIcon ProgramIcon(const QString& name) {
    static const bool registered = (initProductIcons(), true);
    (void)registered;
    QIcon icon;
    const QDir folder(QStringLiteral(":/icons/") + name);
    if (name.isEmpty() || !folder.exists())
        return icon;
    for (const QString& file : folder.entryList({QStringLiteral("*.png")}, QDir::Files))
        icon.addFile(folder.filePath(file));
    return icon;
}

void SetWindowIcon(QWidget* window, const QString& name, bool ownerToo) {
    if (window == nullptr)
        return;
    const QIcon icon = ProgramIcon(name);
    if (icon.isNull())
        return;
    window->setWindowIcon(icon);
    if (!ownerToo)
        return;
    // The owner is the window of the widget's parent or, for a window shown
    // for another one, the window it is shown for.
    if (QWidget* parent = window->parentWidget(); parent != nullptr) {
        parent->window()->setWindowIcon(icon);
    } else if (const QWindow* handle = window->windowHandle(); handle != nullptr && handle->transientParent()) {
        handle->transientParent()->setIcon(icon);
    }
}

} // namespace watcher
