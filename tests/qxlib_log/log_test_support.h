// Shared by the log tests: a private folder, records whose values all follow
// from (table, record number), and a bit-exact read-back check.
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
    std::string file(const std::string& name) const { return m_path + "/" + name; }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

struct Layout {
    int32_t chromosomes = 2;
    int32_t genes = 5;
    std::vector<std::string> names{"Budget ≤ 100", "Headcount", "Ratio"};
    std::vector<int16_t> hardNotSoft{0, 1, 2};
    std::vector<int16_t> isAtomic{QX_TRUE, QX_FALSE, QX_TRUE};
    int32_t constraints() const { return static_cast<int32_t>(names.size()); }
};

// A record derived from (table, number), so that another process can check
// it. Some values are NaN payloads, -0.0 or infinities, which must survive.
struct SampleRecord {
    SampleRecord(const Layout& layout, int32_t table, int32_t number);
    std::vector<double> cv, ccv, spare, genes;
    QxLogRecord record{};
};

int32_t createLog(const std::string& path, const Layout& layout); // writer handle, 0 on failure
int32_t appendTrial(int32_t writer, const Layout& layout, int32_t number);
int32_t appendStep(int32_t writer, const Layout& layout, int32_t selector, int32_t number);
::testing::AssertionResult readsBackExactly(const std::string& path, const Layout& layout, int32_t table,
                                            int32_t number);

bool sameBits(double a, double b);
std::vector<char> readFile(const std::string& path);
void writeFile(const std::string& path, const std::vector<char>& bytes, size_t size);

} // namespace logtest
