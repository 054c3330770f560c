#include "QtHelpViewer.h"

#include <string>
#include <utility>

#include <QDesktopServices>
#include <QDir>
#include <QFile>

#include "ol/Directories.h"
#include "ol/SafeFile.h"

namespace watcher {

namespace {

// Forwarding pages live in a folder of this process's own under the runtime
// directory (or the temporary folder), readable by the user only.
QString forwardingFolder() {
    // Never the shared temporary folder: without a private runtime folder
    // the help opens on its topic directly.
    const QString base = ol::runtimeDirectory();
    if (base.isEmpty())
        return QString();
    const QString folder = QDir(base).filePath(QStringLiteral("help"));
    std::string why;
    return ol::safefile::ensurePrivateDirectory(QFile::encodeName(folder).toStdString(), why, true) ? folder
                                                                                                    : QString();
}

} // namespace

QtHelpViewer::QtHelpViewer(UrlOpener opener) : m_opener(std::move(opener)) {
    if (!m_opener)
        m_opener = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
}

QUrl QtHelpViewer::openerUrl(const QString& helpFile, int contextId, const QString& folder) {
    const QUrl topic = ol::helpTopicUrl(helpFile, contextId);
    if (contextId == 0 || folder.isEmpty())
        return topic;
    const QString page = QDir(folder).filePath(QStringLiteral("context-%1.html").arg(contextId));
    const QString target = QString::fromUtf8(topic.toEncoded()).toHtmlEscaped();
    const QString html = QStringLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                                        "<meta http-equiv=\"refresh\" content=\"0; url=%1\">"
                                        "<title>Selvane</title></head>"
                                        "<body><a href=\"%1\">%1</a></body></html>\n")
                             .arg(target);
    const QByteArray bytes = html.toUtf8();
    std::string why;
    if (!ol::safefile::replaceFile(QFile::encodeName(page).toStdString(), bytes.constData(),
                                   static_cast<size_t>(bytes.size()), why))
        return QUrl();
    return QUrl::fromLocalFile(page);
}

bool QtHelpViewer::showHelp(const QString& helpFile, int contextId) {
    // A missing file would open the browser on an error page; say no instead.
    if (helpFile.isEmpty() || !ol::fileExists(helpFile))
        return false;
    QUrl url = openerUrl(helpFile, contextId, forwardingFolder());
    if (url.isEmpty())
        url = ol::helpTopicUrl(helpFile, contextId);
    return m_opener(url);
}

} // namespace watcher
