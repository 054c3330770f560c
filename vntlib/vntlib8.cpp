// The risk-simulation library's entry point: a run of the optimizer needs
// nothing more of it than to be initialized once per process.
#include "vntlib8.h"

#include <atomic>

namespace {
std::atomic<int> g_initCount{0};
}

extern "C" VNT_API int32_t VntlibInitLibraryVB(void* p1, void* p2, void* p3, void* p4, void* p5, void* p6) {
    (void)p1;
    (void)p2;
    (void)p3;
    (void)p4;
    (void)p5;
    (void)p6;
    g_initCount.fetch_add(1, std::memory_order_relaxed);
    return 0;
}
