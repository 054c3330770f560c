// selvane-addin without a Watcher, run as a child process: every model runs
// to its limit and logs what the Watcher would read, and the run honours the
// run-status marks that another process sets through the engine.
#include <csignal>

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include "AddinProcess.h"
#include "ol/NamedMutex.h"
#include "qxlib8.h"

namespace {

using addintest::AddinProcess;

constexpr int kRunMs = 120000; // a bound for a run that ends by itself
constexpr int kStateMs = 20000;

class AddinProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_dir.isValid());
        // Each case gets channels and mutexes of its own: cases run in
        // parallel.
        const QString instance =
            QStringLiteral("addin-process-%1")
                .arg(QString::fromUtf8(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        m_env = QProcessEnvironment::systemEnvironment();
        m_env.insert(QStringLiteral("SELVANE_INSTANCE"), instance);
        qputenv("SELVANE_INSTANCE", instance.toUtf8());
        QxSetProgramMode(0);
        ASSERT_EQ(QxInit3(QX_INTERFACE_VERSION, 0, 0, ""), QX_OK);
    }
    void TearDown() override { QxFree(); }

    std::unique_ptr<AddinProcess> start(const QString& name, const QStringList& args) {
        auto p = std::make_unique<AddinProcess>(m_dir.path(), name, m_env);
        EXPECT_TRUE(p->start(QStringList{QStringLiteral("--no-watcher")} + args))
            << AddinProcess::program().toStdString();
        return p;
    }
    static std::pair<int32_t, int32_t> counts(const AddinProcess& p, int32_t selector = 1) {
        int32_t trials = -1, steps = -1;
        const QByteArray path = p.logPath().toLocal8Bit();
        EXPECT_EQ(QxLogGetRecordCounts2WVB(path.constData(), &trials, selector, &steps), QX_OK);
        return {trials, steps};
    }
    static int32_t runStatus(const AddinProcess& p) { return QxPopGetRunStatus(p.population()); }
    // Whether a frontier run's optimization k comes to be running and gets
    // past its first 60 trials.
    static ::testing::AssertionResult reachesOptimization(const AddinProcess& p, int k) {
        const bool running = p.waitFor(
            [&] {
                const auto s = p.status();
                return s.value(QStringLiteral("optimization")).toInt() == k &&
                       s.value(QStringLiteral("state")) == u"running";
            },
            kStateMs);
        if (!running)
            return ::testing::AssertionFailure() << "optimization " << k << "\n" << p.output().toStdString();
        const int32_t pop = p.population();
        if (!p.waitFor([&] { return QxPopGetTrialCount(pop) > 60; }, kStateMs))
            return ::testing::AssertionFailure() << "optimization " << k << " did not pass 60 trials";
        return ::testing::AssertionSuccess();
    }

    QTemporaryDir m_dir;
    QProcessEnvironment m_env;
};

TEST_F(AddinProcessTest, EveryModelRunsToItsTrialLimitAndLogsEachTrial) {
    const QStringList models = {QStringLiteral("portfolio"), QStringLiteral("route"), QStringLiteral("feasibility")};
    for (const QString& model : models) {
        auto p = start(model, {QStringLiteral("--model"), model, QStringLiteral("--trials"), QStringLiteral("1200"),
                               QStringLiteral("--recalc-us"), QStringLiteral("0")});
        ASSERT_TRUE(p->finish(kRunMs)) << model.toStdString();
        const QString out = p->output();
        EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("1200 trials"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("reached its limit"))) << out.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Stopping choices (the add-in's defaults"))) << out.toStdString();
        EXPECT_EQ(p->status().value(QStringLiteral("state")), u"done");
        const auto [trials, steps] = counts(*p);
        EXPECT_EQ(trials, 1200) << model.toStdString();
        EXPECT_GE(steps, 1) << model.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("%1 progress steps").arg(steps))) << out.toStdString();
    }
}

TEST_F(AddinProcessTest, EfficientFrontierLogsEachOptimizationsStepsUnderItsOwnSelector) {
    auto p =
        start(QStringLiteral("frontier"), {QStringLiteral("--efficient-frontier"), QStringLiteral("--trials"),
                                           QStringLiteral("400"), QStringLiteral("--recalc-us"), QStringLiteral("0")});
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_EQ(counts(*p).first, 5 * 400);
    for (int32_t k = 1; k <= 5; ++k)
        EXPECT_GE(counts(*p, k).second, 1) << "optimization " << k;
    EXPECT_TRUE(out.contains(QStringLiteral("Optimization 5 (Risk <= 16.0%)"))) << out.toStdString();
}

TEST_F(AddinProcessTest, HonoursPauseResumeAndStopMarks) {
    auto p = start(QStringLiteral("marks"), {QStringLiteral("--model"), QStringLiteral("route"),
                                             QStringLiteral("--trials"), QStringLiteral("0")});
    ASSERT_TRUE(p->waitForState(QStringLiteral("running"), kStateMs)) << p->output().toStdString();
    const int32_t pop = p->population();
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > 50; }, kStateMs));

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToPause), QX_OK);
    ASSERT_TRUE(p->waitForState(QStringLiteral("paused"), kStateMs));
    EXPECT_EQ(runStatus(*p), QxRunStatusPaused);
    const int32_t trialsAtPause = QxPopGetTrialCount(pop);
    const int32_t clockAtPause = QxPopGetTimerValue(pop);
    QThread::msleep(200);
    EXPECT_EQ(QxPopGetTrialCount(pop), trialsAtPause);
    EXPECT_EQ(QxPopGetTimerValue(pop), clockAtPause);

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusOptimizing), QX_OK);
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > trialsAtPause + 20; }, kStateMs));
    EXPECT_EQ(p->status().value(QStringLiteral("state")), u"running");

    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Paused after trial %1.").arg(trialsAtPause))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("stopped on request"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 pauses"))) << out.toStdString();
    // Every trial evaluated is in the log, and nothing after the stop.
    const int32_t logged = counts(*p).first;
    EXPECT_GT(logged, trialsAtPause);
    EXPECT_TRUE(out.contains(QStringLiteral("Trials: %1 (logged %1)").arg(logged))) << out.toStdString();
}

TEST_F(AddinProcessTest, ATimeLimitOrCtrlCEndsTheRunCleanly) {
    auto timed =
        start(QStringLiteral("timed"), {QStringLiteral("--model"), QStringLiteral("route"), QStringLiteral("--trials"),
                                        QStringLiteral("0"), QStringLiteral("--seconds"), QStringLiteral("1")});
    ASSERT_TRUE(timed->finish(kRunMs));
    EXPECT_EQ(timed->exitCode(), 0) << timed->output().toStdString();
    EXPECT_TRUE(timed->output().contains(QStringLiteral("reached its limit"))) << timed->output().toStdString();
    EXPECT_GT(counts(*timed).first, 0);

    auto interrupted = start(QStringLiteral("interrupted"), {QStringLiteral("--model"), QStringLiteral("route"),
                                                             QStringLiteral("--trials"), QStringLiteral("0")});
    ASSERT_TRUE(interrupted->waitForState(QStringLiteral("running"), kStateMs));
    const int32_t pop = interrupted->population();
    ASSERT_TRUE(interrupted->waitFor([&] { return QxPopGetTrialCount(pop) > 50; }, kStateMs));
    ::kill(static_cast<pid_t>(interrupted->pid()), SIGINT);
    ASSERT_TRUE(interrupted->finish(kRunMs));
    const QString out = interrupted->output();
    EXPECT_EQ(interrupted->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Interrupted: stopping the run."))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("stopped on request"))) << out.toStdString();
    EXPECT_EQ(interrupted->status().value(QStringLiteral("state")), u"done");
}

TEST_F(AddinProcessTest, NextOptimizationMarkMovesTheFrontierOnToItsNextLimit) {
    auto p = start(QStringLiteral("next"),
                   {QStringLiteral("--efficient-frontier"), QStringLiteral("--trials"), QStringLiteral("0")});
    for (int k = 1; k <= 5; ++k) {
        ASSERT_TRUE(reachesOptimization(*p, k));
        const int32_t pop = p->population();
        ASSERT_EQ(QxPopSetRunStatus(pop, k < 5 ? QxRunStatusMarkToMoveToNextOptimization : QxRunStatusMarkToStop),
                  QX_OK);
    }
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("moved on to the next optimization on request")), 4) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Optimization 5 (Risk <= 16.0%)"))) << out.toStdString();
    for (int32_t k = 1; k <= 5; ++k)
        EXPECT_GE(counts(*p, k).second, 1) << "optimization " << k;
}

// The host's Next optimization button (SIGUSR1) with nobody to ask: the run
// moves on at once, and on the last optimization there is nothing to move on
// to, so it goes on until stopped.
TEST_F(AddinProcessTest, TheNextOptimizationButtonMovesOnUnaskedUntilTheLastOptimization) {
    auto p = start(QStringLiteral("button"),
                   {QStringLiteral("--efficient-frontier"), QStringLiteral("--trials"), QStringLiteral("0")});
    for (int k = 1; k <= 5; ++k) {
        ASSERT_TRUE(reachesOptimization(*p, k));
        ASSERT_EQ(::kill(static_cast<pid_t>(p->pid()), SIGUSR1), 0);
    }
    ASSERT_TRUE(p->waitFor(
        [&] { return p->output().contains(QStringLiteral("this is the last optimization of the series")); }, kStateMs))
        << p->output().toStdString();
    const int32_t last = p->population();
    const int32_t trials = QxPopGetTrialCount(last);
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(last) > trials + 20; }, kStateMs));
    ASSERT_EQ(QxPopSetRunStatus(last, QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("Next optimization asked for: nobody to ask, so the run moves on.")), 4)
        << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("moved on to the next optimization on request")), 4) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("stopped on request"))) << out.toStdString();
}

TEST_F(AddinProcessTest, AMultiCorePauseWithoutAMarkHoldsTrialsAndTheClock) {
    auto p = start(QStringLiteral("multicore"),
                   {QStringLiteral("--model"), QStringLiteral("portfolio"), QStringLiteral("--trials"),
                    QStringLiteral("0"), QStringLiteral("--multi-core"), QStringLiteral("3")});
    ASSERT_TRUE(p->waitForState(QStringLiteral("running"), kStateMs));
    const int32_t pop = p->population();
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > 50; }, kStateMs));
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusPaused), QX_OK);
    ASSERT_TRUE(p->waitForState(QStringLiteral("paused"), kStateMs));
    const int32_t trials = QxPopGetTrialCount(pop);
    const int32_t clock = QxPopGetTimerValue(pop);
    QThread::msleep(200);
    EXPECT_EQ(QxPopGetTrialCount(pop), trials);
    EXPECT_EQ(QxPopGetTimerValue(pop), clock);
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusOptimizing), QX_OK);
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > trials + 20; }, kStateMs));
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    EXPECT_EQ(p->exitCode(), 0) << p->output().toStdString();
}

TEST_F(AddinProcessTest, FollowsTheExcelUpdatingChoiceAndServesUpdateRequests) {
    auto p = start(QStringLiteral("updating"),
                   {QStringLiteral("--model"), QStringLiteral("route"), QStringLiteral("--trials"), QStringLiteral("0"),
                    QStringLiteral("--excel-updating"), QStringLiteral("none")});
    ASSERT_TRUE(p->waitForState(QStringLiteral("running"), kStateMs));
    const int32_t pop = p->population();
    const int32_t trialsBeforeChange = QxPopGetTrialCount(pop);
    // What the Watcher's Excel-updating menu and a moved window write.
    const int32_t every = 1;
    ASSERT_EQ(QxWriteTempData(14, &every, 4), 0);
    const int16_t yes = QX_TRUE;
    ASSERT_EQ(QxWriteTempData(10, &yes, 2), 0);
    // The add-in takes each request off its channel once served.
    ASSERT_TRUE(p->waitFor(
        [] {
            int32_t updating = -1;
            int16_t request = -1;
            QxReadTempData(14, &updating, 4);
            QxReadTempData(10, &request, 2);
            return updating == 0 && request == 0;
        },
        kStateMs));
    const int32_t trialsAtChange = QxPopGetTrialCount(pop);
    ASSERT_TRUE(p->waitFor([&] { return QxPopGetTrialCount(pop) > trialsAtChange + 200; }, kStateMs));
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToStop), QX_OK);
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("The sheet now shows every recalculation."))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("1 update requests from the Watcher"))) << out.toStdString();
    // Showing every recalculation updates the sheet once per trial since the
    // change; showing none never did before it.
    const QRegularExpression updates(QStringLiteral("(\\d+) sheet updates"));
    const auto m = updates.match(out);
    ASSERT_TRUE(m.hasMatch()) << out.toStdString();
    const int64_t sheetUpdates = m.captured(1).toLongLong();
    EXPECT_GE(sheetUpdates, 200);
    EXPECT_LE(sheetUpdates, counts(*p).first - trialsBeforeChange + 1); // + the update request
}

TEST_F(AddinProcessTest, AskedQuestionsTakeTheirDefaultsWithoutAWatcherAndAWrongOptionEndsAtOnce) {
    auto p = start(QStringLiteral("questions"),
                   {QStringLiteral("--model"), QStringLiteral("feasibility"), QStringLiteral("--no-constraint-solver"),
                    QStringLiteral("--conflicting-rule"), QStringLiteral("--trials"), QStringLiteral("300"),
                    QStringLiteral("--recalc-us"), QStringLiteral("0")});
    ASSERT_TRUE(p->finish(kRunMs));
    const QString out = p->output();
    EXPECT_EQ(p->exitCode(), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Run although 2 constraints may be inconsistent: yes (no Watcher to ask)")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Let the constraint solver help"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("The constraint solver helped"))) << out.toStdString();

    auto bad = start(QStringLiteral("bad"), {QStringLiteral("--trials"), QStringLiteral("lots")});
    ASSERT_TRUE(bad->finish(kRunMs));
    EXPECT_EQ(bad->exitCode(), 2);
    EXPECT_TRUE(bad->output().contains(QStringLiteral("\"lots\""))) << bad->output().toStdString();
}

} // namespace

TEST_F(AddinProcessTest, TwoAddInsRunAtOnceAndTheWatcherSeesOneAliveUntilBothAreGone) {
    const QString survival = QStringLiteral("MirrowSurvivalMutex_OLProcessVersion8");
    const QStringList endless = {QStringLiteral("--model"), QStringLiteral("route"), QStringLiteral("--trials"),
                                 QStringLiteral("0")};
    auto first = start(QStringLiteral("first"), endless);
    auto second = start(QStringLiteral("second"), endless);
    ASSERT_TRUE(first->waitForState(QStringLiteral("running"), kStateMs)) << first->output().toStdString();
    ASSERT_TRUE(second->waitForState(QStringLiteral("running"), kStateMs)) << second->output().toStdString();
    for (const auto* p : {first.get(), second.get()})
        EXPECT_FALSE(p->output().contains(survival))
            << "an add-in was refused the survival mutex: " << p->output().toStdString();
    EXPECT_TRUE(ol::NamedMutex::exists(survival));

    // The first add-in dies mid-run: the second still holds the mutex, and
    // the dead one's population stays in /dev/shm until the next run starts.
    const QString orphan = QStringLiteral("/dev/shm/selvane-qxpop-%1-%2").arg(::getuid()).arg(first->population());
    ::kill(static_cast<pid_t>(first->pid()), SIGKILL);
    ASSERT_TRUE(first->finish(kStateMs));
    EXPECT_TRUE(ol::NamedMutex::exists(survival)) << "the Watcher would take the second add-in for dead";
    EXPECT_TRUE(QFileInfo::exists(orphan));

    auto third = start(QStringLiteral("third"), endless);
    ASSERT_TRUE(third->waitForState(QStringLiteral("running"), kStateMs)) << third->output().toStdString();
    EXPECT_FALSE(QFileInfo::exists(orphan)) << "the killed add-in's population outlived the next start";

    ::kill(static_cast<pid_t>(second->pid()), SIGKILL);
    ::kill(static_cast<pid_t>(third->pid()), SIGKILL);
    ASSERT_TRUE(second->finish(kStateMs));
    ASSERT_TRUE(third->finish(kStateMs));
    EXPECT_FALSE(ol::NamedMutex::exists(survival)) << "no add-in is left";
}
