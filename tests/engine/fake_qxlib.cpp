// Stand-ins for the engine library, built as libqxlib8.so into folders of
// their own, to drive the Watcher's binding into each of its failures:
//   FAKE_QX_OMIT_READ_RECORD  the library lacks QxLogReadRecordWVB;
//   FAKE_QX_INIT_RESULT=n     QxInit3 returns n.
// Every other function does nothing and succeeds.
#include <cstdio>
#include <cstring>

#include "qxlib8.h"

#define FAKE_API extern "C" __attribute__((visibility("default")))

namespace {
int32_t copyText(const char* text, char* buffer, int32_t capacity) {
    if (buffer && capacity > 0)
        std::snprintf(buffer, static_cast<size_t>(capacity), "%s", text);
    return QX_OK;
}
} // namespace

FAKE_API int32_t QxGetErrorTextWVB(int16_t code, char* text, int32_t textCapacity) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "fake engine error %d", static_cast<int>(code));
    return copyText(buffer, text, textCapacity);
}
FAKE_API int32_t QxGetExceptionInfoWVB(int32_t, char* name, int32_t nameCapacity, char* method, int32_t methodCapacity,
                                       char* message, int32_t messageCapacity) {
    copyText("FakeException", name, nameCapacity);
    copyText("FakeMethod", method, methodCapacity);
    copyText("fake message", message, messageCapacity);
    return 1;
}
FAKE_API int32_t QxSetProgramMode(int32_t) {
    return QX_OK;
}
FAKE_API int32_t QxInit3(int32_t, int32_t, int32_t, const char*) {
    return FAKE_QX_INIT_RESULT;
}
FAKE_API int32_t QxFree(void) {
    return QX_OK;
}
FAKE_API int32_t QxPopLock(int32_t) {
    return QX_OK;
}
FAKE_API int32_t QxPopUnlock(int32_t) {
    return QX_OK;
}
FAKE_API int16_t QxPopGetRunStatus(int32_t) {
    return 0;
}
FAKE_API int32_t QxPopSetRunStatus(int32_t, int16_t) {
    return QX_OK;
}
FAKE_API int32_t QxPopGetTimerValue(int32_t) {
    return 0;
}
FAKE_API int16_t QxOrgGetResult(int32_t, int32_t, double*, double*, int32_t, int32_t*) {
    return 0;
}
FAKE_API int16_t QxOrgGetGenes(int32_t, int32_t, double*, int32_t) {
    return 0;
}
FAKE_API int32_t QxChrGetMutationMode(int32_t, int32_t, int16_t*, double*) {
    return QX_OK;
}
FAKE_API double QxChrGetCurrentMutationRate(int32_t, int32_t) {
    return 0.0;
}
FAKE_API double QxChrGetCrossoverRate(int32_t, int32_t) {
    return 0.0;
}
FAKE_API int32_t QxChrSetMutationMode(int32_t, int32_t, int16_t, double) {
    return QX_OK;
}
FAKE_API int32_t QxChrSetCrossoverRate(int32_t, int32_t, double) {
    return QX_OK;
}
FAKE_API int32_t QxChrGetGeneCount(int32_t, int32_t) {
    return 0;
}
FAKE_API int32_t QxGeneGetValue(int32_t, int32_t, int32_t, int32_t, double*) {
    return QX_OK;
}
FAKE_API int32_t QxGeneGetRange(int32_t, int32_t, int32_t, double*, double*, double*) {
    return QX_OK;
}
FAKE_API int32_t QxLogGetRecordCountsWVB(const char*, int32_t*, int32_t*) {
    return QX_OK;
}
FAKE_API int32_t QxLogGetRecordCounts2WVB(const char*, int32_t*, int32_t, int32_t*) {
    return QX_OK;
}
FAKE_API int32_t QxLogGetCountsWVB(const char*, int32_t*, int32_t*, int32_t*) {
    return QX_OK;
}
FAKE_API int32_t QxLogGetConstraintInfoWVB(const char*, int32_t, char*, int32_t, int16_t*, int16_t*) {
    return QX_OK;
}
#ifndef FAKE_QX_OMIT_READ_RECORD
FAKE_API int32_t QxLogReadRecordWVB(const char*, int32_t, int32_t, int32_t*, double*, double*, int32_t*, double*,
                                    int32_t, double*, int32_t, double*, int32_t, double*, int32_t, QxLogRecordExtra*) {
    return QX_OK;
}
#endif
FAKE_API int32_t QxReadTempData(int16_t, void*, int16_t) {
    return QX_OK;
}
FAKE_API int16_t QxWriteTempData(int16_t, const void*, int16_t) {
    return 0;
}
