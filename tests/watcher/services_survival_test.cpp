// What InstallQtWindows puts in place, the survival window and its button
// pictures, and the language font and control scaling of the windows.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>

#include "Application.h"
#include "FormSurvival.h"
#include "LanguageFont.h"
#include "ProcessState.h"
#include "QtMessageBoxService.h"
#include "QtScreenService.h"
#include "QtWindowFactory.h"
#include "QtWindows.h"
#include "manager/WatcherManager.h"
#include "ol/ScriptedVisualServices.h"
#include "ol/VisualServices.h"

using watcher::FormSurvival;

namespace {

// The survival checker brings the Watcher's question to the front; it finds
// it through the manager among the visible top-level windows by title.
TEST(InstallQtWindowsTest, TheManagerFindsAVisibleQuestionWindowByItsTitle) {
    watcher::InstallQtWindows();
    manager::WatcherManager manager;
    QWidget hidden;
    hidden.setWindowTitle(QStringLiteral("Selvane"));
    EXPECT_TRUE(manager.findTopLevelWindow(QStringLiteral("Selvane")).isNull());
    QWidget question;
    question.setWindowTitle(QStringLiteral("Selvane"));
    question.show();
    EXPECT_EQ(manager.findTopLevelWindow(QStringLiteral("Selvane")).object(), &question);
    EXPECT_TRUE(manager.findTopLevelWindow(QStringLiteral("Selvane 8")).isNull());
}

TEST(InstallQtWindowsTest, InstallsQtServicesAndSurvivalHooksKeepingOtherHooks) {
    const ol::VisualServices before = ol::services();
    bool endCalled = false;
    engine::ApplicationHooks hooks;
    hooks.endProgram = [&] { endCalled = true; };
    engine::SetApplicationHooks(hooks);

    watcher::InstallQtWindows();
    const ol::VisualServices installed = ol::services();
    EXPECT_NE(dynamic_cast<watcher::QtMessageBoxService*>(installed.messageBoxes), nullptr);
    EXPECT_NE(dynamic_cast<watcher::QtScreenService*>(installed.screens), nullptr);
    EXPECT_NE(installed.popupMenus, nullptr);
    EXPECT_NE(installed.windows, nullptr);
    EXPECT_NE(installed.help, nullptr);
    EXPECT_NE(installed.errors, nullptr);
    EXPECT_NE(dynamic_cast<watcher::QtWindowFactory*>(manager::windowFactory()), nullptr);

    const engine::ApplicationHooks after = engine::GetApplicationHooks();
    ASSERT_TRUE(after.endProgram);
    after.endProgram();
    EXPECT_TRUE(endCalled);
    ASSERT_TRUE(after.createSurvivalWindow);
    ASSERT_TRUE(after.unloadSurvivalWindow);

    // The hooks create the hidden window once and unload it.
    after.createSurvivalWindow();
    FormSurvival* window = FormSurvival::Instance();
    ASSERT_NE(window, nullptr);
    after.createSurvivalWindow();
    EXPECT_EQ(FormSurvival::Instance(), window);
    EXPECT_FALSE(window->isVisible());
    after.unloadSurvivalWindow();
    EXPECT_EQ(FormSurvival::Instance(), nullptr);
    after.unloadSurvivalWindow();

    engine::SetApplicationHooks({});
    ol::setServices(before);
    manager::setWindowFactory(nullptr);
}

TEST(FormSurvivalTest, HoldsAnEnabledAndADisabledPictureForEveryButton) {
    FormSurvival::Create();
    FormSurvival* window = FormSurvival::Instance();
    ASSERT_NE(window, nullptr);
    const QStringList names = {QStringLiteral("Run"),     QStringLiteral("Pause"),
                               QStringLiteral("Stop"),    QStringLiteral("ExcelUpdate"),
                               QStringLiteral("Watcher"), QStringLiteral("MinimizeWatcher"),
                               QStringLiteral("Help")};
    ASSERT_EQ(names.size(), FormSurvival::kPictureCount);
    for (int i = 0; i < FormSurvival::kPictureCount; ++i) {
        const auto which = static_cast<FormSurvival::Picture>(i);
        auto* enabled = window->findChild<QLabel*>(QStringLiteral("Picture") + names[i]);
        auto* disabled = window->findChild<QLabel*>(QStringLiteral("Picture") + names[i] + QStringLiteral("Disabled"));
        ASSERT_NE(enabled, nullptr) << names[i].toStdString();
        ASSERT_NE(disabled, nullptr) << names[i].toStdString();
        const QImage on = window->picture(which, true).toImage();
        const QImage off = window->picture(which, false).toImage();
        EXPECT_EQ(window->picture(which, true).deviceIndependentSize().toSize(),
                  QSize(FormSurvival::kPictureSize, FormSurvival::kPictureSize));
        EXPECT_NE(on, off) << names[i].toStdString();
        // Something is drawn, and the disabled picture has no colour.
        int opaque = 0;
        bool colourOff = false;
        for (int y = 0; y < off.height(); ++y)
            for (int x = 0; x < off.width(); ++x) {
                const QColor c = off.pixelColor(x, y);
                opaque += c.alpha() > 0 ? 1 : 0;
                colourOff = colourOff || (c.alpha() > 0 && (c.red() != c.green() || c.green() != c.blue()));
            }
        EXPECT_GT(opaque, 50) << names[i].toStdString();
        EXPECT_FALSE(colourOff) << names[i].toStdString();
        // The pictures handed to windows are the ones the window holds.
        EXPECT_EQ(FormSurvival::ButtonPicture(which, false).toImage(), off);
    }
    FormSurvival::Unload();
    EXPECT_EQ(FormSurvival::Instance(), nullptr);
    // Without the window the pictures are still there, drawn the same way.
    EXPECT_FALSE(FormSurvival::ButtonPicture(FormSurvival::Picture::Stop, true).isNull());
    const QIcon icon = FormSurvival::ButtonIcon(FormSurvival::Picture::Run, true);
    EXPECT_EQ(icon.pixmap(QSize(32, 32), 2.0, QIcon::Disabled).toImage(),
              FormSurvival::ButtonPicture(FormSurvival::Picture::Run, false).toImage());
}

TEST(LanguageFontTest, EveryControlButComboBoxesGetsTheFont) {
    QWidget window;
    auto* label = new QLabel(QStringLiteral("Trial"), &window);
    auto* button = new QPushButton(QStringLiteral("Stop"), &window);
    auto* combo = new QComboBox(&window);
    combo->setEditable(true);
    auto* grid = new QTableView(&window);
    const QFont comboFont = combo->font();
    const QFont comboEditFont = combo->lineEdit()->font();

    watcher::ApplyLanguageFont(&window, ol::UiFont{QStringLiteral("DejaVu Serif"), 13.0, 0});
    for (QWidget* control : {static_cast<QWidget*>(label), static_cast<QWidget*>(button), static_cast<QWidget*>(grid),
                             static_cast<QWidget*>(grid->horizontalHeader())}) {
        EXPECT_EQ(control->font().family(), QStringLiteral("DejaVu Serif")) << control->metaObject()->className();
        EXPECT_DOUBLE_EQ(control->font().pointSizeF(), 13.0);
    }
    EXPECT_EQ(combo->font(), comboFont);
    EXPECT_EQ(combo->lineEdit()->font(), comboEditFont);
}

TEST(LanguageFontTest, WithoutResourceServerNothingChangesAndWithOneItsFontIsUsed) {
    QWidget window;
    auto* label = new QLabel(&window);
    label->setFont(QFont(QStringLiteral("DejaVu Serif"), 20));
    engine::ProcessState::setResourceServer(nullptr);
    watcher::ApplyLanguageFont(&window);
    EXPECT_EQ(label->font().pointSize(), 20);

    engine::ProcessState::setResourceServer(std::make_shared<ol::ResourceServer>(ol::kLanguageGerman));
    watcher::ApplyLanguageFont(&window);
    const ol::UiFont expected = ol::ResourceServer::uiFontFor(ol::kLanguageGerman);
    EXPECT_EQ(label->font().family(), expected.family);
    EXPECT_DOUBLE_EQ(label->font().pointSizeF(), expected.pointSize);
    engine::ProcessState::setResourceServer(nullptr);
}

TEST(ScaleControlSizeTest, ScalesTheChosenDimensionsByTheWindowsFactor) {
    ol::ScriptedVisualServices scripted;
    ol::ScopedVisualServices installed(scripted.asServices());
    scripted.setScaleFactor(1.5);
    QWidget window;
    auto* control = new QWidget(&window);
    control->resize(200, 100);
    watcher::ScaleControlSize(control, &window, true, false);
    EXPECT_EQ(control->size(), QSize(300, 100));
    watcher::ScaleControlSize(control, &window, false, true);
    EXPECT_EQ(control->size(), QSize(300, 150));
    ASSERT_FALSE(scripted.callsOf(QStringLiteral("scaleFactor")).empty());
    EXPECT_EQ(scripted.callsOf(QStringLiteral("scaleFactor")).back().window, ol::WindowRef::local(&window));

    // Without a screen service the size stays.
    ol::ScopedVisualServices none(ol::VisualServices{});
    watcher::ScaleControlSize(control, &window, true, true);
    EXPECT_EQ(control->size(), QSize(300, 150));
}

} // namespace
