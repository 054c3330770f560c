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
    std::string block() const { return blockOf(m_name); }
    const std::string& name() const { return m_name; }
    static std::string blockOf(const std::string& instance) {
        return "/selvane-qxtemp-" + std::to_string(::getuid()) + "-" + instance;
    }

private:
    std::string m_name;
};

bool blockExists(const std::string& block) {
    struct stat st {};
    return ::stat(("/dev/shm" + block).c_str(), &st) == 0;
}

// A helper body: writes value to channel 0, reports the result and waits to
// be killed or told to go on.
int64_t writeAndReport(const Link& link, double value) {
    const int16_t rc = QxWriteTempData(0, &value, 8);
    link.send(rc);
    return link.receive();
}

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

// Every process that uses a channel block holds a shared lock on it; the last
// one to let go removes it, and a block whose users were all killed goes with
// its next user.
TEST(ChannelBlocks, TheLastUserRemovesTheBlockEvenWhenAnotherUserWasKilled) {
    const OwnInstance instance;
    HelperProcess killed([](const Link& link) { return writeAndReport(link, 42) == 0 ? 0 : 1; });
    ASSERT_EQ(killed.link().receive(), QX_OK);
    HelperProcess closing([](const Link& link) {
        double value = 0;
        const int32_t rc = QxReadTempData(0, &value, 8);
        link.send(rc == QX_OK ? static_cast<int64_t>(value) : rc);
        link.receive();
        QxFree();
        link.send(0);
        link.receive();
        return 0;
    });
    EXPECT_EQ(closing.link().receive(), 42) << "the two processes did not share one block";
    ASSERT_TRUE(blockExists(instance.block()));

    killed.kill(SIGKILL);
    killed.wait();
    EXPECT_TRUE(blockExists(instance.block())) << "removed while another process still used it";
    closing.link().send(1);
    ASSERT_EQ(closing.link().receive(), 0);
    EXPECT_FALSE(blockExists(instance.block())) << "the last user's close left the block behind";
}

TEST(ChannelBlocks, ABlockAnotherProcessUsesIsNeverRemoved) {
    const OwnInstance instance;
    HelperProcess user([](const Link& link) {
        if (writeAndReport(link, 7) != 1)
            return 1;
        double value = 0;
        QxReadTempData(1, &value, 8);
        link.send(static_cast<int64_t>(value));
        link.receive();
        return 0;
    });
    ASSERT_EQ(user.link().receive(), QX_OK);

    // This process uses the block too, then lets go of it.
    double value = 0;
    ASSERT_EQ(QxReadTempData(0, &value, 8), QX_OK);
    EXPECT_EQ(value, 7);
    QxFree();
    EXPECT_TRUE(blockExists(instance.block())) << "a close removed a block another process uses";

    // Opening another instance clears the user's unused blocks, not this one.
    ::setenv("SELVANE_INSTANCE", (instance.name() + "_other").c_str(), 1);
    ASSERT_EQ(QxReadTempData(0, &value, 8), QX_OK);
    QxFree();
    EXPECT_FALSE(blockExists(OwnInstance::blockOf(instance.name() + "_other")));
    EXPECT_TRUE(blockExists(instance.block())) << "a new instance removed a block another process uses";

    // Opened again, it is still the block the helper sees.
    ::setenv("SELVANE_INSTANCE", instance.name().c_str(), 1);
    const double nine = 9;
    ASSERT_EQ(QxWriteTempData(1, &nine, 8), QX_OK);
    user.link().send(1);
    EXPECT_EQ(user.link().receive(), 9);
}

TEST(ChannelBlocks, ABlockLeftByAKilledProcessGoesWithItsNextUser) {
    const OwnInstance instance;
    HelperProcess killed([](const Link& link) { return writeAndReport(link, 5) == 0 ? 0 : 1; });
    ASSERT_EQ(killed.link().receive(), QX_OK);
    killed.kill(SIGKILL);
    killed.wait();
    ASSERT_TRUE(blockExists(instance.block())) << "the kernel keeps shared memory after its last user died";

    double value = -1;
    ASSERT_EQ(QxReadTempData(0, &value, 8), QX_OK);
    EXPECT_EQ(value, 0) << "a new user got the values of a killed one";
    QxFree();
    EXPECT_FALSE(blockExists(instance.block())) << "the next user's close left the block behind";
}

TEST(ChannelBlocks, AnotherInstancesBlockLeftByAKilledProcessGoesWhenAnInstanceOpens) {
    const OwnInstance instance;
    const std::string orphan = instance.name() + "_killed";
    HelperProcess killed([&](const Link& link) {
        ::setenv("SELVANE_INSTANCE", orphan.c_str(), 1);
        return writeAndReport(link, 5) == 0 ? 0 : 1;
    });
    ASSERT_EQ(killed.link().receive(), QX_OK);
    killed.kill(SIGKILL);
    killed.wait();
    ASSERT_TRUE(blockExists(OwnInstance::blockOf(orphan)));

    double value = 0;
    ASSERT_EQ(QxReadTempData(0, &value, 8), QX_OK);
    EXPECT_FALSE(blockExists(OwnInstance::blockOf(orphan))) << "the killed instance's block is still in /dev/shm";
    EXPECT_TRUE(blockExists(instance.block()));
}
