// How the population lock looks from another thread: the lock is recursive
// for the thread that holds it, so only another thread can tell.
#pragma once

#include <cstdint>
#include <thread>

#include <QString>

#include "qxlib8.h"

namespace testsupport {

// "free" when another thread can take the lock of `pop` at once, else
// "held".
inline QString populationLockState(int32_t pop) {
    int32_t rc = -1;
    std::thread other([&] {
        if ((rc = QxPopTryLock(pop, 0)) == 0)
            QxPopUnlock(pop);
    });
    other.join();
    return rc == 0 ? QStringLiteral("free") : QStringLiteral("held");
}

} // namespace testsupport
