// The help shipped with the Watcher: every topic the windows and questions
// open is an anchor of the English and the German page, and a topic reaches
// the desktop's browser as an address that keeps its anchor.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QUrl>

#include "FormProgress.h"
#include "GraphControl.h"
#include "QtHelpViewer.h"
#include "ol/Directories.h"
#include "ol/ResourceServer.h"

namespace {

// Every help context a window or a question of the Watcher opens.
QList<int> contextsInUse() {
    QList<int> contexts;
    for (int tab = 0; tab < watcher::FormProgress::TabCount; ++tab)
        contexts << watcher::FormProgress::helpContextForTab(tab);
    // The graph control's dialogs and the question about the constraint solver.
    contexts << watcher::GraphControl::kHelpContextSavePicture << watcher::GraphControl::kHelpContextAxisRange << 1200;
    return contexts;
}

QSet<int> anchorsOf(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QString html = QString::fromUtf8(file.readAll());
    QSet<int> anchors;
    static const QRegularExpression id(QStringLiteral("id=\"context-(\\d+)\""));
    for (auto it = id.globalMatch(html); it.hasNext();)
        anchors << it.next().captured(1).toInt();
    return anchors;
}

TEST(HelpPagesTest, EveryTopicInUseIsAnAnchorInBothLanguages) {
    const QString english = ol::helpFilePath(ol::kLanguageEnglish);
    const QString german = ol::helpFilePath(ol::kLanguageGerman);
    ASSERT_NE(english, german);
    for (const QString& page : {english, german}) {
        ASSERT_TRUE(ol::fileExists(page)) << page.toStdString();
        const QSet<int> anchors = anchorsOf(page);
        for (int context : contextsInUse())
            EXPECT_TRUE(anchors.contains(context)) << page.toStdString() << " lacks context-" << context;
        // The start of the file (context 0) is a topic too.
        EXPECT_TRUE(anchors.contains(0)) << page.toStdString();
    }
    // Both pages have the same topics, so a topic never lands at the top of
    // one language's page only.
    EXPECT_EQ(anchorsOf(english), anchorsOf(german));
}

TEST(HelpPagesTest, HelpFileFollowsTheLanguageAndTheDataFolder) {
    const QString data = ol::dataDirectory();
    EXPECT_EQ(ol::helpFilePath(ol::kLanguageGerman), data + QStringLiteral("/help/de/watcher.html"));
    EXPECT_EQ(ol::helpFilePath(ol::kLanguageEnglish), data + QStringLiteral("/help/en/watcher.html"));
    // A language without pages of its own gets the English ones.
    EXPECT_EQ(ol::helpFilePath(10), ol::helpFilePath(ol::kLanguageEnglish));
    EXPECT_EQ(ol::helpFilePath(0), ol::helpFilePath(ol::kLanguageEnglish));
    // Beside the libraries: <system directory>/../share/selvane.
    EXPECT_EQ(data, QDir::cleanPath(ol::systemDirectory() + QStringLiteral("/../share/selvane")));

    const QByteArray before = qgetenv("SELVANE_DATA_DIR");
    qputenv("SELVANE_DATA_DIR", "/opt/selvane-data/");
    EXPECT_EQ(ol::helpFilePath(ol::kLanguageGerman), QStringLiteral("/opt/selvane-data/help/de/watcher.html"));
    if (before.isNull())
        qunsetenv("SELVANE_DATA_DIR");
    else
        qputenv("SELVANE_DATA_DIR", before);
}

TEST(HelpPagesTest, TopicReachesTheBrowserWithItsPageAndAnchor) {
    QList<QUrl> opened;
    watcher::QtHelpViewer viewer([&](const QUrl& url) {
        opened << url;
        return true;
    });
    const QString german = ol::helpFilePath(ol::kLanguageGerman);
    ASSERT_TRUE(viewer.showHelp(german, 1130));
    ASSERT_EQ(opened.size(), 1);
    // Either the topic itself or our forwarding page that sends the browser on
    // to it: the file and the anchor both arrive.
    const QString topic = QString::fromUtf8(ol::helpTopicUrl(german, 1130).toEncoded());
    EXPECT_TRUE(topic.endsWith(QStringLiteral("de/watcher.html#context-1130"))) << topic.toStdString();
    if (opened.front().hasFragment()) {
        EXPECT_EQ(QString::fromUtf8(opened.front().toEncoded()), topic);
    } else {
        QFile page(opened.front().toLocalFile());
        ASSERT_TRUE(page.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(page.readAll()).contains(QStringLiteral("url=") + topic));
    }

    // The start of the file, and nothing at all for a missing file.
    ASSERT_TRUE(viewer.showHelp(german, 0));
    EXPECT_EQ(opened.back(), QUrl::fromLocalFile(german));
    EXPECT_FALSE(viewer.showHelp(QStringLiteral("/nonexistent/watcher.html"), 1090));
    EXPECT_EQ(opened.size(), 2);

    // A browser that cannot be started is reported as not opened.
    watcher::QtHelpViewer failing([](const QUrl&) { return false; });
    EXPECT_FALSE(failing.showHelp(german, 1090));
}

} // namespace
