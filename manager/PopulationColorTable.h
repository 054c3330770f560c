#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace manager {

class PopulationReader;

// The colour graph of the population: one cell per organism (rows) and gene
// (columns), at most 256 x 256, each cell a colour index 0..15 of the classic
// 16-colour palette. Genes of groups solved within a numeric range (solving
// methods 1 and 5) are coloured by where the value lies in the gene's range;
// genes of the other groups by the rank of their value among the distinct
// values seen, so that equal values get equal colours. A column of one
// colour is a gene on which the population has converged.
class PopulationColorTable {
public:
    static constexpr int32_t kMaxOrganisms = 256;
    static constexpr int32_t kMaxGenes = 256;
    static constexpr int kColorCount = 16;
    // The most distinct values the ranking keeps.
    static constexpr std::size_t kMaxDistinctValues = 256;
    // Marks, during an update, a cell whose colour comes from its value's rank.
    static constexpr int16_t kRankedCell = -16384;

    // The classic palette as 0xRRGGBB: black, blue, green, cyan, red,
    // magenta, brown, light grey, dark grey, light blue, light green, light
    // cyan, light red, light magenta, yellow, white.
    static const std::array<uint32_t, kColorCount>& palette();

    // Sizes the table (ColorGraph_Initialize); negative counts count as 0.
    void initialize(int32_t populationSize, int32_t geneCount);
    int32_t organismCount() const { return m_organisms; }
    int32_t geneCount() const { return m_genes; }

    // Recomputes every cell from the population (ColorGraph_Update without
    // the drawing). `solvingMethods` holds one method per chromosome, in
    // chromosome order. Engine statuses of the value and range reads are
    // written to the diagnostic log and the update goes on. Returns false,
    // with the table as it was, when a chromosome's gene count is negative:
    // there is then nothing to draw.
    bool update(PopulationReader& reader, const std::vector<int32_t>& solvingMethods) {
        if (!read(reader, solvingMethods))
            return false;
        computeColors();
        return true;
    }
    // The same in two halves: the reads, made while the population is
    // locked (false as above, and nothing kept), then the colours from the
    // values read, which need nothing from the population.
    bool read(PopulationReader& reader, const std::vector<int32_t>& solvingMethods);
    void computeColors();

    // The colour index of a cell; organism and gene row are 1-based.
    int16_t colorIndex(int32_t organism, int32_t geneRow) const;

    // True for the solving methods whose genes have a numeric range.
    static bool isRangeMethod(int32_t solvingMethod) { return solvingMethod == 1 || solvingMethod == 5; }

private:
    std::size_t cell(int32_t organism, int32_t geneRow) const {
        return static_cast<std::size_t>(organism - 1) * static_cast<std::size_t>(m_genes) +
               static_cast<std::size_t>(geneRow - 1);
    }

    int32_t m_organisms = 0;
    int32_t m_genes = 0;
    std::vector<int16_t> m_colors; // m_ColorTable, organism-major
    // The last read: each gene row's range (when its group has one) and
    // every cell's value, organism-major like the colours.
    struct GeneRow {
        bool ranged = false;
        double min = 0.0;
        double max = 0.0;
    };
    std::vector<GeneRow> m_rowsRead;
    std::vector<double> m_values;
};

// The ascending list of at most `capacity` distinct values that ranks the
// genes of the groups without a numeric range. A new value goes to its
// place; when that makes the list too long the largest value drops out, and
// a value larger than every value of a full list is not taken.
class DistinctValues {
public:
    explicit DistinctValues(std::size_t capacity) : m_capacity(capacity) {}
    void insert(double value);
    // The 1-based place of the value in the list; 0 when it is not there.
    int32_t position(double value) const;
    std::size_t size() const { return m_values.size(); }

private:
    std::size_t m_capacity;
    std::vector<double> m_values;
};

} // namespace manager
