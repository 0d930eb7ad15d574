// Stand-in until the SDL2 window lands: lets the program link and points
// the user at the headless runner.
#include <cstdio>

#include "app/windowed.h"

int runWindowed(const RunOptions&) {
    std::puts("vantor: no window in this build yet; use --headless");
    return 0;
}
