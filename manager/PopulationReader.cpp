#include "PopulationReader.h"

#include "QxLibBinding.h"
#include "WatcherManager.h"

namespace manager {

EnginePopulationReader::EnginePopulationReader(WatcherManager& manager) : m_manager(manager) {}

int32_t EnginePopulationReader::geneCount(int32_t chromosome) {
    return engine::QxLib().QxChrGetGeneCount(m_manager.Input_PopHandle(), chromosome);
}

int32_t EnginePopulationReader::geneValue(int32_t chromosome, int32_t organism, int32_t gene, double& value) {
    return engine::QxLib().QxGeneGetValue(m_manager.Input_PopHandle(), chromosome, organism, gene, &value);
}

int32_t EnginePopulationReader::geneRange(int32_t chromosome, int32_t gene, double& min, double& max) {
    // The step, the engine's third value, plays no part in the views.
    return engine::QxLib().QxGeneGetRange(m_manager.Input_PopHandle(), chromosome, gene, &min, &max, nullptr);
}

int32_t EnginePopulationReader::organismGenes(int32_t organism, std::vector<double>& genes) {
    return engine::QxLib().QxOrgGetGenes(m_manager.Input_PopHandle(), organism, genes.data(),
                                         static_cast<int32_t>(genes.size()));
}

double EnginePopulationReader::objectiveValue(int32_t organism) {
    return m_manager.getSelvaneResult(organism);
}

} // namespace manager
