#include "PopulationTable.h"

#include <algorithm>

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
}

QString PopulationTable::buildText(PopulationReader& reader, const PopulationTableFormat& format) {
    if (m_rowCount == 0)
        return {};
    // The organism's genes arrive all at once; the array holds every gene of
    // the model even when only the first 1024 are shown.
    int32_t totalGenes = 0;
    for (int32_t chromosome = 1; chromosome <= format.chromosomeCount; ++chromosome)
        totalGenes += std::max(0, reader.geneCount(chromosome));
    std::vector<double> genes(static_cast<size_t>(std::max(totalGenes, m_geneCount)), 0.0);

    const qsizetype leading = format.leadingEmptyField ? 1 : 0;
    QString buffer(qsizetype{m_rowCount} * (kFieldWidth * (m_geneCount + 2) + leading), Qt::Uninitialized);
    FieldWriter out(buffer);
    char number[engine::kGeneralNumberMaxLength];
    for (int32_t organism = m_rowCount; organism >= 1; --organism) {
        if (leading != 0)
            out.write(QString());
        out.write(QString::number(m_rowCount - organism + 1));
        const double objective = reader.objectiveValue(organism);
        out.write(format.constraintSolverMode ? engine::FormatConstraintViolations(objective, false)
                                              : engine::FormatValueForDisplay(objective, format.targetIsDate, false));
        if (const int32_t rc = reader.organismGenes(organism, genes); rc != 0)
            engine::LogQxLibError(QStringLiteral("Update_ValueTable"), QStringLiteral("QxOrgGetGenes"), rc, false);
        for (int32_t g = 0; g < m_geneCount; ++g) {
            const auto index = static_cast<size_t>(g);
            const bool isDate = index < format.geneIsDate.size() && format.geneIsDate[index];
            // Most genes are plain numbers: written straight into the buffer.
            const std::size_t length = isDate ? 0 : engine::WriteNumberGeneral(genes[index], number);
            if (length > 0)
                out.write(number, length);
            else
                out.write(engine::FormatValueForDisplay(genes[index], isDate, false));
        }
        if (organism > 1)
            out.endRow();
    }
    buffer.truncate(out.used());
    return buffer;
}

} // namespace manager
