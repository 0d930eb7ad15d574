#include <gtest/gtest.h>

#include "sim/float_mode.h"

int main(int argc, char** argv) {
    // Tests see the program's arithmetic: denormals flush to zero.
    enableFlushToZero();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
