// Bad input never crashes a reader or writes past a capacity: each kind of
// trouble has its own error code, and outputs stay untouched.
#include <algorithm>
#include <array>
#include <csignal>
#include <filesystem>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

namespace {

constexpr double kCanary = -31337.5;
constexpr int32_t kIntCanary = -424242;

int32_t readRecord(const std::string& path, int32_t number, int32_t table) {
    return QxLogReadRecordWVB(path.c_str(), number, table, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0,
                              nullptr, 0, nullptr, 0, nullptr);
}

// Every reader on `path` returns `code` and leaves its outputs alone.
void expectEveryReaderFails(const std::string& path, int32_t code) {
    SCOPED_TRACE(path);
    int32_t a = kIntCanary, b = kIntCanary, c = kIntCanary;
    char name[16] = "untouched";
    int16_t flag = 5;
    std::array<double, 8> arr;
    arr.fill(kCanary);
    QxLogRecordExtra extra{kIntCanary, kCanary, kIntCanary};
    EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &a, &b), code);
    EXPECT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &a, 2, &b), code);
    EXPECT_EQ(QxLogGetCountsWVB(path.c_str(), &a, &b, &c), code);
    EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), 1, name, sizeof name, &flag, &flag), code);
    EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, &a, arr.data(), arr.data(), &b, arr.data(), 8, arr.data(), 8,
                                 arr.data(), 8, arr.data(), 8, &extra),
              code);
    EXPECT_TRUE(a == kIntCanary && b == kIntCanary && c == kIntCanary && flag == 5);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(extra.validTrialCount, kIntCanary);
    EXPECT_TRUE(std::all_of(arr.begin(), arr.end(), [](double d) { return d == kCanary; })) << "an array was written";
}

void sqliteExec(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    sqlite3_close(db);
}

} // namespace

TEST(LogReaderErrors, MissingFilesAndFilesThatAreNotLogs) {
    TempDir dir;
    for (const std::string& path : {dir.file("missing.qxlog"), dir.file("no-such-folder/run.qxlog")}) {
        expectEveryReaderFails(path, QX_E_NO_LOG);
        EXPECT_FALSE(std::filesystem::exists(path)) << "a reader created the file";
    }
    EXPECT_EQ(QxLogGetRecordCountsWVB(nullptr, nullptr, nullptr), QX_E_INVALID_ARGUMENT);

    const std::string text = "Trial 1: 42.0\nTrial 2: 43.5\n";
    writeFile(dir.file("notes.txt"), std::vector<char>(text.begin(), text.end()), text.size());
    writeFile(dir.file("empty.qxlog"), {}, 0);
    sqliteExec(dir.file("foreign.db"),
               "CREATE TABLE trials(num INTEGER PRIMARY KEY, x); INSERT INTO trials VALUES(1, 2);");
    // Another program's WAL database with tables named like ours.
    sqliteExec(dir.file("lookalike.db"),
               "PRAGMA journal_mode=WAL; CREATE TABLE meta(id, magic); CREATE TABLE trials(x);");
    // One of ours, from a later format.
    QxLogClose(createLog(dir.file("future.qxlog"), Layout{}));
    sqliteExec(dir.file("future.qxlog"), "UPDATE meta SET schema_version = 2;");
    for (const char* name : {"notes.txt", "empty.qxlog", "foreign.db", "lookalike.db", "future.qxlog"})
        expectEveryReaderFails(dir.file(name), QX_E_NOT_A_LOG);
    expectEveryReaderFails(dir.path(), QX_E_NOT_A_LOG);
}

TEST(LogReaderErrors, DamagedLogsAreReportedAndNotKept) {
    TempDir dir;
    Layout layout;
    layout.genes = 20;
    const std::string source = dir.file("source.qxlog");
    const int32_t w = createLog(source, layout);
    for (int32_t n = 1; n <= 400; ++n)
        ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
    ASSERT_EQ(QxLogClose(w), QX_OK);
    const std::vector<char> bytes = readFile(source);
    ASSERT_GT(bytes.size(), 20u * 4096);

    for (size_t len : {size_t{16}, size_t{99}, size_t{100}, size_t{4095}, size_t{4096}, size_t{3 * 4096},
                       bytes.size() / 2, bytes.size() - 4096, bytes.size() - 1}) {
        writeFile(dir.file("cut-" + std::to_string(len)), bytes, len);
        expectEveryReaderFails(dir.file("cut-" + std::to_string(len)), QX_E_LOG_DAMAGED);
    }
    writeFile(dir.file("cut-10"), bytes, 10);
    expectEveryReaderFails(dir.file("cut-10"), QX_E_NOT_A_LOG); // too short to tell what it was

    writeFile(dir.file("no-trials"), bytes, bytes.size());
    sqliteExec(dir.file("no-trials"), "DROP TABLE trials;");
    EXPECT_EQ(QxLogGetRecordCountsWVB(dir.file("no-trials").c_str(), nullptr, nullptr), QX_E_LOG_DAMAGED);

    // One record lost its genes; its neighbours still read, through a fresh connection.
    const std::string shortRecord = dir.file("short-record");
    writeFile(shortRecord, bytes, bytes.size());
    sqliteExec(shortRecord, "UPDATE trials SET vals = substr(vals, 1, 40) WHERE num = 7;");
    EXPECT_EQ(readRecord(shortRecord, 7, 0), QX_E_LOG_DAMAGED);
    EXPECT_TRUE(readsBackExactly(shortRecord, layout, 0, 8));

    // Pages overwritten with garbage: damage, never a crash. Mended in place
    // (same file, same size), the log reads again: the connection that met
    // the damage, and the bad pages it had read, were not kept.
    const std::string garbage = dir.file("garbage");
    std::vector<char> spoiled = bytes;
    for (size_t i = 6 * 4096; i < 12 * 4096; ++i)
        spoiled[i] = static_cast<char>(0xA5 ^ (i * 31));
    writeFile(garbage, spoiled, spoiled.size());
    int damaged = 0;
    for (int32_t n = 1; n <= 400; ++n) {
        const int32_t rc = readRecord(garbage, n, 0);
        EXPECT_TRUE(rc == QX_OK || rc == QX_E_LOG_DAMAGED || rc == QX_E_RECORD_RANGE) << rc;
        damaged += rc == QX_E_LOG_DAMAGED;
    }
    EXPECT_GT(damaged, 0);
    writeFile(garbage, bytes, bytes.size());
    for (int32_t n = 1; n <= 400; ++n)
        ASSERT_TRUE(readsBackExactly(garbage, layout, 0, n));

    // A cached log cut in place, then mended.
    ASSERT_TRUE(readsBackExactly(source, layout, 0, 400));
    ASSERT_EQ(::truncate(source.c_str(), static_cast<off_t>(bytes.size() / 2)), 0);
    expectEveryReaderFails(source, QX_E_LOG_DAMAGED);
    writeFile(source, bytes, bytes.size());
    EXPECT_TRUE(readsBackExactly(source, layout, 0, 400)) << "a damaged connection was kept";
}

TEST(LogReaderErrors, NumbersOutOfRange) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    for (int32_t n = 1; n <= 5; ++n)
        ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
    ASSERT_EQ(appendStep(w, layout, 1, 1), QX_OK);
    ASSERT_EQ(appendStep(w, layout, 1, 2), QX_OK);
    QxLogClose(w);

    const std::array<std::pair<int32_t, int32_t>, 10> cases{
        {{0, 0}, {-1, 0}, {6, 0}, {INT32_MAX, 0}, {INT32_MIN, 0}, {3, 1}, {0, 1}, {1, 2}, {1, -1}, {1, INT32_MIN}}};
    for (const auto& [record, table] : cases)
        EXPECT_EQ(readRecord(path, record, table), QX_E_RECORD_RANGE) << "record " << record << " of table " << table;
    int32_t trials = kIntCanary;
    EXPECT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &trials, -1, nullptr), QX_E_RECORD_RANGE);
    EXPECT_EQ(trials, kIntCanary);
    for (int32_t index : {0, -3, layout.constraints() + 1, INT32_MAX})
        EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), index, nullptr, 0, nullptr, nullptr), QX_E_CONSTRAINT_INDEX)
            << index;
}

TEST(LogReaderErrors, BuffersAreFilledAsFarAsTheyGoAndNoFurther) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout; // 3 constraints, 5 genes
    const int32_t w = createLog(path, layout);
    ASSERT_EQ(appendTrial(w, layout, 3), QX_OK); // 3 spare values
    QxLogClose(w);
    const SampleRecord want(layout, 0, 3);
    const std::array<const std::vector<double>*, 4> expected{&want.cv, &want.ccv, &want.spare, &want.genes};

    // Each array in turn gets too little room, the others more than enough.
    for (size_t small = 0; small < 5; ++small) {
        for (int32_t room : {-1, 0, 2}) {
            std::array<std::array<double, 12>, 4> buf;
            for (auto& b : buf)
                b.fill(kCanary);
            std::array<int32_t, 4> cap{12, 12, 12, 12};
            if (small < 4)
                cap[small] = room;
            double withPenalties = kCanary;
            EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, &withPenalties, nullptr, buf[0].data(),
                                         cap[0], buf[1].data(), cap[1], buf[2].data(), cap[2], buf[3].data(), cap[3],
                                         nullptr),
                      small < 4 ? QX_E_BUFFER_TOO_SMALL : QX_OK);
            EXPECT_TRUE(sameBits(withPenalties, want.record.valueWithPenalties)) << "scalars are filled regardless";
            for (size_t k = 0; k < 4; ++k) {
                const size_t filled = std::min<size_t>(static_cast<size_t>(std::max(cap[k], 0)), expected[k]->size());
                for (size_t i = 0; i < 12; ++i)
                    EXPECT_TRUE(i < filled ? sameBits(buf[k][i], (*expected[k])[i]) : buf[k][i] == kCanary)
                        << "array " << k << " capacity " << cap[k] << " element " << i;
            }
        }
    }

    // "Budget ≤ 100": the "≤" takes bytes 7..9; a name is cut before it.
    for (int32_t cap : {1, 8, 10, 11}) {
        std::array<char, 16> name;
        name.fill('#');
        int16_t hard = 5;
        EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), 1, name.data(), cap, &hard, nullptr), QX_E_BUFFER_TOO_SMALL);
        EXPECT_EQ(std::string(name.data()), cap == 1 ? "" : cap < 11 ? "Budget " : "Budget ≤") << cap;
        EXPECT_EQ(name[static_cast<size_t>(cap)], '#') << cap;
        EXPECT_EQ(hard, 0) << "the flags still come back";
    }
}

TEST(LogWriterErrors, BadHandlesAndArguments) {
    TempDir dir;
    const Layout layout;
    const SampleRecord r(layout, 0, 1);
    const int32_t closed = createLog(dir.file("closed.qxlog"), layout);
    QxLogClose(closed);
    for (int32_t handle : {0, -1, 999, INT32_MIN, closed}) {
        const int32_t code = handle == closed ? QX_E_STALE_LOG_HANDLE : QX_E_INVALID_ARGUMENT;
        EXPECT_EQ(QxLogAppendTrialWVB(handle, &r.record), code) << handle;
        EXPECT_EQ(QxLogAppendProgressStepWVB(handle, 1, &r.record), code) << handle;
        EXPECT_EQ(QxLogClose(handle), code) << handle;
    }

    const std::string path = dir.file("open.qxlog");
    const int32_t w = createLog(path, layout);
    std::array<QxLogRecord, 5> bad{r.record, r.record, r.record, r.record, r.record};
    bad[0].geneValues = nullptr;
    bad[1].constraintCellValues = nullptr;
    bad[2].spareCount = -1;
    bad[3].spareArray = nullptr; // with 1 spare value
    bad[3].spareCount = 1;
    bad[4].spareCount = INT32_MAX;
    for (const QxLogRecord& b : bad)
        EXPECT_EQ(QxLogAppendTrialWVB(w, &b), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogAppendTrialWVB(w, nullptr), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogAppendProgressStepWVB(w, 0, &r.record), QX_E_INVALID_ARGUMENT) << "table 0 is the trials";
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 0) << "refused records leave no trace";
    QxLogClose(w);

    const char* names[] = {"a"};
    const int16_t flags[] = {0};
    const std::string fresh = dir.file("new.qxlog");
    struct Create {
        const char* path;
        int32_t genes, constraints;
        const char* const* names;
        const int16_t* flags;
        int32_t expected;
    };
    for (const Create& c : {Create{nullptr, 1, 1, names, flags, QX_E_INVALID_ARGUMENT},
                            Create{"", 1, 1, names, flags, QX_E_INVALID_ARGUMENT},
                            Create{fresh.c_str(), -1, 1, names, flags, QX_E_INVALID_ARGUMENT},
                            Create{fresh.c_str(), 1, -1, names, flags, QX_E_INVALID_ARGUMENT},
                            Create{fresh.c_str(), INT32_MAX, 1, names, flags, QX_E_INVALID_ARGUMENT},
                            Create{fresh.c_str(), 1, 1, nullptr, flags, QX_E_INVALID_ARGUMENT},
                            Create{fresh.c_str(), 1, 1, names, nullptr, QX_E_INVALID_ARGUMENT},
                            Create{"/nonexistent-folder/run.qxlog", 1, 1, names, flags, QX_E_LOG_WRITE},
                            Create{dir.path().c_str(), 1, 1, names, flags, QX_E_LOG_WRITE}}) {
        int32_t handle = kIntCanary;
        EXPECT_EQ(QxLogCreateWVB(c.path, 1, c.genes, c.constraints, c.names, c.flags, c.flags, &handle), c.expected)
            << (c.path ? c.path : "NULL") << " " << c.genes << "/" << c.constraints;
        EXPECT_EQ(handle, kIntCanary);
    }
    EXPECT_EQ(QxLogCreateWVB(fresh.c_str(), 1, 1, 1, names, flags, flags, nullptr), QX_E_INVALID_ARGUMENT);
    EXPECT_FALSE(std::filesystem::exists(fresh));
}

TEST(LogWriterErrors, AFailingWriteIsReported) {
    // A file-size limit makes the disk "full" for a child process only.
    TempDir dir;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Layout layout;
        layout.genes = 4000; // 32 KB per record
        const int32_t w = createLog(dir.file("full.qxlog"), layout);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int32_t rc = QX_OK;
        for (int32_t n = 1; rc == QX_OK && n <= 100; ++n)
            rc = appendTrial(w, layout, n);
        ::_exit(w == 0 ? 10 : rc == QX_E_LOG_WRITE ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
        << "10: create failed, 11: appends past the limit did not give QX_E_LOG_WRITE";
}
