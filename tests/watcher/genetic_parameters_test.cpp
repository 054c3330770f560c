// The genetic-algorithm rates beside the summary grid and the rate dialog:
// what is read and sent to the engine, under the population lock, and what
// the person may type.
#include <QLineEdit>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QToolButton>

#include "FormRate.h"
#include "ResourceStrings.h"
#include "page_fixture.h"
#include "pages/GeneticParametersPanel.h"

namespace {

using pagetest::PageTest;
using watcher::GeneticParametersPanel;

// The engine's rate calls, recorded; chromosome `failing` answers with an
// error code, or raises as a failing binding does when `raise` is set.
class RecordingRates final : public watcher::GeneticRates {
public:
    int lockDepth = 0;
    int locks = 0;
    double crossover = 0.8;
    double mutation = 0.1;
    double currentMutation = 0.05;
    int32_t failing = 0;
    bool raise = false;
    std::vector<std::pair<int32_t, double>> crossoverSets;
    std::vector<std::pair<int32_t, double>> mutationSets;

    int32_t lock(int32_t) override {
        ++lockDepth;
        ++locks;
        return 0;
    }
    int32_t unlock(int32_t) override {
        --lockDepth;
        return 0;
    }
    double crossoverRate(int32_t, int32_t) override { return crossover; }
    int32_t mutationMode(int32_t, int32_t, int16_t& mode, double& rate) override {
        mode = 0;
        rate = mutation;
        return 0;
    }
    double currentMutationRate(int32_t, int32_t) override { return currentMutation; }
    int32_t setMutationMode(int32_t, int32_t chr, int16_t mode, double rate) override {
        EXPECT_EQ(mode, 0);
        EXPECT_EQ(lockDepth, 1);
        mutationSets.emplace_back(chr, rate);
        return fail(chr);
    }
    int32_t setCrossoverRate(int32_t, int32_t chr, double rate) override {
        EXPECT_EQ(lockDepth, 1);
        crossoverSets.emplace_back(chr, rate);
        return fail(chr);
    }

private:
    int32_t fail(int32_t chr) const {
        if (chr != failing)
            return 0;
        if (raise)
            ol::raiseError(ol::kErrGeneral, QStringLiteral("QxChrSetCrossoverRate"), QStringLiteral("engine failed"));
        return -3;
    }
};

engine::TaggedCollection groups(int n) {
    engine::TaggedCollection names;
    for (int i = 1; i <= n; ++i)
        names.add(engine::TaggedValue::fromString(QStringLiteral("Group%1").arg(i)));
    return names;
}

class GeneticParametersTest : public PageTest {
protected:
    GeneticParametersPanel& panel() {
        if (m_panel == nullptr) {
            m_panel = new GeneticParametersPanel(&m_frame, &m_focus);
            m_panel->setRates(m_rates);
            m_panel->setRateDialogRunner([this](bool crossover, double rateIn, double& rateOut) {
                m_dialogAsked.emplace_back(crossover, rateIn);
                rateOut = m_dialogRate;
                return m_dialogAccepts;
            });
            m_panel->ApplyLocalization(&m_manager);
            m_panel->Initialize(pageContext());
        }
        return *m_panel;
    }

    std::shared_ptr<RecordingRates> m_rates = std::make_shared<RecordingRates>();
    QTableView m_focus;
    GeneticParametersPanel* m_panel = nullptr;
    std::vector<std::pair<bool, double>> m_dialogAsked;
    double m_dialogRate = 0.5;
    bool m_dialogAccepts = true;
};

TEST_F(GeneticParametersTest, ShowsTheEnginesRatesOfTheFirstChromosome) {
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("0.8000"));
    EXPECT_EQ(panel().crossoverScroll()->value(), 80);
    EXPECT_EQ(panel().mutationText()->text(), QStringLiteral("0.1000"));
    EXPECT_EQ(panel().mutationScroll()->value(), 10);
    EXPECT_TRUE(panel().mutationScroll()->isEnabled());
    EXPECT_TRUE(panel().mutationButton()->isEnabled());
    // Reading took the lock and gave it back; the window's flag is down again.
    EXPECT_EQ(m_rates->locks, 1);
    EXPECT_EQ(m_rates->lockDepth, 0);
    EXPECT_FALSE(m_settingControls);

    // The engine changed the rates: the next update shows them, and the
    // window's own change of the scroll bars sends nothing back.
    m_rates->crossover = 1.0;
    m_rates->mutation = 0.0;
    panel().Update(watcher::PageUpdate{});
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("1"));
    EXPECT_EQ(panel().mutationText()->text(), QStringLiteral("0"));
    EXPECT_EQ(panel().mutationScroll()->value(), 0);
    EXPECT_TRUE(m_rates->crossoverSets.empty());
    EXPECT_TRUE(m_rates->mutationSets.empty());
}

TEST_F(GeneticParametersTest, AutomaticMutationShowsTheCurrentRateAndIsNeverSent) {
    m_manager.setInput_GAMutationIsAuto(true);
    m_manager.setInput_GroupNames(groups(2));
    EXPECT_EQ(panel().mutationText()->text(), QStringLiteral("Auto=0.0500"));
    EXPECT_FALSE(panel().mutationScroll()->isEnabled());
    EXPECT_FALSE(panel().mutationButton()->isEnabled());
    EXPECT_TRUE(panel().crossoverScroll()->isEnabled());

    panel().crossoverScroll()->setValue(40);
    EXPECT_TRUE(m_rates->mutationSets.empty());
    EXPECT_EQ(m_rates->crossoverSets, (std::vector<std::pair<int32_t, double>>{{1, 0.4}, {2, 0.4}}));
}

TEST_F(GeneticParametersTest, EveryChangeGoesToEveryGroup) {
    m_manager.setInput_GroupNames(groups(3));
    panel().crossoverScroll()->setValue(65);
    EXPECT_EQ(m_rates->crossoverSets, (std::vector<std::pair<int32_t, double>>{{1, 0.65}, {2, 0.65}, {3, 0.65}}));
    EXPECT_EQ(m_rates->mutationSets, (std::vector<std::pair<int32_t, double>>{{1, 0.1}, {2, 0.1}, {3, 0.1}}));
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("0.6500"));

    m_rates->crossoverSets.clear();
    m_rates->mutationSets.clear();
    panel().mutationScroll()->setValue(0);
    EXPECT_EQ(panel().mutationText()->text(), QStringLiteral("0"));
    EXPECT_EQ(m_rates->mutationSets, (std::vector<std::pair<int32_t, double>>{{1, 0.0}, {2, 0.0}, {3, 0.0}}));
    EXPECT_EQ(m_rates->crossoverSets.size(), 3u);
    EXPECT_EQ(m_rates->lockDepth, 0);
}

TEST_F(GeneticParametersTest, TheCrossoverScrollBarSnapsToOnePercent) {
    m_manager.setInput_GroupNames(groups(1));
    panel().crossoverScroll()->setValue(0);
    EXPECT_EQ(panel().crossoverScroll()->value(), 1);
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("0.0100"));
    ASSERT_FALSE(m_rates->crossoverSets.empty());
    EXPECT_DOUBLE_EQ(m_rates->crossoverSets.back().second, 0.01);
}

TEST_F(GeneticParametersTest, AnEngineErrorIsLoggedAndTheOtherGroupsStillGetTheRate) {
    m_logs.startLogging();
    m_manager.setInput_GroupNames(groups(3));
    m_rates->failing = 2;
    panel().crossoverScroll()->setValue(30);
    EXPECT_EQ(m_rates->crossoverSets.size(), 3u);
    EXPECT_EQ(m_rates->lockDepth, 0);
    const QString lines = m_logs.logMessages().join(u'\n');
    EXPECT_TRUE(lines.contains(QStringLiteral("QxLib method: QxChrSetCrossoverRate, group=2"))) << lines.toStdString();
    EXPECT_TRUE(lines.contains(QStringLiteral("QxLib method: QxChrSetMutationMode, group=2")));
    EXPECT_TRUE(lines.contains(QStringLiteral("GeneticParameters_SendValuesToQxLib: about to call QxPopUnlock(")));
}

TEST_F(GeneticParametersTest, ThePopulationLockIsFreeAfterAnEngineFailureInTheMiddleOfSending) {
    m_manager.setInput_GroupNames(groups(3));
    m_rates->failing = 2;
    m_rates->raise = true;
    panel().crossoverScroll()->setValue(30);
    // The failure ended the sending after group 2, and everything taken was
    // given back: the lock and the window's flag.
    EXPECT_EQ(m_rates->mutationSets.size(), 2u);
    EXPECT_EQ(m_rates->lockDepth, 0);
    EXPECT_FALSE(m_settingControls);
    // The panel goes on working.
    m_rates->raise = false;
    m_rates->failing = 0;
    m_rates->mutationSets.clear();
    panel().mutationScroll()->setValue(20);
    EXPECT_EQ(m_rates->mutationSets.size(), 3u);
    EXPECT_EQ(m_rates->lockDepth, 0);
}

TEST_F(GeneticParametersTest, ARateFromTheDialogIsAppliedOnlyWhileTheRunGoesOn) {
    m_manager.setInput_GroupNames(groups(2));
    panel().CommandCrossover_Click();
    ASSERT_EQ(m_dialogAsked.size(), 1u);
    EXPECT_TRUE(m_dialogAsked[0].first);
    EXPECT_DOUBLE_EQ(m_dialogAsked[0].second, 0.8);
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("0.5000"));
    EXPECT_EQ(panel().crossoverScroll()->value(), 50);
    EXPECT_EQ(m_rates->crossoverSets, (std::vector<std::pair<int32_t, double>>{{1, 0.5}, {2, 0.5}}));
    EXPECT_FALSE(m_settingControls);

    // Cancelled: nothing changes.
    m_rates->crossoverSets.clear();
    m_rates->mutationSets.clear();
    m_dialogAccepts = false;
    panel().CommandMutation_Click();
    EXPECT_FALSE(m_dialogAsked.back().first);
    EXPECT_EQ(panel().mutationText()->text(), QStringLiteral("0.1000"));
    EXPECT_TRUE(m_rates->mutationSets.empty());

    // Accepted after the run stopped: not applied, and the mutation controls
    // are off from the next update on.
    m_dialogAccepts = true;
    m_configuration = 3;
    panel().CommandCrossover_Click();
    EXPECT_EQ(panel().crossoverText()->text(), QStringLiteral("0.5000"));
    EXPECT_TRUE(m_rates->crossoverSets.empty());
    panel().Update(watcher::PageUpdate{});
    EXPECT_FALSE(panel().mutationScroll()->isEnabled());
    EXPECT_FALSE(panel().mutationButton()->isEnabled());
}

TEST_F(GeneticParametersTest, WhileTheWindowChangesControlsTheHandlersDoNothing) {
    m_manager.setInput_GroupNames(groups(2));
    panel();
    m_settingControls = true;
    panel().crossoverScroll()->setValue(20);
    panel().CommandMutation_Click();
    EXPECT_TRUE(m_rates->crossoverSets.empty());
    EXPECT_TRUE(m_dialogAsked.empty());
    EXPECT_TRUE(m_settingControls);
}

TEST_F(GeneticParametersTest, TheWindowShowsThePanelOnlyForTheGeneticAlgorithm) {
    // The panel's controls sit in one container on the summary page.
    EXPECT_FALSE(child<QWidget>("PanelGeneticParameters")->isHidden());
    restart(formprogresstest::RunSettings{.optimizationEngine = 2});
    EXPECT_TRUE(child<QWidget>("PanelGeneticParameters")->isHidden());

    // With the real engine: a change reaches the population's chromosome.
    restart(formprogresstest::RunSettings{});
    m_manager.setInput_GroupNames(groups(1));
    child<QScrollBar>("ScrollCrossover")->setValue(35);
    EXPECT_DOUBLE_EQ(QxChrGetCrossoverRate(m_pop, 1), 0.35);
    // After the stop the panel is closed for changes.
    form->GoToStoppingConfig();
    EXPECT_FALSE(child<QScrollBar>("ScrollCrossover")->isEnabled());
    EXPECT_FALSE(child<QToolButton>("CommandMutation")->isEnabled());
}

// ---------------------------------------------------------------- FormRate

class FormRateTest : public PageTest {};

TEST_F(FormRateTest, OnlyARateFromOnePercentToOneIsAccepted) {
    watcher::FormRate dialog;
    dialog.Prepare(true, 0.8);
    auto* text = dialog.findChild<QLineEdit*>(QStringLiteral("TextRate"));
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->text(), QStringLiteral("0.8000"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("LabelRate"))->text(), engine::GetResourceString(4200));
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Selvane"));

    for (const char* bad : {"0", "1.5", "abc", "", "0.009"}) {
        m_visual.clearCalls();
        dialog.show();
        text->setText(QLatin1String(bad));
        dialog.CommandOK_Click();
        const auto messages = m_visual.callsOf(QStringLiteral("showMessage"));
        ASSERT_EQ(messages.size(), 1u) << bad;
        EXPECT_EQ(messages[0].text, engine::GetResourceString(4201));
        EXPECT_EQ(messages[0].title, QStringLiteral("Selvane"));
        EXPECT_TRUE(dialog.isVisible()) << bad;
    }
    for (const char* good : {"0.01", "1", " 0.25 "}) {
        m_visual.clearCalls();
        dialog.show();
        text->setText(QLatin1String(good));
        dialog.CommandOK_Click();
        EXPECT_TRUE(m_visual.callsOf(QStringLiteral("showMessage")).empty()) << good;
        EXPECT_FALSE(dialog.isVisible()) << good;
        double rate = -1;
        EXPECT_TRUE(dialog.TypedRate(rate)) << good;
        EXPECT_DOUBLE_EQ(rate, QString::fromLatin1(good).trimmed().toDouble());
    }
}

TEST_F(FormRateTest, CancelAndTheCloseBoxChangeNothing) {
    watcher::FormRate dialog;
    dialog.Prepare(false, 0.1);
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("LabelRate"))->text(), engine::GetResourceString(4202));
    dialog.show();
    dialog.CommandCancel_Click();
    double rate = -1;
    EXPECT_TRUE(dialog.Cancelled());
    EXPECT_FALSE(dialog.TypedRate(rate));
    EXPECT_DOUBLE_EQ(rate, -1);

    dialog.Prepare(false, 0.1);
    dialog.show();
    dialog.close();
    EXPECT_TRUE(dialog.Cancelled());
    EXPECT_FALSE(dialog.TypedRate(rate));

    // Shown modally and closed by the window going to its stopping
    // configuration: not cancelled, but the panel will not apply it.
    QTimer::singleShot(0, &dialog, [&] { dialog.hide(); });
    EXPECT_TRUE(dialog.ShowDialog(true, 0.3, rate));
    EXPECT_DOUBLE_EQ(rate, 0.3);
}

} // namespace
