// The compact window's texts and layout by user-interface language: the
// caption, the widening for long translations, the default position, and
// what a window that is unloaded forgets.

#include "compact_fixture.h"

#include <QImage>
#include <QLabel>

#include "Twips.h"
#include "WindowIcon.h"

namespace compacttest {
namespace {

using watcher::FormProgressSmall;

// The geometry (twips) of the controls that the widening changes.
struct Layout {
    double windowWidth = 0;
    QRectF rows, divider, bar, run, pause, stop, watcher, excelUpdate;
    QRectF labelTrial, textTrial, labelBest, textBest;

    static Layout of(const FormProgressSmall* form) {
        auto g = [form](const char* name) {
            return watcher::geometryTwips(form->findChild<QWidget*>(QLatin1String(name)));
        };
        Layout l;
        l.windowWidth = watcher::widthTwips(form);
        l.rows = g("FrameBothQxAndTrellan");
        l.divider = g("FrameDivider");
        l.bar = g("vbalProgressBar");
        l.run = g("CommandRun");
        l.pause = g("CommandPause");
        l.stop = g("CommandStop");
        l.watcher = g("CommandWatcher");
        l.excelUpdate = g("CommandExcelUpdate");
        l.labelTrial = g("LabelTrial");
        l.textTrial = g("TextTrial");
        l.labelBest = g("LabelBest");
        l.textBest = g("TextBest");
        return l;
    }
};

class CompactLayoutTest : public CompactWindowTest {
protected:
    // The layout of a run in the language (and mode) given, after the
    // window's Initialize.
    Layout layoutIn(const char* language, bool constraintSolverMode) {
        enginetest::ScopedEnv env("SELVANE_LANGUAGE", language);
        start({.trialLimit = 100, .constraintSolverMode = constraintSolverMode});
        const Layout l = Layout::of(form);
        m_manager.Dispose();
        m_started = false;
        return l;
    }

    // Checks that `wide` is `base` widened by the label and text extras.
    // Twips that are no whole number of pixels land within half a pixel.
    static constexpr double kHalfPixel = 7.5;

    // Checks that `wide` is `base` widened by the label and text extras.
    static void expectWidened(const Layout& base, const Layout& wide, int labelExtra, int textExtra) {
        const int total = labelExtra + textExtra;
        EXPECT_NEAR(wide.windowWidth, base.windowWidth + total, kHalfPixel);
        EXPECT_NEAR(wide.rows.width(), base.rows.width() + total, kHalfPixel);
        EXPECT_NEAR(wide.divider.width(), base.divider.width() + total, kHalfPixel);
        EXPECT_NEAR(wide.bar.width(), base.bar.width() + total, kHalfPixel);
        EXPECT_NEAR(wide.run.left(), base.run.left() + total, kHalfPixel);
        EXPECT_NEAR(wide.pause.left(), base.pause.left() + total, kHalfPixel);
        EXPECT_NEAR(wide.stop.left(), base.stop.left() + total, kHalfPixel);
        EXPECT_EQ(wide.watcher, base.watcher);
        EXPECT_EQ(wide.excelUpdate, base.excelUpdate);
        for (const auto& [b, w] : {std::pair{base.labelTrial, wide.labelTrial}, {base.labelBest, wide.labelBest}}) {
            EXPECT_NEAR(w.left(), b.left(), kHalfPixel);
            EXPECT_NEAR(w.width(), b.width() + labelExtra, kHalfPixel);
        }
        for (const auto& [b, w] : {std::pair{base.textTrial, wide.textTrial}, {base.textBest, wide.textBest}}) {
            EXPECT_NEAR(w.left(), b.left() + labelExtra, kHalfPixel);
            EXPECT_NEAR(w.width(), b.width() + textExtra, kHalfPixel);
        }
    }
};

TEST_F(CompactLayoutTest, GermanWidensLabelsAndTexts) {
    const Layout english = layoutIn("en", false);
    const Layout german = layoutIn("de", false);
    expectWidened(english, german, 300, 130);
}

TEST_F(CompactLayoutTest, GermanConstraintSolverNeedsWiderTexts) {
    const Layout english = layoutIn("en", true);
    const Layout german = layoutIn("de", true);
    expectWidened(english, german, 300, 750);
}

TEST_F(CompactLayoutTest, CaptionsOfTheRunKinds) {
    start();
    EXPECT_EQ(m_visual.caption(form->windowRef()), resource(4101));
    m_manager.Dispose();

    start({.multiCore = true, .workerProcesses = 4});
    EXPECT_EQ(m_visual.caption(form->windowRef()), resource(4101) + u' ' + resource(4127, 4));
    m_manager.Dispose();

    start({.constraintSolverMode = true, .multiCore = true, .workerProcesses = 4});
    EXPECT_EQ(m_visual.caption(form->windowRef()), resource(4123));
}

TEST_F(CompactLayoutTest, LoadingTakesOutTheIterationRowAndTheFrameBorders) {
    start();
    EXPECT_EQ(child<QLabel>("LabelBest")->text(), resource(4107));
    EXPECT_EQ(button("CommandExcelUpdate")->text(), resource(4109));
    EXPECT_TRUE(child<QWidget>("LabelIteration")->isHidden());
    EXPECT_TRUE(child<QWidget>("TextIteration")->isHidden());
    EXPECT_EQ(child<QFrame>("FrameBothQxAndTrellan")->frameShape(), QFrame::NoFrame);
    EXPECT_EQ(child<QFrame>("FrameBottom")->frameShape(), QFrame::NoFrame);
}

TEST_F(CompactLayoutTest, BothCompactWindowsWearTheProductIcon) {
    const QImage product = watcher::ProgramIcon(watcher::kProductIconName).pixmap(32).toImage();
    ASSERT_FALSE(product.isNull());
    start();
    EXPECT_EQ(form->windowIcon().pixmap(32).toImage(), product);
    m_manager.Dispose();
    m_started = false;
    start({.efficientFrontier = true});
    ASSERT_NE(efForm, nullptr);
    EXPECT_EQ(efForm->windowIcon().pixmap(32).toImage(), product);
}

TEST_F(CompactLayoutTest, LoadingClosesTheGapBelowTheProgressBar) {
    start({.trialLimit = 100});
    const QRectF bar = watcher::geometryTwips(child<QWidget>("vbalProgressBar"));
    const QRectF rows = watcher::geometryTwips(child<QWidget>("FrameBothQxAndTrellan"));
    EXPECT_DOUBLE_EQ(rows.top(), bar.bottom() + FormProgressSmall::kGapBelowProgressBarTwips);
    // The buttons stay inside the window.
    const QWidget* stop = child<QWidget>("CommandStop");
    EXPECT_LE(stop->mapTo(form, QPoint(stop->width(), stop->height())).y(), form->height());
}

TEST_F(CompactLayoutTest, DefaultPositionIsTheLowerLeftCornerOfExcelsWorkArea) {
    m_visual.setWorkArea(ol::WorkArea{QRect(200, 100, 1000, 700), 15.0, 15.0});
    start({.trialLimit = 100});
    const auto asked = m_visual.callsOf(QStringLiteral("workAreaOfWindow"));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.back().window.hostHandle(), 0x1234);
    const QRect frame = form->frameGeometry();
    EXPECT_NEAR(watcher::pixelsToTwips(frame.left(), form), 200 * 15.0 + 100, 7.5);
    EXPECT_NEAR(watcher::pixelsToTwips(frame.top() + frame.height(), form), 800 * 15.0 - 100, 7.5);
}

TEST_F(CompactLayoutTest, SuppressedWindowIsNeitherShownNorTopmost) {
    start({.trialLimit = 100, .suppressProgressWindow = true});
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // It is still kept up to date.
    logValidTrials(10);
    form->Update();
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("10"), QStringLiteral("100")));
}

TEST_F(CompactLayoutTest, UnloadForgetsAndTheNextInitializeLoadsAfresh) {
    start({.trialLimit = 100});
    const Layout first = Layout::of(form);
    const double height = watcher::heightTwips(form);
    form->Unload();
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(text("TextTrial"), QString());
    EXPECT_EQ(form->excelUpdatingMenu().itemCount(), 0);

    form->Initialize(&m_manager);
    EXPECT_EQ(Layout::of(form).rows, first.rows);
    EXPECT_DOUBLE_EQ(watcher::heightTwips(form), height);
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("0"), QStringLiteral("100")));
}

} // namespace
} // namespace compacttest
