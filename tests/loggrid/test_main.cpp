#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ProcessInstance.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::ProcessInstance instance("loggrid_tests");
    QCoreApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
