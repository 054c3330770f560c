#include "PopulationTable.h"

#include <algorithm>
#include <charconv>

#include "Formatting.h"
#include "GeneralNumberWriter.h"
#include "PopulationReader.h"
#include "QxLibBinding.h"

namespace manager {

namespace {

// Writes fields into a buffer sized beforehand, each followed by a tab; the
// position moves past that tab. Nothing is ever inserted, so the buffer is
// never reallocated, and it need not be filled first: every character up to
// the position is written. A field that does not fit any more is cut at the
// end of the buffer.
class FieldWriter {
public:
    explicit FieldWriter(QString& buffer) : m_begin(buffer.data()), m_size(buffer.size()) {}

    void write(const QString& field) {
        if (m_pos >= m_size)
            return;
        const qsizetype n = std::min(field.size(), m_size - m_pos);
        std::copy_n(field.constData(), n, m_begin + m_pos);
        delimit(n);
    }
    // A field of ASCII characters.
    void write(const char* field, std::size_t length) {
        if (m_pos >= m_size)
            return;
        const qsizetype n = std::min(static_cast<qsizetype>(length), m_size - m_pos);
        for (qsizetype i = 0; i < n; ++i)
            m_begin[m_pos + i] = QLatin1Char(field[i]);
        delimit(n);
    }
    // The field just written ends its row.
    void endRow() {
        if (m_pos - 1 < m_size)
            m_begin[m_pos - 1] = PopulationTable::kRowDelimiter;
    }
    // Characters in use, without the tab that ends the last field.
    qsizetype used() const { return std::clamp<qsizetype>(m_pos - 1, 0, m_size); }

private:
    void delimit(qsizetype written) {
        m_pos += written;
        if (m_pos < m_size)
            m_begin[m_pos] = PopulationTable::kColumnDelimiter;
        ++m_pos;
    }

    QChar* m_begin;
    qsizetype m_size;
    qsizetype m_pos = 0;
};

} // namespace

void PopulationTable::initialize(int32_t populationSize, int32_t geneCount) {
    m_rowCount = std::clamp(populationSize, 0, kMaxRows);
    m_geneCount = std::clamp(geneCount, 0, kMaxGeneColumns);
    m_objectives.assign(static_cast<size_t>(m_rowCount), 0.0);
    m_genes.assign(static_cast<size_t>(m_rowCount) * static_cast<size_t>(m_geneCount), 0.0);
}

void PopulationTable::read(PopulationReader& reader, int32_t chromosomeCount) {
    if (m_rowCount == 0)
        return;
    // The organism's genes arrive all at once; the array holds every gene of
    // the model even when only the first 1024 are shown.
    int32_t totalGenes = 0;
    for (int32_t chromosome = 1; chromosome <= chromosomeCount; ++chromosome)
        totalGenes += std::max(0, reader.geneCount(chromosome));
    m_organismGenes.resize(static_cast<size_t>(std::max(totalGenes, m_geneCount)));
    const auto shown = static_cast<size_t>(m_geneCount);
    for (int32_t organism = m_rowCount; organism >= 1; --organism) {
        const auto index = static_cast<size_t>(organism - 1);
        m_objectives[index] = reader.objectiveValue(organism);
        if (const int32_t rc = reader.organismGenes(organism, m_organismGenes); rc != 0)
            engine::LogQxLibError(QStringLiteral("Update_ValueTable"), QStringLiteral("QxOrgGetGenes"), rc, false);
        std::copy_n(m_organismGenes.begin(), shown, m_genes.begin() + static_cast<std::ptrdiff_t>(index * shown));
    }
}

QString PopulationTable::buildText(const PopulationTableFormat& format) {
    if (m_rowCount == 0)
        return {};
    const qsizetype leading = format.leadingEmptyField ? 1 : 0;
    const qsizetype size = qsizetype{m_rowCount} * (kFieldWidth * (m_geneCount + 2) + leading);
    QString& buffer = m_buffers[m_nextBuffer];
    m_nextBuffer = 1 - m_nextBuffer;
    if (!buffer.isDetached() || buffer.capacity() < size)
        buffer = QString(size, Qt::Uninitialized);
    else
        buffer.resize(size); // within its capacity: neither moved nor filled
    FieldWriter out(buffer);
    char number[engine::kGeneralNumberMaxLength];
    const auto shown = static_cast<size_t>(m_geneCount);
    for (int32_t organism = m_rowCount; organism >= 1; --organism) {
        const auto index = static_cast<size_t>(organism - 1);
        if (leading != 0)
            out.write(QString());
        const std::size_t rowLength = static_cast<std::size_t>(
            std::to_chars(number, number + sizeof number, m_rowCount - organism + 1).ptr - number);
        out.write(number, rowLength);
        const double objective = m_objectives[index];
        out.write(format.constraintSolverMode ? engine::FormatConstraintViolations(objective, false)
                                              : engine::FormatValueForDisplay(objective, format.targetIsDate, false));
        const double* genes = m_genes.data() + index * shown;
        for (size_t g = 0; g < shown; ++g) {
            const bool isDate = g < format.geneIsDate.size() && format.geneIsDate[g];
            // Most genes are plain numbers: written straight into the buffer.
            const std::size_t length = isDate ? 0 : engine::WriteNumberGeneral(genes[g], number);
            if (length > 0)
                out.write(number, length);
            else
                out.write(engine::FormatValueForDisplay(genes[g], isDate, false));
        }
        if (organism > 1)
            out.endRow();
    }
    buffer.truncate(out.used());
    return buffer;
}

} // namespace manager
