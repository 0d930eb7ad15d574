#include "sim/float_mode.h"

#include <cstdint>

#if defined(__SSE2__)
#include <xmmintrin.h>
#elif !defined(__aarch64__)
#error "enableFlushToZero: no flush-to-zero switch known for this processor"
#endif

void enableFlushToZero() {
#if defined(__SSE2__)
    _mm_setcsr(_mm_getcsr() | 0x8000u);  // MXCSR bit 15, FTZ
#else
    // FPCR bit 24, FZ: scalar and vector arithmetic flush as on x86-64.
    uint64_t control;
    asm volatile("mrs %0, fpcr" : "=r"(control));
    asm volatile("msr fpcr, %0" : : "r"(control | (uint64_t{1} << 24)));
#endif
}
