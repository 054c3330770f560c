#include "QtHelpViewer.h"

#include <QDesktopServices>

#include "ol/Directories.h"

namespace watcher {

bool QtHelpViewer::showHelp(const QString& helpFile, int contextId) {
    // A missing file would open the browser on an error page; say no instead.
    if (helpFile.isEmpty() || !ol::fileExists(helpFile))
        return false;
    return QDesktopServices::openUrl(ol::helpTopicUrl(helpFile, contextId));
}

} // namespace watcher
