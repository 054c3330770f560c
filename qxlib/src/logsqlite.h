// Small RAII wrappers around SQLite handles for the log's writer and readers.
#pragma once

#include <memory>
#include <string>

#include <sqlite3.h>

namespace qx {

struct LogDbCloser {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct LogStmtFinalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
};
using LogDb = std::unique_ptr<sqlite3, LogDbCloser>;
using LogStmt = std::unique_ptr<sqlite3_stmt, LogStmtFinalizer>;

// Resets a statement when the scope ends: a statement left unreset keeps its
// read transaction open, which would pin a reader to an old snapshot.
class LogStmtReset {
public:
    explicit LogStmtReset(sqlite3_stmt* stmt) : m_stmt(stmt) {}
    ~LogStmtReset() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    LogStmtReset(const LogStmtReset&) = delete;
    LogStmtReset& operator=(const LogStmtReset&) = delete;

private:
    sqlite3_stmt* m_stmt;
};

// Statements that live as long as their connection.
inline LogStmt prepareLogStmt(sqlite3* db, const char* sql, int* rc) {
    sqlite3_stmt* stmt = nullptr;
    *rc = sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    return LogStmt(stmt);
}

inline std::string sqliteMessage(sqlite3* db, int rc) {
    std::string msg = sqlite3_errstr(rc);
    if (db) {
        const char* detail = sqlite3_errmsg(db);
        if (detail && msg != detail)
            msg += std::string(" (") + detail + ")";
    }
    return msg;
}

} // namespace qx
