#pragma once

#include <cstdint>
#include <vector>

namespace manager {

class WatcherManager;

// What the population views read about the live population: the engine
// library's gene reads and the evaluated value of an organism. Organism,
// chromosome and gene numbers are 1-based; statuses are the engine's (0 = ok).
// The views take it as an interface so that their text and colours can be
// computed, and tested, without a running optimization.
class PopulationReader {
public:
    virtual ~PopulationReader() = default;
    // The gene count of a chromosome; negative for an engine error.
    virtual int32_t geneCount(int32_t chromosome) = 0;
    virtual int32_t geneValue(int32_t chromosome, int32_t organism, int32_t gene, double& value) = 0;
    virtual int32_t geneRange(int32_t chromosome, int32_t gene, double& min, double& max) = 0;
    // Every gene of the organism in gene-row order (chromosome 1's first);
    // `genes` keeps its size, and is filled as far as it goes.
    virtual int32_t organismGenes(int32_t organism, std::vector<double>& genes) = 0;
    // The evaluated value of the organism; the no-value double when it has none.
    virtual double objectiveValue(int32_t organism) = 0;
};

// The reader of a run: the population of the manager's Input_PopHandle
// through the bound engine library, objective values through the manager.
class EnginePopulationReader final : public PopulationReader {
public:
    explicit EnginePopulationReader(WatcherManager& manager);

    int32_t geneCount(int32_t chromosome) override;
    int32_t geneValue(int32_t chromosome, int32_t organism, int32_t gene, double& value) override;
    int32_t geneRange(int32_t chromosome, int32_t gene, double& min, double& max) override;
    int32_t organismGenes(int32_t organism, std::vector<double>& genes) override;
    double objectiveValue(int32_t organism) override;

private:
    WatcherManager& m_manager;
};

} // namespace manager
