#pragma once

// A population as the views read it, held in memory: chromosomes with their
// genes' ranges and every organism's values, objective values per organism,
// and engine statuses to return for chosen reads.
#include <map>
#include <vector>

#include "PopulationReader.h"
#include "ol/SpecialValues.h"

namespace pageviewstest {

class ScriptedPopulation final : public manager::PopulationReader {
public:
    struct Chromosome {
        std::vector<double> min, max;
        // values[organism - 1][gene - 1]
        std::vector<std::vector<double>> values;
    };

    // `genesPerChromosome` genes in each chromosome, all in 0..100, value 0.
    ScriptedPopulation(int organisms, const std::vector<int>& genesPerChromosome) : m_organisms(organisms) {
        for (int genes : genesPerChromosome) {
            Chromosome c;
            c.min.assign(static_cast<size_t>(genes), 0.0);
            c.max.assign(static_cast<size_t>(genes), 100.0);
            c.values.assign(static_cast<size_t>(organisms), std::vector<double>(static_cast<size_t>(genes), 0.0));
            chromosomes.push_back(std::move(c));
        }
        objectives.assign(static_cast<size_t>(organisms), 0.0);
    }

    double& value(int chromosome, int organism, int gene) {
        return chromosomes[static_cast<size_t>(chromosome - 1)]
            .values[static_cast<size_t>(organism - 1)][static_cast<size_t>(gene - 1)];
    }
    void setRange(int chromosome, int gene, double min, double max) {
        chromosomes[static_cast<size_t>(chromosome - 1)].min[static_cast<size_t>(gene - 1)] = min;
        chromosomes[static_cast<size_t>(chromosome - 1)].max[static_cast<size_t>(gene - 1)] = max;
    }

    int32_t geneCount(int32_t chromosome) override {
        if (auto it = geneCountOverride.find(chromosome); it != geneCountOverride.end())
            return it->second;
        return static_cast<int32_t>(chromosomes[static_cast<size_t>(chromosome - 1)].min.size());
    }
    int32_t geneValue(int32_t chromosome, int32_t organism, int32_t gene, double& v) override {
        ++valueReads;
        if (organism > m_organisms)
            return -3;
        v = value(chromosome, organism, gene);
        return valueStatus;
    }
    int32_t geneRange(int32_t chromosome, int32_t gene, double& min, double& max) override {
        const Chromosome& c = chromosomes[static_cast<size_t>(chromosome - 1)];
        min = c.min[static_cast<size_t>(gene - 1)];
        max = c.max[static_cast<size_t>(gene - 1)];
        return rangeStatus;
    }
    int32_t organismGenes(int32_t organism, std::vector<double>& genes) override {
        size_t at = 0;
        for (const Chromosome& c : chromosomes)
            for (double v : c.values[static_cast<size_t>(organism - 1)])
                if (at < genes.size())
                    genes[at++] = v;
        return genesStatus;
    }
    double objectiveValue(int32_t organism) override { return objectives[static_cast<size_t>(organism - 1)]; }

    std::vector<Chromosome> chromosomes;
    std::vector<double> objectives;
    std::map<int32_t, int32_t> geneCountOverride;
    int32_t valueStatus = 0;
    int32_t rangeStatus = 0;
    int32_t genesStatus = 0;
    int valueReads = 0;

private:
    int m_organisms;
};

} // namespace pageviewstest
