// What the add-in writes is what the Watcher reads: every field of every
// table, as soon as each append returns.
#include <array>
#include <filesystem>

#include <vector>

#include <gtest/gtest.h>

#include "log_test_support.h"
#include "qxlib8.h"

using namespace logtest;

TEST(LogRoundTrip, EveryFieldOfEveryTableReadsBackBitExactAtOnce) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout layout;
    const int32_t w = createLog(path, layout);
    // Steps under three selectors, interleaved as an efficient-frontier run
    // writes them; a cached reader checks after every append.
    const std::array<int32_t, 3> selectors{1, 2, 7}, every{4, 9, 40};
    std::array<int32_t, 3> steps{};
    for (int32_t n = 1; n <= 40; ++n) {
        ASSERT_EQ(appendTrial(w, layout, n), QX_OK);
        for (size_t s = 0; s < 3; ++s)
            if (n % every[s] == 0) {
                ASSERT_EQ(appendStep(w, layout, selectors[s], ++steps[s]), QX_OK);
            }
        int32_t trials = -1, steps1 = -1;
        ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, &steps1), QX_OK);
        EXPECT_EQ(trials, n);
        EXPECT_EQ(steps1, steps[0]) << "the plain count call reports selector 1";
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
    }
    ASSERT_EQ(QxLogClose(w), QX_OK);

    for (int32_t n = 1; n <= 40; ++n)
        EXPECT_TRUE(readsBackExactly(path, layout, 0, n));
    for (size_t s = 0; s < 3; ++s) {
        int32_t trials = -1, count = -1;
        ASSERT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), &trials, selectors[s], &count), QX_OK);
        EXPECT_EQ(trials, 40);
        EXPECT_EQ(count, steps[s]) << "selector " << selectors[s];
        for (int32_t n = 1; n <= count; ++n)
            EXPECT_TRUE(readsBackExactly(path, layout, selectors[s], n));
    }
    int32_t count = -1;
    ASSERT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), nullptr, 3, &count), QX_OK);
    EXPECT_EQ(count, 0) << "a selector without steps";
    ASSERT_EQ(QxLogGetRecordCounts2WVB(path.c_str(), nullptr, 0, &count), QX_OK);
    EXPECT_EQ(count, 40) << "table 0 is the trials";

    int32_t chromosomes = -1, genes = -1, constraints = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), &chromosomes, &genes, &constraints), QX_OK);
    EXPECT_EQ(std::vector({chromosomes, genes, constraints}), std::vector({2, 5, 3}));
    for (size_t i = 0; i < 3; ++i) {
        char name[64];
        int16_t hard = 99, atomic = 99;
        ASSERT_EQ(QxLogGetConstraintInfoWVB(path.c_str(), static_cast<int32_t>(i + 1), name, 64, &hard, &atomic),
                  QX_OK);
        EXPECT_EQ(name, layout.names[i]);
        EXPECT_EQ(hard, layout.hardNotSoft[i]);
        EXPECT_EQ(atomic, layout.isAtomic[i]);
    }
}

TEST(LogRoundTrip, UnusualLayouts) {
    TempDir dir;
    const Layout layout;
    const std::string empty = dir.file("empty.qxlog");
    QxLogClose(createLog(empty, layout));
    int32_t trials = -1, steps = -1;
    ASSERT_EQ(QxLogGetRecordCountsWVB(empty.c_str(), &trials, &steps), QX_OK);
    EXPECT_EQ(trials + steps, 0);

    // No constraints and no genes: the arrays may be NULL.
    const std::string bare = dir.file("bare.qxlog");
    int32_t w = 0;
    ASSERT_EQ(QxLogCreateWVB(bare.c_str(), 0, 0, 0, nullptr, nullptr, nullptr, &w), QX_OK);
    QxLogRecord r{};
    r.valueWithPenalties = 4.5;
    ASSERT_EQ(QxLogAppendTrialWVB(w, &r), QX_OK);
    double v = 0;
    ASSERT_EQ(QxLogReadRecordWVB(bare.c_str(), 1, 0, nullptr, nullptr, &v, nullptr, nullptr, 0, nullptr, 0, nullptr, 0,
                                 nullptr, 0, nullptr),
              QX_OK);
    EXPECT_EQ(v, 4.5);
    QxLogClose(w);

    // Records larger than a page.
    Layout wide;
    wide.genes = 1100;
    const std::string path = dir.file("wide.qxlog");
    w = createLog(path, wide);
    for (int32_t n = 1; n <= 3; ++n)
        ASSERT_EQ(appendTrial(w, wide, n), QX_OK);
    for (int32_t n = 1; n <= 3; ++n)
        EXPECT_TRUE(readsBackExactly(path, wide, 0, n));
    QxLogClose(w);
}

TEST(LogRoundTrip, CreateReplacesTheLogAtThePath) {
    TempDir dir;
    const std::string path = dir.file("run.qxlog");
    const Layout first;
    const int32_t w = createLog(path, first); // left open on purpose
    for (int32_t n = 1; n <= 5; ++n)
        ASSERT_EQ(appendTrial(w, first, n), QX_OK);
    ASSERT_TRUE(readsBackExactly(path, first, 0, 5)); // the reader is now cached

    // A stale -wal of another log beside the path must not be replayed into
    // the new one.
    const int32_t other = createLog(dir.file("other.qxlog"), first);
    ASSERT_EQ(appendTrial(other, first, 1), QX_OK);
    const std::vector<char> wal = readFile(dir.file("other.qxlog-wal"));
    ASSERT_FALSE(wal.empty());
    writeFile(path + "-wal", wal, wal.size());
    Layout second;
    second.genes = 2;
    second.names = {"Only"};
    const int32_t w2 = createLog(path, second);
    ASSERT_EQ(appendTrial(w2, second, 1), QX_OK);
    int32_t genes = -1, constraints = -1, trials = -1;
    ASSERT_EQ(QxLogGetCountsWVB(path.c_str(), nullptr, &genes, &constraints), QX_OK);
    ASSERT_EQ(QxLogGetRecordCountsWVB(path.c_str(), &trials, nullptr), QX_OK);
    EXPECT_EQ(std::vector({genes, constraints, trials}), std::vector({2, 1, 1}));
    ASSERT_EQ(QxLogClose(w2), QX_OK);
    EXPECT_TRUE(readsBackExactly(path, second, 0, 1)) << "closing must not disturb the log's files";
}

TEST(LogRoundTrip, SlotsAreReusedUnderNewHandlesAndQxFreeClosesEverything) {
    TempDir dir;
    const Layout layout;
    const int32_t a = createLog(dir.file("a.qxlog"), layout);
    const int32_t b = createLog(dir.file("b.qxlog"), layout);
    EXPECT_TRUE(a > 0 && b > 0 && a != b);
    ASSERT_EQ(QxLogClose(a), QX_OK);
    const int32_t c = createLog(dir.file("c.qxlog"), layout);
    EXPECT_EQ(c & 0xFFFF, a & 0xFFFF) << "a closed writer's slot is reused";
    EXPECT_NE(c, a) << "under a handle of its own";

    ASSERT_EQ(appendTrial(b, layout, 1), QX_OK);
    ASSERT_TRUE(readsBackExactly(dir.file("b.qxlog"), layout, 0, 1));
    ASSERT_EQ(QxFree(), QX_OK);
    EXPECT_EQ(appendTrial(b, layout, 2), QX_E_STALE_LOG_HANDLE);
    // With every connection gone, the log was folded into its main file.
    EXPECT_FALSE(std::filesystem::exists(dir.file("b.qxlog-wal")));
    EXPECT_TRUE(readsBackExactly(dir.file("b.qxlog"), layout, 0, 1));
}
