#include "PopulationColorTable.h"

#include <algorithm>
#include <cmath>

#include "PopulationReader.h"
#include "QxLibBinding.h"

namespace manager {

namespace {

const QString kOperation = QStringLiteral("ColorGraph_Update");

// The colour of a value within its gene's range: the range split into 16
// equal bands, the maximum itself in the top band. A gene whose range is a
// single value (min = max) has nothing to tell apart and shows colour 0, as
// does a value that is not a number.
int16_t rangeColor(double value, double min, double max) {
    const double band = std::floor((value - min) * PopulationColorTable::kColorCount / (max - min));
    if (!(max > min) || !std::isfinite(band))
        return 0;
    return static_cast<int16_t>(std::clamp(band, 0.0, double{PopulationColorTable::kColorCount - 1}));
}

} // namespace

const std::array<uint32_t, PopulationColorTable::kColorCount>& PopulationColorTable::palette() {
    static constexpr std::array<uint32_t, kColorCount> kPalette = {
        0x000000, 0x0000AA, 0x00AA00, 0x00AAAA, 0xAA0000, 0xAA00AA, 0xAA5500, 0xAAAAAA,
        0x555555, 0x5555FF, 0x55FF55, 0x55FFFF, 0xFF5555, 0xFF55FF, 0xFFFF55, 0xFFFFFF};
    return kPalette;
}

void PopulationColorTable::initialize(int32_t populationSize, int32_t geneCount) {
    m_organisms = std::clamp(populationSize, 0, kMaxOrganisms);
    m_genes = std::clamp(geneCount, 0, kMaxGenes);
    m_colors.assign(static_cast<size_t>(m_organisms) * static_cast<size_t>(m_genes), 0);
}

int16_t PopulationColorTable::colorIndex(int32_t organism, int32_t geneRow) const {
    if (organism < 1 || organism > m_organisms || geneRow < 1 || geneRow > m_genes)
        return 0;
    return m_colors[cell(organism, geneRow)];
}

bool PopulationColorTable::update(PopulationReader& reader, const std::vector<int32_t>& solvingMethods) {
    std::vector<int16_t> colors = m_colors;
    std::vector<double> values(colors.size(), 0.0);
    DistinctValues distinct(kMaxDistinctValues);
    int32_t row = 0;
    const auto chromosomes = static_cast<int32_t>(solvingMethods.size());
    for (int32_t chromosome = 1; chromosome <= chromosomes && row < m_genes; ++chromosome) {
        const int32_t genes = reader.geneCount(chromosome);
        if (genes < 0)
            return false;
        const bool ranged = isRangeMethod(solvingMethods[static_cast<size_t>(chromosome - 1)]);
        for (int32_t gene = 1; gene <= genes && row < m_genes; ++gene) {
            ++row;
            double min = 0.0;
            double max = 0.0;
            if (ranged) {
                if (const int32_t rc = reader.geneRange(chromosome, gene, min, max); rc != 0)
                    engine::LogQxLibError(kOperation, QStringLiteral("QxGeneGetRange"), rc, false);
            }
            for (int32_t organism = 1; organism <= m_organisms; ++organism) {
                double value = 0.0;
                if (const int32_t rc = reader.geneValue(chromosome, organism, gene, value); rc != 0)
                    engine::LogQxLibError(kOperation, QStringLiteral("QxGeneGetValue"), rc, false);
                const size_t at = cell(organism, row);
                if (ranged) {
                    colors[at] = rangeColor(value, min, max);
                } else {
                    distinct.insert(value);
                    colors[at] = kRankedCell;
                    values[at] = value;
                }
            }
        }
    }
    for (size_t at = 0; at < colors.size(); ++at) {
        if (colors[at] == kRankedCell)
            colors[at] = static_cast<int16_t>(distinct.position(values[at]) % kColorCount);
        else
            colors[at] = std::clamp<int16_t>(colors[at], 0, kColorCount - 1);
    }
    m_colors = std::move(colors);
    return true;
}

void DistinctValues::insert(double value) {
    if (m_capacity == 0 || std::isnan(value))
        return;
    const auto at = std::lower_bound(m_values.begin(), m_values.end(), value);
    if (at != m_values.end() && *at == value)
        return;
    if (m_values.size() >= m_capacity && at == m_values.end())
        return;
    m_values.insert(at, value);
    if (m_values.size() > m_capacity)
        m_values.pop_back();
}

int32_t DistinctValues::position(double value) const {
    const auto at = std::lower_bound(m_values.begin(), m_values.end(), value);
    if (at == m_values.end() || *at != value)
        return 0;
    return static_cast<int32_t>(at - m_values.begin()) + 1;
}

} // namespace manager
