// Helpers shared by the log tests: a private temporary folder, records whose
// every value follows from (table, record number), and a check that reads a
// record back and compares it bit for bit.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "qxlib8.h"

namespace logtest {

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// The layout the tests write: constraints of every kind, a name with
// non-ASCII characters.
struct Layout {
    int32_t chromosomes = 2;
    int32_t genes = 5;
    std::vector<std::string> names{"Budget ≤ 100", "Headcount", "Ratio"};
    std::vector<int16_t> hardNotSoft{0, 1, 2};
    std::vector<int16_t> isAtomic{QX_TRUE, QX_FALSE, QX_TRUE};
    int32_t constraints() const { return static_cast<int32_t>(names.size()); }
};

// One record's values, derived from (table, number) so that another process
// can check what it reads without talking to the writer. Some records carry
// NaN payloads, -0.0, infinities and denormals, which must survive exactly.
class SampleRecord {
public:
    SampleRecord(const Layout& layout, int32_t table, int32_t number);
    const QxLogRecord& record() const { return m_record; }
    const std::vector<double>& constraintValues() const { return m_constraintValues; }
    const std::vector<double>& constraintCellValues() const { return m_constraintCellValues; }
    const std::vector<double>& spare() const { return m_spare; }
    const std::vector<double>& genes() const { return m_genes; }

private:
    std::vector<double> m_constraintValues;
    std::vector<double> m_constraintCellValues;
    std::vector<double> m_spare;
    std::vector<double> m_genes;
    QxLogRecord m_record{};
};

// Creates a log with `layout`; returns the writer handle (0 on failure, with
// a test failure recorded).
int32_t createLog(const std::string& path, const Layout& layout);
int32_t appendTrial(int32_t writer, const Layout& layout, int32_t number);
int32_t appendStep(int32_t writer, const Layout& layout, int32_t selector, int32_t number);

// Reads (table, number) and compares every output with SampleRecord.
::testing::AssertionResult readsBackExactly(const std::string& path, const Layout& layout, int32_t table,
                                            int32_t number);

bool sameBits(double a, double b);
bool fileExists(const std::string& path);
std::vector<char> readFile(const std::string& path);
void writeFile(const std::string& path, const char* data, size_t size);

} // namespace logtest
