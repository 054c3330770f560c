#pragma once

#include <cstdint>
#include <vector>

#include <QString>

namespace manager {

class PopulationReader;

// How the population table shows its values.
struct PopulationTableFormat {
    // The objective column counts violated constraints instead of showing
    // the objective value.
    bool constraintSolverMode = false;
    // The objective values are dates (the target cell holds a date).
    bool targetIsDate = false;
    // Item g - 1 is true when gene g shows as a date; genes past the end
    // show as numbers.
    std::vector<bool> geneIsDate;
    // Chromosomes of the model (one per adjustable-cell group): their gene
    // counts size the array that receives an organism's genes.
    int32_t chromosomeCount = 0;
    // Each row starts with an empty field, for a grid whose first column
    // has no contents.
    bool leadingEmptyField = false;
};

// The population grid's contents: one row per organism, the organism with
// the highest engine index first, each row the organism number, the
// objective value and every gene. At most 512 rows and 1024 gene columns are
// shown, however large the population and the model.
//
// The table is refreshed every second while it is visible, for hundreds of
// organisms and genes, so the whole table is built as one delimited text in
// a buffer sized once and written in place, then handed to the grid in one
// load: no per-cell call into the user interface.
class PopulationTable {
public:
    static constexpr int32_t kMaxRows = 512;
    static constexpr int32_t kMaxGeneColumns = 1024;
    // Characters reserved per field in the buffer (the field and its tab);
    // fields of the population are short numbers and dates.
    static constexpr int32_t kFieldWidth = 15;
    static constexpr QChar kColumnDelimiter = u'\t';
    static constexpr QChar kRowDelimiter = u'\r';

    // Sizes the table for a population and a model; negative counts count as 0.
    void initialize(int32_t populationSize, int32_t geneCount);

    // m_PopulationRowCount and m_PopulationGeneCount of the grid.
    int32_t rowCount() const { return m_rowCount; }
    int32_t geneColumnCount() const { return m_geneCount; }

    // The reads of the table's update, made while the population is locked:
    // the objective value and the shown genes of every shown organism,
    // copied out of the population. An engine status of a genes read is
    // written to the diagnostic log and the organism keeps what was read.
    void read(PopulationReader& reader, int32_t chromosomeCount);
    // The first stage of the table's update from the last read: the text of
    // all rows, fields separated by tabs and rows by carriage returns. Grid
    // row r (1-based) holds organism rowCount() - r + 1. It needs nothing
    // from the population, so it runs after the lock is released.
    QString buildText(const PopulationTableFormat& format);
    // Both at once.
    QString buildText(PopulationReader& reader, const PopulationTableFormat& format) {
        read(reader, format.chromosomeCount);
        return buildText(format);
    }

private:
    int32_t m_rowCount = 0;
    int32_t m_geneCount = 0;
    // The last read: objective values by organism, and the shown genes of
    // organism o at (o - 1) * m_geneCount. Never read: all zero.
    std::vector<double> m_objectives;
    std::vector<double> m_genes;
    // Every gene of one organism, as the engine hands them over.
    std::vector<double> m_organismGenes;
    // The texts alternate between two buffers: while the grid shows one,
    // the next text is written into the other, which nobody holds any more,
    // so the buffer is reused instead of allocated (and its pages touched
    // anew) on every refresh.
    QString m_buffers[2];
    int m_nextBuffer = 0;
};

} // namespace manager
