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

bool PopulationColorTable::read(PopulationReader& reader, const std::vector<int32_t>& solvingMethods) {
    std::vector<GeneRow> rows;
    rows.reserve(static_cast<size_t>(m_genes));
    m_values.resize(m_colors.size());
    const auto chromosomes = static_cast<int32_t>(solvingMethods.size());
    for (int32_t chromosome = 1; chromosome <= chromosomes && std::ssize(rows) < m_genes; ++chromosome) {
        const int32_t genes = reader.geneCount(chromosome);
        if (genes < 0) {
            m_rowsRead.clear();
            return false;
        }
        const bool ranged = isRangeMethod(solvingMethods[static_cast<size_t>(chromosome - 1)]);
        for (int32_t gene = 1; gene <= genes && std::ssize(rows) < m_genes; ++gene) {
            GeneRow& row = rows.emplace_back();
            row.ranged = ranged;
            if (ranged) {
                if (const int32_t rc = reader.geneRange(chromosome, gene, row.min, row.max); rc != 0)
                    engine::LogQxLibError(kOperation, QStringLiteral("QxGeneGetRange"), rc, false);
            }
            const auto geneRow = static_cast<int32_t>(rows.size());
            for (int32_t organism = 1; organism <= m_organisms; ++organism) {
                double value = 0.0;
                if (const int32_t rc = reader.geneValue(chromosome, organism, gene, value); rc != 0)
                    engine::LogQxLibError(kOperation, QStringLiteral("QxGeneGetValue"), rc, false);
                m_values[cell(organism, geneRow)] = value;
            }
        }
    }
    m_rowsRead = std::move(rows);
    return true;
}

void PopulationColorTable::computeColors() {
    // Rows the last read did not reach keep their colours.
    std::vector<int16_t> colors = m_colors;
    DistinctValues distinct(kMaxDistinctValues);
    // The values are ranked in the order they were read: gene row by gene
    // row, each organism in turn (which values a full list keeps depends on
    // that order).
    for (size_t r = 0; r < m_rowsRead.size(); ++r) {
        const GeneRow& row = m_rowsRead[r];
        for (int32_t organism = 1; organism <= m_organisms; ++organism) {
            const size_t at = cell(organism, static_cast<int32_t>(r) + 1);
            if (row.ranged) {
                colors[at] = rangeColor(m_values[at], row.min, row.max);
            } else {
                distinct.insert(m_values[at]);
                colors[at] = kRankedCell;
            }
        }
    }
    for (size_t at = 0; at < colors.size(); ++at) {
        if (colors[at] == kRankedCell)
            colors[at] = static_cast<int16_t>(distinct.position(m_values[at]) % kColorCount);
        else
            colors[at] = std::clamp<int16_t>(colors[at], 0, kColorCount - 1);
    }
    m_colors = std::move(colors);
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
