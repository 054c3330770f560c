#include "Model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numeric>

namespace models {

int Model::geneCount() const {
    int n = 0;
    for (const auto& g : m_groups)
        n += static_cast<int>(g.original.size());
    return n;
}

bool Model::hasHardConstraints() const {
    for (const auto& c : m_constraints)
        if (c.hard)
            return true;
    return false;
}

uint64_t SeededRandom::next() {
    uint64_t z = (m_state += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

double SeededRandom::uniform(double lo, double hi) {
    return lo + (hi - lo) * (static_cast<double>(next() >> 11) * 0x1.0p-53);
}

namespace {

// Choose weights of eight assets (a budget group: the weights always sum to
// 1) to maximize expected return while the portfolio's risk (standard
// deviation) stays within a limit. The efficient frontier runs the same
// optimization for a series of risk limits.
class PortfolioModel final : public Model {
public:
    explicit PortfolioModel(uint64_t seed) {
        SeededRandom rnd(seed);
        const int n = 8;
        m_return.resize(n);
        m_vol.resize(n);
        for (int i = 0; i < n; ++i) {
            m_vol[i] = rnd.uniform(0.05, 0.30);
            // Riskier assets tend to earn more, with some noise.
            m_return[i] = 0.01 + 0.35 * m_vol[i] + rnd.uniform(-0.02, 0.02);
        }
        GeneGroup g;
        g.name = "Weights";
        g.method = 5;
        for (int i = 0; i < n; ++i) {
            g.geneNames.push_back("Weight_" + std::string(1, static_cast<char>('A' + i)));
            g.min.push_back(0.0);
            g.max.push_back(0.4);
            g.step.push_back(0.0);
            g.original.push_back(1.0 / n);
        }
        m_groups.push_back(std::move(g));
        m_constraints.push_back({"Risk <= 0.12", false, true, false, ""});
    }

    std::string name() const override { return "portfolio"; }
    std::string description() const override {
        return "Eight-asset portfolio: maximize expected return with risk at most the limit (budget genes)";
    }
    Goal goal() const override { return Goal::Maximize; }
    std::string objectiveName() const override { return "Expected_Return"; }
    std::string objectiveFormat() const override { return "0.00%"; }
    std::string cellFormat() const override { return "0.0%"; }

    void evaluate(const double* w, Evaluation& out) const override {
        const size_t n = m_return.size();
        double ret = 0;
        for (size_t i = 0; i < n; ++i)
            ret += w[i] * m_return[i];
        double var = 0;
        for (size_t i = 0; i < n; ++i)
            for (size_t j = 0; j < n; ++j)
                var += w[i] * w[j] * m_vol[i] * m_vol[j] * (i == j ? 1.0 : kCorrelation);
        const double risk = std::sqrt(std::max(0.0, var));
        const double excess = std::max(0.0, risk - m_limit);
        out.value = ret;
        out.penalty = 10.0 * excess;
        out.invalid = false;
        out.violation.assign(1, excess);
        out.cellValue.assign(1, risk);
        out.penalties.assign(1, out.penalty);
        out.constrainingCell = risk;
        out.meetsConstrainingLimit = excess == 0;
    }

    std::vector<double> constrainingValues() const override { return {0.08, 0.10, 0.12, 0.14, 0.16}; }
    std::string constrainedCellName() const override { return "Risk"; }
    std::string constrainedCellFormat() const override { return "0.0%"; }
    void setConstrainingLimit(double limit) override {
        m_limit = limit;
        char text[64];
        std::snprintf(text, sizeof text, "Risk <= %g", limit);
        m_constraints[0].name = text;
    }

private:
    static constexpr double kCorrelation = 0.3;
    std::vector<double> m_return, m_vol;
    double m_limit = 0.12;
};

// The shortest round trip through twelve cities: an order group whose genes
// are the city numbers in visiting order.
class RouteModel final : public Model {
public:
    explicit RouteModel(uint64_t seed) {
        SeededRandom rnd(seed);
        const int n = 12;
        GeneGroup g;
        g.name = "Route";
        g.method = 2;
        for (int i = 0; i < n; ++i) {
            m_x.push_back(rnd.uniform(0, 100));
            m_y.push_back(rnd.uniform(0, 100));
            g.geneNames.push_back("Stop_" + std::to_string(i + 1));
            g.min.push_back(1);
            g.max.push_back(n);
            g.step.push_back(1);
            g.original.push_back(i + 1);
        }
        m_groups.push_back(std::move(g));
    }

    std::string name() const override { return "route"; }
    std::string description() const override {
        return "Round trip through twelve cities: minimize the distance (order genes)";
    }
    Goal goal() const override { return Goal::Minimize; }
    std::string objectiveName() const override { return "Total_Distance"; }
    std::string objectiveFormat() const override { return "#,##0.0"; }
    std::string cellFormat() const override { return "0"; }

    void evaluate(const double* order, Evaluation& out) const override {
        const size_t n = m_x.size();
        double d = 0;
        for (size_t i = 0; i < n; ++i) {
            const auto a = cityIndex(order[i]);
            const auto b = cityIndex(order[(i + 1) % n]);
            d += std::hypot(m_x[a] - m_x[b], m_y[a] - m_y[b]);
        }
        out.value = d;
        out.penalty = 0;
        out.invalid = false;
        out.violation.clear();
        out.cellValue.clear();
        out.penalties.clear();
        out.constrainingCell = 0;
        out.meetsConstrainingLimit = true;
    }

private:
    size_t cityIndex(double gene) const {
        const auto i = static_cast<long>(std::lround(gene)) - 1;
        return static_cast<size_t>(std::clamp<long>(i, 0, static_cast<long>(m_x.size()) - 1));
    }
    std::vector<double> m_x, m_y;
};

// A staffing plan of six whole numbers under six hard rules and two soft
// preferences. As the constraint solver it looks for any plan that meets
// every hard rule (minimizing the number of hard rules broken); as an
// optimization it looks for the smallest total staff among the plans that
// meet them all. The soft preferences sit between the hard rules in the
// constraint list, as they do in a sheet, and only ever cost a penalty.
class FeasibilityModel final : public Model {
public:
    explicit FeasibilityModel(uint64_t seed) {
        SeededRandom rnd(seed);
        GeneGroup g;
        g.name = "Shifts";
        g.method = 1;
        for (int i = 0; i < 6; ++i) {
            g.geneNames.push_back("Shift_" + std::to_string(i + 1));
            g.min.push_back(0);
            g.max.push_back(20);
            g.step.push_back(1);
            g.original.push_back(std::floor(rnd.uniform(0, 6)));
        }
        m_groups.push_back(std::move(g));
        const auto hard = [this](int rule, const char* name, const char* formula) {
            m_constraints.push_back({name, true, false, false, formula});
            m_rules.push_back(rule);
        };
        const auto soft = [this](int rule, const char* name, const char* formula) {
            m_constraints.push_back({name, false, false, false, formula});
            m_rules.push_back(rule);
        };
        hard(0, "Shift_1 + Shift_2 >= 25", "=Shifts!B2+Shifts!B3>=25");
        hard(1, "Shift_3 - Shift_4 >= 5", "=Shifts!B4-Shifts!B5>=5");
        soft(7, "Shift_6 <= 15 (preferred)", "=Shifts!B7<=15");
        hard(2, "2 * Shift_5 <= Shift_6", "=2*Shifts!B6<=Shifts!B7");
        hard(3, "Shift_1 + Shift_3 + Shift_5 <= 30", "=Shifts!B2+Shifts!B4+Shifts!B6<=30");
        hard(4, "Shift_2 + Shift_4 + Shift_6 >= 35", "=Shifts!B3+Shifts!B5+Shifts!B7>=35");
        soft(8, "Total staff <= 70 (preferred)", "=SUM(Shifts!B2:B7)<=70");
        hard(5, "ABS(Shift_1 - Shift_2) <= 3", "=ABS(Shifts!B2-Shifts!B3)<=3");
    }

    std::string name() const override { return "feasibility"; }
    std::string description() const override {
        return m_solver ? "Staffing plan of six shifts under hard rules: find a plan that meets them all "
                          "(constraint solver)"
                        : "Staffing plan of six shifts under hard rules: the smallest total staff that meets them "
                          "all";
    }
    Goal goal() const override { return Goal::Minimize; }
    std::string objectiveName() const override { return m_solver ? "Rules_Broken" : "Total_Staff"; }
    std::string objectiveFormat() const override { return "0"; }
    std::string cellFormat() const override { return "0"; }
    bool constraintSolverMode() const override { return m_solver; }
    bool setConstraintSolverMode(bool on) override {
        m_solver = on;
        return true;
    }
    int doubtfulConstraintCount() const override { return m_conflict ? 2 : 0; }
    bool addConflictingRule() override {
        if (!m_conflict) {
            m_conflict = true;
            m_constraints.push_back({"Shift_1 + Shift_2 <= 20", true, false, false, "=Shifts!B2+Shifts!B3<=20"});
            m_rules.push_back(6);
        }
        return true;
    }

    void evaluate(const double* x, Evaluation& out) const override {
        // Each rule as "lhs >= 0": the cell value is the left-hand side and
        // the violation the amount by which it falls short.
        const double total = x[0] + x[1] + x[2] + x[3] + x[4] + x[5];
        const double lhs[9] = {x[0] + x[1] - 25,
                               x[2] - x[3] - 5,
                               x[5] - 2 * x[4],
                               30 - (x[0] + x[2] + x[4]),
                               x[1] + x[3] + x[5] - 35,
                               3 - std::fabs(x[0] - x[1]),
                               20 - (x[0] + x[1]),
                               15 - x[5],
                               70 - total};
        const size_t n = m_constraints.size();
        out.violation.resize(n);
        out.cellValue.resize(n);
        out.penalties.assign(n, 0.0);
        int broken = 0;
        double shortfall = 0;
        double softPenalty = 0;
        for (size_t i = 0; i < n; ++i) {
            const double v = lhs[m_rules[i]];
            out.cellValue[i] = v;
            out.violation[i] = std::max(0.0, -v);
            if (!m_constraints[i].hard) {
                out.penalties[i] = out.violation[i];
                softPenalty += out.penalties[i];
            } else if (out.violation[i] > 0) {
                ++broken;
                shortfall += out.violation[i];
            }
        }
        out.constrainingCell = 0;
        out.meetsConstrainingLimit = true;
        if (m_solver) {
            // The count of hard rules broken is the objective; the total
            // shortfall, kept below one, steers the search between equal
            // counts. Soft preferences do not count here.
            out.value = broken;
            out.penalty = std::min(0.99, shortfall / 1000.0);
            out.invalid = false;
        } else {
            out.value = total;
            out.penalty = softPenalty;
            out.invalid = broken > 0;
        }
    }

private:
    // Per constraint: which left-hand side of evaluate() it tests.
    std::vector<int> m_rules;
    bool m_solver = true;
    bool m_conflict = false;
};

} // namespace

std::unique_ptr<Model> makeModel(std::string_view name, uint64_t seed) {
    if (name == "portfolio")
        return std::make_unique<PortfolioModel>(seed);
    if (name == "route")
        return std::make_unique<RouteModel>(seed);
    if (name == "feasibility")
        return std::make_unique<FeasibilityModel>(seed);
    return nullptr;
}

std::vector<std::string> modelNames() {
    return {"portfolio", "route", "feasibility"};
}

} // namespace models
