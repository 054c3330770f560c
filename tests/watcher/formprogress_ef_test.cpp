// The efficient-frontier Watcher window made by the Qt window factory for a
// frontier run: its smallest size, help topics, the pause between two
// optimizations handed to the manager, and the stopping status.
#include <QLabel>
#include <QTabWidget>

#include "../engine/EngineTestEnv.h"
#include "FormProgressEF.h"
#include "FrontierGraph.h"
#include "QtWindowFactory.h"
#include "ResourceStrings.h"
#include "Twips.h"
#include "WatcherManager.h"
#include "formprogress_fixture.h"
#include "ol/ScriptedVisualServices.h"
#include "qxlib8.h"

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
        manager::setWindowFactory(&m_factory);
        m_manager.Initialize();
        const int32_t genes[] = {2};
        const int16_t methods[] = {QX_METHOD_RECIPE};
        ASSERT_EQ(QxPopCreate(4, 1, genes, methods, &m_pop), 0);
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

TEST_F(FormProgressEFTest, StoppingStatusCountsValuesWithStepsOfTheInitialSeries) {
    form->GoToStoppingConfig();
    EXPECT_EQ(form->DialogConfiguration(), watcher::FormProgressEF::kConfigStopped);
    auto* label = form->findChild<QLabel*>(QStringLiteral("LabelStoppingStatus"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), engine::GetResourceString(4068, 0, 5));
}
