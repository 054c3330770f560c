// The built-in models: what they compute for known inputs, and that they are
// the same model for the same seed.
#include <cmath>
#include <numeric>

#include <gtest/gtest.h>

#include "models/Model.h"

namespace {

std::vector<double> originals(const models::Model& m) {
    std::vector<double> genes;
    for (const auto& g : m.groups())
        genes.insert(genes.end(), g.original.begin(), g.original.end());
    return genes;
}

TEST(Models, EveryNamedModelIsBuiltAndConsistent) {
    for (const auto& name : models::modelNames()) {
        auto m = models::makeModel(name, 3);
        ASSERT_TRUE(m) << name;
        EXPECT_EQ(m->name(), name);
        int genes = 0;
        for (const auto& g : m->groups()) {
            const size_t n = g.original.size();
            EXPECT_EQ(g.geneNames.size(), n) << name;
            EXPECT_EQ(g.min.size(), n) << name;
            EXPECT_EQ(g.max.size(), n) << name;
            EXPECT_EQ(g.step.size(), n) << name;
            for (size_t i = 0; i < n; ++i) {
                EXPECT_LE(g.min[i], g.original[i]) << name << " gene " << i;
                EXPECT_GE(g.max[i], g.original[i]) << name << " gene " << i;
            }
            genes += static_cast<int>(n);
        }
        EXPECT_EQ(m->geneCount(), genes);
        models::Evaluation e;
        const auto x = originals(*m);
        m->evaluate(x.data(), e);
        EXPECT_EQ(e.violation.size(), m->constraints().size()) << name;
        EXPECT_EQ(e.cellValue.size(), m->constraints().size()) << name;
        EXPECT_TRUE(std::isfinite(e.value)) << name;
        EXPECT_GE(e.penalty, 0.0) << name;
    }
    EXPECT_EQ(models::makeModel("nonesuch", 1), nullptr);
}

TEST(Models, SameSeedSameModelOtherSeedOtherModel) {
    auto a = models::makeModel("route", 11);
    auto b = models::makeModel("route", 11);
    auto c = models::makeModel("route", 12);
    models::Evaluation ea, eb, ec;
    const auto x = originals(*a);
    a->evaluate(x.data(), ea);
    b->evaluate(x.data(), eb);
    c->evaluate(x.data(), ec);
    EXPECT_EQ(ea.value, eb.value);
    EXPECT_NE(ea.value, ec.value);
}

TEST(Models, RouteLengthDoesNotDependOnWhereTheRoundTripStarts) {
    auto m = models::makeModel("route", 5);
    auto x = originals(*m);
    models::Evaluation e1, e2;
    m->evaluate(x.data(), e1);
    std::rotate(x.begin(), x.begin() + 4, x.end());
    m->evaluate(x.data(), e2);
    EXPECT_NEAR(e1.value, e2.value, 1e-9);
    std::reverse(x.begin(), x.end());
    m->evaluate(x.data(), e2);
    EXPECT_NEAR(e1.value, e2.value, 1e-9);
}

TEST(Models, PortfolioPenalizesRiskAboveTheLimitOnly) {
    auto m = models::makeModel("portfolio", 1);
    const auto x = originals(*m);
    models::Evaluation e;
    m->setConstrainingLimit(10.0); // no portfolio is this risky
    m->evaluate(x.data(), e);
    EXPECT_EQ(e.penalty, 0.0);
    EXPECT_EQ(e.violation[0], 0.0);
    EXPECT_TRUE(e.meetsConstrainingLimit);
    const double risk = e.cellValue[0];
    EXPECT_GT(risk, 0.0);
    EXPECT_EQ(e.constrainingCell, risk);

    m->setConstrainingLimit(risk / 2);
    m->evaluate(x.data(), e);
    EXPECT_NEAR(e.violation[0], risk / 2, 1e-12);
    EXPECT_GT(e.penalty, 0.0);
    EXPECT_FALSE(e.meetsConstrainingLimit);
    EXPECT_NE(m->constraints()[0].name.find("Risk <="), std::string::npos);
}

TEST(Models, FeasibilityCountsHardRulesBrokenAndAPlanMeetingAllExists) {
    auto m = models::makeModel("feasibility", 1);
    EXPECT_TRUE(m->constraintSolverMode());
    EXPECT_EQ(m->goal(), models::Goal::Minimize);
    // Six hard rules and two soft preferences between them.
    ASSERT_EQ(m->constraints().size(), 8u);
    EXPECT_FALSE(m->constraints()[2].hard);
    EXPECT_FALSE(m->constraints()[6].hard);
    models::Evaluation e;
    const double none[6] = {0, 0, 0, 0, 0, 0};
    m->evaluate(none, e);
    int violatedHard = 0;
    for (size_t i = 0; i < e.violation.size(); ++i)
        violatedHard += m->constraints()[i].hard && e.violation[i] > 0;
    EXPECT_EQ(e.value, violatedHard);
    EXPECT_GT(violatedHard, 0);
    EXPECT_LT(e.penalty, 1.0); // never moves the count to the next whole number

    // A plan meeting every rule: 13+14 >= 25, 12-7 >= 5, 2*2 <= 14,
    // 13+12+2 <= 30, 14+7+14 >= 35, |13-14| <= 3.
    const double plan[6] = {13, 14, 12, 7, 2, 14};
    m->evaluate(plan, e);
    EXPECT_EQ(e.value, 0.0);
    EXPECT_EQ(e.penalty, 0.0);

    // Breaking only a soft preference (Shift_6 <= 15) costs no rule.
    const double tooManyOnShift6[6] = {13, 14, 12, 7, 2, 18};
    m->evaluate(tooManyOnShift6, e);
    EXPECT_EQ(e.value, 0.0);
    EXPECT_EQ(e.violation[2], 3.0);
    EXPECT_EQ(e.penalties[2], 3.0);
}

TEST(Models, FeasibilityAsAnOptimizationRejectsPlansBreakingARuleAndCanBeMadeInconsistent) {
    auto m = models::makeModel("feasibility", 1);
    ASSERT_TRUE(m->setConstraintSolverMode(false));
    EXPECT_EQ(m->goal(), models::Goal::Minimize);
    const double plan[6] = {13, 14, 12, 7, 2, 14};
    const double none[6] = {0, 0, 0, 0, 0, 0};
    models::Evaluation e;
    m->evaluate(plan, e);
    EXPECT_FALSE(e.invalid);
    EXPECT_EQ(e.value, 62.0); // the total staff
    m->evaluate(none, e);
    EXPECT_TRUE(e.invalid);

    EXPECT_EQ(m->doubtfulConstraintCount(), 0);
    ASSERT_TRUE(m->addConflictingRule());
    EXPECT_EQ(m->constraints().size(), 9u);
    EXPECT_EQ(m->doubtfulConstraintCount(), 2);
    m->evaluate(plan, e); // 13 + 14 > 20: the new rule breaks the plan that met the six
    EXPECT_TRUE(e.invalid);
    EXPECT_EQ(e.violation.size(), 9u);
    EXPECT_EQ(e.violation[8], 7.0);

    // Models without hard constraints cannot run as the constraint solver.
    auto route = models::makeModel("route", 1);
    EXPECT_FALSE(route->setConstraintSolverMode(true));
    EXPECT_FALSE(route->hasHardConstraints());
    EXPECT_TRUE(m->hasHardConstraints());
}

} // namespace
