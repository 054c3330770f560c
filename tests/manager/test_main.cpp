// The manager suite runs each case in a process of its own (ctest) and maybe
// side by side, while the manager's channels have fixed numbers: every
// process therefore gets temp-data channels and named mutexes of its own,
// removed again when it ends.
#include <string>

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <QDir>

#include "ol/Directories.h"

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    const QByteArray instance = QByteArray("manager_tests_") + QByteArray::number(qint64(::getpid()));
    qputenv("SELVANE_INSTANCE", instance);
    // A leaked lock shows up as a failed lock from another thread, quickly.
    qputenv("SELVANE_QX_LOCK_TIMEOUT_MS", "300");
    QCoreApplication app(argc, argv);
    const int rc = RUN_ALL_TESTS();
    // The engine library names the channel block after the user and instance.
    const std::string block = "/selvane-qxtemp-" + std::to_string(::getuid()) + "-" + instance.toStdString();
    ::shm_unlink(block.c_str());
    const QString mutexes = ol::runtimeDirectory();
    if (!mutexes.isEmpty() && mutexes.endsWith(QString::fromLatin1(instance)))
        QDir(mutexes).removeRecursively();
    return rc;
}
