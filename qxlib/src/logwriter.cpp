#include "logwriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "internal.h"
#include "logformat.h"
#include "ol/SafeFile.h"

namespace qx {
namespace {

// Each append commits, and a commit rewrites the log's last page into the
// -wal file. With synchronous=NORMAL every checkpoint (each ~1000 appends)
// fsyncs about 4 MB of -wal, which held appends to 40-70 thousand per second
// here; with OFF nothing waits for the disk (about 240 thousand per second).
// A crash of the add-in still loses nothing that an append has returned; only
// a power cut or kernel crash can damage the log of the run under way, which
// readers then report as QX_E_LOG_DAMAGED.
constexpr char kWriterPragmas[] = "PRAGMA synchronous=OFF;";
constexpr int kWriterBusyMs = 1000;

int32_t removeFile(const std::string& file, std::string& why) {
    if (::unlink(file.c_str()) == 0 || errno == ENOENT)
        return QX_OK;
    why = "cannot remove " + file + ": " + std::strerror(errno);
    return QX_E_LOG_WRITE;
}

// A log's companion files; a stale -wal beside a new log would be replayed
// into it, so they go before the new log takes the name.
int32_t removeCompanions(const std::string& path, std::string& why) {
    for (const char* suffix : {"-wal", "-shm", "-journal"})
        if (int32_t rc = removeFile(path + suffix, why); rc != QX_OK)
            return rc;
    return QX_OK;
}

int32_t exec(sqlite3* db, const char* sql, const std::string& path, std::string& why) {
    if (int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr); rc != SQLITE_OK) {
        why = "cannot write the log " + path + ": " + sqliteMessage(db, rc);
        return QX_E_LOG_WRITE;
    }
    return QX_OK;
}

int32_t buildLog(const std::string& file, const std::string& path, const LogWriter::Layout& layout, std::string& why) {
    sqlite3* raw = nullptr;
    int rc =
        sqlite3_open_v2(file.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    LogDb db(raw);
    if (rc != SQLITE_OK) {
        why = "cannot create the log " + path + ": " + sqliteMessage(raw, rc);
        return QX_E_LOG_WRITE;
    }
    const std::string header =
        "PRAGMA page_size=" + std::to_string(logformat::kPageSize) +
        "; PRAGMA journal_mode=WAL; PRAGMA application_id=" + std::to_string(logformat::kApplicationId) +
        "; PRAGMA user_version=" + std::to_string(logformat::kSchemaVersion) + ";";
    if (int32_t e = exec(db.get(), header.c_str(), path, why); e != QX_OK)
        return e;
    if (int32_t e = exec(db.get(), kWriterPragmas, path, why); e != QX_OK)
        return e;
    if (int32_t e = exec(db.get(), "BEGIN", path, why); e != QX_OK)
        return e;
    if (int32_t e = exec(db.get(), logformat::kSchemaSql, path, why); e != QX_OK)
        return e;

    LogStmt meta = prepareLogStmt(db.get(),
                                  "INSERT INTO meta(id, magic, schema_version, num_chromosomes, num_genes, "
                                  "num_constraints) VALUES(1, ?1, ?2, ?3, ?4, ?5)",
                                  &rc);
    if (rc == SQLITE_OK) {
        sqlite3_bind_text(meta.get(), 1, logformat::kMagic, -1, SQLITE_STATIC);
        sqlite3_bind_int(meta.get(), 2, logformat::kSchemaVersion);
        sqlite3_bind_int(meta.get(), 3, layout.numChromosomes);
        sqlite3_bind_int(meta.get(), 4, layout.numGenes);
        sqlite3_bind_int(meta.get(), 5, layout.numConstraints);
        rc = sqlite3_step(meta.get()) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db.get());
    }
    LogStmt constraint;
    if (rc == SQLITE_OK)
        constraint = prepareLogStmt(
            db.get(), "INSERT INTO constraints(idx, name, hard_not_soft, atomic) VALUES(?1, ?2, ?3, ?4)", &rc);
    for (int32_t i = 0; rc == SQLITE_OK && i < layout.numConstraints; ++i) {
        const char* name = layout.names[i] ? layout.names[i] : "";
        sqlite3_bind_int(constraint.get(), 1, i + 1);
        sqlite3_bind_text(constraint.get(), 2, name, -1, SQLITE_STATIC);
        sqlite3_bind_int(constraint.get(), 3, layout.hardNotSoft[i]);
        sqlite3_bind_int(constraint.get(), 4, layout.isAtomic[i]);
        rc = sqlite3_step(constraint.get()) == SQLITE_DONE ? SQLITE_OK : sqlite3_errcode(db.get());
        sqlite3_reset(constraint.get());
    }
    if (rc != SQLITE_OK) {
        why = "cannot write the log " + path + ": " + sqliteMessage(db.get(), rc);
        return QX_E_LOG_WRITE;
    }
    meta.reset();
    constraint.reset();
    if (int32_t e = exec(db.get(), "COMMIT", path, why); e != QX_OK)
        return e;
    // Closing the only connection moves everything into the main file and
    // removes the -wal and -shm files, so the file can be renamed alone.
    if (rc = sqlite3_close(db.release()); rc != SQLITE_OK) {
        why = "cannot finish the log " + path + ": " + sqlite3_errstr(rc);
        return QX_E_LOG_WRITE;
    }
    return QX_OK;
}

} // namespace

int32_t LogWriter::create(const std::string& path, const Layout& layout, std::unique_ptr<LogWriter>& out,
                          std::string& why) {
    const std::string temp = path + ".creating-" + std::to_string(::getpid());
    if (int32_t rc = removeFile(temp, why); rc != QX_OK)
        return rc;
    if (int32_t rc = removeCompanions(temp, why); rc != QX_OK)
        return rc;
    // The file is made here, new and readable by the user only, before SQLite
    // opens it: SQLite would make it 0644, and its -wal and -shm files take
    // the main file's mode. O_EXCL never opens a link planted at the name.
    if (const int fd = ol::safefile::createNew(temp, why); fd < 0) {
        return QX_E_LOG_WRITE;
    } else {
        ::close(fd);
    }
    if (int32_t rc = buildLog(temp, path, layout, why); rc != QX_OK) {
        std::string ignored;
        removeFile(temp, ignored);
        removeCompanions(temp, ignored);
        return rc;
    }
    if (int32_t rc = removeCompanions(path, why); rc != QX_OK) {
        std::string ignored;
        removeFile(temp, ignored);
        return rc;
    }
    if (::rename(temp.c_str(), path.c_str()) != 0) {
        why = "cannot move the new log into place at " + path + ": " + std::strerror(errno);
        std::string ignored;
        removeFile(temp, ignored);
        return QX_E_LOG_WRITE;
    }

    std::unique_ptr<LogWriter> writer(new LogWriter);
    writer->m_path = path;
    writer->m_numGenes = layout.numGenes;
    writer->m_numConstraints = layout.numConstraints;
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    writer->m_db.reset(raw);
    if (rc != SQLITE_OK) {
        why = "cannot open the new log " + path + ": " + sqliteMessage(raw, rc);
        return QX_E_LOG_WRITE;
    }
    sqlite3_busy_timeout(raw, kWriterBusyMs);
    if (int32_t e = exec(raw, kWriterPragmas, path, why); e != QX_OK)
        return e;
    writer->m_insertTrial = prepareLogStmt(raw,
                                           "INSERT INTO trials(num, elapsed_ms, recalc_num, valid_trial_count, "
                                           "marker_flag, vals) VALUES(?1, ?2, ?3, ?4, ?5, ?6)",
                                           &rc);
    if (rc == SQLITE_OK)
        writer->m_insertStep = prepareLogStmt(raw,
                                              "INSERT INTO progress_steps(selector, num, elapsed_ms, recalc_num, "
                                              "valid_trial_count, marker_flag, vals) "
                                              "VALUES(?7, ?1, ?2, ?3, ?4, ?5, ?6)",
                                              &rc);
    if (rc != SQLITE_OK) {
        why = "cannot prepare writing the log " + path + ": " + sqliteMessage(raw, rc);
        return QX_E_LOG_WRITE;
    }
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        writer->m_dev = st.st_dev;
        writer->m_ino = st.st_ino;
    }
    out = std::move(writer);
    return QX_OK;
}

LogWriter::~LogWriter() {
    if (!m_db)
        return;
    m_insertTrial.reset();
    m_insertStep.reset();
    // Move what it can into the main file without waiting for readers.
    sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    // When another log has taken the path meanwhile, closing must not
    // checkpoint: SQLite would then delete "<path>-wal" by name, which now
    // belongs to the new log.
    struct stat st {};
    if (::stat(m_path.c_str(), &st) != 0 || st.st_dev != m_dev || st.st_ino != m_ino) {
        sqlite3_db_config(m_db.get(), SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
        return;
    }
    // A finished log leaves WAL mode, so that it can be read where the
    // reader may not write (a WAL log needs its -shm file made beside it).
    // That needs the log to itself; while a reader has it open the log stays
    // in WAL mode, and readers fall back to reading the main file alone.
    // The -wal file is emptied first where no reader is in the middle of a
    // read, so that such a reader finds every record in the main file.
    sqlite3_busy_timeout(m_db.get(), 0);
    sqlite3_wal_checkpoint_v2(m_db.get(), nullptr, SQLITE_CHECKPOINT_TRUNCATE, nullptr, nullptr);
    sqlite3_exec(m_db.get(), "PRAGMA journal_mode=DELETE", nullptr, nullptr, nullptr);
}

int32_t LogWriter::checkRecord(const QxLogRecord* record, std::string& why) const {
    if (!record) {
        why = "no record given for the log " + m_path;
        return QX_E_INVALID_ARGUMENT;
    }
    if ((m_numConstraints > 0 && (!record->constraintValues || !record->constraintCellValues)) ||
        (m_numGenes > 0 && !record->geneValues)) {
        why = "the record for the log " + m_path + " lacks its constraint or gene values";
        return QX_E_INVALID_ARGUMENT;
    }
    if (record->spareCount < 0 || (record->spareCount > 0 && !record->spareArray) ||
        logformat::fixedDoubles(m_numConstraints, m_numGenes) + record->spareCount > logformat::kMaxRecordDoubles) {
        why = "spare array of " + std::to_string(record->spareCount) + " values is not valid for the log " + m_path;
        return QX_E_INVALID_ARGUMENT;
    }
    return QX_OK;
}

int32_t LogWriter::insert(sqlite3_stmt* stmt, int firstValue, int64_t number, const QxLogRecord& record,
                          std::string& why) {
    logformat::encodeRecord(record, m_numConstraints, m_numGenes, m_buffer);
    LogStmtReset reset(stmt);
    sqlite3_bind_int64(stmt, firstValue, number);
    sqlite3_bind_int(stmt, firstValue + 1, record.elapsedMs);
    sqlite3_bind_int(stmt, firstValue + 2, record.recalcNum);
    sqlite3_bind_int(stmt, firstValue + 3, record.extra.validTrialCount);
    sqlite3_bind_int(stmt, firstValue + 4, record.extra.markerFlag);
    sqlite3_bind_blob64(stmt, firstValue + 5, m_buffer.data(), m_buffer.size() * sizeof(double), SQLITE_STATIC);
    // Autocommit: the record is its own transaction and visible, whole, to
    // every reader once the step returns.
    if (int rc = sqlite3_step(stmt); rc != SQLITE_DONE) {
        why = "cannot append record " + std::to_string(number) + " to the log " + m_path + ": " +
              sqliteMessage(m_db.get(), rc);
        return QX_E_LOG_WRITE;
    }
    return QX_OK;
}

int32_t LogWriter::appendTrial(const QxLogRecord* record, std::string& why) {
    if (int32_t rc = checkRecord(record, why); rc != QX_OK)
        return rc;
    if (int32_t rc = insert(m_insertTrial.get(), 1, m_trialCount + 1, *record, why); rc != QX_OK)
        return rc;
    ++m_trialCount;
    return QX_OK;
}

int32_t LogWriter::appendProgressStep(int32_t selector, const QxLogRecord* record, std::string& why) {
    if (selector < 1) {
        why = "selector " + std::to_string(selector) + " is not valid for a progress step of the log " + m_path;
        return QX_E_INVALID_ARGUMENT;
    }
    if (int32_t rc = checkRecord(record, why); rc != QX_OK)
        return rc;
    sqlite3_bind_int(m_insertStep.get(), 7, selector);
    int64_t& count = m_stepCounts[selector];
    if (int32_t rc = insert(m_insertStep.get(), 1, count + 1, *record, why); rc != QX_OK)
        return rc;
    ++count;
    return QX_OK;
}

} // namespace qx
