// The compact window of an efficient-frontier analysis: what it shows and
// leaves out, its language table (English too gets wider labels, unlike the
// single optimization's window), the scale factor of its progress bar, and
// its buttons, the Watcher button included, deaf while a stop is processed.

#include "compact_fixture.h"

#include <QLabel>
#include <QTest>

#include "Twips.h"

namespace compacttest {
namespace {

using watcher::FormProgressSmallEF;

class CompactFrontierTest : public CompactWindowTest {
protected:
    void startFrontier(RunSettings settings = RunSettings()) {
        settings.efficientFrontier = true;
        start(settings);
    }
    void click(const char* name) { QTest::mouseClick(button(name), Qt::LeftButton); }
    QRectF twips(const char* name) const { return watcher::geometryTwips(child<QWidget>(name)); }

    // Geometry of one window in one language, then the run is ended.
    struct Widths {
        double window = 0;
        QRectF label, text, bar, run;
    };
    Widths widthsIn(const char* language, bool frontier) {
        enginetest::ScopedEnv env("SELVANE_LANGUAGE", language);
        start({.trialLimit = 100, .efficientFrontier = frontier});
        const QWidget* window = frontier ? static_cast<const QWidget*>(efForm) : form;
        Widths w{watcher::widthTwips(window), twips("LabelTrial"), twips("TextTrial"), twips("vbalProgressBar"),
                 twips("CommandRun")};
        m_manager.Dispose();
        m_started = false;
        form = nullptr;
        efForm = nullptr;
        return w;
    }

    static constexpr double kHalfPixel = 7.5;
    // The designed widths (twips) before any widening.
    static constexpr double kBaseLabelWidth = 1200;
    static constexpr double kBaseTextWidth = 5160;
    static constexpr double kBaseWindowWidth = 6660;
};

TEST_F(CompactFrontierTest, TheFactoryMakesTheFrontierWindowWithoutValuesOrExcelUpdating) {
    startFrontier({.trialLimit = 100});
    EXPECT_TRUE(efForm->isVisible());
    EXPECT_TRUE(efForm->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    for (const char* absent : {"TextOriginal", "TextBest", "LabelOriginal", "LabelBest", "CommandExcelUpdate"})
        EXPECT_EQ(efForm->findChild<QWidget*>(QLatin1String(absent)), nullptr) << absent;
    EXPECT_EQ(child<QLabel>("LabelTrial")->text(), resource(4104));
    EXPECT_EQ(button("CommandWatcher")->text(), resource(4108));
    EXPECT_TRUE(child<QWidget>("LabelIteration")->isHidden());

    logValidTrials(25);
    efForm->Update();
    EXPECT_EQ(text("TextTrial"), resource(4120, QStringLiteral("25"), QStringLiteral("100")));
    EXPECT_EQ(bar()->value(), 25);
    EXPECT_EQ(bar()->text(), QStringLiteral("25%"));
}

TEST_F(CompactFrontierTest, CaptionNamesTheAnalysisAndItsWorkersButNeverTheConstraintSolver) {
    startFrontier({.constraintSolverMode = true});
    EXPECT_EQ(m_visual.caption(efForm->windowRef()), resource(4124));
    m_manager.Dispose();
    startFrontier({.multiCore = true, .workerProcesses = 3});
    EXPECT_EQ(m_visual.caption(efForm->windowRef()), resource(4124) + u' ' + resource(4127, 3));
}

TEST_F(CompactFrontierTest, EnglishLabelsAreWiderHereAndNotInTheSingleWindow) {
    const Widths single = widthsIn("en", false);
    EXPECT_NEAR(single.label.width(), kBaseLabelWidth, kHalfPixel);
    EXPECT_NEAR(single.window, kBaseWindowWidth, kHalfPixel);

    const Widths frontier = widthsIn("en", true);
    EXPECT_NEAR(frontier.label.width(), kBaseLabelWidth + 300, kHalfPixel);
    EXPECT_NEAR(frontier.text.left(), single.text.left() + 300, kHalfPixel);
    EXPECT_NEAR(frontier.text.width(), kBaseTextWidth, kHalfPixel);
    EXPECT_NEAR(frontier.window, kBaseWindowWidth + 300, kHalfPixel);
    EXPECT_NEAR(frontier.bar.width(), single.bar.width() + 300, kHalfPixel);
    EXPECT_NEAR(frontier.run.left(), single.run.left() + 300, kHalfPixel);
}

TEST_F(CompactFrontierTest, GermanTextsGetTheirOwnExtraWhateverTheMode) {
    const Widths english = widthsIn("en", true);
    const Widths german = widthsIn("de", true);
    // Both languages give the labels 300; German adds 130 to the texts.
    EXPECT_NEAR(german.label.width(), english.label.width(), kHalfPixel);
    EXPECT_NEAR(german.text.width(), english.text.width() + 130, kHalfPixel);
    EXPECT_NEAR(german.window, english.window + 130, kHalfPixel);
    EXPECT_EQ(FormProgressSmallEF::languageWidening(7).textExtra, 130);
    EXPECT_EQ(FormProgressSmallEF::languageWidening(10).labelExtra, 0);
    EXPECT_EQ(FormProgressSmallEF::languageWidening(3).labelExtra + FormProgressSmallEF::languageWidening(3).textExtra,
              0);
}

TEST_F(CompactFrontierTest, TheWidenedBarIsScaledByTheWindowsScaleFactor) {
    const Widths plain = widthsIn("en", true);
    m_visual.setScaleFactor(1.5);
    const Widths scaled = widthsIn("en", true);
    EXPECT_NEAR(scaled.bar.width(), plain.bar.width() * 1.5, kHalfPixel);
    // Only the bar: the window and the rows keep their widths.
    EXPECT_NEAR(scaled.window, plain.window, kHalfPixel);
    EXPECT_NEAR(scaled.text.width(), plain.text.width(), kHalfPixel);
}

TEST_F(CompactFrontierTest, WatcherButtonIgnoresClicksOnceAStopIsUnderWay) {
    startFrontier();
    click("CommandWatcher");
    EXPECT_TRUE(m_factory.full->Visible());
    m_manager.ShowCompactWindow();
    EXPECT_TRUE(efForm->isVisible());

    click("CommandStop");
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    EXPECT_TRUE(m_manager.WaitingAfterStopClicked());
    EXPECT_TRUE(efForm->IgnoreWatcherClicks());
    EXPECT_FALSE(efForm->ButtonsShowEnabledImages());
    m_factory.fullCalls.clear();
    m_factory.full->Hide();
    click("CommandWatcher");
    click("CommandRun");
    click("CommandPause");
    EXPECT_TRUE(efForm->isVisible());
    EXPECT_FALSE(m_factory.full->Visible());
    EXPECT_TRUE(m_factory.fullCalls.isEmpty()) << m_factory.fullCalls.join(u',').toStdString();
    EXPECT_EQ(status(), QxRunStatusMarkToPause);

    // No to the stop question: the Watcher button works again.
    ASSERT_EQ(QxPopSetRunStatus(m_pop, QxRunStatusPaused), 0);
    m_visual.queueYesNo(false);
    m_manager.ProcessPausedMessageFromExcel();
    EXPECT_FALSE(efForm->IgnoreWatcherClicks());
    click("CommandWatcher");
    EXPECT_TRUE(m_factory.full->Visible());
}

TEST_F(CompactFrontierTest, AMultiCoreSeriesKeepsItsRunControl) {
    startFrontier({.multiCore = true, .workerProcesses = 4});
    EXPECT_FALSE(efForm->IgnoreRunControlClicks());
    EXPECT_TRUE(efForm->ButtonsShowEnabledImages());
}

TEST_F(CompactFrontierTest, NoLimitsHideTheBarAsInTheSingleWindow) {
    startFrontier({.trialLimit = 100});
    const double withBar = watcher::heightTwips(efForm);
    m_manager.Dispose();
    startFrontier();
    EXPECT_FALSE(efForm->ProgressBarShown());
    EXPECT_TRUE(bar()->isHidden());
    EXPECT_NEAR(watcher::heightTwips(efForm), withBar - FormProgressSmallEF::kHiddenProgressBarShiftTwips, kHalfPixel);
}

TEST_F(CompactFrontierTest, LogsItsOwnSetUpAndNothingOnUpdateOrStop) {
    m_logs.startLogging();
    startFrontier({.trialLimit = 100});
    logValidTrials(3);
    efForm->Update();
    click("CommandStop");
    const QStringList lines = m_logs.logMessages();
    EXPECT_TRUE(lines.contains(QStringLiteral("entering FormProgressSmallEF.Initialize")));
    EXPECT_TRUE(lines.contains(QStringLiteral("FormProgressSmallEF.Initialize, Update method returned")));
    EXPECT_TRUE(lines.contains(QStringLiteral("Exiting FormProgressSmallEF.Initialize without error")));
    for (const QString& line : lines) {
        EXPECT_FALSE(line.startsWith(QStringLiteral("FormProgressSmall.")) ||
                     line.startsWith(QStringLiteral("PROBLEMX")) || line.contains(QStringLiteral("CommandStop_Click")))
            << line.toStdString();
    }
}

TEST_F(CompactFrontierTest, AFailedSetUpIsReportedUnderTheFrontierWindowsName) {
    ol::VisualServices withoutScreens = m_visual.asServices();
    withoutScreens.screens = nullptr;
    ol::ScopedVisualServices scope(withoutScreens);
    startFrontier();
    const auto reports = m_visual.callsOf(QStringLiteral("reportError"));
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_TRUE(reports[0].text.startsWith(QStringLiteral("Error in FormProgressSmallEF.Initialize method: ")))
        << reports[0].text.toStdString();
    EXPECT_FALSE(efForm->SettingControls());
}

} // namespace
} // namespace compacttest
