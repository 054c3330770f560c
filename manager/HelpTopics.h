#pragma once

#include <QString>

#include "ol/WindowRef.h"

namespace manager {

// Resource texts of the messages that say why a help topic did not open.
inline constexpr int kTextHelpFileMissing = 4700; // %1 = the file's path
inline constexpr int kTextHelpNotOpened = 4701;   // %1 = the file's path
inline constexpr int kTextNoHelpFileGiven = 4702;

// Opens a help topic of an HTML help file through the help viewer of the
// visual services. A person who asked for help always learns something: when
// no file is given, the file does not exist or the viewer cannot open it, a
// warning box (title "Selvane", owned by owner) names the file and says so.
// True when the topic was opened. Never throws.
bool openHelpTopic(const QString& helpFile, int contextId, const ol::WindowRef& owner = {});

} // namespace manager
