// What a crashed add-in leaves in /dev/shm, and shared-memory names another
// user took first.
#include <csignal>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "OtherUser.h"
#include "pop_test_support.h"
#include "qxlib8.h"

using namespace poptest;

namespace {

bool shmExists(int32_t pop) {
    struct stat st {};
    return ::stat(shmPath(pop).c_str(), &st) == 0;
}

const std::vector<ChromosomeSetup> kSmall{{QX_METHOD_RECIPE, {1, 2, 3}, 0, 10, 1}};

// Sets SELVANE_INSTANCE for one test and removes that instance's channel
// block afterwards.
class OwnInstance {
public:
    OwnInstance() : m_name("leftovers_" + std::to_string(::getpid())) {
        ::setenv("SELVANE_INSTANCE", m_name.c_str(), 1);
        QxFree(); // the next channel call maps this instance's block
    }
    ~OwnInstance() {
        QxFree();
        ::shm_unlink(block().c_str());
    }
    std::string block() const { return "/selvane-qxtemp-" + std::to_string(::getuid()) + "-" + m_name; }

private:
    std::string m_name;
};

} // namespace

TEST(Leftovers, APopulationOfAKilledAddInGoesWhenTheNextRunStarts) {
    // The helper makes a population and dies without freeing it, as an
    // add-in killed mid-run does.
    HelperProcess helper([](const Link& link) {
        TestPopulation* pop = new TestPopulation(20, kSmall); // never freed: the process is killed
        link.send(*pop);
        link.receive();
        return 0;
    });
    const auto orphan = static_cast<int32_t>(helper.link().receive());
    ASSERT_GT(orphan, 0);
    ASSERT_TRUE(shmExists(orphan));
    // A live owner's population is never taken.
    { const TestPopulation live(5, kSmall); }
    EXPECT_TRUE(shmExists(orphan)) << "a population of a live process was removed";

    helper.kill(SIGKILL);
    helper.wait();
    ASSERT_TRUE(shmExists(orphan)) << "the kernel keeps shared memory after its creator died";

    // A new run's population: the orphan goes first.
    TestPopulation next(10, kSmall);
    EXPECT_TRUE(shmExists(next));
    EXPECT_FALSE(shmExists(orphan)) << "the dead add-in's population is still in /dev/shm";
    EXPECT_EQ(QxPopGetRunStatus(orphan), QX_E_BAD_HANDLE);
}

TEST(Leftovers, TheWatcherClearsOrphansWhenItsAddInIsGone) {
    HelperProcess helper([](const Link& link) {
        TestPopulation* pop = new TestPopulation(20, kSmall);
        link.send(*pop);
        link.receive();
        return 0;
    });
    const auto orphan = static_cast<int32_t>(helper.link().receive());
    ASSERT_GT(orphan, 0);
    int32_t removed = -1;
    ASSERT_EQ(QxPopRemoveOrphans(&removed), QX_OK);
    EXPECT_TRUE(shmExists(orphan));
    helper.kill(SIGKILL);
    helper.wait();
    ASSERT_EQ(QxPopRemoveOrphans(&removed), QX_OK);
    EXPECT_GE(removed, 1);
    EXPECT_FALSE(shmExists(orphan));
    EXPECT_EQ(QxPopRemoveOrphans(nullptr), QX_OK);
}

TEST(Leftovers, AChannelBlockMadeByAnotherUserIsReportedAsSuch) {
    SKIP_UNLESS_OTHER_USER_POSSIBLE();
    const OwnInstance instance;
    const std::string block = instance.block();
    ASSERT_TRUE(testsupport::asOtherUser([&] {
        const int fd = ::shm_open(block.c_str(), O_RDWR | O_CREAT | O_EXCL, 0600);
        return fd >= 0 && ::close(fd) == 0;
    }));
    double value = 0;
    EXPECT_EQ(QxReadTempData(0, &value, 8), QX_E_SYSTEM);
    char name[64] = {}, method[64] = {}, text[1024] = {};
    QxGetExceptionInfoWVB(QX_E_SYSTEM, name, sizeof name, method, sizeof method, text, sizeof text);
    const std::string message = text;
    EXPECT_NE(message.find("belongs to user 65534"), std::string::npos) << message;
    EXPECT_NE(message.find("rm /dev/shm" + block), std::string::npos) << message;
}
