#pragma once

#include <cstdint>

#include <QString>

#include "ol/PopupMenu.h"
#include "ol/WindowRef.h"

class QAbstractButton;

namespace manager {
class WatcherManager;
}

namespace watcher {

// The Excel-updating options of the progress windows of a single
// optimization (the compact window and the full Watcher window): a toggle
// button that opens a pop-up menu of the three ways Excel can show
// recalculations while the run goes. The chosen way becomes the manager's
// ShowExcelRecalculations and is sent to the add-in. Each window keeps its
// own ol::PopupMenu (its items have the window's own captions); this class
// builds it and runs the button's click on it.
class ExcelUpdatingMenu {
public:
    // The menu items' keys; ShowExcelRecalculations is the key's position.
    static inline const QString kKeyOn = QStringLiteral("mnuExcelUpdating_On");
    static inline const QString kKeyBest = QStringLiteral("mnuExcelUpdating_Best");
    static inline const QString kKeyOff = QStringLiteral("mnuExcelUpdating_Off");

    // ShowExcelRecalculations values.
    static constexpr int32_t kShowEveryRecalculation = 1;
    static constexpr int32_t kShowNewBestOnly = 2;
    static constexpr int32_t kNoUpdating = 3;

    // Caption resource numbers of the two windows.
    static constexpr int kCompactOnText = 4114;
    static constexpr int kCompactBestText = 4116;
    static constexpr int kCompactOffText = 4117;
    static constexpr int kWatcherOnText = 4010;
    static constexpr int kWatcherBestText = 4012;
    static constexpr int kWatcherOffText = 4013;

    // A new menu for owner with the three items, in the order On, Best, Off,
    // all unchecked, captioned by the given resource texts.
    static ol::PopupMenu build(ol::WindowRef owner, int onTextId, int bestTextId, int offTextId);

    // The ShowExcelRecalculations value of a key; 0 for any other key
    // (nothing chosen).
    static int32_t optionForKey(const QString& key);

    // The click of the Excel-updating button. Unless ignoreClicks is set:
    // checks the item of the manager's current ShowExcelRecalculations,
    // shows the menu, and for a chosen item sets ShowExcelRecalculations and
    // sends it to the add-in (channel 14); then releases the button with
    // ignoreClicks set meanwhile, whatever was chosen and even when showing
    // the menu failed. Errors end the click silently. Returns the option
    // chosen, 0 when none was.
    static int32_t click(ol::PopupMenu& menu, manager::WatcherManager& manager, QAbstractButton* button,
                         bool& ignoreClicks);
};

} // namespace watcher
