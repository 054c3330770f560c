#pragma once

#include "ol/HelpViewer.h"

namespace watcher {

// Opens a help topic (an anchor of the HTML help file) with the desktop's
// browser.
class QtHelpViewer final : public ol::HelpViewer {
public:
    bool showHelp(const QString& helpFile, int contextId) override;
};

} // namespace watcher
