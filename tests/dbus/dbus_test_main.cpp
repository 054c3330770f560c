// The D-Bus tests need an event loop for the bus connections.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "DBusTypes.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    dbusif::registerDBusTypes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
