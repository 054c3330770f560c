// Bad input never crashes a reader or writes past a capacity: each kind of
// trouble has its own error code, and outputs stay untouched.
#include <array>
#include <csignal>
#include <cstring>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
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

// Calls every reader on `path` and checks that each returns `code` without
// touching its outputs.
void expectEveryReaderFails(const std::string& path, int32_t code) {
    int32_t a = kIntCanary, b = kIntCanary, c = kIntCanary;
    EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &a, &b), code) << path;
    EXPECT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &a, 2, &b), code) << path;
    EXPECT_EQ(QxLogGetCountsWVB(path.c_str(), &a, &b, &c), code) << path;
    char name[16] = "untouched";
    int16_t hard = 5, atomic = 5;
    EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), 1, name, sizeof name, &hard, &atomic), code) << path;
    std::array<double, 8> arr;
    arr.fill(kCanary);
    double v = kCanary;
    QxLogRecordExtra extra{kIntCanary, kCanary, kIntCanary};
    EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, &a, &v, &v, &b, arr.data(), 8, arr.data(), 8, arr.data(), 8,
                                 arr.data(), 8, &extra),
              code)
        << path;
    EXPECT_EQ(a, kIntCanary);
    EXPECT_EQ(b, kIntCanary);
    EXPECT_EQ(c, kIntCanary);
    EXPECT_STREQ(name, "untouched");
    EXPECT_EQ(hard, 5);
    EXPECT_EQ(atomic, 5);
    EXPECT_EQ(v, kCanary);
    EXPECT_EQ(extra.validTrialCount, kIntCanary);
    for (double d : arr)
        EXPECT_EQ(d, kCanary);
}

void sqliteExec(const std::string& path, const char* sql) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    char* err = nullptr;
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, &err), SQLITE_OK) << (err ? err : "");
    sqlite3_free(err);
    sqlite3_close(db);
}

// A closed log with many pages: 400 trials of 20 genes.
std::vector<char> makeLogBytes(const TempDir& dir, const Layout& layout, int32_t trials) {
    const std::string path = dir.file("source.qxlog");
    const int32_t w = createLog(path, layout);
    for (int32_t n = 1; n <= trials; ++n)
        EXPECT_EQ(appendTrial(w, layout, n), QX_OK);
    for (int32_t n = 1; n <= 3; ++n)
        EXPECT_EQ(appendStep(w, layout, 1, n), QX_OK);
    EXPECT_EQ(QxLogClose(w), QX_OK);
    EXPECT_FALSE(fileExists(path + "-wal")) << "closing the only connection folds the log into one file";
    return readFile(path);
}

} // namespace

TEST(LogReaderErrors, MissingPathGivesNoLogAndCreatesNothing) {
    TempDir dir;
    for (const std::string& path : {dir.file("missing.qxlog"), dir.file("no-such-folder/run.qxlog")}) {
        expectEveryReaderFails(path, QX_E_NO_LOG);
        EXPECT_FALSE(fileExists(path));
        EXPECT_FALSE(fileExists(path + "-wal"));
        EXPECT_FALSE(fileExists(path + "-shm"));
    }
    EXPECT_EQ(QxLogGetRecordCountsWVB(nullptr, nullptr, nullptr), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogGetCountsWVB("", nullptr, nullptr, nullptr), QX_E_INVALID_ARGUMENT);
}

TEST(LogReaderErrors, FilesThatAreNotLogs) {
    TempDir dir;
    const std::string text = dir.file("notes.txt");
    writeFile(text, "Trial 1: 42.0\nTrial 2: 43.5\n", 28);
    expectEveryReaderFails(text, QX_E_NOT_A_LOG);

    const std::string empty = dir.file("empty.qxlog");
    writeFile(empty, "", 0);
    expectEveryReaderFails(empty, QX_E_NOT_A_LOG);

    expectEveryReaderFails(dir.path(), QX_E_NOT_A_LOG);

    const std::string foreign = dir.file("foreign.db");
    sqliteExec(foreign, "CREATE TABLE trials(num INTEGER PRIMARY KEY, x); INSERT INTO trials VALUES(1, 2);");
    expectEveryReaderFails(foreign, QX_E_NOT_A_LOG);

    // Another application's database in WAL mode with tables named like ours.
    const std::string lookalike = dir.file("lookalike.db");
    sqliteExec(lookalike, "PRAGMA journal_mode=WAL; CREATE TABLE meta(id, magic); CREATE TABLE constraints(x);");
    expectEveryReaderFails(lookalike, QX_E_NOT_A_LOG);

    // One of ours from a future format.
    const std::string future = dir.file("future.qxlog");
    QxLogClose(createLog(future, Layout{}));
    sqliteExec(future, "UPDATE meta SET schema_version = 2;");
    expectEveryReaderFails(future, QX_E_NOT_A_LOG);
}

TEST(LogReaderErrors, DamagedLogs) {
    TempDir dir;
    Layout layout;
    layout.genes = 20;
    const std::vector<char> bytes = makeLogBytes(dir, layout, 400);
    ASSERT_GT(bytes.size(), 20u * 4096);

    {
        SCOPED_TRACE("cut at many lengths");
        const std::vector<size_t> lengths{
            16, 50, 99, 100, 101, 4095, 4096, 4097, 3 * 4096, bytes.size() / 2, bytes.size() - 4096, bytes.size() - 1};
        for (size_t len : lengths) {
            const std::string path = dir.file("cut-" + std::to_string(len) + ".qxlog");
            writeFile(path, bytes.data(), len);
            SCOPED_TRACE("length " + std::to_string(len));
            expectEveryReaderFails(path, QX_E_LOG_DAMAGED);
        }
        // Too short to tell what it was.
        const std::string tiny = dir.file("cut-10.qxlog");
        writeFile(tiny, bytes.data(), 10);
        expectEveryReaderFails(tiny, QX_E_NOT_A_LOG);
    }
    {
        SCOPED_TRACE("our schema with a table missing");
        const std::string path = dir.file("no-trials.qxlog");
        writeFile(path, bytes.data(), bytes.size());
        sqliteExec(path, "DROP TABLE trials;");
        int32_t trials = 0;
        EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_E_LOG_DAMAGED);
    }
    {
        SCOPED_TRACE("a record whose blob lost its genes");
        const std::string path = dir.file("short-record.qxlog");
        writeFile(path, bytes.data(), bytes.size());
        sqliteExec(path, "UPDATE trials SET vals = substr(vals, 1, 40) WHERE num = 7;");
        EXPECT_TRUE(readsBackExactly(path, layout, 0, 6));
        EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 7, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0,
                                     nullptr, 0, nullptr, 0, nullptr),
                  QX_E_LOG_DAMAGED);
        EXPECT_TRUE(readsBackExactly(path, layout, 0, 8)) << "the connection is reopened after damage";
    }
    {
        SCOPED_TRACE("pages overwritten with garbage: damage, never a crash");
        const std::string path = dir.file("garbage.qxlog");
        std::vector<char> spoiled = bytes;
        for (size_t i = 6 * 4096; i < 12 * 4096; ++i)
            spoiled[i] = static_cast<char>(0xA5 ^ (i * 31));
        writeFile(path, spoiled.data(), spoiled.size());
        int damaged = 0;
        for (int32_t n = 1; n <= 400; ++n) {
            const int32_t rc = QxLogReadRecordWVB(path.c_str(), n, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0,
                                                  nullptr, 0, nullptr, 0, nullptr, 0, nullptr);
            EXPECT_TRUE(rc == QX_OK || rc == QX_E_LOG_DAMAGED || rc == QX_E_RECORD_RANGE) << n << ": " << rc;
            damaged += rc == QX_E_LOG_DAMAGED;
        }
        EXPECT_GT(damaged, 0);
    }
    {
        SCOPED_TRACE("a cached log cut in place, then mended");
        const std::string path = dir.file("cut-in-place.qxlog");
        writeFile(path, bytes.data(), bytes.size());
        EXPECT_TRUE(readsBackExactly(path, layout, 0, 400));
        ASSERT_EQ(::truncate(path.c_str(), static_cast<off_t>(bytes.size() / 2)), 0);
        expectEveryReaderFails(path, QX_E_LOG_DAMAGED);
        writeFile(path, bytes.data(), bytes.size());
        EXPECT_TRUE(readsBackExactly(path, layout, 0, 400)) << "a damaged connection is not kept";
    }
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

    struct Case {
        int32_t record;
        int32_t table;
    };
    for (const Case& c : {Case{0, 0}, Case{-1, 0}, Case{6, 0}, Case{INT32_MAX, 0}, Case{INT32_MIN, 0}, Case{3, 1},
                          Case{0, 1}, Case{1, 2}, Case{1, -1}, Case{1, INT32_MIN}}) {
        int32_t elapsed = kIntCanary;
        std::array<double, 8> genes;
        genes.fill(kCanary);
        EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), c.record, c.table, &elapsed, nullptr, nullptr, nullptr, nullptr, 0,
                                     nullptr, 0, nullptr, 0, genes.data(), 8, nullptr),
                  QX_E_RECORD_RANGE)
            << "record " << c.record << " of table " << c.table;
        EXPECT_EQ(elapsed, kIntCanary);
        EXPECT_EQ(genes[0], kCanary);
    }
    int32_t trials = kIntCanary, steps = kIntCanary;
    EXPECT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &trials, -1, &steps), QX_E_RECORD_RANGE);
    EXPECT_EQ(trials, kIntCanary);

    for (int32_t index : {0, -3, layout.constraints() + 1, INT32_MAX}) {
        char name[8] = "same";
        int16_t hard = 5;
        EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), index, name, sizeof name, &hard, nullptr),
                  QX_E_CONSTRAINT_INDEX)
            << index;
        EXPECT_STREQ(name, "same");
        EXPECT_EQ(hard, 5);
    }
    EXPECT_EQ(QxLogClose(w), QX_OK);
}

TEST(LogReaderErrors, SmallBuffersAreFilledAsFarAsTheyGoAndNoFurther) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout; // 3 constraints, 5 genes
    const int32_t w = createLog(path, layout);
    ASSERT_EQ(appendTrial(w, layout, 3), QX_OK); // 3 spare values
    ASSERT_EQ(QxLogClose(w), QX_OK);
    const SampleRecord want(layout, 0, 3);

    // Each array in turn gets too little room; the others get exactly enough.
    enum Which { Cv, Ccv, Spare, Genes };
    for (Which small : {Cv, Ccv, Spare, Genes}) {
        for (int32_t room : {-1, 0, 1, 2}) {
            std::array<std::array<double, 12>, 4> buf;
            for (auto& b : buf)
                b.fill(kCanary);
            const std::array<int32_t, 4> need{3, 3, 3, 5};
            std::array<int32_t, 4> cap = need;
            cap[small] = room;
            double withPenalties = kCanary;
            QxLogRecordExtra extra{kIntCanary, kCanary, kIntCanary};
            EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, &withPenalties, nullptr, buf[Cv].data(),
                                         cap[Cv], buf[Ccv].data(), cap[Ccv], buf[Spare].data(), cap[Spare],
                                         buf[Genes].data(), cap[Genes], &extra),
                      QX_E_BUFFER_TOO_SMALL);
            const std::array<const std::vector<double>*, 4> expected{
                &want.constraintValues(), &want.constraintCellValues(), &want.spare(), &want.genes()};
            for (size_t k = 0; k < 4; ++k) {
                const auto filled = static_cast<size_t>(std::max(cap[k], 0));
                for (size_t i = 0; i < buf[k].size(); ++i) {
                    if (i < filled) {
                        EXPECT_TRUE(sameBits(buf[k][i], (*expected[k])[i])) << k << "[" << i << "]";
                    } else {
                        EXPECT_EQ(buf[k][i], kCanary)
                            << "written past capacity " << cap[k] << ": " << k << "[" << i << "]";
                    }
                }
            }
            EXPECT_TRUE(sameBits(withPenalties, want.record().valueWithPenalties)) << "scalars are still filled";
            EXPECT_EQ(extra.validTrialCount, want.record().extra.validTrialCount);
        }
    }

    // A constraint name is cut at a character boundary ("Budget ≤ 100": the
    // "≤" takes bytes 7..9) and stays NUL-terminated.
    std::array<char, 16> name;
    for (int32_t cap : {1, 8, 9, 10, 11}) {
        name.fill('#');
        int16_t hard = 5;
        EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), 1, name.data(), cap, &hard, nullptr), QX_E_BUFFER_TOO_SMALL)
            << cap;
        const std::string got(name.data());
        EXPECT_EQ(got,
                  cap <= 10 ? std::string("Budget ").substr(0, static_cast<size_t>(cap) - 1) : std::string("Budget ≤"))
            << cap;
        EXPECT_EQ(name[static_cast<size_t>(cap)], '#') << cap;
        EXPECT_EQ(hard, 0) << "the flags still come back";
    }
}

TEST(LogWriterErrors, BadHandlesAndArguments) {
    TempDir dir;
    const Layout layout;
    const SampleRecord r(layout, 0, 1);
    const int32_t w = createLog(dir.file("run.qxlog"), layout);
    ASSERT_EQ(QxLogClose(w), QX_OK);
    for (int32_t handle : {0, -1, 999, INT32_MIN, w}) {
        EXPECT_EQ(QxLogAppendTrialWVB(handle, &r.record()), QX_E_INVALID_ARGUMENT) << handle;
        EXPECT_EQ(QxLogAppendProgressStepWVB(handle, 1, &r.record()), QX_E_INVALID_ARGUMENT) << handle;
        EXPECT_EQ(QxLogClose(handle), QX_E_INVALID_ARGUMENT) << handle;
    }

    const int32_t open = createLog(dir.file("open.qxlog"), layout);
    EXPECT_EQ(QxLogAppendTrialWVB(open, nullptr), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogAppendProgressStepWVB(open, 0, &r.record()), QX_E_INVALID_ARGUMENT) << "table 0 is the trials";
    EXPECT_EQ(QxLogAppendProgressStepWVB(open, -2, &r.record()), QX_E_INVALID_ARGUMENT);
    QxLogRecord missing = r.record();
    missing.geneValues = nullptr;
    EXPECT_EQ(QxLogAppendTrialWVB(open, &missing), QX_E_INVALID_ARGUMENT);
    missing = r.record();
    missing.constraintCellValues = nullptr;
    EXPECT_EQ(QxLogAppendTrialWVB(open, &missing), QX_E_INVALID_ARGUMENT);
    missing = r.record();
    missing.spareCount = -1;
    EXPECT_EQ(QxLogAppendTrialWVB(open, &missing), QX_E_INVALID_ARGUMENT);
    missing.spareCount = 2;
    missing.spareArray = nullptr;
    EXPECT_EQ(QxLogAppendTrialWVB(open, &missing), QX_E_INVALID_ARGUMENT);
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(dir.file("open.qxlog").c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 0) << "refused records leave no trace";
    ASSERT_EQ(appendTrial(open, layout, 1), QX_OK);
    EXPECT_EQ(QxLogClose(open), QX_OK);

    const char* names[] = {"a"};
    const int16_t flags[] = {0};
    int32_t handle = kIntCanary;
    const std::string path = dir.file("new.qxlog");
    EXPECT_EQ(QxLogCreateWVB(nullptr, 1, 1, 1, names, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB("", 1, 1, 1, names, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, 1, 1, names, flags, flags, nullptr), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, -1, 1, names, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, 1, -1, names, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, INT32_MAX, 1, names, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, 1, 1, nullptr, flags, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(QxLogCreateWVB(path.c_str(), 1, 1, 1, names, nullptr, flags, &handle), QX_E_INVALID_ARGUMENT);
    EXPECT_EQ(handle, kIntCanary);
    EXPECT_FALSE(fileExists(path));

    EXPECT_EQ(QxLogCreateWVB(dir.file("no-such-folder/run.qxlog").c_str(), 1, 1, 1, names, flags, flags, &handle),
              QX_E_LOG_WRITE);
    EXPECT_EQ(QxLogCreateWVB(dir.path().c_str(), 1, 1, 1, names, flags, flags, &handle), QX_E_LOG_WRITE)
        << "a folder is in the way";
    EXPECT_EQ(handle, kIntCanary);
}

TEST(LogWriterErrors, AFailingWriteIsReported) {
    // A file-size limit makes the disk "full" for this process only; the
    // child reports through its exit status.
    TempDir dir;
    const std::string path = dir.file("full.qxlog");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        Layout layout;
        layout.genes = 4000; // 32 KB per record
        const int32_t w = createLog(path, layout);
        if (w == 0)
            ::_exit(10);
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{256 * 1024, 256 * 1024};
        ::setrlimit(RLIMIT_FSIZE, &limit);
        int32_t rc = QX_OK;
        int32_t n = 1;
        for (; rc == QX_OK && n <= 100; ++n)
            rc = appendTrial(w, layout, n);
        ::_exit(rc == QX_E_LOG_WRITE ? 0 : 11);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "10: create failed, 11: appends past the limit did not give QX_E_LOG_WRITE";
}
