// The Watcher window as the person sees it: its set-up by the manager, its
// buttons and their guards, its pages, the grid pop-up menu, its placement,
// the refused close and the modal display.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFile>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>

#include "FormRate.h"
#include "FormSurvival.h"
#include "GraphControl.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WindowIcon.h"
#include "formprogress_fixture.h"

using formprogresstest::FormProgressTest;
using formprogresstest::RunSettings;
using manager::WatcherManager;
using watcher::FormProgress;

TEST_F(FormProgressTest, InitializeSetsUpPagesButtonsAndTimerByRunKind) {
    auto* tabs = child<QTabWidget>("TabMain");
    EXPECT_EQ(tabs->count(), FormProgress::TabCount);
    EXPECT_EQ(tabs->currentIndex(), FormProgress::TabProgress);
    EXPECT_EQ(form->HelpContextID(), 1090);
    for (int tab : {1, 2, 3, 4})
        EXPECT_FALSE(tabs->isTabEnabled(tab)) << tab;
    EXPECT_TRUE(tabs->isTabVisible(FormProgress::TabPopulation));
    EXPECT_TRUE(tabs->isTabVisible(FormProgress::TabColorGraph));
    EXPECT_FALSE(tabs->isTabVisible(FormProgress::TabConstraintSolver));
    EXPECT_FALSE(tabs->isTabVisible(FormProgress::TabStoppingOptions));
    for (int i = 0; i < FormProgress::TabCount; ++i) {
        auto* frame = form->findChild<QFrame*>(FormProgress::frameTabMainName(i));
        ASSERT_NE(frame, nullptr) << i;
        EXPECT_EQ(frame->isEnabled(), i == FormProgress::TabProgress) << i;
    }
    EXPECT_TRUE(form->UpdateTimerEnabled());
    EXPECT_FALSE(form->StopTimer());
    EXPECT_EQ(form->DialogConfiguration(), FormProgress::kConfigRunning);
    EXPECT_TRUE(child<QToolButton>("CommandRun")->isChecked());
    EXPECT_FALSE(child<QToolButton>("CommandPause")->isChecked());
    EXPECT_TRUE(child<QWidget>("ComboReportPlacement")->isHidden());
    EXPECT_TRUE(child<QCheckBox>("CheckFixSeed")->isHidden());
    // Texts come from the resource server.
    EXPECT_EQ(form->windowTitle(), engine::GetResourceString(4001));
    EXPECT_EQ(tabs->tabText(FormProgress::TabLog), engine::GetResourceString(4016));
    EXPECT_EQ(child<QToolButton>("CommandOK")->text(), engine::GetResourceString(4008));

    restart(RunSettings{.constraintSolverMode = true, .optimizationEngine = 2});
    tabs = child<QTabWidget>("TabMain");
    EXPECT_TRUE(tabs->isTabVisible(FormProgress::TabConstraintSolver));
    EXPECT_EQ(tabs->currentIndex(), FormProgress::TabConstraintSolver);
    EXPECT_EQ(form->HelpContextID(), 1200);
    EXPECT_FALSE(tabs->isTabVisible(FormProgress::TabPopulation));
    EXPECT_FALSE(tabs->isTabVisible(FormProgress::TabColorGraph));
    EXPECT_FALSE(child<QCheckBox>("CheckFixSeed")->isHidden());
    EXPECT_TRUE(form->findChild<QFrame*>(FormProgress::frameTabMainName(5))->isEnabled());
}

TEST_F(FormProgressTest, InitializePlacesTheWindowInTheLowerLeftCornerOfTheHostsWorkArea) {
    m_visual.setWorkArea(ol::WorkArea{QRect(1280, 0, 1920, 1080), 15.0, 15.0});
    restart(RunSettings{});
    // One pixel is 15 twips at 96 dpi; positions are whole pixels. The outer
    // window, title bar and all, starts 100 twips right of the left edge and
    // ends 100 twips above the bottom.
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    const QRect frame = form->frameGeometry();
    EXPECT_NEAR(watcher::pixelsToTwips(frame.left(), form), 1280 * 15 + 100, 15);
    EXPECT_NEAR(watcher::pixelsToTwips(frame.top() + frame.height(), form), 1080 * 15 - 100, 15);
}

TEST_F(FormProgressTest, TabChangeFollowsHelpTopicAndEnablesOnlyTheSelectedFrame) {
    auto* tabs = child<QTabWidget>("TabMain");
    const int expected[] = {1090, 1080, 1110, 1100, 1120};
    for (int tab = 0; tab <= FormProgress::TabColorGraph; ++tab) {
        tabs->setTabEnabled(tab, true);
        tabs->setCurrentIndex(tab);
        EXPECT_EQ(form->HelpContextID(), expected[tab]) << tab;
        for (int i = 0; i < FormProgress::TabCount; ++i)
            EXPECT_EQ(form->findChild<QFrame*>(FormProgress::frameTabMainName(i))->isEnabled(), i == tab);
    }
    EXPECT_EQ(FormProgress::helpContextForTab(FormProgress::TabStoppingOptions), 1130);
    EXPECT_EQ(FormProgress::helpContextForTab(7), 0);
    // The tab a timing run opens by name; the stopping options and the
    // constraint-solver page are no data tabs, and other texts open nothing.
    EXPECT_EQ(FormProgress::tabFromName(QStringLiteral("population")), FormProgress::TabPopulation);
    EXPECT_EQ(FormProgress::tabFromName(QStringLiteral("color-graph")), FormProgress::TabColorGraph);
    EXPECT_EQ(FormProgress::tabFromName(QStringLiteral("log")), FormProgress::TabLog);
    for (const char* other : {"", "Population", "population ", "stopping", "3"})
        EXPECT_EQ(FormProgress::tabFromName(QString::fromLatin1(other)), -1) << other;
}

TEST_F(FormProgressTest, ButtonsReachTheManagerAndAreIgnoredWhileAStopIsProcessed) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->ControlsAfterStopClickedDisableEnable(false);
    EXPECT_TRUE(form->IgnoreRunControlClicks());
    for (const char* name :
         {"CommandPause", "CommandStop", "CommandRun", "CommandMinimizeWatcher", "CommandExcelUpdate"})
        QTest::mouseClick(child<QToolButton>(name), Qt::LeftButton);
    EXPECT_EQ(status(), QxRunStatusOptimizing);
    EXPECT_FALSE(m_manager.WaitingAfterStopClicked());
    EXPECT_EQ(form->ResumeSignalCount(), 0);
    EXPECT_TRUE(form->Visible());
    EXPECT_TRUE(m_visual.callsOf(QStringLiteral("showPopupMenu")).empty());
    // An ignored click leaves the pressed state as the configuration says.
    EXPECT_TRUE(child<QToolButton>("CommandRun")->isChecked());
    EXPECT_FALSE(child<QToolButton>("CommandPause")->isChecked());

    form->ControlsAfterStopClickedDisableEnable(true);
    QTest::mouseClick(child<QToolButton>("CommandPause"), Qt::LeftButton);
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    setStatus(QxRunStatusOptimizing);
    QTest::mouseClick(child<QToolButton>("CommandStop"), Qt::LeftButton);
    EXPECT_EQ(status(), QxRunStatusMarkToPause);
    EXPECT_TRUE(m_manager.WaitingAfterStopClicked());
    // The manager disabled the run controls while the stop is processed.
    EXPECT_TRUE(form->IgnoreRunControlClicks());
}

TEST_F(FormProgressTest, ResumeAndMinimizeGoThroughTheManager) {
    form->GoToPausingConfig();
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    setStatus(QxRunStatusPaused);
    QTest::mouseClick(child<QToolButton>("CommandRun"), Qt::LeftButton);
    EXPECT_EQ(status(), QxRunStatusOptimizing);
    EXPECT_EQ(form->DialogConfiguration(), FormProgress::kConfigRunning);
    EXPECT_EQ(form->ResumeSignalCount(), 3);

    QTest::mouseClick(child<QToolButton>("CommandMinimizeWatcher"), Qt::LeftButton);
    EXPECT_FALSE(form->Visible());
    EXPECT_TRUE(m_factory.compactCalls.contains(QStringLiteral("Show")));
}

TEST_F(FormProgressTest, ExcelUpdatingMenuSetsTheOptionAndSendsIt) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    m_manager.setShowExcelRecalculations(1);
    m_visual.queuePopupChoice(2);
    QTest::mouseClick(child<QToolButton>("CommandExcelUpdate"), Qt::LeftButton);
    EXPECT_EQ(m_manager.ShowExcelRecalculations(), 3);
    int32_t sent = 0;
    ASSERT_EQ(QxReadTempData(WatcherManager::ChannelShowExcelRecalculations, &sent, 4), 0);
    EXPECT_EQ(sent, 3);
    EXPECT_FALSE(child<QToolButton>("CommandExcelUpdate")->isChecked());
    const auto menus = m_visual.callsOf(QStringLiteral("showPopupMenu"));
    ASSERT_EQ(menus.size(), 1U);
    EXPECT_EQ(menus.front().items.size(), 3);
}

TEST_F(FormProgressTest, CloseBoxIsRefusedButClosesByCodeGoAhead) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    // The window system's close (the close box) and a plain close() alike.
    // The window system's close is refused unless the desktop session ends;
    // the manager's unload always closes.
    EXPECT_TRUE(FormProgress::closeRefused(false, true, false));
    EXPECT_FALSE(FormProgress::closeRefused(false, true, true));
    EXPECT_FALSE(FormProgress::closeRefused(true, true, false));
    EXPECT_FALSE(FormProgress::closeRefused(false, false, false));

    // A close by code goes ahead, as the compact window's does.
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->Visible());

    form->Show();
    form->Unload();
    EXPECT_FALSE(form->Visible());
    EXPECT_FALSE(form->UpdateTimerEnabled());
}

TEST_F(FormProgressTest, ShowModalReturnsWhenOkHidesTheWindow) {
    restart(RunSettings{.showOptionsAtEnd = true});
    setStatus(QxRunStatusStopped);
    form->TimerUpdate_Timer();
    ASSERT_EQ(form->DialogConfiguration(), FormProgress::kConfigStopped);

    bool shownModally = false;
    QTimer::singleShot(0, form, [&] {
        shownModally = form->isVisible() && form->windowModality() == Qt::ApplicationModal;
        QTest::mouseClick(child<QToolButton>("CommandOK"), Qt::LeftButton);
    });
    form->ShowModal();
    EXPECT_TRUE(shownModally);
    EXPECT_FALSE(form->Visible());
    EXPECT_EQ(form->windowModality(), Qt::NonModal);
}

TEST_F(FormProgressTest, APersonMovingTheWindowTellsTheAddIn) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QApplication::processEvents();
    setChannelBool(WatcherManager::ChannelWatcherRequestsXLUpdate, false);
    // Moved by the window system, with no check asked for by anyone.
    form->windowHandle()->setPosition(form->windowHandle()->position() + QPoint(40, -30));
    QTRY_VERIFY(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    setChannelBool(WatcherManager::ChannelWatcherRequestsXLUpdate, false);
    // The move was taken: the manager's check finds nothing new.
    m_manager.CheckWindowsMoved();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
}

TEST_F(FormProgressTest, WindowMoveIsReportedOnceToTheAddIn) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    form->CheckWindowMoved();
    setChannelBool(WatcherManager::ChannelWatcherRequestsXLUpdate, false);
    form->CheckWindowMoved();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));

    watcher::moveTwips(form, watcher::leftTwips(form) + 600, watcher::topTwips(form) - 600);
    form->CheckWindowMoved();
    EXPECT_TRUE(takeChannelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
    form->CheckWindowMoved();
    EXPECT_FALSE(channelBool(WatcherManager::ChannelWatcherRequestsXLUpdate));
}

TEST_F(FormProgressTest, GridPopupCopiesCaptionsAndTheSelectedRange) {
    auto* grid = child<QTableView>("SGGridSummary");
    QStandardItemModel model(3, 3);
    model.setHorizontalHeaderLabels({QStringLiteral("Trial"), QStringLiteral("Value"), QStringLiteral("x")});
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            model.setItem(r, c, new QStandardItem(QStringLiteral("%1%2").arg(QChar(u'a' + c)).arg(r)));
    grid->setModel(&model);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QApplication::clipboard()->setText(QStringLiteral("before"));

    // Nothing selected: the clipboard is emptied and nothing is copied.
    m_visual.queuePopupChoice(0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QString());

    grid->selectionModel()->select(QItemSelection(model.index(1, 1), model.index(2, 2)), QItemSelectionModel::Select);
    m_visual.queuePopupChoice(0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Trial\tValue\tx\rb1\tc1\r\nb2\tc2"));

    // A menu closed without a choice and a left click copy nothing.
    QApplication::clipboard()->setText(QStringLiteral("kept"));
    m_visual.queuePopupChoice(std::nullopt);
    QTest::mouseClick(grid->viewport(), Qt::RightButton);
    QTest::mouseClick(grid->viewport(), Qt::LeftButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("kept"));
    EXPECT_EQ(m_visual.pendingAnswers(), 0);
    grid->setModel(nullptr);
}

TEST_F(FormProgressTest, ConstraintVerdictGridOffersTheSameCopyMenu) {
    auto* grid = child<QTableWidget>("SGGridConstraintSolver");
    grid->setColumnCount(2);
    grid->setRowCount(2);
    grid->setHorizontalHeaderLabels({QStringLiteral("Best"), QStringLiteral("Original")});
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 2; ++c)
            grid->setItem(r, c, new QTableWidgetItem(QStringLiteral("v%1%2").arg(r).arg(c)));
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    grid->selectionModel()->select(QItemSelection(grid->model()->index(0, 0), grid->model()->index(1, 0)),
                                   QItemSelectionModel::Select);
    m_visual.queuePopupChoice(0);
    QTest::mouseClick(grid->viewport(), Qt::RightButton);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Best\tOriginal\rv00\r\nv10"));
    EXPECT_EQ(m_visual.pendingAnswers(), 0);
}

TEST_F(FormProgressTest, UpdateBeforeTheFirstTrialChangesNothing) {
    auto* status = child<QLabel>("LabelProgressStatus");
    status->setText(QStringLiteral("unchanged"));
    form->Update(true, false);
    EXPECT_EQ(status->text(), QStringLiteral("unchanged"));
}

TEST_F(FormProgressTest, ProgressGraphIsExportedAsAnImageOfTheGivenSize) {
    const QString path = m_dir.filePath(QStringLiteral("progress.png"));
    ASSERT_TRUE(form->ExportProgressGraph(path, QStringLiteral("Progress"), 2000, 320, 200));
    const QImage image(path);
    EXPECT_EQ(image.size(), QSize(320, 200));
    auto* graph = child<watcher::GraphControl>("MirGraphAllTrials");
    EXPECT_EQ(graph->Title(), QStringLiteral("Progress"));
    EXPECT_DOUBLE_EQ(graph->axisMaximum(watcher::GraphAxis::X), 2000);
    EXPECT_FALSE(
        form->ExportProgressGraph(m_dir.filePath(QStringLiteral("no/such/dir/p.png")), QString(), 10, 320, 200));
    EXPECT_FALSE(form->MirGraphModalDialogBeingDisplayed());
}

TEST_F(FormProgressTest, HelpOpensTheTopicOfTheSelectedPage) {
    const QString helpFile = m_dir.filePath(QStringLiteral("help.html"));
    {
        QFile f(helpFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    m_manager.setInput_MainHelpFilePath(helpFile);
    auto* tabs = child<QTabWidget>("TabMain");
    tabs->setTabEnabled(FormProgress::TabLog, true);
    tabs->setCurrentIndex(FormProgress::TabLog);
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    QTest::mouseClick(child<QToolButton>("CommandHelp"), Qt::LeftButton);
    const auto help = m_visual.callsOf(QStringLiteral("showHelp"));
    ASSERT_EQ(help.size(), 1U);
    EXPECT_EQ(help.front().text, helpFile);
    EXPECT_EQ(help.front().number, 1110);
}

TEST_F(FormProgressTest, TopmostLevelChangesWithoutMovingOrHidingTheWindow) {
    form->Show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    const QRect before = form->geometry();
    form->SetTopmost(true);
    EXPECT_TRUE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->geometry(), before);
    form->SetTopmost(false);
    EXPECT_FALSE(form->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(form->Visible());
    EXPECT_EQ(form->geometry(), before);
}

// Every window wears the product icon, and a window's owner takes it too.
TEST_F(FormProgressTest, WindowsAndTheirOwnersWearTheProductIcon) {
    const QIcon product = watcher::ProgramIcon(watcher::kProductIconName);
    ASSERT_FALSE(product.isNull());
    EXPECT_GE(product.availableSizes().size(), 7);
    const auto wearsProductIcon = [&](const QWidget& window) {
        return !window.windowIcon().isNull() &&
               window.windowIcon().pixmap(32).toImage() == product.pixmap(32).toImage();
    };
    EXPECT_TRUE(wearsProductIcon(*form));

    QWidget owner;
    watcher::FormRate rate(&owner);
    rate.Prepare(true, 0.5);
    EXPECT_TRUE(wearsProductIcon(rate));
    EXPECT_TRUE(wearsProductIcon(owner));

    const bool survivalExisted = watcher::FormSurvival::Instance() != nullptr;
    watcher::FormSurvival::Create();
    ASSERT_NE(watcher::FormSurvival::Instance(), nullptr);
    EXPECT_TRUE(wearsProductIcon(*watcher::FormSurvival::Instance()));
    if (!survivalExisted)
        watcher::FormSurvival::Unload();

    // An unknown name leaves the window as it is.
    QWidget plain;
    watcher::SetWindowIcon(&plain, QStringLiteral("NoSuchIcon"), true);
    EXPECT_FALSE(wearsProductIcon(plain));
}

// The set-up steps are logged in their order; the genetic-algorithm pages
// only in a genetic-algorithm run.
TEST_F(FormProgressTest, InitializeLogsEachSetUpStepInOrder) {
    const QStringList steps = {QStringLiteral("WATCHER: entering FormProgress.Initialize"),
                               QStringLiteral("WATCHER: about to call ProgressTab_Initialize"),
                               QStringLiteral("WATCHER: ProgressTab_Initialize returned"),
                               QStringLiteral("WATCHER: GridInitialize Me.SGGridSummary, False returned"),
                               QStringLiteral("WATCHER: GridInitialize Me.SGGridPopulation, True returned"),
                               QStringLiteral("WATCHER: GeneticParameters_Initialize returned"),
                               QStringLiteral("WATCHER: ColorGraph_Initialize returned"),
                               QStringLiteral("WATCHER: LoggingTab_Initialize returned"),
                               QStringLiteral("FormProgress.Initialize: About to call Me.TimerUpdate.Enabled = True")};
    // The step lines written since the log had `from` lines.
    const auto stepsLogged = [&](qsizetype from) {
        QStringList logged;
        for (const QString& line : m_logs.logMessages().mid(from))
            if (steps.contains(line))
                logged << line;
        return logged;
    };
    m_logs.startLogging();
    restart(RunSettings{.optimizationEngine = 1});
    EXPECT_EQ(stepsLogged(0), steps);

    const qsizetype before = m_logs.logMessages().size();
    restart(RunSettings{.optimizationEngine = 2});
    QStringList withoutGenetic = steps;
    for (int i : {6, 5, 4})
        withoutGenetic.removeAt(i);
    EXPECT_EQ(stepsLogged(before), withoutGenetic);
}

TEST_F(FormProgressTest, InitializeFailureIsLoggedAndRaisedAsAGeneralFailure) {
    m_manager.Dispose();
    m_logs.startLogging();
    // Without screen services the window cannot place itself.
    const ol::ScopedVisualServices none{ol::VisualServices{}};
    m_manager.Initialize();
    const ol::OLError error = enginetest::raised([&] { m_manager.InitializeForms(); });
    EXPECT_EQ(error.number(), ol::kErrGeneral);
    EXPECT_TRUE(error.description().startsWith(QStringLiteral("Error in Watcher Initialize method: ")))
        << error.description().toStdString();
    EXPECT_TRUE(m_logs.logMessages().contains(error.description()));
    EXPECT_EQ(m_manager.fullWindow(), nullptr);

    watcher::FormProgress orphan;
    EXPECT_EQ(enginetest::raised([&] { orphan.Initialize(nullptr); }).number(), ol::kErrGeneral);
    EXPECT_FALSE(orphan.UpdateTimerEnabled());
}

TEST_F(FormProgressTest, ShowModalEndsWhenTheWindowIsDeletedMeanwhile) {
    auto* window = new FormProgress;
    const QPointer<FormProgress> watch(window);
    QTimer::singleShot(0, [window] { delete window; });
    // Returns (without touching the deleted window: the sanitizer build
    // would report it).
    window->ShowModal();
    EXPECT_TRUE(watch.isNull());
}

TEST_F(FormProgressTest, UpdateAfterTheFirstTrialShowsTheManagersStatusLine) {
    int32_t log = 0;
    ASSERT_EQ(QxLogCreateWVB(m_manager.Input_LogPath().toUtf8().constData(), 1, 2, 0, nullptr, nullptr, nullptr, &log),
              QX_OK);
    double genes[2] = {1, 2};
    QxLogRecord record{};
    record.geneValues = genes;
    for (int32_t n = 1; n <= 3; ++n) {
        record.recalcNum = n;
        record.valueWithPenalties = record.spareValue = 10.0 * n;
        record.extra.validTrialCount = n;
        ASSERT_EQ(QxLogAppendTrialWVB(log, &record), QX_OK);
    }
    ASSERT_EQ(QxLogAppendProgressStepWVB(log, 1, &record), QX_OK);
    QxLogClose(log);
    auto* status = child<QLabel>("LabelProgressStatus");
    status->setText(QStringLiteral("unchanged"));

    // Trials are logged, but the window was not set up after the first one.
    form->Update(true, false);
    EXPECT_EQ(status->text(), QStringLiteral("unchanged"));

    form->InitializeAfterFirstTrial(500, 100);
    EXPECT_EQ(status->text(), m_manager.ProgressStatusText());
    EXPECT_NE(status->text(), QStringLiteral("unchanged"));
}
