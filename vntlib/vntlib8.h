/*
 * vntlib8.h - the risk-simulation library of the sibling product.
 * The Watcher loads it by full path at start-up and calls its one entry point
 * once; the six pointers are the sibling product's call-backs and settings,
 * which this library accepts and does not need.
 */
#ifndef VNTLIB8_H
#define VNTLIB8_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(VNTLIB8_BUILDING)
#define VNT_API __attribute__((visibility("default")))
#else
#define VNT_API
#endif

/* Returns 0 when the library is ready. Safe to call more than once. */
VNT_API int32_t VntlibInitLibraryVB(void* p1, void* p2, void* p3, void* p4, void* p5, void* p6);

#ifdef __cplusplus
}
#endif

#endif /* VNTLIB8_H */
