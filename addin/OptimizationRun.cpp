#include "OptimizationRun.h"

#include <cmath>
#include <limits>

#include "qxlib8.h"

namespace addin {

int32_t CreateModelLog(const models::Model& model, const std::string& path, int32_t& logHandle) {
    std::vector<const char*> names;
    std::vector<int16_t> hard, atomic;
    for (const auto& c : model.constraints()) {
        names.push_back(c.name.c_str());
        // The log's constraint kind: 0 for a hard constraint, 1 for a soft one.
        hard.push_back(c.hard ? int16_t{0} : int16_t{1});
        atomic.push_back(c.atomic ? QX_TRUE : QX_FALSE);
    }
    return QxLogCreateWVB(path.c_str(), static_cast<int32_t>(model.groups().size()), model.geneCount(),
                          static_cast<int32_t>(names.size()), names.data(), hard.data(), atomic.data(), &logHandle);
}

namespace {
// Larger than any objective of the built-in models, so that a plan meeting
// every rule always ranks above one that breaks some.
constexpr double kSolverHelpPenalty = 1000.0;
} // namespace

OptimizationRun::OptimizationRun(models::Model& model, const RunOptions& options, int32_t logHandle, int32_t selector,
                                 int64_t firstTrialNumber)
    : m_model(model), m_options(options), m_log(logHandle), m_selector(selector), m_firstTrial(firstTrialNumber) {}

OptimizationRun::~OptimizationRun() {
    if (m_pop != 0)
        QxPopFree(m_pop);
}

int32_t OptimizationRun::start() {
    const auto& groups = m_model.groups();
    std::vector<int32_t> geneCounts;
    std::vector<int16_t> methods;
    for (const auto& g : groups) {
        geneCounts.push_back(static_cast<int32_t>(g.original.size()));
        methods.push_back(g.method);
    }
    int32_t rc = QxPopCreate(m_options.populationSize, static_cast<int32_t>(groups.size()), geneCounts.data(),
                             methods.data(), &m_pop);
    if (rc != QX_OK)
        return m_lastError = rc;
    const int32_t goal = m_model.goal() == models::Goal::Maximize   ? QX_GOAL_MAXIMIZE
                         : m_model.goal() == models::Goal::Minimize ? QX_GOAL_MINIMIZE
                                                                    : QX_GOAL_TARGET;
    QxPopSetGoal(m_pop, goal, m_model.target());
    QxPopSetSeed(m_pop, m_options.seed);
    for (size_t c = 0; c < groups.size(); ++c) {
        const auto chr = static_cast<int32_t>(c + 1);
        const auto& g = groups[c];
        for (size_t i = 0; i < g.original.size(); ++i) {
            const auto gene = static_cast<int32_t>(i + 1);
            if ((rc = QxGeneSetRange(m_pop, chr, gene, g.min[i], g.max[i], g.step[i])) != QX_OK)
                return m_lastError = rc;
            if ((rc = QxGeneSetValue(m_pop, chr, 1, gene, g.original[i])) != QX_OK)
                return m_lastError = rc;
        }
        QxChrSetCrossoverRate(m_pop, chr, m_options.crossoverRate);
        QxChrSetMutationMode(m_pop, chr, m_options.autoMutation ? QX_MUTATION_AUTO : QX_MUTATION_FIXED,
                             m_options.mutationRate);
    }
    if ((rc = QxPopRandomize(m_pop)) != QX_OK)
        return m_lastError = rc;
    m_genes.assign(static_cast<size_t>(m_model.geneCount()), 0.0);
    QxPopTimerStart(m_pop);
    QxPopSetRunStatus(m_pop, QxRunStatusOptimizing);
    return QX_OK;
}

double OptimizationRun::score(double valueWithPenalties, bool invalid) const {
    if (invalid)
        return -std::numeric_limits<double>::infinity();
    switch (m_model.goal()) {
    case models::Goal::Maximize:
        return valueWithPenalties;
    case models::Goal::Minimize:
        return -valueWithPenalties;
    case models::Goal::Target:
        break;
    }
    return -std::abs(valueWithPenalties - m_model.target());
}

bool OptimizationRun::limitReached() const {
    if (m_options.maxTrials > 0 && m_trials >= m_options.maxTrials)
        return true;
    return m_options.maxMs > 0 && QxPopGetTimerValue(m_pop) >= m_options.maxMs;
}

StepResult OptimizationRun::step() {
    switch (QxPopGetRunStatus(m_pop)) {
    case QxRunStatusMarkToPause:
        QxPopTimerPause(m_pop);
        m_timerPaused = true;
        QxPopSetRunStatus(m_pop, QxRunStatusPaused);
        return StepResult::Paused;
    case QxRunStatusPaused:
        // A multi-core run is paused by the Watcher directly, without a mark
        // first: the run time stands still all the same.
        if (!m_timerPaused) {
            QxPopTimerPause(m_pop);
            m_timerPaused = true;
        }
        return StepResult::Paused;
    case QxRunStatusMarkToStop:
    case QxRunStatusStopped:
        QxPopTimerPause(m_pop);
        QxPopSetRunStatus(m_pop, QxRunStatusStopped);
        return StepResult::Stopped;
    case QxRunStatusMarkToMoveToNextOptimization:
        QxPopTimerPause(m_pop);
        return StepResult::NextOptimization;
    default:
        break;
    }
    if (m_timerPaused) {
        QxPopTimerResume(m_pop);
        m_timerPaused = false;
    }
    if (limitReached()) {
        QxPopTimerPause(m_pop);
        if (m_options.markStoppedAtLimit)
            QxPopSetRunStatus(m_pop, QxRunStatusStopped);
        return StepResult::Stopped;
    }

    int32_t organism = 0;
    int32_t rc = QxPopNextOrganism(m_pop, &organism);
    if (rc == QX_OK)
        rc = QxOrgGetGenes(m_pop, organism, m_genes.data(), static_cast<int32_t>(m_genes.size()));
    if (rc != QX_OK) {
        m_lastError = rc;
        QxPopSetRunStatus(m_pop, QxRunStatusStopped);
        return StepResult::Stopped;
    }
    m_model.evaluate(m_genes.data(), m_eval);
    const bool breaksHardConstraint = m_eval.invalid;
    if (breaksHardConstraint && m_options.constraintSolverHelp) {
        double shortfall = 0;
        for (double v : m_eval.violation)
            shortfall += v;
        m_eval.invalid = false;
        m_eval.penalty += kSolverHelpPenalty * (1.0 + shortfall);
    }
    QxOrgSetResult(m_pop, organism, m_eval.value, m_eval.penalty, m_eval.invalid ? QX_ORG_INVALID : 0);
    const bool maximize = m_model.goal() == models::Goal::Maximize;
    const double withPenalties = maximize ? m_eval.value - m_eval.penalty : m_eval.value + m_eval.penalty;

    ++m_trials;
    if (!breaksHardConstraint)
        ++m_validTrials;
    if (m_trials == 1)
        m_originalValue = withPenalties;

    QxLogRecord rec{};
    rec.elapsedMs = QxPopGetTimerValue(m_pop);
    rec.spareValue = m_eval.value;
    rec.valueWithPenalties = withPenalties;
    rec.recalcNum = static_cast<int32_t>(m_firstTrial + m_trials - 1);
    rec.constraintValues = m_eval.violation.data();
    rec.constraintCellValues = m_eval.cellValue.data();
    rec.spareArray = m_eval.penalties.data();
    rec.spareCount = static_cast<int32_t>(m_eval.penalties.size());
    rec.geneValues = m_genes.data();
    rec.extra.validTrialCount = static_cast<int32_t>(m_validTrials);
    rec.extra.constrainingCellValue = m_eval.constrainingCell;
    rec.extra.markerFlag = m_eval.meetsConstrainingLimit ? 1 : 0;
    if ((rc = QxLogAppendTrialWVB(m_log, &rec)) != QX_OK)
        m_lastError = rc;

    // A progress step is recorded whenever the best solution improves; the
    // first valid trial is the first step.
    const double s = score(withPenalties, m_eval.invalid);
    m_lastImproved = false;
    if (!m_eval.invalid && (!m_hasBest || s > m_bestScore)) {
        m_lastImproved = true;
        m_hasBest = true;
        m_bestScore = s;
        m_bestValue = withPenalties;
        m_bestGenes = m_genes;
        ++m_steps;
        if ((rc = QxLogAppendProgressStepWVB(m_log, m_selector, &rec)) != QX_OK)
            m_lastError = rc;
    }
    const double trialUnderWay = static_cast<double>(m_firstTrial + m_trials);
    QxWriteTempData(13, &trialUnderWay, 8);
    return StepResult::Trial;
}

} // namespace addin
