#pragma once

#include "ol/ResourceServer.h"

class QWidget;

namespace watcher {

// Gives every control of the window the user-interface font of the resource
// server's language: its family and point size (the character set has no
// counterpart in Qt, whose fonts cover every script). Combo boxes, and what
// they are made of, keep their own font; a grid's headings get the font like
// its cells. Without a resource server nothing changes.
void ApplyLanguageFont(QWidget* window);
// The same with a given font.
void ApplyLanguageFont(QWidget* window, const ol::UiFont& font);

// Multiplies the control's width and/or height by the scale factor of the
// window's screen, as the shared library's screen service reports it.
// Nothing changes when the service fails.
void ScaleControlSize(QWidget* control, QWidget* window, bool scaleWidth, bool scaleHeight);

} // namespace watcher
