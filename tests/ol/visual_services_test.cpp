#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include <QObject>

#include "ol/PopupMenu.h"
#include "ol/Questions.h"
#include "ol/ScriptedVisualServices.h"
#include "ol/VisualServices.h"

namespace {

ol::HelpQuestion solverQuestion() {
    ol::HelpQuestion q;
    q.title = QStringLiteral("Selvane");
    q.text = QStringLiteral("Use the constraint solver?");
    q.buttonCaptions = {QStringLiteral("Help"), QStringLiteral("Yes"), QStringLiteral("No")};
    q.helpFile = QStringLiteral("/usr/share/doc/selvane/help.html");
    q.helpContext = 1200;
    return q;
}

ol::PopupMenu excelUpdatingMenu(ol::WindowRef owner = ol::WindowRef()) {
    ol::PopupMenu menu(owner);
    menu.addItem(QStringLiteral("mnuExcelUpdating_On"), QStringLiteral("Show every recalculation"));
    menu.addItem(QStringLiteral("mnuExcelUpdating_Best"), QStringLiteral("Show new best solutions only"));
    menu.addItem(QStringLiteral("mnuExcelUpdating_Off"), QStringLiteral("Do not update the display"));
    return menu;
}

} // namespace

TEST(VisualServices, MissingServiceRaisesAndScopeRestores) {
    ol::ScopedVisualServices none{ol::VisualServices{}};
    try {
        ol::messageBoxService();
        FAIL() << "no service installed, yet one was returned";
    } catch (const ol::OLError& e) {
        EXPECT_EQ(e.number(), ol::kErrGeneral);
    }
    EXPECT_THROW(ol::popupMenuService(), ol::OLError);
    EXPECT_THROW(ol::errorReporter(), ol::OLError);
    {
        ol::ScriptedVisualServices scripted;
        ol::ScopedVisualServices use(scripted.asServices());
        EXPECT_EQ(&ol::messageBoxService(), static_cast<ol::MessageBoxService*>(&scripted));
        EXPECT_EQ(&ol::helpViewer(), static_cast<ol::HelpViewer*>(&scripted));
        EXPECT_EQ(&ol::screenService(), static_cast<ol::ScreenService*>(&scripted));
    }
    EXPECT_EQ(ol::services().messageBoxes, nullptr) << "the previous set is back";
}

TEST(ScriptedVisualServices, AnswersFromQueueAndRecordsCalls) {
    ol::ScriptedVisualServices s;
    s.queueYesNo(true);
    s.queueYesNo(false);
    EXPECT_EQ(s.pendingAnswers(), 2);
    EXPECT_TRUE(s.askYesNo({QStringLiteral("Selvane"), QStringLiteral("Stop?"), false, {}}));
    EXPECT_FALSE(s.askYesNo({QStringLiteral("Selvane"), QStringLiteral("Stop now?"), false, {}}));
    EXPECT_EQ(s.pendingAnswers(), 0);
    try {
        s.askYesNo({QStringLiteral("Selvane"), QStringLiteral("Unexpected?"), false, {}});
        FAIL() << "an unscripted question was answered";
    } catch (const ol::OLError& e) {
        EXPECT_TRUE(e.description().contains(QStringLiteral("Unexpected?")));
    }
    const auto asked = s.callsOf(QStringLiteral("askYesNo"));
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[1].text, QStringLiteral("Stop now?"));

    s.showMessage({QStringLiteral("Selvane"), QStringLiteral("Rate invalid"), ol::MessageKind::Warning, true, {}});
    ASSERT_EQ(s.calls().back().operation, QStringLiteral("showMessage"));
    EXPECT_EQ(s.calls().back().number, static_cast<qint64>(ol::MessageKind::Warning));

    s.reportError(ol::OLError(ol::kErrGeneral, QStringLiteral("FormProgressSmall.Initialize"), QStringLiteral("boom")),
                  ol::WindowRef::host(77));
    EXPECT_EQ(s.calls().back().number, static_cast<qint64>(ol::kErrGeneral));
    EXPECT_EQ(s.calls().back().window.hostHandle(), 77);
    s.clearCalls();
    EXPECT_TRUE(s.calls().empty());
}

TEST(ScriptedVisualServices, WindowsCaptionsAndScreens) {
    ol::ScriptedVisualServices s;
    auto window = std::make_unique<QObject>();
    const ol::WindowRef w = ol::WindowRef::local(window.get());
    const ol::WindowRef excel = ol::WindowRef::host(4242);
    s.setCaption(w, QStringLiteral("Selvane Watcher"));
    s.setCaption(w, QStringLiteral("Selvane Watcher \u2013 \u00DCbersicht"));
    EXPECT_EQ(s.caption(w), QStringLiteral("Selvane Watcher \u2013 \u00DCbersicht"));
    EXPECT_TRUE(s.caption(excel).isEmpty());

    s.setForegroundWindow(excel);
    EXPECT_EQ(s.foregroundWindow(), excel);
    s.bringToFront(w);
    EXPECT_EQ(s.foregroundWindow(), w);
    s.tieToOwner(w, excel);
    const auto tied = s.callsOf(QStringLiteral("tieToOwner"));
    ASSERT_EQ(tied.size(), 1u);
    EXPECT_EQ(tied[0].window, w);
    EXPECT_EQ(tied[0].other, excel);

    s.setScaleFactor(1.5);
    EXPECT_EQ(s.scaleFactor(w), 1.5);
    ol::WorkArea area;
    area.pixels = QRect(1920, 0, 2560, 1400);
    s.setWorkArea(area);
    EXPECT_EQ(s.workAreaOfWindow(excel).pixels, area.pixels);
    EXPECT_EQ(s.workAreaAtPoint(QPoint(2000, 10)).pixels, area.pixels);

    s.setHelpResult(false);
    EXPECT_FALSE(s.showHelp(QStringLiteral("/help.html"), 1090));
    EXPECT_EQ(s.calls().back().number, 1090);
}

TEST(WindowRef, LocalReferenceFollowsTheWindowsLifetime) {
    auto window = std::make_unique<QObject>();
    const ol::WindowRef local = ol::WindowRef::local(window.get());
    EXPECT_TRUE(local.isLocal());
    EXPECT_FALSE(local.isNull());
    EXPECT_EQ(local.object(), window.get());
    window.reset();
    EXPECT_TRUE(local.isNull()) << "a destroyed window must not be reached through an old reference";

    const ol::WindowRef host = ol::WindowRef::host(99);
    EXPECT_TRUE(host.isHost());
    EXPECT_FALSE(host.isLocal());
    EXPECT_EQ(host, ol::WindowRef::host(99));
    EXPECT_FALSE(host == ol::WindowRef::host(98));
    EXPECT_TRUE(ol::WindowRef().isNull());
}

TEST(WorkArea, EdgesAndTwips) {
    ol::WorkArea area;
    area.pixels = QRect(0, 0, 1920, 1040);
    EXPECT_EQ(area.bottomEdge(), 1040) << "the first pixel below the area, not QRect::bottom()";
    EXPECT_EQ(area.rightEdge(), 1920);
    EXPECT_EQ(area.twips(), QRect(0, 0, 28800, 15600));

    // 144 dpi: 10 twips per pixel; a second monitor to the right.
    area.pixels = QRect(1920, 30, 300, 200);
    area.twipsPerPixelX = area.twipsPerPixelY = 10.0;
    EXPECT_EQ(area.twips(), QRect(19200, 300, 3000, 2000));

    // 108 dpi: 13.33 twips per pixel; each edge rounds on its own.
    area.pixels = QRect(1, 2, 3, 4);
    area.twipsPerPixelX = area.twipsPerPixelY = 1440.0 / 108.0;
    const QRect t = area.twips();
    EXPECT_EQ(t.x(), 13);
    EXPECT_EQ(t.y(), 27);
    EXPECT_EQ(t.x() + t.width(), 53);
    EXPECT_EQ(t.y() + t.height(), 80);
}

TEST(Questions, SuppressedWhenAlertsAreOff) {
    ol::ScriptedVisualServices s;
    const ol::Suppression suppressible{true, true};
    const ol::Suppression notSuppressible{false, true};

    EXPECT_TRUE(ol::displayYesNoWithHelp(s, solverQuestion(), false, suppressible, {}));
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), false, ol::Suppression{true, false}, {}));
    EXPECT_FALSE(ol::displayYesNo(s, {QStringLiteral("Selvane"), QStringLiteral("Run?"), false, {}}, false,
                                  ol::Suppression{true, false}));
    ol::displayMessage(s, {QStringLiteral("Selvane"), QStringLiteral("Done"), ol::MessageKind::Information, true, {}},
                       false, true);
    EXPECT_TRUE(s.calls().empty()) << "nothing was shown while alerts are off";

    // Not suppressible, or alerts on: asked even though a default exists.
    s.queueHelpQuestionButton(2);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), false, notSuppressible, {}));
    s.queueYesNo(true);
    EXPECT_TRUE(ol::displayYesNo(s, {QStringLiteral("Selvane"), QStringLiteral("Run?"), false, {}}, true,
                                 ol::Suppression{true, false}));
    ol::displayMessage(s, {QStringLiteral("Selvane"), QStringLiteral("Done"), ol::MessageKind::Information, true, {}},
                       true, true);
    EXPECT_EQ(s.calls().size(), 3u);
}

TEST(Questions, HelpButtonShowsHelpAndAsksAgain) {
    ol::ScriptedVisualServices s;
    std::vector<int> helpShown;
    const auto showHelp = [&](int context) { helpShown.push_back(context); };

    s.queueHelpQuestionButton(0);
    s.queueHelpQuestionButton(0);
    s.queueHelpQuestionButton(1);
    EXPECT_TRUE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp));
    EXPECT_EQ(helpShown, (std::vector<int>{1200, 1200}));
    const auto asked = s.callsOf(QStringLiteral("askWithHelp"));
    ASSERT_EQ(asked.size(), 3u) << "the same question is asked again after each help";
    for (const ol::ScriptedCall& c : asked) {
        EXPECT_EQ(c.text, QStringLiteral("Use the constraint solver?"));
        EXPECT_EQ(c.items, (QStringList{QStringLiteral("Help"), QStringLiteral("Yes"), QStringLiteral("No")}));
        EXPECT_EQ(c.number, 1200);
    }

    s.queueHelpQuestionButton(2);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp));
    s.queueHelpQuestionButton(ol::kNoButton);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp)) << "closing the box is No";
    EXPECT_EQ(helpShown.size(), 2u);
}

TEST(PopupMenu, ItemsAndChoice) {
    ol::PopupMenu menu = excelUpdatingMenu();
    EXPECT_EQ(menu.itemCount(), 3);
    EXPECT_EQ(menu.item(1).key, QStringLiteral("mnuExcelUpdating_On"));
    EXPECT_EQ(menu.item(3).caption, QStringLiteral("Do not update the display"));
    EXPECT_EQ(menu.indexOfKey(QStringLiteral("mnuExcelUpdating_Best")), 2);
    EXPECT_EQ(menu.indexOfKey(QStringLiteral("mnuGridPopup_Copy")), 0);
    for (int bad : {0, 4, -1}) {
        try {
            menu.item(bad);
            ADD_FAILURE() << "item " << bad << " exists";
        } catch (const ol::OLError& e) {
            EXPECT_EQ(e.number(), ol::kErrInvalidArgument);
            EXPECT_EQ(e.description(), QStringLiteral("n"));
        }
    }

    menu.item(2).checked = true;
    menu.checkOnly(QStringLiteral("mnuExcelUpdating_Off"));
    EXPECT_FALSE(menu.item(1).checked);
    EXPECT_FALSE(menu.item(2).checked);
    EXPECT_TRUE(menu.item(3).checked);

    ol::ScriptedVisualServices s;
    s.queuePopupChoice(1);
    EXPECT_EQ(menu.show(s), QStringLiteral("mnuExcelUpdating_Best"));
    s.queuePopupChoice(std::nullopt);
    EXPECT_EQ(menu.show(s), QString()) << "closed without a choice";
    s.queuePopupChoice(3);
    EXPECT_EQ(menu.show(s), QString()) << "an index the menu does not have";
    menu.item(1).enabled = false;
    s.queuePopupChoice(0);
    EXPECT_EQ(menu.show(s), QString()) << "a disabled item chooses nothing";

    const auto shown = s.callsOf(QStringLiteral("showPopupMenu"));
    ASSERT_EQ(shown.size(), 4u);
    EXPECT_EQ(shown[0].items.size(), 3);
    EXPECT_EQ(shown[0].items[1], QStringLiteral("Show new best solutions only"));
}

TEST(PopupMenu, ShowsThroughInstalledServices) {
    ol::ScriptedVisualServices s;
    ol::ScopedVisualServices use(s.asServices());
    ol::PopupMenu menu = excelUpdatingMenu(ol::WindowRef::host(5));
    s.queuePopupChoice(2);
    EXPECT_EQ(menu.show(), QStringLiteral("mnuExcelUpdating_Off"));
    EXPECT_EQ(s.calls().back().window, ol::WindowRef::host(5));
}

TEST(HelpViewer, TopicAddresses) {
    EXPECT_EQ(ol::helpTopicUrl(QStringLiteral("/opt/selvane/help.html"), 1090).toString(),
              QStringLiteral("file:///opt/selvane/help.html#context-1090"));
    EXPECT_EQ(ol::helpTopicUrl(QStringLiteral("/opt/selvane/help.html"), 0).toString(),
              QStringLiteral("file:///opt/selvane/help.html"));
    const QUrl spaced = ol::helpTopicUrl(QStringLiteral("/home/a b/Selvane Help.html"), 1200);
    EXPECT_EQ(spaced.toLocalFile(), QStringLiteral("/home/a b/Selvane Help.html"));
    EXPECT_EQ(spaced.fragment(), QStringLiteral("context-1200"));
}
