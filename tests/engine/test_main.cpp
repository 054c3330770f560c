// The engine suite needs an application object: the survival checker's
// timers run on the Qt event loop of the main thread. Its cases run side by
// side in processes of their own and use the same channels and the add-in's
// mutex, so each process gets an instance of its own.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ProcessInstance.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::ProcessInstance instance("engine_tests");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
