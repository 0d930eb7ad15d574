#pragma once

// Denormal float results become 0 for the whole run (MXCSR.FTZ on x86-64,
// FPCR.FZ on arm64). Called first at start-up, and by the test runner so
// tests see the same arithmetic.
void enableFlushToZero();
