// The Watcher window in German: every page walked, no English text left on
// any control, and the tab captions whole at the designed size.
#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QSet>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>

#include "formprogress_fixture.h"
#include "ol/ResourceServer.h"

using formprogresstest::FormProgressTest;
using formprogresstest::RunSettings;
using watcher::FormProgress;

namespace {

// The English texts of every resource number in use that German words
// differently; a window in German shows none of them.
QSet<QString> englishOnlyTexts() {
    QSet<QString> texts;
    QFile file(QString::fromLocal8Bit(qgetenv("SELVANE_TEST_DATA_DIR")) + QStringLiteral("/resource_numbers.txt"));
    if (!file.open(QIODevice::ReadOnly))
        return texts;
    const ol::ResourceServer english(ol::kLanguageEnglish);
    const ol::ResourceServer german(ol::kLanguageGerman);
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const int id = line.section(u' ', 0, 0).toInt();
        const QString en = english.text(id);
        if (id > 0 && !en.contains(u'%') && en != german.text(id))
            texts << en;
    }
    return texts;
}

// Every text the window shows on its controls.
QStringList visibleTexts(QWidget* window) {
    QStringList texts{window->windowTitle()};
    for (auto* label : window->findChildren<QLabel*>())
        texts << label->text();
    for (auto* button : window->findChildren<QAbstractButton*>())
        texts << button->text() << button->toolTip();
    for (auto* combo : window->findChildren<QComboBox*>())
        for (int i = 0; i < combo->count(); ++i)
            texts << combo->itemText(i);
    for (auto* grid : window->findChildren<QTableView*>()) {
        if (grid->model() == nullptr)
            continue;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            texts << grid->model()->headerData(c, Qt::Horizontal).toString();
    }
    for (auto* tabs : window->findChildren<QTabWidget*>())
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    return texts;
}

class FormProgressGermanTest : public FormProgressTest {
protected:
    void startIn(const char* language, RunSettings settings) {
        enginetest::ScopedEnv env("SELVANE_LANGUAGE", language);
        restart(settings);
        form->show();
        QApplication::processEvents();
    }

    // Walks every visible page, then the stopping page, and checks both.
    void walkPages(const QSet<QString>& english) {
        auto* tabs = child<QTabWidget>("TabMain");
        auto check = [&] {
            for (int i = 0; i < tabs->count(); ++i) {
                if (!tabs->isTabVisible(i))
                    continue;
                tabs->setCurrentIndex(i);
                QApplication::processEvents();
                for (const QString& text : visibleTexts(form))
                    EXPECT_FALSE(english.contains(text)) << "English text left: " << text.toStdString();
                // The caption is whole: its tab is at least as wide as the
                // text and ends inside the tab bar.
                const QRect rect = tabs->tabBar()->tabRect(i);
                EXPECT_GE(rect.width(), tabs->tabBar()->fontMetrics().horizontalAdvance(tabs->tabText(i))) << i;
                EXPECT_LE(rect.right(), tabs->width()) << tabs->tabText(i).toStdString();
            }
        };
        check();
        form->GoToStoppingConfig();
        QApplication::processEvents();
        check();
    }
};

} // namespace

TEST_F(FormProgressGermanTest, EveryPageOfAGeneticAlgorithmRunIsGermanAndWhole) {
    const QSet<QString> english = englishOnlyTexts();
    ASSERT_GT(english.size(), 50);
    startIn("7", RunSettings());
    walkPages(english);
}

TEST_F(FormProgressGermanTest, EveryPageOfAConstraintSolverRunIsGermanAndWhole) {
    RunSettings solver;
    solver.constraintSolverMode = true;
    startIn("7", solver);
    walkPages(englishOnlyTexts());
}
