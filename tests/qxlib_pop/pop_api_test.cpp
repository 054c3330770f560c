// The call surface: bad handles, indexes one past each end, small buffers,
// bad values, freed populations, channel limits, memory permissions, run
// status and the run timer.
#include <chrono>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include <gtest/gtest.h>

#include "pop_test_support.h"

namespace {

constexpr int32_t kOrganisms = 4;

class PopApi : public ::testing::Test {
protected:
    void SetUp() override {
        // Two chromosomes of 3 and 2 genes: 5 genes per organism.
        m_pop = poptest::makePopulation(
            kOrganisms, {{QX_METHOD_RECIPE, {1, 2, 3}, 0, 10, 0}, {QX_METHOD_BUDGET, {4, 6}, 0, 10, 0}}, 77);
        ASSERT_GT(m_pop, 0);
    }
    void TearDown() override {
        if (m_pop > 0)
            QxPopFree(m_pop);
    }
    int32_t m_pop = 0;
};

struct BadCall {
    const char* what;
    std::function<int32_t()> call;
    int32_t expected;
    const char* messageNames = nullptr; // part of the failure message that names the bad value
};

void expectAll(const std::vector<BadCall>& calls) {
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(), c.expected) << c.what;
        if (c.messageNames) {
            EXPECT_NE(poptest::lastFailureMessage(c.expected).find(c.messageNames), std::string::npos)
                << c.what << ": " << poptest::lastFailureMessage(c.expected);
        }
    }
}

// Every population call with `pop`, each of which must answer `expected`.
std::vector<BadCall> everyCallWith(int32_t pop, int32_t expected) {
    static double d;
    static int16_t s;
    static int32_t i;
    return {
        {"QxPopFree", [=] { return QxPopFree(pop); }, expected},
        {"QxPopLock", [=] { return QxPopLock(pop); }, expected},
        {"QxPopUnlock", [=] { return QxPopUnlock(pop); }, expected},
        {"QxPopGetRunStatus", [=] { return int32_t{QxPopGetRunStatus(pop)}; }, expected},
        {"QxPopSetRunStatus", [=] { return QxPopSetRunStatus(pop, 2); }, expected},
        {"QxPopGetTimerValue", [=] { return QxPopGetTimerValue(pop); }, expected},
        {"QxPopTimerStart", [=] { return QxPopTimerStart(pop); }, expected},
        {"QxPopTimerPause", [=] { return QxPopTimerPause(pop); }, expected},
        {"QxPopTimerResume", [=] { return QxPopTimerResume(pop); }, expected},
        {"QxPopGetOrganismCount", [=] { return QxPopGetOrganismCount(pop); }, expected},
        {"QxPopGetChromosomeCount", [=] { return QxPopGetChromosomeCount(pop); }, expected},
        {"QxPopGetTrialCount", [=] { return QxPopGetTrialCount(pop); }, expected},
        {"QxPopGetProgressStepCount", [=] { return QxPopGetProgressStepCount(pop); }, expected},
        {"QxPopSetGoal", [=] { return QxPopSetGoal(pop, 0, 0); }, expected},
        {"QxPopSetSeed", [=] { return QxPopSetSeed(pop, 1); }, expected},
        {"QxPopRandomize", [=] { return QxPopRandomize(pop); }, expected},
        {"QxPopNextOrganism", [=] { return QxPopNextOrganism(pop, &i); }, expected},
        {"QxOrgSetResult", [=] { return QxOrgSetResult(pop, 1, 1, 0, 0); }, expected},
        {"QxOrgGetResult", [=] { return int32_t{QxOrgGetResult(pop, 1, &d, &d, 0, &i)}; }, expected},
        {"QxOrgGetGenes", [=] { return int32_t{QxOrgGetGenes(pop, 1, &d, 1)}; }, expected},
        {"QxOrgSetGenes", [=] { return int32_t{QxOrgSetGenes(pop, 1, &d, 1)}; }, expected},
        {"QxChrGetMutationMode", [=] { return QxChrGetMutationMode(pop, 1, &s, &d); }, expected},
        {"QxChrGetCurrentMutationRate", [=] { return QxChrGetCurrentMutationRate(pop, 1) == -1.0 ? expected : 0; },
         expected},
        {"QxChrGetCrossoverRate", [=] { return QxChrGetCrossoverRate(pop, 1) == -1.0 ? expected : 0; }, expected},
        {"QxChrSetMutationMode", [=] { return QxChrSetMutationMode(pop, 1, 0, 0.1); }, expected},
        {"QxChrSetCrossoverRate", [=] { return QxChrSetCrossoverRate(pop, 1, 0.1); }, expected},
        {"QxChrGetGeneCount", [=] { return QxChrGetGeneCount(pop, 1); }, expected},
        {"QxChrGetSolvingMethod", [=] { return QxChrGetSolvingMethod(pop, 1); }, expected},
        {"QxGeneGetValue", [=] { return QxGeneGetValue(pop, 1, 1, 1, &d); }, expected},
        {"QxGeneSetValue", [=] { return QxGeneSetValue(pop, 1, 1, 1, 1); }, expected},
        {"QxGeneGetRange", [=] { return QxGeneGetRange(pop, 1, 1, &d, &d, &d); }, expected},
        {"QxGeneSetRange", [=] { return QxGeneSetRange(pop, 1, 1, 0, 1, 0); }, expected},
    };
}

} // namespace

TEST(PopApiHandles, HandlesThatNameNoPopulationAreRefusedByEveryCall) {
    for (int32_t bad : {0, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        SCOPED_TRACE("handle " + std::to_string(bad));
        expectAll(everyCallWith(bad, QX_E_BAD_HANDLE));
    }
    EXPECT_NE(poptest::lastFailureMessage(QX_E_BAD_HANDLE).find(std::to_string(std::numeric_limits<int32_t>::max())),
              std::string::npos);
}

TEST(PopApiHandles, FreedPopulationIsGoneForEveryCallAndFromSharedMemory) {
    const int32_t pop = poptest::makePopulation(3, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}}, 1);
    ASSERT_GT(pop, 0);
    struct stat st {};
    ASSERT_EQ(stat(poptest::shmPath(pop).c_str(), &st), 0);
    ASSERT_EQ(QxPopFree(pop), QX_OK);
    EXPECT_NE(stat(poptest::shmPath(pop).c_str(), &st), 0);
    expectAll(everyCallWith(pop, QX_E_BAD_HANDLE));
}

TEST_F(PopApi, IndexesOnePastEachEndAreRefused) {
    double d = 0;
    expectAll({
        {"chromosome 0", [&] { return QxChrGetGeneCount(m_pop, 0); }, QX_E_CHROMOSOME_INDEX, "chromosome 0"},
        {"chromosome 3", [&] { return QxChrGetSolvingMethod(m_pop, 3); }, QX_E_CHROMOSOME_INDEX, "chromosome 3"},
        {"rate of chromosome 3", [&] { return QxChrSetCrossoverRate(m_pop, 3, 0.5); }, QX_E_CHROMOSOME_INDEX},
        {"mode of chromosome 0", [&] { return QxChrSetMutationMode(m_pop, 0, 0, 0.5); }, QX_E_CHROMOSOME_INDEX},
        {"organism 0", [&] { return int32_t{QxOrgGetResult(m_pop, 0, &d, &d, 0, nullptr)}; }, QX_E_ORGANISM_INDEX,
         "organism 0"},
        {"organism N+2", [&] { return int32_t{QxOrgGetGenes(m_pop, kOrganisms + 2, &d, 1)}; }, QX_E_ORGANISM_INDEX,
         "organism 6"},
        {"result of organism N+2", [&] { return QxOrgSetResult(m_pop, kOrganisms + 2, 1, 0, 0); }, QX_E_ORGANISM_INDEX},
        {"gene of organism 0", [&] { return QxGeneGetValue(m_pop, 1, 0, 1, &d); }, QX_E_ORGANISM_INDEX},
        {"gene 0", [&] { return QxGeneGetValue(m_pop, 1, 1, 0, &d); }, QX_E_GENE_INDEX, "gene 0"},
        {"gene 4 of a 3-gene chromosome", [&] { return QxGeneSetValue(m_pop, 1, 1, 4, 1); }, QX_E_GENE_INDEX, "gene 4"},
        {"gene 3 of a 2-gene chromosome", [&] { return QxGeneGetRange(m_pop, 2, 3, &d, &d, &d); }, QX_E_GENE_INDEX},
        {"range of gene 0", [&] { return QxGeneSetRange(m_pop, 2, 0, 0, 1, 0); }, QX_E_GENE_INDEX},
    });
    // The candidate N+1 and the last gene are inside.
    EXPECT_EQ(QxGeneGetValue(m_pop, 2, kOrganisms + 1, 2, &d), QX_OK);
    EXPECT_EQ(QxChrGetCurrentMutationRate(m_pop, 3), -1.0);
    EXPECT_EQ(QxChrGetCrossoverRate(m_pop, 0), -1.0);
}

TEST_F(PopApi, SmallBuffersAreFilledAsFarAsTheyGo) {
    double genes[6] = {-1, -1, -1, -1, -1, -1};
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, 3), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(genes[0], 1);
    EXPECT_EQ(genes[2], 3);
    EXPECT_EQ(genes[3], -1) << "written past the capacity";
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, 0), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, -5), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, 6), QX_OK);
    EXPECT_EQ(genes[4], 6);
    EXPECT_EQ(genes[5], -1);
    // NULL out-pointers mean "not wanted".
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, nullptr, 0), QX_OK);
    EXPECT_EQ(QxOrgGetResult(m_pop, 1, nullptr, nullptr, 0, nullptr), QX_OK);
    EXPECT_EQ(QxGeneGetRange(m_pop, 1, 1, nullptr, nullptr, nullptr), QX_OK);
    EXPECT_EQ(QxChrGetMutationMode(m_pop, 1, nullptr, nullptr), QX_OK);
}

TEST_F(PopApi, BadValuesAreRefusedAndChangeNothing) {
    const double nan = std::nan("");
    const double genes[5] = {1, 2, 3, 4, nan};
    double d = 0;
    expectAll({
        {"status 1", [&] { return QxPopSetRunStatus(m_pop, 1); }, QX_E_INVALID_ARGUMENT, "run status 1"},
        {"status 8", [&] { return QxPopSetRunStatus(m_pop, 8); }, QX_E_INVALID_ARGUMENT, "run status 8"},
        {"status -1", [&] { return QxPopSetRunStatus(m_pop, -1); }, QX_E_INVALID_ARGUMENT},
        {"goal 3", [&] { return QxPopSetGoal(m_pop, 3, 0); }, QX_E_INVALID_ARGUMENT, "goal 3"},
        {"target NaN", [&] { return QxPopSetGoal(m_pop, QX_GOAL_TARGET, nan); }, QX_E_INVALID_ARGUMENT},
        {"crossover 1.1", [&] { return QxChrSetCrossoverRate(m_pop, 1, 1.1); }, QX_E_INVALID_ARGUMENT, "1.1"},
        {"crossover NaN", [&] { return QxChrSetCrossoverRate(m_pop, 1, nan); }, QX_E_INVALID_ARGUMENT},
        {"mutation -0.1", [&] { return QxChrSetMutationMode(m_pop, 1, 0, -0.1); }, QX_E_INVALID_ARGUMENT},
        {"mutation mode 2", [&] { return QxChrSetMutationMode(m_pop, 1, 2, 0.1); }, QX_E_INVALID_ARGUMENT},
        {"range min > max", [&] { return QxGeneSetRange(m_pop, 1, 1, 5, 4, 0); }, QX_E_INVALID_ARGUMENT},
        {"negative step", [&] { return QxGeneSetRange(m_pop, 1, 1, 0, 4, -1); }, QX_E_INVALID_ARGUMENT},
        {"gene NaN", [&] { return QxGeneSetValue(m_pop, 1, 1, 1, nan); }, QX_E_INVALID_ARGUMENT},
        {"genes with NaN", [&] { return int32_t{QxOrgSetGenes(m_pop, 1, genes, 5)}; }, QX_E_INVALID_ARGUMENT},
        {"genes count 4", [&] { return int32_t{QxOrgSetGenes(m_pop, 1, genes, 4)}; }, QX_E_INVALID_ARGUMENT},
        {"genes NULL", [&] { return int32_t{QxOrgSetGenes(m_pop, 1, nullptr, 5)}; }, QX_E_INVALID_ARGUMENT},
        {"negative penalty", [&] { return QxOrgSetResult(m_pop, 1, 1, -1, 0); }, QX_E_INVALID_ARGUMENT},
        {"unknown flag", [&] { return QxOrgSetResult(m_pop, 1, 1, 0, 0x10); }, QX_E_INVALID_ARGUMENT},
        {"reserved 1", [&] { return int32_t{QxOrgGetResult(m_pop, 1, &d, &d, 1, nullptr)}; }, QX_E_INVALID_ARGUMENT},
    });
    EXPECT_EQ(QxPopGetRunStatus(m_pop), QxRunStatusNotStarted);
    EXPECT_EQ(QxChrGetCrossoverRate(m_pop, 1), 0.5);
    EXPECT_EQ(poptest::genesOf(m_pop, 1), (std::vector<double>{1, 2, 3, 4, 6}));
    EXPECT_EQ(QxPopGetTrialCount(m_pop), 0);
    for (int16_t status : {0, 2, 3, 4, 5, 6, 7}) {
        EXPECT_EQ(QxPopSetRunStatus(m_pop, status), QX_OK);
        EXPECT_EQ(QxPopGetRunStatus(m_pop), status);
    }
}

TEST(PopApiCreate, BadShapesAreRefused) {
    const int32_t counts[] = {3, 2};
    const int16_t methods[] = {1, 5};
    const int32_t zeroCount[] = {3, 0};
    const int16_t badMethod[] = {1, 3};
    int32_t pop = -1;
    expectAll({
        {"1 organism", [&] { return QxPopCreate(1, 2, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT,
         "organismCount 1"},
        {"100001 organisms", [&] { return QxPopCreate(100001, 2, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"0 chromosomes", [&] { return QxPopCreate(10, 0, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"NULL counts", [&] { return QxPopCreate(10, 2, nullptr, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"NULL methods", [&] { return QxPopCreate(10, 2, counts, nullptr, &pop); }, QX_E_INVALID_ARGUMENT},
        {"0 genes", [&] { return QxPopCreate(10, 2, zeroCount, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"method 3", [&] { return QxPopCreate(10, 2, counts, badMethod, &pop); }, QX_E_INVALID_ARGUMENT,
         "methods[1] = 3"},
        {"NULL handle", [&] { return QxPopCreate(10, 2, counts, methods, nullptr); }, QX_E_INVALID_ARGUMENT},
    });
    EXPECT_EQ(pop, 0);

    // The edges themselves are fine, and a new population starts as documented.
    ASSERT_EQ(QxPopCreate(2, 2, counts, methods, &pop), QX_OK);
    EXPECT_GT(pop, 0);
    EXPECT_EQ(QxPopGetOrganismCount(pop), 2);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusNotStarted);
    EXPECT_EQ(QxPopGetTimerValue(pop), 0);
    EXPECT_EQ(QxPopGetTrialCount(pop), 0);
    EXPECT_EQ(poptest::genesOf(pop, 3), (std::vector<double>(5, 0.0)));
    for (int32_t o = 1; o <= 3; ++o) {
        int32_t flags = 0;
        EXPECT_EQ(QxOrgGetResult(pop, o, nullptr, nullptr, 0, &flags), QX_OK);
        EXPECT_EQ(flags, QX_ORG_NOT_EVALUATED);
    }
    int32_t other = 0;
    ASSERT_EQ(QxPopCreate(2, 2, counts, methods, &other), QX_OK);
    EXPECT_NE(other, pop);
    EXPECT_EQ(QxPopFree(other), QX_OK);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}

TEST(PopApiCreate, SharedMemoryIsPrivateToTheUserWhateverTheUmask) {
    const mode_t old = umask(0277); // would leave the owner read-only
    const int32_t pop = poptest::makePopulation(3, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}}, 1);
    const double v = 1;
    const int16_t tempRc = QxWriteTempData(0, &v, 8);
    umask(022);
    const int32_t pop2 = poptest::makePopulation(3, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}}, 1);
    umask(old);
    ASSERT_GT(pop, 0);
    ASSERT_GT(pop2, 0);
    ASSERT_EQ(tempRc, QX_OK);
    for (int32_t p : {pop, pop2}) {
        struct stat st {};
        ASSERT_EQ(stat(poptest::shmPath(p).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0600u) << poptest::shmPath(p);
        EXPECT_EQ(st.st_uid, geteuid());
    }
    struct stat st {};
    const char* instance = std::getenv("SELVANE_INSTANCE");
    const std::string temp = "/dev/shm/selvane-qxtemp-" + std::to_string(getuid()) +
                             (instance && *instance ? std::string("-") + instance : std::string());
    ASSERT_EQ(stat(temp.c_str(), &st), 0) << temp;
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    EXPECT_EQ(QxPopFree(pop), QX_OK);
    EXPECT_EQ(QxPopFree(pop2), QX_OK);
}

TEST_F(PopApi, TimerCountsRunTimeWithoutPauses) {
    EXPECT_EQ(QxPopGetTimerValue(m_pop), 0);
    const int64_t startedAt = poptest::nowMs();
    ASSERT_EQ(QxPopTimerStart(m_pop), QX_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    const int32_t paused = QxPopGetTimerValue(m_pop);
    EXPECT_GE(paused, 25);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    EXPECT_EQ(QxPopGetTimerValue(m_pop), paused) << "a paused timer stands still";
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    EXPECT_EQ(QxPopGetTimerValue(m_pop), paused) << "pausing twice changes nothing";
    ASSERT_EQ(QxPopTimerResume(m_pop), QX_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    const int32_t resumed = QxPopGetTimerValue(m_pop);
    EXPECT_GE(resumed, paused + 25);
    // The 60 ms pause is not counted (1 ms of slack for rounding each end).
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    EXPECT_LE(QxPopGetTimerValue(m_pop), poptest::nowMs() - startedAt - 60 + 2);
    ASSERT_EQ(QxPopTimerStart(m_pop), QX_OK);
    EXPECT_LT(QxPopGetTimerValue(m_pop), resumed) << "start counts from 0 again";
}

TEST(TempData, ChannelsHoldTheLastValueWithTheirWidth) {
    ASSERT_EQ(QxClearTempData(), QX_OK);
    const double d = -2.75;
    ASSERT_EQ(QxWriteTempData(31, &d, 8), QX_OK);
    double back = 0;
    ASSERT_EQ(QxReadTempData(31, &back, 8), QX_OK);
    EXPECT_EQ(back, d);

    // A narrower write clears the rest of the slot.
    const int16_t yes = QX_TRUE;
    ASSERT_EQ(QxWriteTempData(31, &yes, 2), QX_OK);
    int32_t wide = 0;
    ASSERT_EQ(QxReadTempData(31, &wide, 4), QX_OK);
    EXPECT_EQ(wide, 0xFFFF);
    // A read copies exactly numBytes bytes.
    unsigned char bytes[8];
    std::memset(bytes, 0xAB, sizeof bytes);
    ASSERT_EQ(QxReadTempData(31, bytes, 1), QX_OK);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0xAB);

    // Channels are independent; clearing zeroes every one.
    const int32_t five = 5;
    ASSERT_EQ(QxWriteTempData(0, &five, 4), QX_OK);
    int32_t r = 0;
    ASSERT_EQ(QxReadTempData(0, &r, 4), QX_OK);
    EXPECT_EQ(r, 5);
    ASSERT_EQ(QxReadTempData(31, &r, 4), QX_OK);
    EXPECT_EQ(r, 0xFFFF);
    ASSERT_EQ(QxClearTempData(), QX_OK);
    for (int16_t ch = 0; ch < QX_TEMPDATA_CHANNELS; ++ch) {
        double v = 1;
        ASSERT_EQ(QxReadTempData(ch, &v, 8), QX_OK);
        EXPECT_EQ(v, 0.0) << "channel " << ch;
    }
}

TEST(TempData, ChannelAndByteCountLimits) {
    double v = 0;
    expectAll({
        {"channel -1 read", [&] { return QxReadTempData(-1, &v, 8); }, QX_E_CHANNEL, "channel -1"},
        {"channel 32 write", [&] { return int32_t{QxWriteTempData(32, &v, 8)}; }, QX_E_CHANNEL, "channel 32"},
        {"0 bytes", [&] { return QxReadTempData(3, &v, 0); }, QX_E_CHANNEL, "numBytes 0"},
        {"9 bytes", [&] { return int32_t{QxWriteTempData(3, &v, 9)}; }, QX_E_CHANNEL, "numBytes 9"},
        {"NULL write buffer", [&] { return int32_t{QxWriteTempData(3, nullptr, 8)}; }, QX_E_INVALID_ARGUMENT},
    });
    EXPECT_EQ(QxReadTempData(3, nullptr, 8), QX_OK);
}

TEST(PopApiFree, QxFreeReleasesMappingsButNotOtherProcessesPopulations) {
    const int32_t pop = poptest::makePopulation(3, {{QX_METHOD_RECIPE, {4}, 0, 9, 0}}, 1);
    ASSERT_GT(pop, 0);
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusPaused), QX_OK);
    ASSERT_EQ(QxFree(), QX_OK);
    // The population lives on and maps again from its handle.
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusPaused);
    EXPECT_EQ(poptest::genesOf(pop, 1), std::vector<double>{4});
    EXPECT_EQ(QxPopFree(pop), QX_OK);
}
