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
    q.helpContext = 1200;
    return q;
}

const ol::YesNoRequest kRunQuestion{QStringLiteral("Selvane"), QStringLiteral("Run?"), false, {}};
const ol::MessageRequest kDoneMessage{
    QStringLiteral("Selvane"), QStringLiteral("Done"), ol::MessageKind::Information, true, {}};

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
    EXPECT_THROW(ol::messageBoxService(), ol::OLError);
    EXPECT_THROW(ol::errorReporter(), ol::OLError);
    {
        ol::ScriptedVisualServices scripted;
        ol::ScopedVisualServices use(scripted.asServices());
        EXPECT_EQ(&ol::messageBoxService(), static_cast<ol::MessageBoxService*>(&scripted));
        EXPECT_EQ(&ol::helpViewer(), static_cast<ol::HelpViewer*>(&scripted));
    }
    EXPECT_EQ(ol::services().messageBoxes, nullptr) << "the previous set is back";
}

TEST(ScriptedVisualServices, AnswersFromQueueRecordsCallsAndRefusesUnscriptedQuestions) {
    ol::ScriptedVisualServices s;
    s.queueYesNo(true);
    s.queueYesNo(false);
    EXPECT_TRUE(s.askYesNo(kRunQuestion));
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

    auto window = std::make_unique<QObject>();
    const ol::WindowRef w = ol::WindowRef::local(window.get());
    const ol::WindowRef excel = ol::WindowRef::host(4242);
    s.setCaption(w, QStringLiteral("Selvane Watcher"));
    s.setCaption(w, QStringLiteral("Selvane Watcher \u2013 \u00DCbersicht"));
    EXPECT_EQ(s.caption(w), QStringLiteral("Selvane Watcher \u2013 \u00DCbersicht")) << "the last caption counts";
    EXPECT_TRUE(s.caption(excel).isEmpty());
    s.setForegroundWindow(excel);
    s.bringToFront(w);
    EXPECT_EQ(s.foregroundWindow(), w);
    window.reset();
    EXPECT_TRUE(w.isNull()) << "a destroyed window must not be reached through an old reference";
}

TEST(WorkArea, EdgesAndTwips) {
    ol::WorkArea area;
    area.pixels = QRect(0, 0, 1920, 1040);
    EXPECT_EQ(area.bottomEdge(), 1040) << "the first pixel below the area, not QRect::bottom()";
    EXPECT_EQ(area.twips(), QRect(0, 0, 28800, 15600));

    // 108 dpi: 13.33 twips per pixel; each edge rounds on its own.
    area.pixels = QRect(1, 2, 3, 4);
    area.twipsPerPixelX = area.twipsPerPixelY = 1440.0 / 108.0;
    const QRect t = area.twips();
    EXPECT_EQ(t.x(), 13);
    EXPECT_EQ(t.y(), 27);
    EXPECT_EQ(t.x() + t.width(), 53);
    EXPECT_EQ(t.y() + t.height(), 80);
}

TEST(Questions, SuppressedOnlyWhenAlertsAreOffAndSuppressible) {
    ol::ScriptedVisualServices s;
    EXPECT_TRUE(ol::displayYesNoWithHelp(s, solverQuestion(), false, ol::Suppression{true, true}, {}));
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), false, ol::Suppression{true, false}, {}));
    EXPECT_FALSE(ol::displayYesNo(s, kRunQuestion, false, ol::Suppression{true, false}));
    ol::displayMessage(s, kDoneMessage, false, true);
    EXPECT_TRUE(s.calls().empty()) << "nothing was shown while alerts are off";

    s.queueHelpQuestionButton(2);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), false, ol::Suppression{false, true}, {}));
    s.queueYesNo(true);
    EXPECT_TRUE(ol::displayYesNo(s, kRunQuestion, true, ol::Suppression{true, false}));
    ol::displayMessage(s, kDoneMessage, true, true);
    EXPECT_EQ(s.calls().size(), 3u);
}

TEST(Questions, HelpButtonShowsHelpAndAsksAgain) {
    ol::ScriptedVisualServices s;
    std::vector<int> helpShown;
    const auto showHelp = [&](int context) { helpShown.push_back(context); };
    for (int button : {0, 0, 1})
        s.queueHelpQuestionButton(button);
    EXPECT_TRUE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp));
    EXPECT_EQ(helpShown, (std::vector<int>{1200, 1200}));
    const auto asked = s.callsOf(QStringLiteral("askWithHelp"));
    ASSERT_EQ(asked.size(), 3u) << "the same question is asked again after each help";
    EXPECT_EQ(asked[2].text, QStringLiteral("Use the constraint solver?"));
    EXPECT_EQ(asked[2].items, (QStringList{QStringLiteral("Help"), QStringLiteral("Yes"), QStringLiteral("No")}));

    s.queueHelpQuestionButton(2);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp));
    s.queueHelpQuestionButton(ol::kNoButton);
    EXPECT_FALSE(ol::displayYesNoWithHelp(s, solverQuestion(), true, {}, showHelp)) << "closing the box is No";
    EXPECT_EQ(helpShown.size(), 2u);
}

TEST(PopupMenu, ItemsAndChoice) {
    ol::PopupMenu menu = excelUpdatingMenu();
    EXPECT_EQ(menu.item(3).key, QStringLiteral("mnuExcelUpdating_Off")) << "items count from 1";
    EXPECT_EQ(menu.indexOfKey(QStringLiteral("mnuExcelUpdating_Best")), 2);
    EXPECT_EQ(menu.indexOfKey(QStringLiteral("mnuGridPopup_Copy")), 0);
    for (int bad : {0, 4}) {
        try {
            menu.item(bad);
            ADD_FAILURE() << "item " << bad << " exists";
        } catch (const ol::OLError& e) {
            EXPECT_EQ(e.number(), ol::kErrInvalidArgument);
        }
    }
    menu.item(2).checked = true;
    menu.checkOnly(QStringLiteral("mnuExcelUpdating_Off"));
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
    EXPECT_EQ(s.calls().front().items[1], QStringLiteral("Show new best solutions only"));

    ol::ScopedVisualServices use(s.asServices());
    ol::PopupMenu owned = excelUpdatingMenu(ol::WindowRef::host(5));
    s.queuePopupChoice(2);
    EXPECT_EQ(owned.show(), QStringLiteral("mnuExcelUpdating_Off"));
    EXPECT_EQ(s.calls().back().window, ol::WindowRef::host(5));
}

TEST(HelpViewer, TopicAddresses) {
    EXPECT_EQ(ol::helpTopicUrl(QStringLiteral("/opt/selvane/help.html"), 1090).toString(),
              QStringLiteral("file:///opt/selvane/help.html#context-1090"));
    EXPECT_EQ(ol::helpTopicUrl(QStringLiteral("/opt/selvane/help.html"), 0).toString(),
              QStringLiteral("file:///opt/selvane/help.html"));
}
