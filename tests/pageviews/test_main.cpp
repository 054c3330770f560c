// Engine calls go through the bound library, which a test binds once.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "ProcessInstance.h"
#include "QxLibBinding.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const testsupport::ProcessInstance instance("pageviews_tests");
    QCoreApplication app(argc, argv);
    engine::InitializeQxLib();
    return RUN_ALL_TESTS();
}
