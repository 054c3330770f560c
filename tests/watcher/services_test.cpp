// The Qt visual services: message boxes and the help question, pop-up menus,
// screens, window captions and ownership, help.
#include <gtest/gtest.h>

#include <functional>

#include <QApplication>
#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include "QtHelpViewer.h"
#include "QtMessageBoxService.h"
#include "QtPopupMenuService.h"
#include "QtScreenService.h"
#include "QtWindowService.h"

namespace {

// Polls until `find` gives a widget, then runs `act` on it; the box or menu
// being waited for blocks the test in its own event loop meanwhile.
void whenUp(std::function<QWidget*()> find, std::function<void(QWidget*)> act) {
    auto* poll = new QTimer();
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, find, act] {
        QWidget* widget = find();
        if (!widget || !widget->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        act(widget);
    });
    poll->start();
}

void whenModalUp(std::function<void(QWidget*)> act) {
    whenUp([] { return QApplication::activeModalWidget(); }, std::move(act));
}

ol::HelpQuestion helpQuestion() {
    ol::HelpQuestion q;
    q.title = QStringLiteral("Selvane");
    q.text = QStringLiteral("Use the constraint solver?");
    q.buttonCaptions = {QStringLiteral("Help"), QStringLiteral("Yes"), QStringLiteral("No")};
    q.helpFile = QStringLiteral("/nowhere/help.html");
    q.helpContext = 1090;
    return q;
}

TEST(QtMessageBoxServiceTest, HelpQuestionReturnsTheIndexOfTheButtonChosen) {
    watcher::QtMessageBoxService boxes;
    for (int chosen = 0; chosen < 3; ++chosen) {
        QString title;
        QStringList captions;
        whenModalUp([&, chosen](QWidget* box) {
            title = box->windowTitle();
            for (int i = 0; i < 3; ++i)
                captions << box->findChild<QPushButton*>(QStringLiteral("QuestionButton%1").arg(i))->text();
            box->findChild<QPushButton*>(QStringLiteral("QuestionButton%1").arg(chosen))->click();
        });
        EXPECT_EQ(boxes.askWithHelp(helpQuestion()), chosen);
        EXPECT_EQ(title, QStringLiteral("Selvane"));
        EXPECT_EQ(captions, QStringList({QStringLiteral("Help"), QStringLiteral("Yes"), QStringLiteral("No")}));
    }
}

TEST(QtMessageBoxServiceTest, YesNoAnswersAndClosingCountsAsNo) {
    watcher::QtMessageBoxService boxes;
    ol::YesNoRequest request{QStringLiteral("Selvane"), QStringLiteral("Stop the optimization?"), false, {}};

    whenModalUp([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::Yes)->click(); });
    EXPECT_TRUE(boxes.askYesNo(request));
    whenModalUp([](QWidget* box) { qobject_cast<QMessageBox*>(box)->button(QMessageBox::No)->click(); });
    EXPECT_FALSE(boxes.askYesNo(request));
    whenModalUp([](QWidget* box) { QTest::keyClick(box, Qt::Key_Escape); });
    EXPECT_FALSE(boxes.askYesNo(request));
}

TEST(QtMessageBoxServiceTest, MessageShowsTextAndStaysOnTopWhenSystemModal) {
    watcher::QtMessageBoxService boxes;
    QWidget owner;
    owner.show();
    ol::MessageRequest request;
    request.title = QStringLiteral("Selvane");
    request.text = QStringLiteral("Größte Verbesserung: 42 €");
    request.kind = ol::MessageKind::Warning;
    request.systemModal = true;
    request.owner = ol::WindowRef::local(&owner);
    QString text;
    bool onTop = false;
    QWidget* parent = nullptr;
    whenModalUp([&](QWidget* box) {
        auto* messageBox = qobject_cast<QMessageBox*>(box);
        text = messageBox->text();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        parent = box->parentWidget();
        messageBox->button(QMessageBox::Ok)->click();
    });
    boxes.showMessage(request);
    EXPECT_EQ(text, request.text);
    EXPECT_TRUE(onTop);
    EXPECT_EQ(parent, &owner);
}

TEST(QtPopupMenuServiceTest, ReturnsTheIndexOfTheItemChosenOrNothing) {
    watcher::QtPopupMenuService menus;
    QWidget owner;
    owner.show();
    const std::vector<ol::PopupMenuItem> items = {
        {QStringLiteral("mnuExcelUpdating_On"), QStringLiteral("On"), true, true},
        {QStringLiteral("mnuDisabled"), QStringLiteral("Off"), false, false},
        {QStringLiteral("mnuExcelUpdating_Best"), QStringLiteral("Best"), false, true}};
    bool checkedShown = false;
    // Keyboard: down from the top skips the disabled item.
    whenUp([] { return QApplication::activePopupWidget(); },
           [&](QWidget* menu) {
               const auto actions = menu->actions();
               checkedShown = actions.size() == 3 && actions[0]->isChecked() && !actions[1]->isEnabled() &&
                              actions[2]->objectName() == QStringLiteral("mnuExcelUpdating_Best");
               QTest::keyClick(menu, Qt::Key_Down);
               QTest::keyClick(menu, Qt::Key_Down);
               QTest::keyClick(menu, Qt::Key_Return);
           });
    EXPECT_EQ(menus.showPopupMenu(ol::WindowRef::local(&owner), items), std::optional<int>(2));
    EXPECT_TRUE(checkedShown);

    whenUp([] { return QApplication::activePopupWidget(); },
           [](QWidget* menu) { QTest::keyClick(menu, Qt::Key_Escape); });
    EXPECT_EQ(menus.showPopupMenu(ol::WindowRef::local(&owner), items), std::nullopt);
}

TEST(QtScreenServiceTest, WorkAreaAndScaleComeFromTheWindowsScreen) {
    watcher::QtScreenService screens;
    QWidget window;
    window.show();
    const QScreen* screen = window.screen();
    ASSERT_NE(screen, nullptr);
    const ol::WorkArea area = screens.workAreaOfWindow(ol::WindowRef::local(&window));
    EXPECT_EQ(area.pixels, screen->availableGeometry());
    EXPECT_DOUBLE_EQ(area.twipsPerPixelX, 1440.0 / screen->logicalDotsPerInchX());
    EXPECT_DOUBLE_EQ(area.twipsPerPixelY, 1440.0 / screen->logicalDotsPerInchY());
    EXPECT_DOUBLE_EQ(screens.scaleFactor(ol::WindowRef::local(&window)), screen->logicalDotsPerInchX() / 96.0);

    // The host's windows and points off every screen get the primary screen.
    const QRect primary = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_EQ(screens.workAreaOfWindow(ol::WindowRef::host(0x1234)).pixels, primary);
    EXPECT_EQ(screens.workAreaAtPoint(QPoint(-100000, -100000)).pixels, primary);
    EXPECT_EQ(screens.workAreaAtPoint(primary.center()).pixels, primary);

    const ol::WorkArea none = watcher::QtScreenService::workAreaOf(nullptr);
    EXPECT_EQ(none.pixels.size(), QSize(1024, 768));
    EXPECT_DOUBLE_EQ(none.twipsPerPixelX, 15.0);
}

TEST(QtWindowServiceTest, CaptionsTakeAnyUnicodeText) {
    watcher::QtWindowService windows;
    QWidget window;
    auto* child = new QWidget(&window);
    const QString caption = QStringLiteral("Selvane – Überwachung 監視 ✓ 😀");
    windows.setCaption(ol::WindowRef::local(&window), caption);
    EXPECT_EQ(window.windowTitle(), caption);
    // A control stands for its window.
    windows.setCaption(ol::WindowRef::local(child), QStringLiteral("Ωmega"));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Ωmega"));
    // Host windows are not this process's to change; nothing breaks.
    windows.setCaption(ol::WindowRef::host(77), caption);
    windows.bringToFront(ol::WindowRef::host(77));
}

TEST(QtWindowServiceTest, TieToOwnerKeepsTheDialogATopLevelWindowAboveItsOwner) {
    watcher::QtWindowService windows;
    QWidget owner;
    QWidget dialog;
    dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.show();
    windows.tieToOwner(ol::WindowRef::local(&dialog), ol::WindowRef::local(&owner));
    EXPECT_EQ(dialog.parentWidget(), &owner);
    EXPECT_TRUE(dialog.isWindow());
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.isVisible());
    dialog.setParent(nullptr);
}

TEST(QtWindowServiceTest, BringToFrontMakesTheWindowTheForegroundOne) {
    watcher::QtWindowService windows;
    QWidget first;
    QWidget second;
    first.show();
    second.show();
    windows.bringToFront(ol::WindowRef::local(&first));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&first));
    EXPECT_EQ(windows.foregroundWindow(), ol::WindowRef::local(&first));
    windows.bringToFront(ol::WindowRef::local(&second));
    ASSERT_TRUE(QTest::qWaitForWindowActive(&second));
    EXPECT_EQ(windows.foregroundWindow(), ol::WindowRef::local(&second));
}

TEST(QtHelpViewerTest, MissingHelpFileIsNotOpened) {
    watcher::QtHelpViewer help;
    EXPECT_FALSE(help.showHelp(QStringLiteral("/nonexistent/selvane-help.html"), 1090));
    EXPECT_FALSE(help.showHelp(QString(), 0));
}

TEST(QtHelpViewerTest, TopicsAreOpenedThroughAPageThatKeepsTheAnchor) {
    QTemporaryDir dir;
    const QString helpFile = dir.filePath(QStringLiteral("Selvane Hilfe.html"));
    // The start of the file needs no forwarding.
    EXPECT_EQ(watcher::QtHelpViewer::openerUrl(helpFile, 0, dir.path()), QUrl::fromLocalFile(helpFile));

    const QUrl opener = watcher::QtHelpViewer::openerUrl(helpFile, 1090, dir.path());
    ASSERT_TRUE(opener.isLocalFile());
    EXPECT_FALSE(opener.hasFragment());
    QFile page(opener.toLocalFile());
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QString html = QString::fromUtf8(page.readAll());
    const QString target = QString::fromUtf8(ol::helpTopicUrl(helpFile, 1090).toEncoded());
    EXPECT_TRUE(target.endsWith(QStringLiteral("#context-1090"))) << target.toStdString();
    EXPECT_TRUE(html.contains(QStringLiteral("url=") + target)) << html.toStdString();

    EXPECT_TRUE(watcher::QtHelpViewer::openerUrl(helpFile, 7, dir.filePath(QStringLiteral("missing"))).isEmpty());
}

} // namespace
