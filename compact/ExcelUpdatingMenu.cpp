#include "ExcelUpdatingMenu.h"

#include <QAbstractButton>

#include "ResourceStrings.h"
#include "manager/WatcherManager.h"
#include "ol/StepGuard.h"

namespace watcher {

namespace {

// Sets a toggle button's pressed state with the window's ignore flag set, so
// that the change is not taken for a click.
void setPressedQuietly(QAbstractButton* button, bool pressed, bool& ignoreClicks) {
    if (button == nullptr)
        return;
    ignoreClicks = true;
    button->setChecked(pressed);
    ignoreClicks = false;
}

} // namespace

ol::PopupMenu ExcelUpdatingMenu::build(ol::WindowRef owner, int onTextId, int bestTextId, int offTextId) {
    ol::PopupMenu menu(owner);
    menu.addItem(kKeyOn, engine::GetResourceString(onTextId), false);
    menu.addItem(kKeyBest, engine::GetResourceString(bestTextId), false);
    menu.addItem(kKeyOff, engine::GetResourceString(offTextId), false);
    return menu;
}

int32_t ExcelUpdatingMenu::optionForKey(const QString& key) {
    if (key == kKeyOn)
        return kShowEveryRecalculation;
    if (key == kKeyBest)
        return kShowNewBestOnly;
    if (key == kKeyOff)
        return kNoUpdating;
    return 0;
}

int32_t ExcelUpdatingMenu::click(ol::PopupMenu& menu, manager::WatcherManager& manager, QAbstractButton* button,
                                 bool& ignoreClicks) {
    if (ignoreClicks) {
        // The click already toggled the button; an ignored click leaves it
        // released, as the window shows it. The flag stays as it was.
        if (button != nullptr && button->isChecked()) {
            const bool wasBlocked = button->blockSignals(true);
            button->setChecked(false);
            button->blockSignals(wasBlocked);
        }
        return 0;
    }
    const int32_t chosen = ol::tryOr(int32_t{0}, [&] {
        const int32_t current = manager.ShowExcelRecalculations();
        for (int k = 1; k <= 3 && k <= menu.itemCount(); ++k)
            menu.item(k).checked = current == k;
        return optionForKey(menu.show());
    });
    if (chosen != 0) {
        ol::tryOr(false, [&] {
            manager.setShowExcelRecalculations(chosen);
            manager.SendShowExcelRecalculationsToXL(chosen);
            return true;
        });
    }
    // Released whatever happened above: a menu closed without a choice, or
    // one that could not be shown, must not leave the button stuck down.
    ol::tryOr(false, [&] {
        setPressedQuietly(button, false, ignoreClicks);
        return true;
    });
    return chosen;
}

} // namespace watcher
