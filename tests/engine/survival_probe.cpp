// A process that starts up as the Watcher does and then runs its event loop,
// for the survival tests. Arguments:
//   --automation       started by automation: the survival checker runs
//   --hang-after-loop  after the event loop ends, block instead of returning
//                      (only the self-destruct timer can end the process then)
// It prints "ready" once start-up is done, and exits 2 when start-up fails.
#include <cstdio>
#include <cstring>

#include <unistd.h>

#include <QCoreApplication>

#include "Application.h"
#include "ProcessState.h"
#include "ol/OLError.h"

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    bool automation = false;
    bool hang = false;
    for (int i = 1; i < argc; ++i) {
        automation = automation || std::strcmp(argv[i], "--automation") == 0;
        hang = hang || std::strcmp(argv[i], "--hang-after-loop") == 0;
    }
    engine::ProcessState::setStartedByAutomation(automation);
    try {
        engine::InitializeApplication();
    } catch (const ol::OLError& e) {
        std::fprintf(stderr, "start-up failed: %s\n", e.what());
        return 2;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    const int rc = app.exec();
    if (hang) {
        for (;;)
            ::pause();
    }
    return rc;
}
