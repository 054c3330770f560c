// The steady-state algorithm: which organism comes next, how results rank,
// what each solving method's operators keep, automatic mutation, progress
// and determinism.
#include <algorithm>
#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

#include "pop_test_support.h"

namespace {

using poptest::ChromosomeSpec;

int32_t next(int32_t pop) {
    int32_t organism = 0;
    EXPECT_EQ(QxPopNextOrganism(pop, &organism), QX_OK);
    return organism;
}

// Runs `trials` trials, scoring each organism with `objective` (maximized
// unless the population's goal says otherwise), checking `invariant` on every
// organism handed out.
template <typename Objective, typename Invariant>
void run(int32_t pop, int trials, Objective objective, Invariant invariant) {
    for (int t = 0; t < trials; ++t) {
        const int32_t o = next(pop);
        const auto genes = poptest::genesOf(pop, o);
        invariant(genes);
        ASSERT_EQ(QxOrgSetResult(pop, o, objective(genes), 0, 0), QX_OK);
    }
}

double sumOf(const std::vector<double>& v, size_t first, size_t count) {
    return std::accumulate(v.begin() + static_cast<long>(first), v.begin() + static_cast<long>(first + count), 0.0);
}

// Scores of organisms 1..N as the algorithm ranks them (for the default goal).
std::vector<double> tempValues(int32_t pop) {
    std::vector<double> out;
    for (int32_t o = 1; o <= QxPopGetOrganismCount(pop); ++o) {
        double temp = 0;
        QxOrgGetResult(pop, o, &temp, nullptr, 0, nullptr);
        out.push_back(temp);
    }
    return out;
}

} // namespace

TEST(GaOrder, NotEvaluatedOrganismsComeFirstInIndexOrderThenTheCandidate) {
    const int32_t pop = poptest::makePopulation(4, {{QX_METHOD_RECIPE, {1, 2}, 0, 10, 1}}, 1);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    EXPECT_EQ(next(pop), 1);
    EXPECT_EQ(next(pop), 1) << "asking again before the result names the same organism";
    // Results may arrive out of order; the first not-evaluated one is next.
    ASSERT_EQ(QxOrgSetResult(pop, 3, 5, 0, 0), QX_OK);
    EXPECT_EQ(next(pop), 1);
    ASSERT_EQ(QxOrgSetResult(pop, 1, 1, 0, 0), QX_OK);
    EXPECT_EQ(next(pop), 2);
    ASSERT_EQ(QxOrgSetResult(pop, 2, 2, 0, 0), QX_OK);
    EXPECT_EQ(next(pop), 4);
    EXPECT_EQ(QxOrgSetResult(pop, 5, 0, 0, 0), QX_E_STATE) << "no candidate bred yet";
    ASSERT_EQ(QxOrgSetResult(pop, 4, 4, 0, 0), QX_OK);
    EXPECT_EQ(QxPopGetTrialCount(pop), 4);

    EXPECT_EQ(next(pop), 5);
    const auto candidate = poptest::genesOf(pop, 5);
    EXPECT_EQ(next(pop), 5);
    EXPECT_EQ(poptest::genesOf(pop, 5), candidate) << "a pending candidate is not bred again";
    int32_t flags = 0;
    ASSERT_EQ(QxOrgGetResult(pop, 5, nullptr, nullptr, 0, &flags), QX_OK);
    EXPECT_EQ(flags, QX_ORG_NOT_EVALUATED);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaOrder, PopulationRunsFromWorstToBestAndABetterCandidateReplacesTheWorst) {
    const int32_t pop = poptest::makePopulation(5, {{QX_METHOD_RECIPE, {0, 0, 0}, 0, 100, 0}}, 3);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    const double values[] = {30, 10, 50, 20, 40};
    std::vector<std::vector<double>> genesByValue(60);
    for (int32_t o = 1; o <= 5; ++o) {
        ASSERT_EQ(next(pop), o);
        genesByValue[static_cast<size_t>(values[o - 1])] = poptest::genesOf(pop, o);
        ASSERT_EQ(QxOrgSetResult(pop, o, values[o - 1], 0, 0), QX_OK);
    }
    EXPECT_EQ(tempValues(pop), (std::vector<double>{10, 20, 30, 40, 50}));
    // Reordering keeps each organism's genes with its result.
    for (int32_t o = 1; o <= 5; ++o)
        EXPECT_EQ(poptest::genesOf(pop, o), genesByValue[static_cast<size_t>(10 * o)]);

    ASSERT_EQ(next(pop), 6);
    const auto candidate = poptest::genesOf(pop, 6);
    ASSERT_EQ(QxOrgSetResult(pop, 6, 35, 0, 0), QX_OK);
    EXPECT_EQ(tempValues(pop), (std::vector<double>{20, 30, 35, 40, 50}));
    EXPECT_EQ(poptest::genesOf(pop, 3), candidate);

    // A candidate no better than the worst leaves the population as it was.
    const auto before = tempValues(pop);
    ASSERT_EQ(next(pop), 6);
    ASSERT_EQ(QxOrgSetResult(pop, 6, 20, 0, 0), QX_OK);
    EXPECT_EQ(tempValues(pop), before);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaOrder, GoalsPenaltiesAndInvalidOrganismsRank) {
    struct Case {
        int32_t goal;
        double target;
        // value, penalty, flags for organisms 1..4
        double value[4];
        double penalty[4];
        int32_t flags[4];
        double expectedTemp[4];    // of organisms 1..4 before ranking
        double rankedObjective[4]; // objective of organisms 1..4 after ranking, worst first
    };
    const Case cases[] = {
        {QX_GOAL_MAXIMIZE,
         0,
         {10, 12, 30, 11},
         {0, 5, 0, 0},
         {0, 0, QX_ORG_INVALID, 0},
         {10, 7, 30, 11},
         {30, 12, 10, 11}},
        {QX_GOAL_MINIMIZE, 0, {10, 12, 30, 11}, {0, 5, 0, 0}, {0, 0, 0, 0}, {10, 17, 30, 11}, {30, 12, 11, 10}},
        // target 20: distance + penalty = 5, 3 + 4, 1, 2
        {QX_GOAL_TARGET,
         20,
         {15, 23, 21, 18},
         {0, 4, 0, 0},
         {0, 0, 0, QX_ORG_INVALID},
         {15, 27, 21, 18},
         {18, 23, 15, 21}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("goal " + std::to_string(c.goal));
        const int32_t pop = poptest::makePopulation(4, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}}, 5);
        ASSERT_GT(pop, 0);
        ASSERT_EQ(QxPopSetGoal(pop, c.goal, c.target), QX_OK);
        for (int32_t o = 1; o <= 4; ++o) {
            ASSERT_EQ(QxOrgSetResult(pop, o, c.value[o - 1], c.penalty[o - 1], c.flags[o - 1]), QX_OK);
            if (o < 4) {
                double temp = 0, objective = 0;
                int32_t flags = -1;
                ASSERT_EQ(QxOrgGetResult(pop, o, &temp, &objective, 0, &flags), QX_OK);
                EXPECT_EQ(temp, c.expectedTemp[o - 1]);
                EXPECT_EQ(objective, c.value[o - 1]);
                EXPECT_EQ(flags, c.flags[o - 1]);
            }
        }
        for (int32_t o = 1; o <= 4; ++o)
            EXPECT_EQ(poptest::objectiveOf(pop, o), c.rankedObjective[o - 1]) << "organism " << o;
        EXPECT_EQ(QxPopFree(pop), QX_OK);
    }
}

TEST(GaOperators, RecipeGenesStayInRangeAndOnStep) {
    const std::vector<ChromosomeSpec> spec{{QX_METHOD_RECIPE, {2.5, 7, 0}, 0, 10, 0.5},
                                           {QX_METHOD_RECIPE, {-1, 0, 3}, -3, 3, 1},
                                           {QX_METHOD_RECIPE, {0.25, 0.75}, 0, 1, 0}};
    const int32_t pop = poptest::makePopulation(20, spec, 11);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    for (int32_t chr = 1; chr <= 3; ++chr) {
        ASSERT_EQ(QxChrSetMutationMode(pop, chr, QX_MUTATION_FIXED, 0.3), QX_OK);
        ASSERT_EQ(QxChrSetCrossoverRate(pop, chr, 0.9), QX_OK);
    }
    std::vector<std::vector<double>> seen;
    run(
        pop, 1500, [](const std::vector<double>& g) { return -std::fabs(g[0] - 3) - std::fabs(g[4] + 2); },
        [&](const std::vector<double>& g) {
            ASSERT_EQ(g.size(), 8u);
            for (size_t i = 0; i < 8; ++i) {
                const ChromosomeSpec& c = spec[i < 3 ? 0 : (i < 6 ? 1 : 2)];
                ASSERT_GE(g[i], c.min);
                ASSERT_LE(g[i], c.max);
                if (c.step > 0) {
                    const double steps = (g[i] - c.min) / c.step;
                    ASSERT_NEAR(steps, std::round(steps), 1e-9) << "gene " << i << " = " << g[i];
                }
            }
            seen.push_back(g);
        });
    // The search actually moves: many different organisms were tried.
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 200);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaOperators, BudgetKeepsTheOriginalTotalWithinRanges) {
    const std::vector<double> original{10, 20, 5, 15, 30, 20};
    const double total = 100;
    const int32_t pop =
        poptest::makePopulation(30, {{QX_METHOD_BUDGET, original, 0, 40, 0}, {QX_METHOD_RECIPE, {1, 1}, 0, 5, 1}}, 12);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_AUTO, 0.4), QX_OK);
    ASSERT_EQ(QxChrSetCrossoverRate(pop, 1, 0.9), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    EXPECT_EQ(poptest::genesOf(pop, 1), (std::vector<double>{10, 20, 5, 15, 30, 20, 1, 1}));

    std::vector<std::vector<double>> seen;
    run(
        pop, 3000, [](const std::vector<double>& g) { return g[0] * g[1] - g[2] * g[2]; },
        [&](const std::vector<double>& g) {
            ASSERT_NEAR(sumOf(g, 0, 6), total, total * 1e-9);
            for (size_t i = 0; i < 6; ++i) {
                ASSERT_GE(g[i], -1e-9);
                ASSERT_LE(g[i], 40 + 1e-9);
            }
            seen.push_back(g);
        });
    // Every organism still keeps the total, and the allocations differ.
    for (int32_t o = 1; o <= 31; ++o)
        EXPECT_NEAR(sumOf(poptest::genesOf(pop, o), 0, 6), total, total * 1e-9) << "organism " << o;
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 1000);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaOperators, OrderStaysAPermutationOfTheOriginalValues) {
    // Repeated values too: the group is a multiset.
    const std::vector<double> original{1, 2, 2, 3, 5, 8, 13, 21, 21};
    const int32_t pop = poptest::makePopulation(25, {{QX_METHOD_ORDER, original, 0, 0, 0}}, 13);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 0.2), QX_OK);
    ASSERT_EQ(QxChrSetCrossoverRate(pop, 1, 1.0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    std::vector<std::vector<double>> seen;
    run(
        pop, 2000,
        [](const std::vector<double>& g) {
            double s = 0; // rewards ascending order
            for (size_t i = 0; i < g.size(); ++i)
                s += g[i] * static_cast<double>(i);
            return s;
        },
        [&](const std::vector<double>& g) {
            auto sorted = g;
            std::sort(sorted.begin(), sorted.end());
            ASSERT_EQ(sorted, original);
            seen.push_back(g);
        });
    std::sort(seen.begin(), seen.end());
    EXPECT_GT(std::unique(seen.begin(), seen.end()) - seen.begin(), 100);
    // Ascending order is the optimum; the run should get there or very close.
    const auto best = poptest::genesOf(pop, 25);
    EXPECT_GE(poptest::objectiveOf(pop, 25), 0.95 * 468) << "best ordering found is poor";
    EXPECT_EQ(best.size(), original.size());
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaSearch, RunImprovesASimpleObjectiveAndCountsProgress) {
    // Minimize the distance to (7, 7, 7, 7, 7, 7) from a poor start.
    const int32_t pop = poptest::makePopulation(30, {{QX_METHOD_RECIPE, {0, 0, 0, 0, 0, 0}, 0, 20, 1}}, 21);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxPopSetGoal(pop, QX_GOAL_MINIMIZE, 0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    auto distance = [](const std::vector<double>& g) {
        double d = 0;
        for (double v : g)
            d += (v - 7) * (v - 7);
        return d;
    };
    double bestInitial = 1e300;
    for (int32_t o = 1; o <= 30; ++o) {
        ASSERT_EQ(next(pop), o);
        const double d = distance(poptest::genesOf(pop, o));
        bestInitial = std::min(bestInitial, d);
        ASSERT_EQ(QxOrgSetResult(pop, o, d, 0, 0), QX_OK);
    }
    const int32_t stepsAfterInitial = QxPopGetProgressStepCount(pop);
    run(pop, 4000, distance, [](const std::vector<double>&) {});
    EXPECT_EQ(QxPopGetTrialCount(pop), 4030);
    const double best = poptest::objectiveOf(pop, 30);
    EXPECT_LT(best, bestInitial);
    EXPECT_LE(best, 2.0) << "the optimum is 0; the run got stuck far from it";
    EXPECT_GT(QxPopGetProgressStepCount(pop), stepsAfterInitial);
    // Organism N is the best of the population.
    for (int32_t o = 1; o < 30; ++o)
        EXPECT_GE(poptest::objectiveOf(pop, o), best);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaSearch, ProgressStepsCountEveryNewBest) {
    const int32_t pop = poptest::makePopulation(3, {{QX_METHOD_RECIPE, {0}, 0, 1, 0}}, 2);
    ASSERT_GT(pop, 0);
    const double results[] = {5, 3, 6, 6, 1, 9, 2, 9.5};
    const int32_t expectedSteps[] = {1, 1, 2, 2, 2, 3, 3, 4};
    for (size_t i = 0; i < std::size(results); ++i) {
        const int32_t o = next(pop);
        ASSERT_EQ(QxOrgSetResult(pop, o, results[i], 0, 0), QX_OK);
        EXPECT_EQ(QxPopGetProgressStepCount(pop), expectedSteps[i]) << "after result " << results[i];
    }
    EXPECT_EQ(QxPopGetTrialCount(pop), 8);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaSearch, SameSeedGivesTheSameRunAndAnotherSeedAnother) {
    auto candidates = [](uint64_t seed) {
        const int32_t pop = poptest::makePopulation(10,
                                                    {{QX_METHOD_RECIPE, {1, 2, 3}, 0, 50, 0},
                                                     {QX_METHOD_BUDGET, {4, 4, 4}, 0, 12, 0},
                                                     {QX_METHOD_ORDER, {1, 2, 3, 4}, 0, 0, 0}},
                                                    seed);
        std::vector<double> all;
        if (pop == 0 || QxPopRandomize(pop) != QX_OK)
            return all;
        for (int t = 0; t < 300; ++t) {
            const int32_t o = next(pop);
            const auto g = poptest::genesOf(pop, o);
            all.insert(all.end(), g.begin(), g.end());
            QxOrgSetResult(pop, o, g[0] + g[3] * g[7], 0, 0);
        }
        QxPopFree(pop);
        return all;
    };
    const auto a = candidates(1234);
    ASSERT_FALSE(a.empty());
    EXPECT_EQ(a, candidates(1234));
    EXPECT_NE(a, candidates(1235));
}

TEST(GaSearch, AutomaticMutationRisesWhileStalledAndFallsBackOnProgress) {
    constexpr int32_t kN = 5;
    const int32_t pop = poptest::makePopulation(kN, {{QX_METHOD_RECIPE, {1, 2}, 0, 10, 0}}, 8);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_AUTO, 0.1), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    auto trial = [pop](double value) {
        const int32_t o = next(pop);
        ASSERT_EQ(QxOrgSetResult(pop, o, value, 0, 0), QX_OK);
    };
    trial(100); // the first result is progress
    for (int i = 1; i < kN; ++i)
        trial(1);
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.1);
    trial(1); // N trials without progress
    const double raised = QxChrGetCurrentMutationRate(pop, 1);
    EXPECT_GT(raised, 0.1);
    EXPECT_LT(raised, 0.2) << "rises about 10% per N stalled trials";
    for (int i = 0; i < 100 * kN; ++i)
        trial(1);
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.5) << "capped at 0.5";
    int16_t mode = -1;
    double setRate = 0;
    ASSERT_EQ(QxChrGetMutationMode(pop, 1, &mode, &setRate), QX_OK);
    EXPECT_EQ(mode, QX_MUTATION_AUTO);
    EXPECT_EQ(setRate, 0.1);
    trial(1000); // progress
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.1);

    // A fixed rate is reported as set, whatever the progress.
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 0.07), QX_OK);
    for (int i = 0; i < 3 * kN; ++i)
        trial(1);
    EXPECT_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.07);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(GaSearch, RandomizeLeavesTheOriginalAndSpreadsTheRest) {
    const std::vector<double> original{3, 3, 3, 3};
    const int32_t pop = poptest::makePopulation(8, {{QX_METHOD_RECIPE, original, 0, 100, 0}}, 17);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxOrgSetResult(pop, 1, 42, 0, 0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    EXPECT_EQ(poptest::genesOf(pop, 1), original);
    EXPECT_EQ(poptest::objectiveOf(pop, 1), 42);
    for (int32_t o = 2; o <= 8; ++o) {
        const auto g = poptest::genesOf(pop, o);
        EXPECT_NE(g, original) << "organism " << o;
        for (int32_t p = 2; p < o; ++p)
            EXPECT_NE(g, poptest::genesOf(pop, p));
        int32_t flags = 0;
        ASSERT_EQ(QxOrgGetResult(pop, o, nullptr, nullptr, 0, &flags), QX_OK);
        EXPECT_EQ(flags, QX_ORG_NOT_EVALUATED);
    }
    EXPECT_EQ(next(pop), 2) << "organism 1 already has its result";
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}
