// Built-in sample models of the sample add-in: each one is a spreadsheet
// model in miniature (adjustable-cell groups, constraints, an objective) that
// the genetic algorithm of the engine library can optimize.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace models {

// One adjustable-cell group: one chromosome of the population.
struct GeneGroup {
    std::string name;
    int16_t method = 1; // engine solving method: 1 recipe, 2 order, 5 budget
    std::vector<std::string> geneNames;
    std::vector<double> min, max, step;
    std::vector<double> original; // the values "in the sheet" before the run
};

struct Constraint {
    std::string name; // as the add-in shows it, e.g. "Risk <= 0.12"
    bool hard = false;
    bool atomic = true; // a plain "cell <op> value" constraint
    bool isDate = false;
    std::string formula; // the constraint as the sheet's formula; empty for atomic ones
};

// The outcome of one recalculation of the model.
struct Evaluation {
    double value = 0;              // the objective cell
    double penalty = 0;            // from violated soft constraints (>= 0)
    bool invalid = false;          // a hard constraint is violated
    std::vector<double> violation; // per constraint; 0 = met
    std::vector<double> cellValue; // per constraint: its cell's value
    std::vector<double> penalties; // per constraint
    double constrainingCell = 0;   // efficient frontier: the constrained cell
    bool meetsConstrainingLimit = true;
};

enum class Goal { Maximize = 0, Minimize = 1, Target = 2 };

class Model {
public:
    virtual ~Model() = default;

    virtual std::string name() const = 0;
    virtual std::string description() const = 0;
    virtual Goal goal() const = 0;
    virtual double target() const { return 0; }
    virtual std::string objectiveName() const = 0;
    virtual std::string objectiveFormat() const = 0; // spreadsheet number format
    virtual std::string cellFormat() const = 0;
    // In constraint-solver mode a model minimizes the number of hard
    // constraints it breaks; the best value is 0 once a solution meets them
    // all.
    virtual bool constraintSolverMode() const { return false; }
    // Models with hard constraints run either as the constraint solver or as
    // an optimization in which a trial that breaks a hard constraint is
    // invalid. False when the model cannot run in the asked mode.
    virtual bool setConstraintSolverMode(bool on) { return !on; }
    // Constraints that the add-in's consistency check cannot vouch for; the
    // add-in asks whether to run with them anyway.
    virtual int doubtfulConstraintCount() const { return 0; }
    // Adds a hard rule that contradicts another one; false when the model has
    // no such rule.
    virtual bool addConflictingRule() { return false; }
    bool hasHardConstraints() const;

    const std::vector<GeneGroup>& groups() const { return m_groups; }
    const std::vector<Constraint>& constraints() const { return m_constraints; }
    int geneCount() const;

    // Genes in gene-row order (group 1's genes first).
    virtual void evaluate(const double* genes, Evaluation& out) const = 0;

    // Efficient frontier: the limits of the constrained cell, in the order the
    // optimizations run; empty when the model has no frontier.
    virtual std::vector<double> constrainingValues() const { return {}; }
    virtual std::string constrainedCellName() const { return {}; }
    virtual std::string constrainedCellFormat() const { return "General"; }
    virtual std::string constraintOperator() const { return "<="; }
    virtual void setConstrainingLimit(double limit) { (void)limit; }

protected:
    std::vector<GeneGroup> m_groups;
    std::vector<Constraint> m_constraints;
};

// "portfolio", "route" or "feasibility"; nullptr for an unknown name.
std::unique_ptr<Model> makeModel(std::string_view name, uint64_t seed);
std::vector<std::string> modelNames();

// A small deterministic generator (splitmix64) so that a model is the same
// for the same seed on every machine.
class SeededRandom {
public:
    explicit SeededRandom(uint64_t seed) : m_state(seed) {}
    uint64_t next();
    double uniform(double lo, double hi); // [lo, hi)

private:
    uint64_t m_state;
};

} // namespace models
