// What the add-in writes is what the Watcher reads: every field, every table,
// at once after each append.
#include <array>
#include <cstring>

#include <gtest/gtest.h>

#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

namespace {

struct Counts {
    int32_t trials = -1;
    int32_t steps = -1;
};

Counts countsOf(const std::string& path, int32_t table) {
    Counts c;
    EXPECT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &c.trials, table, &c.steps), QX_OK);
    return c;
}

} // namespace

TEST(LogRoundTrip, EveryFieldOfEveryTableReadsBackBitExact) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    for (int32_t n = 1; n <= 40; ++n)
        ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
    // Steps of three optimizations, interleaved as an efficient-frontier run
    // might write them.
    const std::array<int32_t, 3> selectors{1, 2, 7};
    const std::array<int32_t, 3> stepCounts{6, 3, 1};
    for (int32_t n = 1; n <= 6; ++n)
        for (size_t s = 0; s < selectors.size(); ++s)
            if (n <= stepCounts[s]) {
                ASSERT_EQ(appendStep(w, layout, selectors[s], n), QX_OK);
            }
    ASSERT_EQ(QxLogClose(w), QX_OK);

    int32_t chromosomes = -1, genes = -1, constraints = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), &chromosomes, &genes, &constraints), QX_OK);
    EXPECT_EQ(chromosomes, layout.chromosomes);
    EXPECT_EQ(genes, layout.genes);
    EXPECT_EQ(constraints, layout.constraints());

    for (int32_t i = 1; i <= layout.constraints(); ++i) {
        char name[64];
        int16_t hard = 99, atomic = 99;
        ASSERT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), i, name, sizeof name, &hard, &atomic), QX_OK);
        EXPECT_EQ(std::string(name), layout.names[static_cast<size_t>(i) - 1]);
        EXPECT_EQ(hard, layout.hardNotSoft[static_cast<size_t>(i) - 1]);
        EXPECT_EQ(atomic, layout.isAtomic[static_cast<size_t>(i) - 1]);
    }

    int32_t trials = -1, steps = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps), QX_OK);
    EXPECT_EQ(trials, 40);
    EXPECT_EQ(steps, 6) << "the plain count call reports selector 1";
    for (size_t s = 0; s < selectors.size(); ++s) {
        const Counts c = countsOf(path, selectors[s]);
        EXPECT_EQ(c.trials, 40);
        EXPECT_EQ(c.steps, stepCounts[s]) << "selector " << selectors[s];
    }
    EXPECT_EQ(countsOf(path, 3).steps, 0) << "a selector without steps";
    EXPECT_EQ(countsOf(path, 0).steps, 40) << "table 0 counts the trials";

    for (int32_t n = 1; n <= 40; ++n)
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
    for (size_t s = 0; s < selectors.size(); ++s)
        for (int32_t n = 1; n <= stepCounts[s]; ++n)
            EXPECT_TRUE(readsBackExactly(path, layout, selectors[s], n));
}

TEST(LogRoundTrip, UnusualLayouts) {
    TempDir dir;
    {
        SCOPED_TRACE("an empty log");
        const std::string path = dir.file("empty.qxlog");
        const Layout layout;
        const int32_t w = createLog(path, layout);
        int32_t trials = -1, steps = -1;
        ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps), QX_OK);
        EXPECT_EQ(trials, 0);
        EXPECT_EQ(steps, 0);
        EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0,
                                     nullptr, 0, nullptr, 0, nullptr),
                  QX_E_RECORD_RANGE);
        EXPECT_EQ(QxLogClose(w), QX_OK);
    }
    {
        SCOPED_TRACE("no constraints and no genes: the arrays may be NULL");
        const std::string path = dir.file("bare.qxlog");
        int32_t w = 0;
        ASSERT_EQ(QxLogCreateWVB(path.c_str(), 0, 0, 0, nullptr, nullptr, nullptr, &w), QX_OK);
        QxLogRecord r{};
        r.recalcNum = 1;
        r.valueWithPenalties = 4.5;
        ASSERT_EQ(QxLogAppendTrialWVB(w, &r), QX_OK);
        double v = 0;
        int32_t recalc = 0;
        ASSERT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, &v, &recalc, nullptr, 0, nullptr, 0, nullptr,
                                     0, nullptr, 0, nullptr),
                  QX_OK);
        EXPECT_EQ(v, 4.5);
        EXPECT_EQ(recalc, 1);
        EXPECT_EQ(QxLogClose(w), QX_OK);
    }
    {
        SCOPED_TRACE("many genes: a record larger than a page");
        const std::string path = dir.file("wide.qxlog");
        Layout layout;
        layout.genes = 1100;
        const int32_t w = createLog(path, layout);
        for (int32_t n = 1; n <= 5; ++n)
            ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
        for (int32_t n = 1; n <= 5; ++n)
            EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
        EXPECT_EQ(QxLogClose(w), QX_OK);
    }
}

TEST(LogRoundTrip, OutputsOnlyWhereWantedAndOnlyAsLongAsTheRecord) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    ASSERT_EQ(appendTrial(w, layout, 3), QX_OK); // record 1 carries the values of number 3: 3 spare values
    ASSERT_EQ(QxLogClose(w), QX_OK);

    // NULL outputs are "not wanted".
    EXPECT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, nullptr, nullptr, nullptr, 0, nullptr, 0,
                                 nullptr, 0, nullptr, 0, nullptr),
              QX_OK);
    EXPECT_EQ(QxLogGetRecordCountsWVB(path.c_str(), nullptr, nullptr), QX_OK);
    EXPECT_EQ(QxLogGetCountsWVB(path.c_str(), nullptr, nullptr, nullptr), QX_OK);
    EXPECT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), 1, nullptr, 0, nullptr, nullptr), QX_OK);

    // Buffers larger than the record keep their tail.
    constexpr double kCanary = -7777.25;
    std::array<double, 10> cv, ccv, spare, genes;
    for (auto* a : {&cv, &ccv, &spare, &genes})
        a->fill(kCanary);
    ASSERT_EQ(QxLogReadRecordWVB(path.c_str(), 1, 0, nullptr, nullptr, nullptr, nullptr, cv.data(), 10, ccv.data(), 10,
                                 spare.data(), 10, genes.data(), 10, nullptr),
              QX_OK);
    const SampleRecord want(layout, 0, 3);
    EXPECT_EQ(cv[3], kCanary);
    EXPECT_EQ(ccv[3], kCanary);
    EXPECT_EQ(spare[3], kCanary);
    EXPECT_EQ(genes[5], kCanary);
    EXPECT_TRUE(sameBits(spare[2], want.spare()[2]));
    EXPECT_TRUE(sameBits(genes[4], want.genes()[4]));
}

TEST(LogRoundTrip, ACachedReaderSeesEachAppendAtOnce) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    for (int32_t n = 1; n <= 30; ++n) {
        ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
        if (n % 4 == 0) {
            ASSERT_EQ(appendStep(w, layout, 1, n / 4), QX_OK);
        }
        int32_t trials = -1, steps = -1;
        ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps), QX_OK);
        EXPECT_EQ(trials, n);
        EXPECT_EQ(steps, n / 4);
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
        if (n % 4 == 0) {
            EXPECT_TRUE(readsBackExactly(path, layout, 1, n / 4));
        }
    }
    EXPECT_EQ(QxLogClose(w), QX_OK);
    // Closing the writer leaves everything readable.
    EXPECT_TRUE(readsBackExactly(path, layout, 0, 30));
}

TEST(LogRoundTrip, CreateReplacesTheLogAtThePath) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    Layout first;
    const int32_t w = createLog(path, first);
    for (int32_t n = 1; n <= 5; ++n)
        ASSERT_EQ(appendTrial(w, first, n), QX_OK);
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK); // the reader is now cached
    ASSERT_EQ(trials, 5);

    // The old writer is still open; a stale -wal of some other database lies
    // beside the path as well. Neither may leak into the new log.
    logtest::writeFile(path + "-wal", "not a wal file at all", 21);
    Layout second;
    second.genes = 2;
    second.names = {"Only"};
    second.hardNotSoft = {1};
    second.isAtomic = {QX_FALSE};
    const int32_t w2 = createLog(path, second);
    ASSERT_NE(w2, 0);
    ASSERT_EQ(appendTrial(w2, second, 1), QX_OK);

    int32_t genes = -1, constraints = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), nullptr, &genes, &constraints), QX_OK);
    EXPECT_EQ(genes, 2);
    EXPECT_EQ(constraints, 1);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 1);
    EXPECT_TRUE(readsBackExactly(path, second, 0, 1));
    EXPECT_EQ(QxLogClose(w2), QX_OK);
    EXPECT_TRUE(readsBackExactly(path, second, 0, 1)) << "closing must not disturb the new log's files";
}

TEST(LogRoundTrip, WriterHandlesAreSmallAndReused) {
    TempDir dir;
    const Layout layout;
    const int32_t a = createLog(dir.file("a.qxlog"), layout);
    const int32_t b = createLog(dir.file("b.qxlog"), layout);
    EXPECT_GT(a, 0);
    EXPECT_GT(b, 0);
    EXPECT_NE(a, b);
    EXPECT_LE(std::max(a, b), 16);
    ASSERT_EQ(QxLogClose(a), QX_OK);
    const int32_t c = createLog(dir.file("c.qxlog"), layout);
    EXPECT_EQ(c, a) << "a closed handle's number is reused";
    // Writers are independent.
    ASSERT_EQ(appendTrial(b, layout, 1), QX_OK);
    int32_t trials = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(dir.file("c.qxlog").c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(trials, 0);
    EXPECT_EQ(QxLogClose(b), QX_OK);
    EXPECT_EQ(QxLogClose(c), QX_OK);
}

TEST(LogRoundTrip, QxFreeClosesWritersAndReaders) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    ASSERT_EQ(appendTrial(w, layout, 1), QX_OK);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), nullptr, nullptr), QX_OK);
    ASSERT_EQ(QxFree(), QX_OK);
    EXPECT_EQ(appendTrial(w, layout, 2), QX_E_INVALID_ARGUMENT);
    // With every connection gone, the log was folded into its main file.
    EXPECT_FALSE(fileExists(path + "-wal"));
    EXPECT_TRUE(readsBackExactly(path, layout, 0, 1));
}
