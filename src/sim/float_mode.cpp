#include "sim/float_mode.h"

#include <xmmintrin.h>

void enableFlushToZero() { _mm_setcsr(_mm_getcsr() | 0x8000u); }
