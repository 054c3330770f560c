// The add-in's run loop against the real engine library: it honours every
// run-status mark the Watcher sets and writes what the Watcher reads.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "OptimizationRun.h"
#include "qxlib8.h"

namespace {

class RunTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir =
            std::filesystem::temp_directory_path() / ("addin-run-" + std::to_string(::getpid()) + "-" +
                                                      ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(m_dir);
        // ctest runs each case in its own process, in parallel: give each case
        // its own temp-data channels.
        ::setenv("SELVANE_INSTANCE", ::testing::UnitTest::GetInstance()->current_test_info()->name(), 1);
        m_path = (m_dir / "run.qxlog").string();
    }
    void TearDown() override {
        if (m_log)
            QxLogClose(m_log);
        QxFree();
        std::filesystem::remove_all(m_dir);
    }
    void createLog(const models::Model& m) { ASSERT_EQ(addin::CreateModelLog(m, m_path, m_log), QX_OK); }
    std::filesystem::path m_dir;
    std::string m_path;
    int32_t m_log = 0;
};

TEST_F(RunTest, StopsAtTheTrialLimitAndLogsEveryTrialAndEachImprovement) {
    auto m = models::makeModel("route", 2);
    createLog(*m);
    addin::RunOptions o;
    o.maxTrials = 600;
    o.populationSize = 30;
    addin::OptimizationRun run(*m, o, m_log, 1);
    ASSERT_EQ(run.start(), QX_OK);
    EXPECT_EQ(QxPopGetRunStatus(run.population()), QxRunStatusOptimizing);
    int trials = 0;
    while (run.step() == addin::StepResult::Trial)
        ++trials;
    EXPECT_EQ(trials, 600);
    EXPECT_EQ(QxPopGetRunStatus(run.population()), QxRunStatusStopped);
    EXPECT_EQ(run.lastError(), QX_OK);

    int32_t logged = 0, steps = 0;
    ASSERT_EQ(QxLogGetRecordCountsWVB(m_path.c_str(), &logged, &steps), QX_OK);
    EXPECT_EQ(logged, 600);
    EXPECT_EQ(steps, run.progressSteps());
    EXPECT_GE(steps, 2); // 600 trials of a 12-city tour always improve on the start
    EXPECT_LT(run.bestValue(), run.originalValue());

    // The last progress step holds the best value; trial 1 the original.
    double best = 0, original = 0;
    int32_t recalc = 0;
    ASSERT_EQ(QxLogReadRecordWVB(m_path.c_str(), steps, 1, nullptr, nullptr, &best, &recalc, nullptr, 0, nullptr, 0,
                                 nullptr, 0, nullptr, 0, nullptr),
              QX_OK);
    EXPECT_DOUBLE_EQ(best, run.bestValue());
    ASSERT_EQ(QxLogReadRecordWVB(m_path.c_str(), 1, 0, nullptr, nullptr, &original, nullptr, nullptr, 0, nullptr, 0,
                                 nullptr, 0, nullptr, 0, nullptr),
              QX_OK);
    EXPECT_DOUBLE_EQ(original, run.originalValue());

    // The channel of the trial under way follows the run.
    double underWay = 0;
    ASSERT_EQ(QxReadTempData(13, &underWay, 8), QX_OK);
    EXPECT_EQ(underWay, 601.0);

    // An optimization in the middle of a frontier series ends at its limit
    // without the stopped status, which would end the Watcher's series.
    o.markStoppedAtLimit = false;
    o.maxTrials = 40;
    addin::OptimizationRun middle(*m, o, m_log, 2, 601);
    ASSERT_EQ(middle.start(), QX_OK);
    while (middle.step() == addin::StepResult::Trial) {
    }
    EXPECT_EQ(middle.trialsDone(), 40);
    EXPECT_EQ(QxPopGetRunStatus(middle.population()), QxRunStatusOptimizing);
}

TEST_F(RunTest, HonoursPauseResumeStopAndNextOptimizationMarks) {
    auto m = models::makeModel("portfolio", 4);
    createLog(*m);
    addin::RunOptions o;
    o.maxTrials = 0;
    addin::OptimizationRun run(*m, o, m_log, 1);
    ASSERT_EQ(run.start(), QX_OK);
    const int32_t pop = run.population();
    for (int i = 0; i < 10; ++i)
        ASSERT_EQ(run.step(), addin::StepResult::Trial);

    // Pause: the loop answers the mark by pausing, then stays paused without
    // evaluating anything, and its run time stands still.
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToPause), QX_OK);
    EXPECT_EQ(run.step(), addin::StepResult::Paused);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusPaused);
    const int32_t pausedAt = QxPopGetTimerValue(pop);
    EXPECT_EQ(run.step(), addin::StepResult::Paused);
    EXPECT_EQ(run.trialsDone(), 10);
    EXPECT_EQ(QxPopGetTimerValue(pop), pausedAt);

    // Resume.
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusOptimizing), QX_OK);
    EXPECT_EQ(run.step(), addin::StepResult::Trial);
    EXPECT_EQ(run.trialsDone(), 11);

    // Next optimization of a series.
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToMoveToNextOptimization), QX_OK);
    EXPECT_EQ(run.step(), addin::StepResult::NextOptimization);

    // Stop: the loop reports the run stopped.
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusMarkToStop), QX_OK);
    EXPECT_EQ(run.step(), addin::StepResult::Stopped);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusStopped);
    EXPECT_EQ(run.trialsDone(), 11);
}

TEST_F(RunTest, BudgetGenesKeepTheirTotalInEveryLoggedTrial) {
    auto m = models::makeModel("portfolio", 9);
    createLog(*m);
    addin::RunOptions o;
    o.maxTrials = 300;
    addin::OptimizationRun run(*m, o, m_log, 1);
    ASSERT_EQ(run.start(), QX_OK);
    while (run.step() == addin::StepResult::Trial) {
    }
    std::vector<double> genes(static_cast<size_t>(m->geneCount()));
    for (int32_t r = 1; r <= 300; r += 37) {
        ASSERT_EQ(QxLogReadRecordWVB(m_path.c_str(), r, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0,
                                     nullptr, 0, genes.data(), static_cast<int32_t>(genes.size()), nullptr),
                  QX_OK);
        double sum = 0;
        for (double g : genes) {
            EXPECT_GE(g, 0.0);
            EXPECT_LE(g, 0.4 + 1e-12);
            sum += g;
        }
        EXPECT_NEAR(sum, 1.0, 1e-9) << "trial " << r;
    }
}

TEST_F(RunTest, TheConstraintSolverFindsAPlanThatMeetsEveryRule) {
    auto m = models::makeModel("feasibility", 1);
    createLog(*m);
    addin::RunOptions o;
    o.maxTrials = 20000;
    o.populationSize = 40;
    addin::OptimizationRun run(*m, o, m_log, 1);
    ASSERT_EQ(run.start(), QX_OK);
    while (run.step() == addin::StepResult::Trial && (!run.hasBest() || run.bestValue() > 0.0)) {
    }
    EXPECT_EQ(run.bestValue(), 0.0) << "no plan meeting every rule within 20000 trials";
}

} // namespace
