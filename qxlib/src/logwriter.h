// The add-in's side of one optimization log: creates it and appends records,
// each in a transaction of its own.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <sys/types.h>
#include <vector>

#include "logsqlite.h"
#include "qxlib8.h"

namespace qx {

class LogWriter {
public:
    struct Layout {
        int32_t numChromosomes = 0;
        int32_t numGenes = 0;
        int32_t numConstraints = 0;
        const char* const* names = nullptr;
        const int16_t* hardNotSoft = nullptr;
        const int16_t* isAtomic = nullptr;
    };

    // Replaces whatever is at `path` with a new, empty log. The log is built
    // under a temporary name and renamed into place, so a reader polling the
    // path sees either the old file or a complete new log, never a half-made
    // one. Returns QX_OK or an error code with `why` set.
    static int32_t create(const std::string& path, const Layout& layout, std::unique_ptr<LogWriter>& out,
                          std::string& why);

    ~LogWriter();
    LogWriter(const LogWriter&) = delete;
    LogWriter& operator=(const LogWriter&) = delete;

    int32_t appendTrial(const QxLogRecord* record, std::string& why);
    int32_t appendProgressStep(int32_t selector, const QxLogRecord* record, std::string& why);

    const std::string& path() const { return m_path; }

private:
    LogWriter() = default;
    int32_t checkRecord(const QxLogRecord* record, std::string& why) const;
    int32_t insert(sqlite3_stmt* stmt, int firstValue, int64_t number, const QxLogRecord& record, std::string& why);

    std::string m_path;
    LogDb m_db;
    LogStmt m_insertTrial;
    LogStmt m_insertStep;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    int32_t m_numGenes = 0;
    int32_t m_numConstraints = 0;
    int64_t m_trialCount = 0;
    std::map<int32_t, int64_t> m_stepCounts;
    std::vector<double> m_buffer; // reused so that an append allocates nothing
};

} // namespace qx
