// The call surface: handles that name nothing, indexes one past each end,
// small buffers, bad values, channel limits, memory permissions, run status
// and the run timer.
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

using namespace poptest;

namespace {

struct Call {
    const char* what;
    std::function<int32_t()> call;
    int32_t expected;
    const char* namedInMessage = nullptr; // how the failure message names the bad value
};

void expectAll(const std::vector<Call>& calls) {
    for (const auto& c : calls) {
        EXPECT_EQ(c.call(), c.expected) << c.what;
        if (c.namedInMessage) {
            EXPECT_NE(lastFailureMessage(c.expected).find(c.namedInMessage), std::string::npos)
                << c.what << ": " << lastFailureMessage(c.expected);
        }
    }
}

// One call of each kind (population, organism, chromosome, gene; int16,
// int32 and double results), all expected to answer `code`.
std::vector<Call> everyKindOfCall(int32_t p, int32_t code) {
    static double d;
    static int32_t i;
    return {{"Free", [=] { return QxPopFree(p); }, code},
            {"Lock", [=] { return QxPopLock(p); }, code},
            {"Unlock", [=] { return QxPopUnlock(p); }, code},
            {"GetRunStatus", [=] { return int32_t{QxPopGetRunStatus(p)}; }, code},
            {"SetRunStatus", [=] { return QxPopSetRunStatus(p, 2); }, code},
            {"GetTimerValue", [=] { return QxPopGetTimerValue(p); }, code},
            {"GetOrganismCount", [=] { return QxPopGetOrganismCount(p); }, code},
            {"NextOrganism", [=] { return QxPopNextOrganism(p, &i); }, code},
            {"OrgSetResult", [=] { return QxOrgSetResult(p, 1, 1, 0, 0); }, code},
            {"OrgGetGenes", [=] { return int32_t{QxOrgGetGenes(p, 1, &d, 1)}; }, code},
            {"ChrGetCrossoverRate", [=] { return QxChrGetCrossoverRate(p, 1) == -1.0 ? code : 0; }, code},
            {"ChrSetMutationMode", [=] { return QxChrSetMutationMode(p, 1, 0, 0.1); }, code},
            {"GeneGetValue", [=] { return QxGeneGetValue(p, 1, 1, 1, &d); }, code},
            {"GeneSetRange", [=] { return QxGeneSetRange(p, 1, 1, 0, 1, 0); }, code}};
}

// 4 organisms; chromosomes of 3 and 2 genes: 5 genes per organism.
class PopApi : public ::testing::Test {
protected:
    const TestPopulation m_pop{4, {{QX_METHOD_RECIPE, {1, 2, 3}, 0, 10, 0}, {QX_METHOD_BUDGET, {4, 6}, 0, 10, 0}}};
};

} // namespace

TEST(PopApiHandles, HandlesThatNameNoPopulationAreRefusedByEveryCall) {
    int32_t freed = 0;
    {
        const TestPopulation pop(3, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}});
        freed = pop;
        struct stat st {};
        ASSERT_EQ(stat(shmPath(pop).c_str(), &st), 0);
    }
    struct stat st {};
    EXPECT_NE(stat(shmPath(freed).c_str(), &st), 0) << "QxPopFree removes the shared memory";
    for (int32_t bad : {freed, 0, -1, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()}) {
        SCOPED_TRACE("handle " + std::to_string(bad));
        expectAll(everyKindOfCall(bad, QX_E_BAD_HANDLE));
        EXPECT_NE(lastFailureMessage(QX_E_BAD_HANDLE).find(std::to_string(bad)), std::string::npos);
    }
}

TEST_F(PopApi, IndexesOnePastEachEndAreRefused) {
    double d = 0;
    expectAll({
        {"chromosome 0", [&] { return QxChrGetGeneCount(m_pop, 0); }, QX_E_CHROMOSOME_INDEX, "chromosome 0 "},
        {"chromosome 3", [&] { return QxChrSetCrossoverRate(m_pop, 3, 0.5); }, QX_E_CHROMOSOME_INDEX, "chromosome 3 "},
        {"organism 0", [&] { return int32_t{QxOrgGetResult(m_pop, 0, &d, &d, 0, nullptr)}; }, QX_E_ORGANISM_INDEX,
         "organism 0 "},
        {"organism N+2", [&] { return int32_t{QxOrgGetGenes(m_pop, 6, &d, 1)}; }, QX_E_ORGANISM_INDEX, "organism 6 "},
        {"result N+2", [&] { return QxOrgSetResult(m_pop, 6, 1, 0, 0); }, QX_E_ORGANISM_INDEX},
        {"gene value, organism 0", [&] { return QxGeneGetValue(m_pop, 1, 0, 1, &d); }, QX_E_ORGANISM_INDEX},
        {"gene 0", [&] { return QxGeneGetValue(m_pop, 1, 1, 0, &d); }, QX_E_GENE_INDEX, "gene 0 "},
        {"gene 4 of 3", [&] { return QxGeneSetValue(m_pop, 1, 1, 4, 1); }, QX_E_GENE_INDEX, "gene 4 "},
        {"gene 3 of 2", [&] { return QxGeneSetRange(m_pop, 2, 3, 0, 1, 0); }, QX_E_GENE_INDEX},
    });
    EXPECT_EQ(QxChrGetCurrentMutationRate(m_pop, 3), -1.0);
    // The candidate N+1 and each chromosome's last gene are inside.
    EXPECT_EQ(QxGeneGetValue(m_pop, 2, 5, 2, &d), QX_OK);
}

TEST_F(PopApi, SmallBuffersAreFilledAsFarAsTheyGoAndNullMeansNotWanted) {
    double genes[6] = {-1, -1, -1, -1, -1, -1};
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, 3), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(std::vector<double>(genes, genes + 6), (std::vector<double>{1, 2, 3, -1, -1, -1}));
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, -5), QX_E_BUFFER_TOO_SMALL);
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, genes, 6), QX_OK);
    EXPECT_EQ(std::vector<double>(genes, genes + 6), (std::vector<double>{1, 2, 3, 4, 6, -1}));
    EXPECT_EQ(QxOrgGetGenes(m_pop, 1, nullptr, 0), QX_OK);
    EXPECT_EQ(QxOrgGetResult(m_pop, 1, nullptr, nullptr, 0, nullptr), QX_OK);
    EXPECT_EQ(QxGeneGetRange(m_pop, 1, 1, nullptr, nullptr, nullptr), QX_OK);
}

TEST_F(PopApi, BadValuesAreRefusedAndChangeNothing) {
    const double nan = std::nan("");
    const double genes[5] = {1, 2, 3, 4, nan};
    expectAll({
        {"status 1", [&] { return QxPopSetRunStatus(m_pop, 1); }, QX_E_INVALID_ARGUMENT, "run status 1 "},
        {"status 8", [&] { return QxPopSetRunStatus(m_pop, 8); }, QX_E_INVALID_ARGUMENT, "run status 8 "},
        {"goal 3", [&] { return QxPopSetGoal(m_pop, 3, 0); }, QX_E_INVALID_ARGUMENT, "goal 3 "},
        {"target NaN", [&] { return QxPopSetGoal(m_pop, QX_GOAL_TARGET, nan); }, QX_E_INVALID_ARGUMENT},
        {"crossover 1.1", [&] { return QxChrSetCrossoverRate(m_pop, 1, 1.1); }, QX_E_INVALID_ARGUMENT, "1.1"},
        {"mutation -0.1", [&] { return QxChrSetMutationMode(m_pop, 1, 0, -0.1); }, QX_E_INVALID_ARGUMENT},
        {"mutation mode 2", [&] { return QxChrSetMutationMode(m_pop, 1, 2, 0.1); }, QX_E_INVALID_ARGUMENT},
        {"min > max", [&] { return QxGeneSetRange(m_pop, 1, 1, 5, 4, 0); }, QX_E_INVALID_ARGUMENT},
        {"gene NaN", [&] { return QxGeneSetValue(m_pop, 1, 1, 1, nan); }, QX_E_INVALID_ARGUMENT},
        {"genes with NaN", [&] { return int32_t{QxOrgSetGenes(m_pop, 1, genes, 5)}; }, QX_E_INVALID_ARGUMENT},
        {"4 of 5 genes", [&] { return int32_t{QxOrgSetGenes(m_pop, 1, genes, 4)}; }, QX_E_INVALID_ARGUMENT},
        {"penalty -1", [&] { return QxOrgSetResult(m_pop, 1, 1, -1, 0); }, QX_E_INVALID_ARGUMENT},
        {"flag 0x10", [&] { return QxOrgSetResult(m_pop, 1, 1, 0, 0x10); }, QX_E_INVALID_ARGUMENT},
        {"reserved 1", [&] { return int32_t{QxOrgGetResult(m_pop, 1, nullptr, nullptr, 1, nullptr)}; },
         QX_E_INVALID_ARGUMENT},
    });
    EXPECT_EQ(QxPopGetRunStatus(m_pop), QxRunStatusNotStarted);
    EXPECT_EQ(QxChrGetCrossoverRate(m_pop, 1), 0.5);
    EXPECT_EQ(genesOf(m_pop, 1), (std::vector<double>{1, 2, 3, 4, 6}));
    EXPECT_EQ(QxPopGetTrialCount(m_pop), 0);
    for (int16_t status : {0, 2, 3, 4, 5, 6, 7}) {
        EXPECT_EQ(QxPopSetRunStatus(m_pop, status), QX_OK);
        EXPECT_EQ(QxPopGetRunStatus(m_pop), status);
    }
}

TEST(PopApiCreate, BadShapesAreRefusedAndANewPopulationStartsEmpty) {
    const int32_t counts[] = {3, 2}, zero[] = {3, 0};
    const int16_t methods[] = {1, 5}, badMethod[] = {1, 3};
    int32_t pop = -1;
    expectAll({
        {"1 organism", [&] { return QxPopCreate(1, 2, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT,
         "organismCount 1 "},
        {"100001 organisms", [&] { return QxPopCreate(100001, 2, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"0 chromosomes", [&] { return QxPopCreate(10, 0, counts, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"NULL counts", [&] { return QxPopCreate(10, 2, nullptr, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"0 genes", [&] { return QxPopCreate(10, 2, zero, methods, &pop); }, QX_E_INVALID_ARGUMENT},
        {"method 3", [&] { return QxPopCreate(10, 2, counts, badMethod, &pop); }, QX_E_INVALID_ARGUMENT,
         "methods[1] = 3"},
        {"NULL handle", [&] { return QxPopCreate(10, 2, counts, methods, nullptr); }, QX_E_INVALID_ARGUMENT},
    });
    EXPECT_EQ(pop, 0);
    ASSERT_EQ(QxPopCreate(2, 2, counts, methods, &pop), QX_OK);
    const TestPopulation owned(pop);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusNotStarted);
    EXPECT_EQ(QxPopGetTimerValue(pop), 0);
    EXPECT_EQ(genesOf(pop, 3), (std::vector<double>(5, 0.0)));
    for (int32_t o = 1; o <= 3; ++o)
        EXPECT_EQ(flagsOf(pop, o), QX_ORG_NOT_EVALUATED);
}

TEST(PopApiCreate, SharedMemoryIsPrivateToTheUserWhateverTheUmask) {
    const mode_t old = umask(0277); // would leave even the owner read-only
    const TestPopulation pop(3, {{QX_METHOD_RECIPE, {1}, 0, 1, 0}});
    const double v = 1;
    const int16_t tempRc = QxWriteTempData(0, &v, 8);
    umask(old);
    ASSERT_EQ(tempRc, QX_OK);
    const char* instance = std::getenv("SELVANE_INSTANCE");
    for (const std::string& path :
         {shmPath(pop), "/dev/shm/selvane-qxtemp-" + std::to_string(getuid()) +
                            (instance && *instance ? std::string("-") + instance : std::string())}) {
        struct stat st {};
        ASSERT_EQ(stat(path.c_str(), &st), 0) << path;
        EXPECT_EQ(st.st_mode & 0777, 0600u) << path;
        EXPECT_EQ(st.st_uid, geteuid());
    }
}

TEST_F(PopApi, TimerCountsRunTimeWithoutPauses) {
    EXPECT_EQ(QxPopGetTimerValue(m_pop), 0);
    const int64_t startedAt = nowUs();
    ASSERT_EQ(QxPopTimerStart(m_pop), QX_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    const int32_t paused = QxPopGetTimerValue(m_pop);
    EXPECT_GE(paused, 29);
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    EXPECT_EQ(QxPopGetTimerValue(m_pop), paused) << "a paused timer stands still";
    ASSERT_EQ(QxPopTimerResume(m_pop), QX_OK);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    ASSERT_EQ(QxPopTimerPause(m_pop), QX_OK);
    const int32_t total = QxPopGetTimerValue(m_pop);
    EXPECT_GE(total, paused + 29);
    EXPECT_LE(total, (nowUs() - startedAt) / 1000 - 60 + 2) << "the 60 ms pause is not counted";
    ASSERT_EQ(QxPopTimerStart(m_pop), QX_OK);
    EXPECT_LT(QxPopGetTimerValue(m_pop), total) << "start counts from 0 again";
}

TEST(TempData, ChannelsHoldTheLastValueWrittenWithItsWidth) {
    ASSERT_EQ(QxClearTempData(), QX_OK);
    const double d = -2.75;
    double back = 0;
    ASSERT_EQ(QxWriteTempData(31, &d, 8), QX_OK);
    ASSERT_EQ(QxReadTempData(31, &back, 8), QX_OK);
    EXPECT_EQ(back, d);
    // A narrower write clears the rest of the slot; a read copies numBytes bytes.
    const int16_t yes = QX_TRUE;
    int32_t wide = 0;
    ASSERT_EQ(QxWriteTempData(31, &yes, 2), QX_OK);
    ASSERT_EQ(QxReadTempData(31, &wide, 4), QX_OK);
    EXPECT_EQ(wide, 0xFFFF);
    unsigned char bytes[2] = {0xAB, 0xAB};
    ASSERT_EQ(QxReadTempData(31, bytes, 1), QX_OK);
    EXPECT_EQ(bytes[1], 0xAB);
    ASSERT_EQ(QxClearTempData(), QX_OK);
    for (int16_t ch = 0; ch < QX_TEMPDATA_CHANNELS; ++ch) {
        double v = 1;
        ASSERT_EQ(QxReadTempData(ch, &v, 8), QX_OK);
        EXPECT_EQ(v, 0.0) << "channel " << ch;
    }
    double v = 0;
    expectAll({
        {"channel -1", [&] { return QxReadTempData(-1, &v, 8); }, QX_E_CHANNEL, "channel -1 "},
        {"channel 32", [&] { return int32_t{QxWriteTempData(32, &v, 8)}; }, QX_E_CHANNEL, "channel 32 "},
        {"0 bytes", [&] { return QxReadTempData(3, &v, 0); }, QX_E_CHANNEL, "numBytes 0 "},
        {"9 bytes", [&] { return int32_t{QxWriteTempData(3, &v, 9)}; }, QX_E_CHANNEL, "numBytes 9 "},
        {"NULL source", [&] { return int32_t{QxWriteTempData(3, nullptr, 8)}; }, QX_E_INVALID_ARGUMENT},
    });
}

TEST(PopApiFree, QxFreeUnmapsButThePopulationLivesOn) {
    const TestPopulation pop(3, {{QX_METHOD_RECIPE, {4}, 0, 9, 0}});
    ASSERT_EQ(QxPopSetRunStatus(pop, QxRunStatusPaused), QX_OK);
    ASSERT_EQ(QxFree(), QX_OK);
    EXPECT_EQ(QxPopGetRunStatus(pop), QxRunStatusPaused);
    EXPECT_EQ(genesOf(pop, 1), std::vector<double>{4});
}
