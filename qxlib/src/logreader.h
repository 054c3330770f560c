// A read-only connection to one optimization log, with its layout and
// prepared statements, as the Watcher's calls use it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "logsqlite.h"
#include "qxlib8.h"

namespace qx {

class LogReader {
public:
    struct Constraint {
        std::string name;
        int16_t hardNotSoft = 0;
        int16_t isAtomic = 0;
    };

    // Where a record read puts its values; a NULL pointer is "not wanted".
    struct RecordOut {
        int32_t* elapsedMs = nullptr;
        double* spareValue = nullptr;
        double* valueWithPenalties = nullptr;
        int32_t* recalcNum = nullptr;
        double* constraintValues = nullptr;
        int32_t constraintValuesCapacity = 0;
        double* constraintCellValues = nullptr;
        int32_t constraintCellValuesCapacity = 0;
        double* spareArray = nullptr;
        int32_t spareArrayCapacity = 0;
        double* geneValues = nullptr;
        int32_t geneValuesCapacity = 0;
        QxLogRecordExtra* extra = nullptr;
    };

    // Opens the log at `path`, whose stat() gave `st`, and checks that it is
    // a whole log of ours. Never creates the file.
    static int32_t open(const std::string& path, const struct stat& st, std::unique_ptr<LogReader>& out,
                        std::string& why);

    // True while `st` (a fresh stat() of the path) is still the file this
    // connection reads: same device and inode, and not shorter than before
    // (a log only grows; a shorter one was cut and must be checked again).
    bool isSameFile(const struct stat& st);
    // False once a call met damage or a failing connection: the caller then
    // drops the reader, and the next call opens the log afresh.
    bool healthy() const { return m_healthy; }

    int32_t numChromosomes() const { return m_numChromosomes; }
    int32_t numGenes() const { return m_numGenes; }
    int32_t numConstraints() const { return static_cast<int32_t>(m_constraints.size()); }
    const std::vector<Constraint>& constraints() const { return m_constraints; }

    // Record counts of the trials and of table `table` (0 = the trials again,
    // k >= 1 = the progress steps of selector k), read in one transaction.
    int32_t counts(int32_t table, int32_t& trialCount, int32_t& tableCount, std::string& why);
    int32_t readRecord(int32_t recordNumber, int32_t table, const RecordOut& out, std::string& why);

private:
    LogReader() = default;
    // One attempt at opening; `immutable` reads the main file alone, without
    // the locks and -shm file that need write access to the folder.
    static int32_t openOnce(const std::string& path, const struct stat& st, bool immutable,
                            std::unique_ptr<LogReader>& out, int& sqliteRc, std::string& why);
    int32_t sqliteFailure(int rc, const std::string& what, std::string& why);
    int32_t loadLayout(std::string& why);

    std::string m_path;
    LogDb m_db;
    LogStmt m_counts;
    LogStmt m_readTrial;
    LogStmt m_readStep;
    dev_t m_dev = 0;
    ino_t m_ino = 0;
    off_t m_size = 0;
    bool m_healthy = true;
    bool m_immutable = false;
    int m_lastSqliteRc = 0; // the SQLite code of the last failure
    struct timespec m_mtime {};
    int32_t m_numChromosomes = 0;
    int32_t m_numGenes = 0;
    std::vector<Constraint> m_constraints;
};

} // namespace qx
