#pragma once

// ctest runs each case of a suite in a process of its own, two at a time,
// while temp-data channels and named mutexes have fixed names. A test
// program whose cases would meet there gives its process an instance of its
// own (SELVANE_INSTANCE=<suite>_<pid>), which the Watchers and add-ins it
// starts inherit, and removes the channel block and the mutex folder of that
// instance when it ends.
#include <string>

#include <sys/mman.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>

#include "ol/Directories.h"

namespace testsupport {

class ProcessInstance {
public:
    explicit ProcessInstance(const char* suite)
        : m_instance(QByteArray(suite) + '_' + QByteArray::number(qint64(::getpid()))) {
        qputenv("SELVANE_INSTANCE", m_instance);
    }
    ~ProcessInstance() {
        // The engine library names the channel block after the user and
        // the instance.
        const std::string block = "/selvane-qxtemp-" + std::to_string(::getuid()) + "-" + m_instance.toStdString();
        ::shm_unlink(block.c_str());
        const QString mutexes = ol::runtimeDirectory();
        if (!mutexes.isEmpty() && mutexes.endsWith(QString::fromLatin1(m_instance)))
            QDir(mutexes).removeRecursively();
    }
    ProcessInstance(const ProcessInstance&) = delete;
    ProcessInstance& operator=(const ProcessInstance&) = delete;

private:
    QByteArray m_instance;
};

} // namespace testsupport
