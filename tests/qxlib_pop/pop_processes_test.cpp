// A population and the temp-data channels shared by the add-in's process and
// the Watcher's. The helper is forked before the population exists, so it
// maps it from the handle alone.
#include <gtest/gtest.h>

#include "pop_test_support.h"

using namespace poptest;

namespace {

// Counts failed checks inside a helper process (no gtest there).
struct Checks {
    int failed = 0;
    void operator()(bool ok) { failed += ok ? 0 : 1; }
};

bool candidateCopiesAnOrganism(int32_t pop, int32_t organisms) {
    const auto candidate = genesOf(pop, organisms + 1);
    for (int32_t o = 1; o <= organisms; ++o)
        if (genesOf(pop, o) == candidate)
            return true;
    return false;
}

} // namespace

TEST(PopAcrossProcesses, AnotherProcessReadsAndChangesThePopulationByHandle) {
    HelperProcess watcher([](const Link& link) {
        const auto pop = static_cast<int32_t>(link.receive());
        Checks check;
        check(QxPopGetOrganismCount(pop) == 5 && QxPopGetChromosomeCount(pop) == 2);
        check(QxChrGetGeneCount(pop, 1) == 4 && QxChrGetSolvingMethod(pop, 2) == QX_METHOD_ORDER);
        check(genesOf(pop, 1) == std::vector<double>{1, 2, 3, 4, 10, 20, 30});
        double min = 0, max = 0, step = 0, value = 0;
        check(QxGeneGetRange(pop, 1, 3, &min, &max, &step) == QX_OK && min == 0 && max == 10 && step == 0.5);
        check(QxGeneGetValue(pop, 2, 1, 2, &value) == QX_OK && value == 20);
        check(QxPopGetRunStatus(pop) == QxRunStatusOptimizing);
        // What the rate dialog and the Pause button do.
        check(QxPopLock(pop) == QX_OK);
        for (int32_t chr = 1; chr <= 2; ++chr)
            check(QxChrSetCrossoverRate(pop, chr, 0.8) == QX_OK &&
                  QxChrSetMutationMode(pop, chr, QX_MUTATION_FIXED, 0.25) == QX_OK);
        check(QxPopSetRunStatus(pop, QxRunStatusMarkToPause) == QX_OK);
        check(QxGeneSetValue(pop, 1, 3, 2, 7.5) == QX_OK);
        check(QxPopUnlock(pop) == QX_OK);
        link.send(check.failed);
        // Its mapping outlives the add-in's QxPopFree, but must not be used.
        link.receive();
        check(QxPopGetRunStatus(pop) == QX_E_BAD_HANDLE);
        check(QxPopLock(pop) == QX_E_BAD_HANDLE);
        check(QxOrgGetGenes(pop, 1, &value, 1) == QX_E_BAD_HANDLE);
        return check.failed;
    });

    int32_t handle = 0;
    {
        const TestPopulation pop(
            5, {{QX_METHOD_RECIPE, {1, 2, 3, 4}, 0, 10, 0.5}, {QX_METHOD_ORDER, {10, 20, 30}, 0, 0, 0}});
        handle = pop;
        ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_AUTO, 0.05), QX_OK);
        ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusOptimizing), QX_OK);
        watcher.link().send(pop);
        ASSERT_EQ(watcher.link().receive(), 0);

        for (int32_t chr = 1; chr <= 2; ++chr) {
            int16_t mode = -1;
            double rate = -1;
            EXPECT_EQ(QxChrGetMutationMode(pop, chr, &mode, &rate), QX_OK);
            EXPECT_EQ(mode, QX_MUTATION_FIXED);
            EXPECT_EQ(rate, 0.25);
            EXPECT_EQ(QxChrGetCurrentMutationRate(pop, chr), 0.25);
            EXPECT_EQ(QxChrGetCrossoverRate(pop, chr), 0.8);
        }
        EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusMarkToPause);
        double value = 0;
        EXPECT_EQ(QxGeneGetValue(pop, 1, 3, 2, &value), QX_OK);
        EXPECT_EQ(value, 7.5);
    }
    watcher.link().send(handle); // freed now
    EXPECT_EQ(watcher.wait(), 0);
}

TEST(PopAcrossProcesses, RateSetByAnotherProcessAppliesToTheNextCandidate) {
    constexpr int32_t kN = 6;
    const TestPopulation pop(kN, {{QX_METHOD_RECIPE, {5, 5, 5, 5, 5, 5, 5, 5}, 0, 1000, 1}}, 99);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    ASSERT_EQ(QxChrSetCrossoverRate(pop, 1, 0.0), QX_OK);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 0.0), QX_OK);
    for (int32_t o = 1; o <= kN; ++o)
        ASSERT_EQ(QxOrgSetResult(pop, next(pop), o, 0, 0), QX_OK);
    // Neither crossover nor mutation: every candidate copies a parent.
    for (int trial = 0; trial < 5; ++trial) {
        ASSERT_EQ(next(pop), kN + 1);
        EXPECT_TRUE(candidateCopiesAnOrganism(pop, kN));
        ASSERT_EQ(QxOrgSetResult(pop, kN + 1, -1, 0, 0), QX_OK);
    }
    HelperProcess watcher([&pop](const Link&) {
        if (QxPopLock(pop) != QX_OK)
            return 1;
        const int32_t rc = QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 1.0);
        return QxPopUnlock(pop) == QX_OK && rc == QX_OK ? 0 : 2;
    });
    ASSERT_EQ(watcher.wait(), 0);
    // Every gene is drawn afresh from 1001 values now (the seed fixes the draw).
    ASSERT_EQ(next(pop), kN + 1);
    EXPECT_FALSE(candidateCopiesAnOrganism(pop, kN));
}

TEST(TempDataAcrossProcesses, ValueWrittenByOneProcessIsReadByTheOther) {
    ASSERT_EQ(QxClearTempData(), QX_OK);
    HelperProcess watcher([](const Link& link) {
        link.receive();
        Checks check;
        double trial = 0;
        int16_t ready = 0;
        check(QxReadTempData(13, &trial, 8) == QX_OK && trial == 12345.5);
        check(QxReadTempData(8, &ready, 2) == QX_OK && ready == QX_TRUE);
        const int32_t answer = -2;
        check(QxWriteTempData(16, &answer, 4) == QX_OK);
        return check.failed;
    });
    const double trial = 12345.5;
    const int16_t yes = QX_TRUE;
    ASSERT_EQ(QxWriteTempData(13, &trial, 8), QX_OK);
    ASSERT_EQ(QxWriteTempData(8, &yes, 2), QX_OK);
    watcher.link().send(1);
    EXPECT_EQ(watcher.wait(), 0);
    int32_t answer = 0;
    EXPECT_EQ(QxReadTempData(16, &answer, 4), QX_OK);
    EXPECT_EQ(answer, -2);
}
