// Stand-ins for the engine library, each built as libqxlib8.so in a folder of
// its own, to drive the Watcher's binding into its failures:
//   FAKE_QX_OMIT_READ_RECORD  the library lacks QxLogReadRecordWVB;
//   FAKE_QX_INIT_RESULT=n     QxInit3 returns n.
// Every other function does nothing and returns 0.
#include <cstdio>

#include "qxlib8.h"

#define FAKE(type, name, ...)                                                                                          \
    extern "C" __attribute__((visibility("default"))) type name(__VA_ARGS__) {                                         \
        return type{};                                                                                                 \
    }

FAKE(int32_t, QxSetProgramMode, int32_t)
FAKE(int32_t, QxFree, void)
FAKE(int32_t, QxPopLock, int32_t)
FAKE(int32_t, QxPopTryLock, int32_t, int32_t)
FAKE(int32_t, QxPopUnlock, int32_t)
FAKE(int16_t, QxPopGetRunStatus, int32_t)
FAKE(int32_t, QxPopSetRunStatus, int32_t, int16_t)
FAKE(int32_t, QxPopGetTimerValue, int32_t)
FAKE(int16_t, QxOrgGetResult, int32_t, int32_t, double*, double*, int32_t, int32_t*)
FAKE(int16_t, QxOrgGetGenes, int32_t, int32_t, double*, int32_t)
FAKE(int32_t, QxChrGetMutationMode, int32_t, int32_t, int16_t*, double*)
FAKE(double, QxChrGetCurrentMutationRate, int32_t, int32_t)
FAKE(double, QxChrGetCrossoverRate, int32_t, int32_t)
FAKE(int32_t, QxChrSetMutationMode, int32_t, int32_t, int16_t, double)
FAKE(int32_t, QxChrSetCrossoverRate, int32_t, int32_t, double)
FAKE(int32_t, QxChrGetGeneCount, int32_t, int32_t)
FAKE(int32_t, QxGeneGetValue, int32_t, int32_t, int32_t, int32_t, double*)
FAKE(int32_t, QxGeneGetRange, int32_t, int32_t, int32_t, double*, double*, double*)
FAKE(int32_t, QxLogGetRecordCountsWVB, const char*, int32_t*, int32_t*)
FAKE(int32_t, QxLogGetRecordCounts2WVB, const char*, int32_t*, int32_t, int32_t*)
FAKE(int32_t, QxLogGetCountsWVB, const char*, int32_t*, int32_t*, int32_t*)
FAKE(int32_t, QxLogGetConstraintInfoWVB, const char*, int32_t, char*, int32_t, int16_t*, int16_t*)
FAKE(int32_t, QxReadTempData, int16_t, void*, int16_t)
FAKE(int16_t, QxWriteTempData, int16_t, const void*, int16_t)
FAKE(int32_t, QxGetExceptionInfoWVB, int32_t, char*, int32_t, char*, int32_t, char*, int32_t)
#ifndef FAKE_QX_OMIT_READ_RECORD
FAKE(int32_t, QxLogReadRecordWVB, const char*, int32_t, int32_t, int32_t*, double*, double*, int32_t*, double*, int32_t,
     double*, int32_t, double*, int32_t, double*, int32_t, QxLogRecordExtra*)
#endif

extern "C" __attribute__((visibility("default"))) int32_t QxInit3(int32_t, int32_t, int32_t, const char*) {
    return FAKE_QX_INIT_RESULT;
}

extern "C" __attribute__((visibility("default"))) int32_t QxGetErrorTextWVB(int16_t code, char* text,
                                                                            int32_t capacity) {
    std::snprintf(text, static_cast<size_t>(capacity), "fake engine error %d", static_cast<int>(code));
    return 0;
}
