#include "log_test_support.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <limits>
#include <tuple>

namespace logtest {

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxlib-log-XXXXXX").string();
    if (::mkdtemp(pattern.data()))
        m_path = pattern;
    else
        ADD_FAILURE() << "mkdtemp failed";
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

namespace {

double valueFor(int32_t table, int32_t number, int32_t slot) {
    switch ((number * 7 + slot * 3 + table) % 19) {
    case 0: {
        const uint64_t bits = 0x7FF8000000000000ULL | static_cast<uint64_t>(number * 131 + slot);
        double nan;
        std::memcpy(&nan, &bits, sizeof nan);
        return nan;
    }
    case 1:
        return -0.0;
    case 2:
        return slot % 2 ? std::numeric_limits<double>::infinity() : std::numeric_limits<double>::denorm_min();
    default:
        return table * 1e6 + number + slot / 1024.0;
    }
}

} // namespace

SampleRecord::SampleRecord(const Layout& layout, int32_t table, int32_t number) {
    for (int32_t i = 0; i < layout.constraints(); ++i) {
        cv.push_back((number + i) % 3 == 0 ? 0.0 : valueFor(table, number, 100 + i));
        ccv.push_back(valueFor(table, number, 200 + i));
    }
    for (int32_t g = 0; g < layout.genes; ++g)
        genes.push_back(valueFor(table, number, 300 + g));
    for (int32_t s = 0; s < number % 4; ++s)
        spare.push_back(valueFor(table, number, 400 + s));
    record = {number * 37 + table,
              valueFor(table, number, 1),
              valueFor(table, number, 2),
              table == 0 ? number : number * 10 + table,
              cv.data(),
              ccv.data(),
              spare.empty() ? nullptr : spare.data(),
              static_cast<int32_t>(spare.size()),
              genes.data(),
              {number - number / 5 + table, valueFor(table, number, 3), (number + table) % 2}};
}

int32_t createLog(const std::string& path, const Layout& layout) {
    std::vector<const char*> names;
    for (const auto& n : layout.names)
        names.push_back(n.c_str());
    int32_t handle = 0;
    const int32_t rc = QxLogCreateWVB(path.c_str(), layout.chromosomes, layout.genes, layout.constraints(),
                                      names.data(), layout.hardNotSoft.data(), layout.isAtomic.data(), &handle);
    EXPECT_EQ(rc, QX_OK) << "creating " << path;
    return rc == QX_OK ? handle : 0;
}

int32_t appendTrial(int32_t writer, const Layout& layout, int32_t number) {
    const SampleRecord r(layout, 0, number);
    return QxLogAppendTrialWVB(writer, &r.record);
}

int32_t appendStep(int32_t writer, const Layout& layout, int32_t selector, int32_t number) {
    const SampleRecord r(layout, selector, number);
    return QxLogAppendProgressStepWVB(writer, selector, &r.record);
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

::testing::AssertionResult readsBackExactly(const std::string& path, const Layout& layout, int32_t table,
                                            int32_t number) {
    const SampleRecord want(layout, table, number);
    const auto c = static_cast<int32_t>(want.cv.size());
    const auto g = static_cast<int32_t>(want.genes.size());
    std::vector<double> cv(want.cv.size()), ccv(cv.size()), genes(want.genes.size()), spare(8);
    QxLogRecord got{};
    const int32_t rc =
        QxLogReadRecordWVB(path.c_str(), number, table, &got.elapsedMs, &got.spareValue, &got.valueWithPenalties,
                           &got.recalcNum, cv.data(), c, ccv.data(), c, spare.data(), 8, genes.data(), g, &got.extra);
    auto failure = [&] { return ::testing::AssertionFailure() << "table " << table << " record " << number << ": "; };
    if (rc != QX_OK)
        return failure() << "QxLogReadRecordWVB returned " << rc;
    const QxLogRecord& w = want.record;
    if (got.elapsedMs != w.elapsedMs || got.recalcNum != w.recalcNum ||
        got.extra.validTrialCount != w.extra.validTrialCount || got.extra.markerFlag != w.extra.markerFlag)
        return failure() << "an integer differs";
    if (!sameBits(got.spareValue, w.spareValue) || !sameBits(got.valueWithPenalties, w.valueWithPenalties) ||
        !sameBits(got.extra.constrainingCellValue, w.extra.constrainingCellValue))
        return failure() << "a scalar double differs";
    spare.resize(want.spare.size());
    using Arrays = std::tuple<const char*, const std::vector<double>*, const std::vector<double>*>;
    for (const auto& [name, a, b] : {Arrays{"constraintValues", &cv, &want.cv}, Arrays{"cellValues", &ccv, &want.ccv},
                                     Arrays{"geneValues", &genes, &want.genes}, Arrays{"spare", &spare, &want.spare}})
        if (!a->empty() && std::memcmp(a->data(), b->data(), a->size() * sizeof(double)) != 0)
            return failure() << name << " differ";
    return ::testing::AssertionSuccess();
}

std::vector<char> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

void writeFile(const std::string& path, const std::vector<char>& bytes, size_t size) {
    std::ofstream(path, std::ios::binary | std::ios::trunc).write(bytes.data(), static_cast<std::streamsize>(size));
}

} // namespace logtest
