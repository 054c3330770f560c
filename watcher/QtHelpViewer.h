#pragma once

#include <functional>

#include <QString>
#include <QUrl>

#include "ol/HelpViewer.h"

namespace watcher {

// Opens a help topic (an anchor of the HTML help file) with the desktop's
// browser.
//
// A file address with an anchor does not survive every desktop's opener
// (xdg-open's generic mode opens the file and drops the anchor), so a topic
// other than the file's start is opened through a small page of our own that
// sends the browser on to the anchor.
class QtHelpViewer final : public ol::HelpViewer {
public:
    // Hands an address to the desktop; true when it was opened.
    using UrlOpener = std::function<bool(const QUrl&)>;

    // Opens addresses with opener; without one, with the desktop's browser
    // (QDesktopServices).
    explicit QtHelpViewer(UrlOpener opener = {});

    bool showHelp(const QString& helpFile, int contextId) override;

    // The address handed to the desktop for a topic: the help file itself for
    // context 0, else a forwarding page written into folder. Empty when the
    // page cannot be written.
    static QUrl openerUrl(const QString& helpFile, int contextId, const QString& folder);

private:
    UrlOpener m_opener;
};

} // namespace watcher
