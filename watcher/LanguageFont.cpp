#include "LanguageFont.h"

#include <cmath>

#include <QComboBox>
#include <QWidget>

#include "Formatting.h"

namespace watcher {

namespace {

bool insideComboBox(const QWidget* widget, const QWidget* window) {
    for (const QWidget* w = widget; w && w != window; w = w->parentWidget()) {
        if (qobject_cast<const QComboBox*>(w))
            return true;
    }
    return false;
}

} // namespace

void ApplyLanguageFont(QWidget* window, const ol::UiFont& font) {
    if (!window || font.family.isEmpty() || font.pointSize <= 0)
        return;
    const auto controls = window->findChildren<QWidget*>();
    for (QWidget* control : controls) {
        // A combo box's popup list is a window of its own, but still the
        // combo box's part.
        if (insideComboBox(control, window))
            continue;
        QFont f = control->font();
        f.setFamily(font.family);
        f.setPointSizeF(font.pointSize);
        control->setFont(f);
    }
}

void ApplyLanguageFont(QWidget* window) {
    try {
        ApplyLanguageFont(window, engine::LanguageFont());
    } catch (const std::exception&) {
        // No resource server: the window keeps the fonts it has.
    }
}

void ScaleControlSize(QWidget* control, QWidget* window, bool scaleWidth, bool scaleHeight) {
    if (!control)
        return;
    const QSizeF scaled =
        engine::ScaleControlSize(QSizeF(control->size()), ol::WindowRef::local(window), scaleWidth, scaleHeight);
    control->resize(static_cast<int>(std::lround(scaled.width())), static_cast<int>(std::lround(scaled.height())));
}

} // namespace watcher
