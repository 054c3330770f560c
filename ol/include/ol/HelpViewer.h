#pragma once

#include <QString>
#include <QUrl>

namespace ol {

// The address of a help topic: the help file is an HTML file with one anchor
// per help context number, named "context-<number>" (context 1090 is
// file.html#context-1090). Context 0 is the start of the file.
QUrl helpTopicUrl(const QString& helpFile, int contextId);

// Opens help topics (with the desktop's browser).
class HelpViewer {
public:
    virtual ~HelpViewer() = default;

    // Shows the topic; false when it could not be opened.
    virtual bool showHelp(const QString& helpFile, int contextId) = 0;
};

} // namespace ol
