#pragma once

#include "qxlib8.h"

namespace engine {

// Every function of the engine library that the Watcher calls, in one list.
// The Watcher never links libqxlib8.so: it loads it by full path at start-up
// and resolves each of these names into the table below, so a library that
// lacks one of them is refused at load time rather than failing mid-run.
#define SELVANE_QXLIB_FUNCTIONS(XX)                                                                                    \
    XX(QxSetProgramMode)                                                                                               \
    XX(QxInit3)                                                                                                        \
    XX(QxFree)                                                                                                         \
    XX(QxGetErrorTextWVB)                                                                                              \
    XX(QxGetExceptionInfoWVB)                                                                                          \
    XX(QxPopLock)                                                                                                      \
    XX(QxPopTryLock)                                                                                                   \
    XX(QxPopUnlock)                                                                                                    \
    XX(QxPopGetRunStatus)                                                                                              \
    XX(QxPopSetRunStatus)                                                                                              \
    XX(QxPopGetTimerValue)                                                                                             \
    XX(QxOrgGetResult)                                                                                                 \
    XX(QxOrgGetGenes)                                                                                                  \
    XX(QxChrGetMutationMode)                                                                                           \
    XX(QxChrGetCurrentMutationRate)                                                                                    \
    XX(QxChrGetCrossoverRate)                                                                                          \
    XX(QxChrSetMutationMode)                                                                                           \
    XX(QxChrSetCrossoverRate)                                                                                          \
    XX(QxChrGetGeneCount)                                                                                              \
    XX(QxGeneGetValue)                                                                                                 \
    XX(QxGeneGetRange)                                                                                                 \
    XX(QxLogGetRecordCountsWVB)                                                                                        \
    XX(QxLogGetRecordCounts2WVB)                                                                                       \
    XX(QxLogReadRecordWVB)                                                                                             \
    XX(QxLogGetCountsWVB)                                                                                              \
    XX(QxLogGetConstraintInfoWVB)                                                                                      \
    XX(QxReadTempData)                                                                                                 \
    XX(QxWriteTempData)

// The table of the bound library's functions; the types come from the
// library's own header, so a change of a signature there fails to compile
// here instead of corrupting a call.
struct QxLibApi {
#define SELVANE_QXLIB_MEMBER_(name) decltype(&::name) name = nullptr;
    SELVANE_QXLIB_FUNCTIONS(SELVANE_QXLIB_MEMBER_)
#undef SELVANE_QXLIB_MEMBER_
};

} // namespace engine
