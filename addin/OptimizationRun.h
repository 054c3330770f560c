// One optimization as the add-in runs it: the engine's steady-state genetic
// algorithm, one model evaluation per trial, every trial and every new best
// solution written to the optimization log, and the run-status marks of the
// Watcher (pause, stop, next optimization) honoured between trials.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "models/Model.h"

namespace addin {

// Creates the optimization log of a model at `path` (the engine's
// QxLogCreateWVB with the model's chromosomes, genes and constraints) and
// puts its handle into `logHandle`. Returns 0 or an engine error code.
int32_t CreateModelLog(const models::Model& model, const std::string& path, int32_t& logHandle);

struct RunOptions {
    int32_t populationSize = 50;
    uint64_t seed = 1;
    int64_t maxTrials = 5000; // 0 = no limit
    int64_t maxMs = 0;        // run time without pauses; 0 = no limit
    double crossoverRate = 0.5;
    double mutationRate = 0.1;
    bool autoMutation = false;
    // The constraint solver's help: a trial that breaks a hard constraint is
    // ranked by how far it falls short instead of being rejected, so the
    // search finds its way to plans that meet every rule.
    bool constraintSolverHelp = false;
    // Whether reaching a limit marks the population stopped. An optimization
    // in the middle of a frontier series leaves its status alone: a stopped
    // status would tell the Watcher that the whole series has ended.
    bool markStoppedAtLimit = true;
};

enum class StepResult {
    Trial,           // one trial was evaluated
    Paused,          // the run is paused: poll again later
    Stopped,         // a stop mark or a limit ended the run (see markStoppedAtLimit)
    NextOptimization // the Watcher asked to move on (efficient frontier)
};

class OptimizationRun {
public:
    // The log must already exist (QxLogCreateWVB); progress steps go under
    // `selector`, trial numbers continue from `firstTrialNumber`.
    OptimizationRun(models::Model& model, const RunOptions& options, int32_t logHandle, int32_t selector,
                    int64_t firstTrialNumber = 1);
    ~OptimizationRun();
    OptimizationRun(const OptimizationRun&) = delete;
    OptimizationRun& operator=(const OptimizationRun&) = delete;

    // Creates and seeds the population and starts the run timer. Returns 0 or
    // an engine error code.
    int32_t start();
    // Honours the run status, then evaluates at most one trial.
    StepResult step();

    // Turned on when the person agrees that the constraint solver helps.
    void setConstraintSolverHelp(bool on) { m_options.constraintSolverHelp = on; }

    int32_t population() const { return m_pop; }
    int64_t trialsDone() const { return m_trials; }
    int64_t nextTrialNumber() const { return m_firstTrial + m_trials; }
    int64_t validTrials() const { return m_validTrials; }
    int32_t progressSteps() const { return m_steps; }
    bool hasBest() const { return m_hasBest; }
    double bestValue() const { return m_bestValue; } // with penalties
    const std::vector<double>& bestGenes() const { return m_bestGenes; }
    double originalValue() const { return m_originalValue; }
    int32_t lastError() const { return m_lastError; }
    // The objective value of the latest trial, and whether that trial became
    // the new best solution.
    double lastValue() const { return m_eval.value; }
    bool lastTrialImproved() const { return m_lastImproved; }

private:
    double score(double valueWithPenalties, bool invalid) const;
    bool limitReached() const;

    models::Model& m_model;
    RunOptions m_options;
    int32_t m_log;
    int32_t m_selector;
    int64_t m_firstTrial;
    int32_t m_pop = 0;
    int64_t m_trials = 0;
    int64_t m_validTrials = 0;
    int32_t m_steps = 0;
    bool m_hasBest = false;
    bool m_timerPaused = false;
    bool m_lastImproved = false;
    double m_bestScore = 0;
    double m_bestValue = 0;
    double m_originalValue = 0;
    int32_t m_lastError = 0;
    std::vector<double> m_genes, m_bestGenes;
    models::Evaluation m_eval;
};

} // namespace addin
