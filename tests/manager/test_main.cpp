// The manager's channels and mutexes have fixed names, so every test process
// gets an instance of its own (ProcessInstance).
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ProcessInstance.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::ProcessInstance instance("manager_tests");
    // A leaked lock shows up as a failed lock from another thread, quickly.
    qputenv("SELVANE_QX_LOCK_TIMEOUT_MS", "300");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
