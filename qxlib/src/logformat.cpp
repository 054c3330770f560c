#include "logformat.h"

#include <algorithm>

namespace qx::logformat {

void encodeRecord(const QxLogRecord& record, int32_t numConstraints, int32_t numGenes, std::vector<double>& out) {
    const auto spare = static_cast<size_t>(std::max(record.spareCount, 0));
    const auto c = static_cast<size_t>(numConstraints);
    const auto g = static_cast<size_t>(numGenes);
    out.resize(static_cast<size_t>(kScalarDoubles) + 2 * c + g + spare);
    double* p = out.data();
    *p++ = record.spareValue;
    *p++ = record.valueWithPenalties;
    *p++ = record.extra.constrainingCellValue;
    p = std::copy_n(record.constraintValues, c, p);
    p = std::copy_n(record.constraintCellValues, c, p);
    p = std::copy_n(record.geneValues, g, p);
    std::copy_n(record.spareArray, spare, p);
}

} // namespace qx::logformat
