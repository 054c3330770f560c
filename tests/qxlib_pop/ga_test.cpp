// The steady-state algorithm: which organism comes next, how results rank,
// what each solving method's operators keep, automatic mutation, progress
// and determinism.
#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>
#include <set>

#include <gtest/gtest.h>

#include "pop_test_support.h"

using namespace poptest;

namespace {

// Runs `trials` trials, scoring each organism with `objective` and checking
// `invariant` on every organism handed out. Returns how many distinct
// organisms were tried.
template <typename Objective, typename Invariant>
size_t run(int32_t pop, int trials, Objective objective, Invariant invariant) {
    std::set<std::vector<double>> tried;
    for (int t = 0; t < trials; ++t) {
        const int32_t o = next(pop);
        const auto genes = genesOf(pop, o);
        invariant(genes);
        tried.insert(genes);
        EXPECT_EQ(QxOrgSetResult(pop, o, objective(genes), 0, 0), QX_OK);
    }
    return tried.size();
}

std::vector<double> objectives(int32_t pop) {
    std::vector<double> out;
    for (int32_t o = 1; o <= QxPopGetOrganismCount(pop); ++o)
        out.push_back(objectiveOf(pop, o));
    return out;
}

} // namespace

TEST(GaOrder, NotEvaluatedOrganismsComeFirstInIndexOrderThenTheCandidate) {
    const TestPopulation pop(4, {{QX_METHOD_RECIPE, {1, 2}, 0, 10, 1}});
    ASSERT_EQ(QxOrgSetResult(pop, 3, 5, 0, 0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    EXPECT_EQ(genesOf(pop, 1), (std::vector<double>{1, 2})) << "randomizing leaves the original";
    EXPECT_EQ(flagsOf(pop, 3), QX_ORG_NOT_EVALUATED) << "randomized organisms wait for a new result";
    EXPECT_EQ(next(pop), 1);
    EXPECT_EQ(next(pop), 1) << "asking again before the result names the same organism";
    ASSERT_EQ(QxOrgSetResult(pop, 3, 5, 0, 0), QX_OK); // results may come out of order
    EXPECT_EQ(next(pop), 1);
    ASSERT_EQ(QxOrgSetResult(pop, 1, 1, 0, 0), QX_OK);
    EXPECT_EQ(next(pop), 2);
    ASSERT_EQ(QxOrgSetResult(pop, 2, 2, 0, 0), QX_OK);
    EXPECT_EQ(next(pop), 4);
    EXPECT_EQ(QxOrgSetResult(pop, 5, 0, 0, 0), QX_E_STATE) << "no candidate bred yet";
    ASSERT_EQ(QxOrgSetResult(pop, 4, 4, 0, 0), QX_OK);

    EXPECT_EQ(next(pop), 5);
    const auto candidate = genesOf(pop, 5);
    EXPECT_EQ(next(pop), 5);
    EXPECT_EQ(genesOf(pop, 5), candidate) << "a pending candidate is not bred again";
    EXPECT_EQ(flagsOf(pop, 5), QX_ORG_NOT_EVALUATED);
    EXPECT_EQ(QxPopGetTrialCount(pop), 5) << "every result taken counts";
}

TEST(GaOrder, PopulationRunsFromWorstToBestAndABetterCandidateReplacesTheWorst) {
    const TestPopulation pop(5, {{QX_METHOD_RECIPE, {0, 0, 0}, 0, 100, 0}}, 3);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    const double values[] = {30, 10, 50, 20, 40};
    std::map<double, std::vector<double>> genesByValue;
    for (int32_t o = 1; o <= 5; ++o) {
        genesByValue[values[o - 1]] = genesOf(pop, next(pop));
        ASSERT_EQ(QxOrgSetResult(pop, o, values[o - 1], 0, 0), QX_OK);
    }
    EXPECT_EQ(objectives(pop), (std::vector<double>{10, 20, 30, 40, 50}));
    for (int32_t o = 1; o <= 5; ++o)
        EXPECT_EQ(genesOf(pop, o), genesByValue[10.0 * o]) << "genes travel with their result";

    ASSERT_EQ(next(pop), 6);
    const auto candidate = genesOf(pop, 6);
    ASSERT_EQ(QxOrgSetResult(pop, 6, 35, 0, 0), QX_OK);
    EXPECT_EQ(objectives(pop), (std::vector<double>{20, 30, 35, 40, 50}));
    EXPECT_EQ(genesOf(pop, 3), candidate);
    ASSERT_EQ(next(pop), 6);
    ASSERT_EQ(QxOrgSetResult(pop, 6, 20, 0, 0), QX_OK);
    EXPECT_EQ(objectives(pop), (std::vector<double>{20, 30, 35, 40, 50})) << "no better than the worst: kept out";
}

TEST(GaOrder, GoalsPenaltiesAndInvalidOrganismsRank) {
    struct Case {
        int32_t goal;
        double target, value[4], penalty[4];
        int32_t flags[4];
        double temp[3];   // tempValue of organisms 1..3 before ranking
        double ranked[4]; // objectives of organisms 1..4 once ranked, worst first
    };
    const Case cases[] = {
        {QX_GOAL_MAXIMIZE, 0, {10, 12, 30, 11}, {0, 5, 0, 0}, {0, 0, QX_ORG_INVALID, 0}, {10, 7, 30}, {30, 12, 10, 11}},
        {QX_GOAL_MINIMIZE, 0, {10, 12, 30, 11}, {0, 5, 0, 0}, {0, 0, 0, 0}, {10, 17, 30}, {30, 12, 11, 10}},
        // target 20: distance + penalty = 5, 3 + 4, 1, (invalid)
        {QX_GOAL_TARGET, 20, {15, 23, 21, 18}, {0, 4, 0, 0}, {0, 0, 0, QX_ORG_INVALID}, {15, 27, 21}, {18, 23, 15, 21}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("goal " + std::to_string(c.goal));
        const TestPopulation pop(4, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}});
        ASSERT_EQ(QxPopSetGoal(pop, c.goal, c.target), QX_OK);
        for (int32_t o = 1; o <= 4; ++o) {
            ASSERT_EQ(QxOrgSetResult(pop, o, c.value[o - 1], c.penalty[o - 1], c.flags[o - 1]), QX_OK);
            double temp = 0;
            if (o < 4) { // the fourth result ranks the population
                ASSERT_EQ(QxOrgGetResult(pop, o, &temp, nullptr, 0, nullptr), QX_OK);
                EXPECT_EQ(temp, c.temp[o - 1]);
            }
        }
        EXPECT_EQ(objectives(pop), std::vector<double>(c.ranked, c.ranked + 4));
        EXPECT_EQ(flagsOf(pop, 1), c.flags[std::find(c.value, c.value + 4, c.ranked[0]) - c.value]);
    }
}

TEST(GaOperators, RecipeGenesStayInRangeAndOnStep) {
    const std::vector<ChromosomeSetup> setup{{QX_METHOD_RECIPE, {2.5, 7, 0}, 0, 10, 0.5},
                                             {QX_METHOD_RECIPE, {-1, 0, 3}, -3, 3, 1},
                                             {QX_METHOD_RECIPE, {0.25, 0.75}, 0, 1, 0}};
    const TestPopulation pop(20, setup, 11);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    for (int32_t chr = 1; chr <= 3; ++chr)
        ASSERT_EQ(QxChrSetMutationMode(pop, chr, QX_MUTATION_FIXED, 0.3), QX_OK);
    const size_t tried = run(
        pop, 1500, [](const std::vector<double>& g) { return -std::fabs(g[0] - 3) - std::fabs(g[4] + 2); },
        [&](const std::vector<double>& g) {
            ASSERT_EQ(g.size(), 8u);
            for (size_t i = 0; i < 8; ++i) {
                const ChromosomeSetup& c = setup[i < 3 ? 0 : (i < 6 ? 1 : 2)];
                ASSERT_TRUE(g[i] >= c.min && g[i] <= c.max) << "gene " << i << " = " << g[i];
                const double offStep = c.step > 0 ? std::fmod(g[i] - c.min, c.step) : 0.0;
                ASSERT_EQ(offStep, 0.0) << "gene " << i << " = " << g[i];
            }
        });
    EXPECT_GT(tried, 200u) << "the search hardly moved";
}

TEST(GaOperators, BudgetKeepsTheOriginalTotalWithinRanges) {
    const TestPopulation pop(
        30, {{QX_METHOD_BUDGET, {10, 20, 5, 15, 30, 20}, 0, 40, 0}, {QX_METHOD_RECIPE, {1, 1}, 0, 5, 1}}, 12);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_AUTO, 0.4), QX_OK);
    ASSERT_EQ(QxChrSetCrossoverRate(pop, 1, 0.9), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    EXPECT_EQ(genesOf(pop, 1), (std::vector<double>{10, 20, 5, 15, 30, 20, 1, 1})) << "the original is untouched";
    auto check = [](const std::vector<double>& g) {
        ASSERT_NEAR(std::accumulate(g.begin(), g.begin() + 6, 0.0), 100.0, 100.0 * 1e-9);
        for (size_t i = 0; i < 6; ++i)
            ASSERT_TRUE(g[i] >= -1e-9 && g[i] <= 40 + 1e-9) << "gene " << i << " = " << g[i];
    };
    const size_t tried = run(
        pop, 3000, [](const std::vector<double>& g) { return g[0] * g[1] - g[2] * g[2]; }, check);
    EXPECT_GT(tried, 1000u);
    for (int32_t o = 1; o <= 31; ++o)
        check(genesOf(pop, o));
}

TEST(GaOperators, OrderStaysAPermutationOfTheOriginalValuesAndFindsTheBestOrder) {
    const std::vector<double> original{21, 13, 2, 8, 1, 21, 5, 3, 2}; // repeated values: a multiset
    const TestPopulation pop(25, {{QX_METHOD_ORDER, original, 0, 0, 0}}, 13);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 0.2), QX_OK);
    ASSERT_EQ(QxChrSetCrossoverRate(pop, 1, 1.0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    auto sorted = original;
    std::sort(sorted.begin(), sorted.end());
    auto ascending = [](const std::vector<double>& g) {
        double s = 0;
        for (size_t i = 0; i < g.size(); ++i)
            s += g[i] * static_cast<double>(i);
        return s;
    };
    const size_t tried = run(pop, 2000, ascending, [&](const std::vector<double>& g) {
        auto values = g;
        std::sort(values.begin(), values.end());
        ASSERT_EQ(values, sorted);
    });
    EXPECT_GT(tried, 100u);
    EXPECT_GE(objectiveOf(pop, 25), 0.95 * ascending(sorted));
}

TEST(GaSearch, RunImprovesASimpleObjective) {
    // Minimize the distance to (7, ..., 7) from a poor start.
    const TestPopulation pop(30, {{QX_METHOD_RECIPE, {0, 0, 0, 0, 0, 0}, 0, 20, 1}}, 21);
    ASSERT_EQ(QxPopSetGoal(pop, QX_GOAL_MINIMIZE, 0), QX_OK);
    ASSERT_EQ(QxPopRandomize(pop), QX_OK);
    auto distance = [](const std::vector<double>& g) {
        return std::accumulate(g.begin(), g.end(), 0.0, [](double s, double v) { return s + (v - 7) * (v - 7); });
    };
    run(pop, 30, distance, [](const std::vector<double>&) {});
    const double bestInitial = objectiveOf(pop, 30);
    const int32_t stepsInitial = QxPopGetProgressStepCount(pop);
    run(pop, 4000, distance, [](const std::vector<double>&) {});
    EXPECT_EQ(QxPopGetTrialCount(pop), 4030);
    EXPECT_LT(objectiveOf(pop, 30), bestInitial);
    EXPECT_LE(objectiveOf(pop, 30), 2.0) << "the optimum is 0";
    EXPECT_GT(QxPopGetProgressStepCount(pop), stepsInitial);
    const auto all = objectives(pop);
    EXPECT_TRUE(std::is_sorted(all.rbegin(), all.rend())) << "worst (largest distance) first";
}

TEST(GaSearch, ProgressStepsCountEveryNewBest) {
    const TestPopulation pop(3, {{QX_METHOD_RECIPE, {0}, 0, 1, 0}});
    const double results[] = {5, 3, 6, 6, 1, 9, 2, 9.5};
    const int32_t steps[] = {1, 1, 2, 2, 2, 3, 3, 4};
    for (size_t i = 0; i < std::size(results); ++i) {
        ASSERT_EQ(QxOrgSetResult(pop, next(pop), results[i], 0, 0), QX_OK);
        EXPECT_EQ(QxPopGetProgressStepCount(pop), steps[i]) << "after result " << results[i];
    }
}

TEST(GaSearch, SameSeedGivesTheSameRunAndAnotherSeedAnother) {
    auto organismsTried = [](uint64_t seed) {
        const TestPopulation pop(10,
                                 {{QX_METHOD_RECIPE, {1, 2, 3}, 0, 50, 0},
                                  {QX_METHOD_BUDGET, {4, 4, 4}, 0, 12, 0},
                                  {QX_METHOD_ORDER, {1, 2, 3, 4}, 0, 0, 0}},
                                 seed);
        std::vector<double> all;
        QxPopRandomize(pop);
        for (int t = 0; t < 300; ++t) {
            const int32_t o = next(pop);
            const auto g = genesOf(pop, o);
            all.insert(all.end(), g.begin(), g.end());
            QxOrgSetResult(pop, o, g[0] + g[3] * g[7], 0, 0);
        }
        return all;
    };
    const auto a = organismsTried(1234);
    ASSERT_EQ(a.size(), 300u * 10);
    EXPECT_EQ(a, organismsTried(1234));
    EXPECT_NE(a, organismsTried(1235));
}

TEST(GaSearch, AutomaticMutationRisesWhileStalledAndFallsBackOnProgress) {
    constexpr int32_t kN = 5;
    const TestPopulation pop(kN, {{QX_METHOD_RECIPE, {1, 2}, 0, 10, 0}}, 8);
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_AUTO, 0.1), QX_OK);
    auto trials = [&pop](int count, double value) {
        for (int i = 0; i < count; ++i)
            ASSERT_EQ(QxOrgSetResult(pop, next(pop), value, 0, 0), QX_OK);
    };
    trials(1, 100); // the first result is progress
    trials(kN - 1, 1);
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.1);
    trials(1, 1); // N trials without progress
    EXPECT_GT(QxChrGetCurrentMutationRate(pop, 1), 0.1);
    EXPECT_LT(QxChrGetCurrentMutationRate(pop, 1), 0.12) << "about 10% per N stalled trials";
    trials(100 * kN, 1);
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.5) << "capped at 0.5";
    int16_t mode = -1;
    double setRate = 0;
    ASSERT_EQ(QxChrGetMutationMode(pop, 1, &mode, &setRate), QX_OK);
    EXPECT_EQ(mode, QX_MUTATION_AUTO);
    EXPECT_EQ(setRate, 0.1);
    trials(1, 1000);
    EXPECT_DOUBLE_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.1);
    // A fixed rate stays as set however long progress stalls.
    ASSERT_EQ(QxChrSetMutationMode(pop, 1, QX_MUTATION_FIXED, 0.07), QX_OK);
    trials(3 * kN, 1);
    EXPECT_EQ(QxChrGetCurrentMutationRate(pop, 1), 0.07);
}
