#include "logreader.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "logformat.h"

namespace qx {
namespace {

// A reader waits at most this long for a writer's lock, so the Watcher's
// window never stalls on the log.
constexpr int kReaderBusyMs = 200;

constexpr unsigned char kSqliteHeaderMagic[16] = {'S', 'Q', 'L', 'i', 't', 'e', ' ', 'f',
                                                  'o', 'r', 'm', 'a', 't', ' ', '3', '\0'};

uint32_t bigEndian32(const unsigned char* p) {
    return (uint32_t{p[0]} << 24) | (uint32_t{p[1]} << 16) | (uint32_t{p[2]} << 8) | uint32_t{p[3]};
}

bool fileExists(const std::string& file) {
    struct stat st {};
    return ::stat(file.c_str(), &st) == 0;
}

// Copies up to `capacity` doubles of the record; false when some did not fit.
bool copyDoubles(double* out, int32_t capacity, const unsigned char* from, int64_t count) {
    if (!out || count <= 0)
        return true;
    const int64_t n = std::min<int64_t>(count, std::max(capacity, 0));
    std::memcpy(out, from, static_cast<size_t>(n) * sizeof(double));
    return n == count;
}

double doubleAt(const unsigned char* from, int64_t index) {
    double d;
    std::memcpy(&d, from + index * static_cast<int64_t>(sizeof(double)), sizeof d);
    return d;
}

} // namespace

int32_t LogReader::sqliteFailure(int rc, const std::string& what, std::string& why) {
    m_lastSqliteRc = rc;
    why = what + " in the log " + m_path + ": " + sqliteMessage(m_db.get(), rc);
    switch (rc & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        // Another connection holds the log for now; the connection is fine.
        return QX_E_SYSTEM;
    case SQLITE_NOMEM:
        m_healthy = false;
        return QX_E_NO_MEMORY;
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
    case SQLITE_READONLY:
    case SQLITE_AUTH:
        m_healthy = false;
        return QX_E_SYSTEM;
    default:
        // Corruption, a cut file, missing tables or columns.
        m_healthy = false;
        return QX_E_LOG_DAMAGED;
    }
}

int32_t LogReader::open(const std::string& path, const struct stat& st, std::unique_ptr<LogReader>& out,
                        std::string& why) {
    int sqliteRc = SQLITE_OK;
    const int32_t rc = openOnce(path, st, false, out, sqliteRc, why);
    if (rc != QX_E_SYSTEM)
        return rc;
    // A log in WAL mode needs its -shm file, which a reader without write
    // access to the folder cannot make: an archived run, another user's log
    // shared read-only, read-only media. When no -wal file holds records
    // beyond the main file, the main file alone is the whole log, and it is
    // read as an unchanging file.
    const int primary = sqliteRc & 0xff;
    if (primary != SQLITE_READONLY && primary != SQLITE_CANTOPEN && primary != SQLITE_PERM)
        return rc;
    struct stat wal {};
    if (::stat((path + "-wal").c_str(), &wal) == 0 && wal.st_size > 0)
        return rc;
    std::string again;
    if (openOnce(path, st, true, out, sqliteRc, again) != QX_OK)
        return rc;
    return QX_OK;
}

int32_t LogReader::openOnce(const std::string& path, const struct stat& st, bool immutable,
                            std::unique_ptr<LogReader>& out, int& sqliteRc, std::string& why) {
    std::unique_ptr<LogReader> reader(new LogReader);
    reader->m_path = path;
    reader->m_dev = st.st_dev;
    reader->m_ino = st.st_ino;
    reader->m_size = st.st_size;
    reader->m_mtime = st.st_mtim;
    reader->m_immutable = immutable;

    // Without SQLITE_OPEN_CREATE: reading never makes a file.
    sqlite3* raw = nullptr;
    int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_NOMUTEX;
    std::string name = path;
    if (immutable) {
        name = "file:";
        for (char c : path) {
            if (c == '%' || c == '?' || c == '#') {
                static constexpr char kHex[] = "0123456789ABCDEF";
                name += '%';
                name += kHex[static_cast<unsigned char>(c) >> 4];
                name += kHex[static_cast<unsigned char>(c) & 15];
            } else {
                name += c;
            }
        }
        name += "?immutable=1";
        flags |= SQLITE_OPEN_URI;
    }
    int rc = sqlite3_open_v2(name.c_str(), &raw, flags, nullptr);
    reader->m_db.reset(raw);
    if (rc != SQLITE_OK) {
        sqliteRc = rc;
        const bool gone = !fileExists(path);
        why = "cannot open the log " + path + ": " + sqliteMessage(raw, rc);
        return gone ? QX_E_NO_LOG : QX_E_SYSTEM;
    }
    sqlite3_busy_timeout(raw, kReaderBusyMs);
    // A reader never checkpoints, so closing it never touches the -wal file,
    // which may belong to a newer log at the same path by then.
    sqlite3_db_config(raw, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);

    // Look at the file header through SQLite's own file handle: opening and
    // closing a second descriptor would drop this process's locks on the file.
    sqlite3_file* file = nullptr;
    if (sqlite3_file_control(raw, "main", SQLITE_FCNTL_FILE_POINTER, &file) != SQLITE_OK || !file || !file->pMethods) {
        why = "cannot inspect the log " + path;
        return QX_E_SYSTEM;
    }
    // The -wal file is looked for first: without one, no writer is at work and
    // the main file must hold every page its header counts.
    const bool hasWal = fileExists(path + "-wal");
    unsigned char header[100] = {};
    sqlite3_int64 size = 0;
    if (file->pMethods->xFileSize(file, &size) != SQLITE_OK) {
        why = "cannot read the log " + path;
        return QX_E_SYSTEM;
    }
    const int headerBytes = static_cast<int>(std::min<sqlite3_int64>(size, sizeof header));
    if (headerBytes > 0) {
        rc = file->pMethods->xRead(file, header, headerBytes, 0);
        if (rc != SQLITE_OK && rc != SQLITE_IOERR_SHORT_READ) {
            why = "cannot read the log " + path;
            return QX_E_SYSTEM;
        }
    }
    if (size == 0) {
        why = path + " is an empty file, not an optimization log";
        return QX_E_NOT_A_LOG;
    }
    if (headerBytes < 16 || std::memcmp(header, kSqliteHeaderMagic, sizeof kSqliteHeaderMagic) != 0) {
        why = path + " is not an optimization log (not an SQLite database)";
        return QX_E_NOT_A_LOG;
    }
    if (headerBytes < static_cast<int>(sizeof header)) {
        why = "the log " + path + " is cut short inside its file header";
        return QX_E_LOG_DAMAGED;
    }
    if (bigEndian32(header + 68) != static_cast<uint32_t>(logformat::kApplicationId)) {
        why = path + " is an SQLite database of another application, not an optimization log";
        return QX_E_NOT_A_LOG;
    }
    uint32_t pageSize = (uint32_t{header[16]} << 8) | header[17];
    if (pageSize == 1)
        pageSize = 65536;
    if (pageSize < 512 || pageSize > 65536 || (pageSize & (pageSize - 1)) != 0) {
        why = "the log " + path + " has a damaged file header";
        return QX_E_LOG_DAMAGED;
    }
    if (!hasWal) {
        // The header's page count is valid when the change counter matches
        // the "version valid for" number.
        const uint64_t pages = bigEndian32(header + 28);
        const bool countValid = bigEndian32(header + 24) == bigEndian32(header + 92) && pages > 0;
        const auto bytes = static_cast<uint64_t>(size);
        if (bytes % pageSize != 0 || (countValid && pages * pageSize > bytes)) {
            why = "the log " + path + " is cut short: " + std::to_string(bytes) + " bytes of " +
                  std::to_string(countValid ? pages * pageSize : bytes + pageSize - bytes % pageSize);
            return QX_E_LOG_DAMAGED;
        }
    }
    if (int32_t e = reader->loadLayout(why); e != QX_OK) {
        sqliteRc = reader->m_lastSqliteRc;
        return e;
    }
    out = std::move(reader);
    return QX_OK;
}

int32_t LogReader::loadLayout(std::string& why) {
    sqlite3* db = m_db.get();
    int rc = SQLITE_OK;
    {
        LogStmt meta = prepareLogStmt(
            db, "SELECT magic, schema_version, num_chromosomes, num_genes, num_constraints FROM meta WHERE id = 1",
            &rc);
        if (rc != SQLITE_OK)
            return sqliteFailure(rc, "cannot find the layout", why);
        rc = sqlite3_step(meta.get());
        if (rc == SQLITE_DONE) {
            why = "the log " + m_path + " has lost its layout";
            m_healthy = false;
            return QX_E_LOG_DAMAGED;
        }
        if (rc != SQLITE_ROW)
            return sqliteFailure(rc, "cannot read the layout", why);
        const auto* magic = reinterpret_cast<const char*>(sqlite3_column_text(meta.get(), 0));
        if (!magic || std::strcmp(magic, logformat::kMagic) != 0) {
            why = "the log " + m_path + " has a damaged layout";
            return QX_E_LOG_DAMAGED;
        }
        if (const int version = sqlite3_column_int(meta.get(), 1); version != logformat::kSchemaVersion) {
            why = "the log " + m_path + " has format version " + std::to_string(version) +
                  ", which this engine does not read";
            return QX_E_NOT_A_LOG;
        }
        const int64_t chromosomes = sqlite3_column_int64(meta.get(), 2);
        const int64_t genes = sqlite3_column_int64(meta.get(), 3);
        const int64_t constraints = sqlite3_column_int64(meta.get(), 4);
        if (chromosomes < 0 || genes < 0 || constraints < 0 || chromosomes > INT32_MAX ||
            logformat::kScalarDoubles + 2 * constraints + genes > logformat::kMaxRecordDoubles) {
            why = "the log " + m_path + " has a damaged layout";
            return QX_E_LOG_DAMAGED;
        }
        m_numChromosomes = static_cast<int32_t>(chromosomes);
        m_numGenes = static_cast<int32_t>(genes);
        m_constraints.resize(static_cast<size_t>(constraints));
    }
    {
        LogStmt list = prepareLogStmt(db, "SELECT idx, name, hard_not_soft, atomic FROM constraints ORDER BY idx", &rc);
        if (rc != SQLITE_OK)
            return sqliteFailure(rc, "cannot find the constraints", why);
        size_t seen = 0;
        while ((rc = sqlite3_step(list.get())) == SQLITE_ROW) {
            // Constraints are numbered 1..C without gaps.
            if (seen >= m_constraints.size() || sqlite3_column_int64(list.get(), 0) != static_cast<int64_t>(seen) + 1)
                break;
            Constraint& c = m_constraints[seen++];
            const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(list.get(), 1));
            c.name = name ? name : "";
            c.hardNotSoft = static_cast<int16_t>(sqlite3_column_int(list.get(), 2));
            c.isAtomic = static_cast<int16_t>(sqlite3_column_int(list.get(), 3));
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return sqliteFailure(rc, "cannot read the constraints", why);
        if (rc == SQLITE_ROW || seen != m_constraints.size()) {
            why = "the log " + m_path + " has a damaged constraint list";
            m_healthy = false;
            return QX_E_LOG_DAMAGED;
        }
    }
    m_counts = prepareLogStmt(
        db, "SELECT (SELECT max(num) FROM trials), (SELECT max(num) FROM progress_steps WHERE selector = ?1)", &rc);
    if (rc == SQLITE_OK)
        m_readTrial = prepareLogStmt(
            db, "SELECT elapsed_ms, recalc_num, valid_trial_count, marker_flag, vals FROM trials WHERE num = ?1", &rc);
    if (rc == SQLITE_OK)
        m_readStep = prepareLogStmt(db,
                                    "SELECT elapsed_ms, recalc_num, valid_trial_count, marker_flag, vals "
                                    "FROM progress_steps WHERE selector = ?2 AND num = ?1",
                                    &rc);
    if (rc != SQLITE_OK)
        return sqliteFailure(rc, "cannot find the records", why);
    return QX_OK;
}

bool LogReader::isSameFile(const struct stat& st) {
    if (st.st_dev != m_dev || st.st_ino != m_ino || st.st_size < m_size)
        return false;
    // An unchanging file that changed after all is opened afresh.
    if (m_immutable &&
        (st.st_size != m_size || st.st_mtim.tv_sec != m_mtime.tv_sec || st.st_mtim.tv_nsec != m_mtime.tv_nsec))
        return false;
    m_size = st.st_size;
    return true;
}

int32_t LogReader::counts(int32_t table, int32_t& trialCount, int32_t& tableCount, std::string& why) {
    if (table < 0) {
        why = "table " + std::to_string(table) + " does not exist in the log " + m_path;
        return QX_E_RECORD_RANGE;
    }
    sqlite3_stmt* stmt = m_counts.get();
    LogStmtReset reset(stmt);
    sqlite3_bind_int(stmt, 1, table);
    const int rc = sqlite3_step(stmt);
    if (rc != SQLITE_ROW)
        return sqliteFailure(rc, "cannot count the records", why);
    const int64_t trials = sqlite3_column_int64(stmt, 0);
    const int64_t steps = table == 0 ? trials : sqlite3_column_int64(stmt, 1);
    if (trials < 0 || trials > INT32_MAX || steps < 0 || steps > INT32_MAX) {
        why = "the log " + m_path + " has damaged record numbers";
        m_healthy = false;
        return QX_E_LOG_DAMAGED;
    }
    trialCount = static_cast<int32_t>(trials);
    tableCount = static_cast<int32_t>(steps);
    return QX_OK;
}

int32_t LogReader::readRecord(int32_t recordNumber, int32_t table, const RecordOut& out, std::string& why) {
    const std::string which = "record " + std::to_string(recordNumber) + " of table " + std::to_string(table);
    if (table < 0 || recordNumber < 1) {
        why = which + " does not exist in the log " + m_path;
        return QX_E_RECORD_RANGE;
    }
    sqlite3_stmt* stmt = table == 0 ? m_readTrial.get() : m_readStep.get();
    LogStmtReset reset(stmt);
    sqlite3_bind_int(stmt, 1, recordNumber);
    if (table > 0)
        sqlite3_bind_int(stmt, 2, table);
    const int rc = sqlite3_step(stmt);
    if (rc == SQLITE_DONE) {
        why = which + " is beyond the end of the log " + m_path;
        return QX_E_RECORD_RANGE;
    }
    if (rc != SQLITE_ROW)
        return sqliteFailure(rc, "cannot read " + which, why);

    const auto* blob = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, 4));
    const int64_t bytes = sqlite3_column_bytes(stmt, 4);
    const int64_t c = numConstraints();
    const int64_t g = m_numGenes;
    const int64_t fixed = logformat::fixedDoubles(numConstraints(), m_numGenes);
    if (!blob || bytes % static_cast<int64_t>(sizeof(double)) != 0 ||
        bytes / static_cast<int64_t>(sizeof(double)) < fixed) {
        why = which + " of the log " + m_path + " is damaged";
        m_healthy = false;
        return QX_E_LOG_DAMAGED;
    }
    const int64_t spare = bytes / static_cast<int64_t>(sizeof(double)) - fixed;

    if (out.elapsedMs)
        *out.elapsedMs = sqlite3_column_int(stmt, 0);
    if (out.recalcNum)
        *out.recalcNum = sqlite3_column_int(stmt, 1);
    if (out.extra) {
        out.extra->validTrialCount = sqlite3_column_int(stmt, 2);
        out.extra->constrainingCellValue = doubleAt(blob, 2);
        out.extra->markerFlag = sqlite3_column_int(stmt, 3);
    }
    if (out.spareValue)
        *out.spareValue = doubleAt(blob, 0);
    if (out.valueWithPenalties)
        *out.valueWithPenalties = doubleAt(blob, 1);
    const unsigned char* arrays = blob + logformat::kScalarDoubles * static_cast<int64_t>(sizeof(double));
    const auto at = [arrays](int64_t index) { return arrays + index * static_cast<int64_t>(sizeof(double)); };
    bool fits = copyDoubles(out.constraintValues, out.constraintValuesCapacity, at(0), c);
    fits &= copyDoubles(out.constraintCellValues, out.constraintCellValuesCapacity, at(c), c);
    fits &= copyDoubles(out.geneValues, out.geneValuesCapacity, at(2 * c), g);
    fits &= copyDoubles(out.spareArray, out.spareArrayCapacity, at(2 * c + g), spare);
    if (!fits) {
        why = "a buffer is too small for " + which + " of the log " + m_path + " (" + std::to_string(c) +
              " constraints, " + std::to_string(g) + " genes, " + std::to_string(spare) + " spare values)";
        return QX_E_BUFFER_TOO_SMALL;
    }
    return QX_OK;
}

} // namespace qx
