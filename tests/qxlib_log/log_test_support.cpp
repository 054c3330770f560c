#include "log_test_support.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>

namespace logtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxlib-log-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        ADD_FAILURE() << "mkdtemp failed";
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

namespace {

double nanWithPayload(uint64_t payload) {
    const uint64_t bits = 0x7FF8000000000000ULL | (payload & 0x0007FFFFFFFFFFFFULL);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// Mostly ordinary numbers; every few records a value that a lossy store
// would change.
double valueFor(int32_t table, int32_t number, int32_t slot) {
    const int32_t pick = (number * 7 + slot * 3 + table) % 23;
    switch (pick) {
    case 0:
        return nanWithPayload(static_cast<uint64_t>(number) * 131 + static_cast<uint64_t>(slot));
    case 1:
        return -0.0;
    case 2:
        return slot % 2 ? std::numeric_limits<double>::infinity() : -std::numeric_limits<double>::infinity();
    case 3:
        return std::numeric_limits<double>::denorm_min() * (number + 1);
    case 4:
        return -1.001e300;
    default:
        return table * 1e6 + number + slot / 1024.0;
    }
}

} // namespace

SampleRecord::SampleRecord(const Layout& layout, int32_t table, int32_t number) {
    const int32_t c = layout.constraints();
    for (int32_t i = 0; i < c; ++i) {
        m_constraintValues.push_back((number + i) % 3 == 0 ? 0.0 : valueFor(table, number, 100 + i));
        m_constraintCellValues.push_back(valueFor(table, number, 200 + i));
    }
    for (int32_t g = 0; g < layout.genes; ++g)
        m_genes.push_back(valueFor(table, number, 300 + g));
    for (int32_t s = 0; s < number % 4; ++s)
        m_spare.push_back(valueFor(table, number, 400 + s));
    m_record.elapsedMs = number * 37 + table;
    m_record.spareValue = valueFor(table, number, 1);
    m_record.valueWithPenalties = valueFor(table, number, 2);
    m_record.recalcNum = table == 0 ? number : number * 10 + table;
    m_record.constraintValues = m_constraintValues.data();
    m_record.constraintCellValues = m_constraintCellValues.data();
    m_record.spareArray = m_spare.empty() ? nullptr : m_spare.data();
    m_record.spareCount = static_cast<int32_t>(m_spare.size());
    m_record.geneValues = m_genes.data();
    m_record.extra.validTrialCount = number - number / 5 + table;
    m_record.extra.constrainingCellValue = valueFor(table, number, 3);
    m_record.extra.markerFlag = (number + table) % 2;
}

int32_t createLog(const std::string& path, const Layout& layout) {
    std::vector<const char*> names;
    for (const auto& n : layout.names)
        names.push_back(n.c_str());
    int32_t handle = 0;
    const int32_t rc = QxLogCreateWVB(path.c_str(), layout.chromosomes, layout.genes, layout.constraints(),
                                      names.data(), layout.hardNotSoft.data(), layout.isAtomic.data(), &handle);
    if (rc != QX_OK) {
        ADD_FAILURE() << "QxLogCreateWVB(" << path << ") returned " << rc;
        return 0;
    }
    return handle;
}

int32_t appendTrial(int32_t writer, const Layout& layout, int32_t number) {
    const SampleRecord r(layout, 0, number);
    return QxLogAppendTrialWVB(writer, &r.record());
}

int32_t appendStep(int32_t writer, const Layout& layout, int32_t selector, int32_t number) {
    const SampleRecord r(layout, selector, number);
    return QxLogAppendProgressStepWVB(writer, selector, &r.record());
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

namespace {

std::string describe(double d) {
    std::ostringstream s;
    uint64_t bits;
    std::memcpy(&bits, &d, sizeof bits);
    s << d << " (0x" << std::hex << bits << ")";
    return s.str();
}

::testing::AssertionResult compareArray(const char* what, const std::vector<double>& expected,
                                        const std::vector<double>& got) {
    for (size_t i = 0; i < expected.size(); ++i)
        if (!sameBits(expected[i], got[i]))
            return ::testing::AssertionFailure()
                   << what << "[" << i << "] is " << describe(got[i]) << ", wrote " << describe(expected[i]);
    return ::testing::AssertionSuccess();
}

} // namespace

::testing::AssertionResult readsBackExactly(const std::string& path, const Layout& layout, int32_t table,
                                            int32_t number) {
    const SampleRecord want(layout, table, number);
    const auto c = static_cast<size_t>(layout.constraints());
    const auto g = static_cast<size_t>(layout.genes);
    std::vector<double> cv(c), ccv(c), genes(g), spare(8);
    int32_t elapsed = -1, recalc = -1;
    double spareValue = 0, withPenalties = 0;
    QxLogRecordExtra extra{-1, 0.0, -1};
    const int32_t rc =
        QxLogReadRecordWVB(path.c_str(), number, table, &elapsed, &spareValue, &withPenalties, &recalc, cv.data(),
                           static_cast<int32_t>(c), ccv.data(), static_cast<int32_t>(c), spare.data(),
                           static_cast<int32_t>(spare.size()), genes.data(), static_cast<int32_t>(g), &extra);
    const std::string where = "table " + std::to_string(table) + " record " + std::to_string(number) + ": ";
    if (rc != QX_OK)
        return ::testing::AssertionFailure() << where << "QxLogReadRecordWVB returned " << rc;
    const QxLogRecord& r = want.record();
    if (elapsed != r.elapsedMs || recalc != r.recalcNum || extra.validTrialCount != r.extra.validTrialCount ||
        extra.markerFlag != r.extra.markerFlag)
        return ::testing::AssertionFailure()
               << where << "integers differ: elapsed " << elapsed << "/" << r.elapsedMs << ", recalc " << recalc << "/"
               << r.recalcNum << ", valid " << extra.validTrialCount << "/" << r.extra.validTrialCount << ", marker "
               << extra.markerFlag << "/" << r.extra.markerFlag;
    if (!sameBits(spareValue, r.spareValue) || !sameBits(withPenalties, r.valueWithPenalties) ||
        !sameBits(extra.constrainingCellValue, r.extra.constrainingCellValue))
        return ::testing::AssertionFailure()
               << where << "scalar doubles differ: " << describe(spareValue) << ", " << describe(withPenalties) << ", "
               << describe(extra.constrainingCellValue);
    spare.resize(want.spare().size());
    for (auto result :
         {compareArray("constraintValues", want.constraintValues(), cv),
          compareArray("constraintCellValues", want.constraintCellValues(), ccv),
          compareArray("geneValues", want.genes(), genes), compareArray("spareArray", want.spare(), spare)})
        if (!result)
            return ::testing::AssertionFailure() << where << result.message();
    return ::testing::AssertionSuccess();
}

bool fileExists(const std::string& path) {
    return std::filesystem::exists(path);
}

std::vector<char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const char* data, size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(data, static_cast<std::streamsize>(size));
}

} // namespace logtest
