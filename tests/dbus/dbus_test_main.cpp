// The D-Bus tests need an event loop for the bus connections. Each test
// process holds the add-in's mutex for its Watcher, so processes running side
// by side get an instance of their own (ProcessInstance); the private bus
// and the Watchers it activates inherit it.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "DBusTypes.h"
#include "ProcessInstance.h"

int main(int argc, char** argv) {
    const testsupport::ProcessInstance instance("dbus_tests");
    QCoreApplication app(argc, argv);
    dbusif::registerDBusTypes();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
