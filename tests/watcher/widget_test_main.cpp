// Widget tests need an application object before any window exists; gtest's
// own main is not used (the library's main is overridden by this one). The
// cases of a program run side by side in processes of their own and must not
// share temp-data channels (a stop-timer request of one case would stop the
// timer of another), so each process gets an instance of its own.
#include <gtest/gtest.h>

#include <QApplication>

#include "ProcessInstance.h"

int main(int argc, char** argv) {
    const testsupport::ProcessInstance instance("widget_tests");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
