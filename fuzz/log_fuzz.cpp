// Feeds arbitrary files to every log reader. Inputs starting with 'M' spoil a
// valid log instead: byte 1 picks where (in 256ths of the file), byte 2 how
// (0-127 overwrite, 128-191 xor, 192-255 cut the file there), the rest are the
// bytes written. Everything else is the file itself.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "qxlib8.h"

namespace {

std::string g_dir;
std::vector<uint8_t> g_validLog;
unsigned g_serial = 0;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// A small log with every table in use: 12 trials, steps under selectors 1 and 2.
void buildValidLog() {
    const std::string path = g_dir + "/valid.qxlog";
    const char* names[] = {"Budget", "Ratio ≥ 2"};
    const int16_t hard[] = {0, 1};
    const int16_t atomic[] = {QX_TRUE, QX_FALSE};
    int32_t w = 0;
    if (QxLogCreateWVB(path.c_str(), 1, 3, 2, names, hard, atomic, &w) != QX_OK)
        std::abort();
    double cv[2] = {0, 1.5}, ccv[2] = {10, 20}, genes[3] = {1, 2, 3}, spare[2] = {7, 8};
    QxLogRecord r{};
    r.constraintValues = cv;
    r.constraintCellValues = ccv;
    r.geneValues = genes;
    r.spareArray = spare;
    for (int32_t n = 1; n <= 12; ++n) {
        r.recalcNum = n;
        r.valueWithPenalties = n * 1.25;
        r.spareCount = n % 3;
        genes[0] = n;
        if (QxLogAppendTrialWVB(w, &r) != QX_OK)
            std::abort();
        if (n % 3 == 0 && QxLogAppendProgressStepWVB(w, 1 + n % 2, &r) != QX_OK)
            std::abort();
    }
    QxLogClose(w);
    g_validLog = readFile(path);
}

std::vector<uint8_t> spoilValidLog(const uint8_t* data, size_t size) {
    std::vector<uint8_t> file = g_validLog;
    const size_t where = size > 1 ? data[1] * file.size() / 256 : 0;
    const uint8_t how = size > 2 ? data[2] : 0;
    if (how >= 192) {
        file.resize(where);
        return file;
    }
    for (size_t i = 3; i < size && where + i - 3 < file.size(); ++i) {
        uint8_t& b = file[where + i - 3];
        b = how >= 128 ? static_cast<uint8_t>(b ^ data[i]) : data[i];
    }
    return file;
}

void readEverything(const std::string& path) {
    int32_t trials = 0, steps = 0, chromosomes = 0, genes = 0, constraints = 0;
    QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps);
    for (int32_t table = -1; table <= 3; ++table)
        QxLogGetRecordCounts2WVB(path.c_str(), &trials, table, &steps);
    QxLogGetCountsWVB(path.c_str(), &chromosomes, &genes, &constraints);
    char name[24];
    int16_t hard = 0, atomic = 0;
    for (int32_t i = 0; i <= constraints + 1 && i <= 8; ++i)
        QxLogGetConstraintInfoWVB(path.c_str(), i, name, sizeof name, &hard, &atomic);
    // Modest capacities: a log that claims more values must be cut, not overrun.
    double a[4], b[4], c[4], d[4], v = 0;
    int32_t elapsed = 0, recalc = 0;
    QxLogRecordExtra extra{};
    for (int32_t table = 0; table <= 2; ++table) {
        int32_t count = 0;
        if (QxLogGetRecordCounts2WVB(path.c_str(), nullptr, table, &count) != QX_OK)
            count = 4;
        for (int32_t n = 0; n <= count + 1 && n <= 16; ++n)
            QxLogReadRecordWVB(path.c_str(), n, table, &elapsed, &v, &v, &recalc, a, 4, b, 4, c, 4, d, 4, &extra);
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (std::filesystem::temp_directory_path() / "qxlib-log-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        std::abort();
    g_dir = pattern;
    buildValidLog();
    std::atexit([] {
        QxFree();
        std::error_code ignored;
        std::filesystem::remove_all(g_dir, ignored);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::vector<uint8_t> file =
        size > 0 && data[0] == 'M' ? spoilValidLog(data, size) : std::vector<uint8_t>(data, data + size);
    // A fresh file each time; the reader must notice that the path now names
    // another file. The companion files of the last input go too.
    const std::string path = g_dir + "/input.qxlog";
    for (const char* suffix : {"", "-wal", "-shm"})
        ::unlink((path + suffix).c_str());
    {
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    }
    readEverything(path);
    // Now and then start from nothing, so that opening is fuzzed as well as reuse.
    if (++g_serial % 64 == 0)
        QxFree();
    return 0;
}
