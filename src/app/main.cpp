#include <cstdio>

#include "sim/float_mode.h"

int main() {
    enableFlushToZero();
    std::puts("vantor: the program's start-up is not built yet");
    return 0;
}
