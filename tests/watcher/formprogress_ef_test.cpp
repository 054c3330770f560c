// The efficient-frontier Watcher window made by the Qt window factory for a
// frontier run: its smallest size, help topics, the pause between two
// optimizations handed to the manager, and the stopping page with its OK.
#include <utility>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>

#include "../engine/EngineTestEnv.h"
#include "FormProgressEF.h"
#include "Formatting.h"
#include "FrontierGraph.h"
#include "QtWindowFactory.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "formprogress_fixture.h"
#include "ol/ResourceServer.h"
#include "ol/ScriptedVisualServices.h"
#include "qxlib8.h"
#include "recording_host.h"
#include "run_log.h"

namespace {

class FrontierFactory final : public manager::WindowFactory {
public:
    std::unique_ptr<manager::CompactWindow> createCompactWindow(bool) override {
        return std::make_unique<formprogresstest::RecordingCompactWindow>(&calls);
    }
    std::unique_ptr<manager::FullWindow> createFullWindow(bool ef) override {
        return watcher::QtWindowFactory().createFullWindow(ef);
    }
    QStringList calls;
};

class FormProgressEFTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_visual.setWorkArea(ol::WorkArea{QRect(0, 0, 1280, 1024), 15.0, 15.0});
        start();
    }
    // A series of five constraining values, its window made by the factory.
    void start() {
        manager::setWindowFactory(&m_factory);
        m_manager.Initialize();
        const int32_t genes[] = {2};
        const int16_t methods[] = {QX_METHOD_RECIPE};
        if (m_pop == 0) {
            ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &m_pop), 0);
        }
        ASSERT_EQ(QxClearTempData(), 0);
        ASSERT_EQ(QxPopSetRunStatus(m_pop, QxRunStatusOptimizing), 0);
        m_manager.setInput_PopHandle(m_pop);
        m_manager.setInput_LogPath(m_dir.filePath(QStringLiteral("ef.qxlog")));
        m_manager.setInput_EFPerformAnalysis(true);
        engine::TaggedCollection values;
        for (double v : {1.0, 2.0, 3.0, 4.0, 5.0})
            values.add(engine::TaggedValue::fromDouble(v));
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Final(values);
        m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial(values);
        m_manager.setInput_EFNumConstrainingValues(5);
        m_manager.InitializeForms();
        form = dynamic_cast<watcher::FormProgressEF*>(m_manager.fullWindow());
        ASSERT_NE(form, nullptr);
    }
    void TearDown() override {
        m_manager.Dispose();
        manager::setWindowFactory(nullptr);
        QxPopFree(m_pop);
    }

    enginetest::TempLogDir m_logs;
    ol::ScriptedVisualServices m_visual;
    ol::ScopedVisualServices m_visualScope{m_visual.asServices()};
    QTemporaryDir m_dir;
    FrontierFactory m_factory;
    manager::WatcherManager m_manager;
    int32_t m_pop = 0;
    watcher::FormProgressEF* form = nullptr;
};

} // namespace

TEST_F(FormProgressEFTest, KeepsItsSmallestClientAreaAndPublishesItsFrontier) {
    EXPECT_NE(manager::publishedFrontierGraph(), nullptr);
    form->show();
    watcher::resizeTwips(form, 8000, 5000);
    EXPECT_NEAR(watcher::widthTwips(form), 9200, 15);
    EXPECT_NEAR(watcher::heightTwips(form), 6280, 15);
    // The smallest size is no whole number of pixels; the window lays out
    // its controls all the same.
    const auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("TabMain"));
    const auto* stop = form->findChild<QToolButton*>(QStringLiteral("CommandStop"));
    ASSERT_TRUE(tabs && stop);
    EXPECT_GT(tabs->width(), form->width() * 9 / 10);
    EXPECT_GT(stop->geometry().left(), form->width() * 9 / 10);
    EXPECT_LE(stop->geometry().right(), form->width());
}

TEST_F(FormProgressEFTest, HelpTopicsFollowTheSelectedPage) {
    auto* tabs = form->findChild<QTabWidget*>(QStringLiteral("TabMain"));
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(form->HelpContextID(), 1090);
    tabs->setTabEnabled(1, true);
    tabs->setCurrentIndex(1);
    EXPECT_EQ(form->HelpContextID(), 1080);
    tabs->setTabEnabled(2, true);
    tabs->setCurrentIndex(2);
    EXPECT_EQ(form->HelpContextID(), 1110);
}

TEST_F(FormProgressEFTest, APauseBetweenOptimizationsIsHandedToTheManager) {
    m_manager.setWaitingAfterEFNextOptimizationClicked(true);
    ASSERT_EQ(QxPopSetRunStatus(m_pop, QxRunStatusPaused), 0);
    m_visual.queueYesNo(true);
    form->TimerUpdate_Timer();
    EXPECT_FALSE(m_manager.WaitingAfterEFNextOptimizationClicked());
}

namespace {

using formprogresstest::RecordingHost;

// The end of a series with stopping options: the add-in proposes every
// report and a solution selector of its own, and the window goes to its
// stopping page.
class FrontierStoppingTest : public FormProgressEFTest {
protected:
    void SetUp() override {
        FormProgressEFTest::SetUp();
        propose();
    }
    void TearDown() override {
        manager::setHostConnector(nullptr);
        FormProgressEFTest::TearDown();
    }
    void propose(bool reports = true) {
        m_manager.setInput_Application(manager::ObjectRef{QStringLiteral(":1.9"), QStringLiteral("/app")});
        manager::setHostConnector(&m_host);
        m_manager.setStop_AtEndGenerateOptimizationSummary(reports);
        m_manager.setStop_AtEndWriteLogOfAllTrials(reports);
        m_manager.setStop_AtEndWriteLogOfProgressSteps(reports);
        m_manager.setReportPlacement(0);
        m_manager.setStop_SolutionToKeep(kAddinSelector);
    }
    template <class T> T* child(const char* name) const {
        T* w = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QCheckBox* check(const char* name) const { return child<QCheckBox>(name); }
    bool greyed(const char* name) const { return !check(name)->isEnabledTo(form); }
    // On the box's square: the box is wider than its text.
    void clickBox(const char* name) {
        QCheckBox* box = check(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
    }
    void pressOk() { QTest::mouseClick(child<QToolButton>("CommandOK"), Qt::LeftButton); }
    // Trials of optimizations 1 and 3 of the series, each with a progress
    // step; 2, 4 and 5 found nothing.
    void logStepsOfTwoOptimizations(pagetest::RunLog& log) {
        for (int k : {1, 3}) {
            log.optimization(k);
            log.trial(10.0 * k, true);
            log.trial(5.0 * k);
        }
    }

    static constexpr int32_t kAddinSelector = 4;
    RecordingHost m_host{m_manager};
};

} // namespace

TEST_F(FrontierStoppingTest, WithoutALoggedTrialBothLogBoxesAreGreyedAndUncheckedWhateverTheAddInProposes) {
    form->GoToStoppingConfig();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgressEF::kConfigStopped);
    EXPECT_EQ(child<QTabWidget>("TabMain")->currentIndex(), watcher::FormProgressEF::TabStoppingOptions);
    EXPECT_EQ(form->HelpContextID(), 1130);
    EXPECT_FALSE(child<QToolButton>("CommandStop")->isVisibleTo(form));
    EXPECT_TRUE(child<QToolButton>("CommandOK")->isVisibleTo(form));
    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(), engine::GetResourceString(4068, 0, 5));

    EXPECT_TRUE(check("CheckGenerateOptimizationSummary")->isChecked());
    EXPECT_FALSE(greyed("CheckGenerateOptimizationSummary"));
    for (const char* name : {"CheckWriteLogOfAllTrials", "CheckWriteLogsOfProgressSteps"}) {
        EXPECT_FALSE(check(name)->isChecked()) << name;
        EXPECT_TRUE(greyed(name)) << name;
    }

    pressOk();
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_TRUE(m_host.received[0].generateOptimizationSummary);
    EXPECT_FALSE(m_host.received[0].writeLogOfAllTrials);
    EXPECT_FALSE(m_host.received[0].writeLogOfProgressSteps);
    EXPECT_FALSE(m_manager.Stop_AtEndWriteLogOfAllTrials());
    EXPECT_FALSE(form->Visible());
}

TEST_F(FrontierStoppingTest, StatusCountsValuesWithAStepAgainstTheInitialSeriesAndOkHandsTheCheckedChoices) {
    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    logStepsOfTwoOptimizations(log);
    // The series began with six values; one was dropped before the run.
    engine::TaggedCollection initial;
    for (double v : {1.0, 2.0, 3.0, 4.0, 5.0, 6.0})
        initial.add(engine::TaggedValue::fromDouble(v));
    m_manager.setInput_EFCollectionOfConstrainingValues_OptimizationOrder_Initial(initial);
    form->GoToStoppingConfig();
    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(), engine::GetResourceString(4068, 2, 6));

    for (const char* name :
         {"CheckGenerateOptimizationSummary", "CheckWriteLogOfAllTrials", "CheckWriteLogsOfProgressSteps"}) {
        EXPECT_TRUE(check(name)->isChecked()) << name;
        EXPECT_FALSE(greyed(name)) << name;
    }
    // The person keeps only the log of the best solutions.
    form->show();
    clickBox("CheckGenerateOptimizationSummary");
    clickBox("CheckWriteLogOfAllTrials");
    m_logs.startLogging();
    pressOk();
    const QStringList lines = m_logs.logMessages();
    const qsizetype entering = lines.indexOf(QStringLiteral("WATCHER, CommandOK_Click: entering"));
    EXPECT_GE(entering, 0);
    EXPECT_GT(lines.indexOf(QStringLiteral("WATCHER, CommandOK_Click: hid dialog")), entering);

    ASSERT_EQ(m_host.received.size(), 1u);
    const manager::StoppingChoices& got = m_host.received[0];
    EXPECT_FALSE(got.generateOptimizationSummary);
    EXPECT_FALSE(got.writeLogOfAllTrials);
    EXPECT_TRUE(got.writeLogOfProgressSteps);
    // There is no solution to choose here: the add-in's selector goes back.
    EXPECT_EQ(got.solutionToKeep, kAddinSelector);
    EXPECT_EQ(m_host.selectorWhenCalled[0], kAddinSelector);
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FrontierStoppingTest, OkWritesEveryChoiceBackIntoTheManager) {
    pagetest::RunLog log(m_manager.Input_LogPath(), 2);
    logStepsOfTwoOptimizations(log);
    propose(false);
    form->GoToStoppingConfig();
    for (const char* name :
         {"CheckGenerateOptimizationSummary", "CheckWriteLogOfAllTrials", "CheckWriteLogsOfProgressSteps"}) {
        EXPECT_FALSE(check(name)->isChecked()) << name;
        check(name)->setChecked(true);
    }
    auto* placement = child<QComboBox>("ComboReportPlacement");
    ASSERT_EQ(placement->count(), 2);
    EXPECT_EQ(placement->itemText(1), engine::GetResourceString(4309));
    EXPECT_FALSE(placement->isVisibleTo(form));
    placement->setCurrentIndex(1);
    pressOk();

    EXPECT_EQ(m_manager.ReportPlacement(), 1);
    EXPECT_TRUE(m_manager.Stop_AtEndGenerateOptimizationSummary());
    EXPECT_TRUE(m_manager.Stop_AtEndWriteLogOfAllTrials());
    EXPECT_TRUE(m_manager.Stop_AtEndWriteLogOfProgressSteps());
    EXPECT_EQ(m_manager.Stop_SolutionToKeep(), kAddinSelector);
    ASSERT_EQ(m_host.received.size(), 1u);
    EXPECT_TRUE(m_host.received[0].writeLogOfAllTrials);
}

TEST_F(FrontierStoppingTest, ThePageIsGermanInGermanAndTheFrontierPointControlsStayHidden) {
    m_manager.Dispose();
    {
        enginetest::ScopedEnv env("SELVANE_LANGUAGE", "7");
        start();
    }
    propose();
    form->GoToStoppingConfig();
    const ol::ResourceServer english(ol::kLanguageEnglish);
    const ol::ResourceServer german(ol::kLanguageGerman);
    const std::pair<const char*, int> captions[] = {{"LabelEFAnalysisHasStopped", 4069},
                                                    {"LabelReportsToGenerate", 4031},
                                                    {"CheckGenerateOptimizationSummary", 4032},
                                                    {"CheckWriteLogOfAllTrials", 4034},
                                                    {"CheckWriteLogsOfProgressSteps", 4070}};
    for (const auto& [name, key] : captions) {
        auto* widget = child<QWidget>(name);
        const QString text = widget->property("text").toString();
        EXPECT_EQ(text, german.text(key)) << name;
        EXPECT_NE(text, english.text(key)) << name;
    }
    EXPECT_EQ(child<QLabel>("LabelStoppingStatus")->text(), german.text(4068, 0, 5));
    EXPECT_EQ(child<QToolButton>("CommandOK")->text(), QStringLiteral("OK"));
    // The language's interface font, as on every Watcher window.
    const ol::UiFont font = engine::LanguageFont();
    EXPECT_EQ(child<QLabel>("LabelEFAnalysisHasStopped")->font().family(), font.family);
    EXPECT_EQ(child<QCheckBox>("CheckWriteLogsOfProgressSteps")->font().pointSizeF(), font.pointSize);
    EXPECT_FALSE(child<QWidget>("CheckSetAdjustableCells")->isVisibleTo(form));
    EXPECT_FALSE(child<QWidget>("ComboFrontierPointSelection")->isVisibleTo(form));
}

TEST_F(FrontierStoppingTest, AHostThatFailsAtOkIsReportedAndTheWindowStaysHidden) {
    m_host.failing = true;
    form->GoToStoppingConfig();
    form->show();
    pressOk();
    ASSERT_EQ(m_host.received.size(), 1u);
    const auto messages = m_visual.callsOf(QStringLiteral("showMessage"));
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_TRUE(messages[0].text.startsWith(QStringLiteral("Error in OK command handler: ")))
        << messages[0].text.toStdString();
    EXPECT_TRUE(messages[0].text.contains(QStringLiteral("The host did not answer")));
    EXPECT_FALSE(form->isVisible());
}

TEST_F(FrontierStoppingTest, OkGivesExcelItsInteractivityBackAndTakesOnlyTheWatchersStatusMessage) {
    m_host.excelObject = std::make_shared<formprogresstest::RecordingExcel>();
    m_manager.setInput_ExcelApplication(manager::ObjectRef{QStringLiteral(":1.9"), QStringLiteral("/excel")});
    m_manager.setInput_DisallowInteractionWithExcelWindow(true);
    const QString own = engine::GetResourceString(4051, QStringLiteral("Selvane"));
    m_host.excelObject->statusBarText = own;
    form->GoToStoppingConfig();
    pressOk();
    EXPECT_TRUE(m_host.excelObject->interactiveNow);
    EXPECT_TRUE(m_host.excelObject->statusBarText.isEmpty());

    // Someone else's message stays; a run that left Excel alone is not
    // touched at all.
    m_host.excelObject->statusBarText = QStringLiteral("Calculating (4 threads)");
    pressOk();
    EXPECT_EQ(m_host.excelObject->statusBarText, QStringLiteral("Calculating (4 threads)"));
    m_manager.setInput_DisallowInteractionWithExcelWindow(false);
    m_host.excelObject->interactiveNow = false;
    m_host.excelObject->statusBarText = own;
    pressOk();
    EXPECT_FALSE(m_host.excelObject->interactiveNow);
    EXPECT_EQ(m_host.excelObject->statusBarText, own);
    EXPECT_EQ(m_host.received.size(), 3u);
}
