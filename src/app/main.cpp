// Program entry: the command line chooses the windowed program or the
// headless runner.
#include "app/headless_run.h"
#include "app/options.h"
#include "app/windowed.h"
#include "sim/float_mode.h"

int main(int argc, char** argv) {
    // Denormal results become 0 for the whole run, in either mode.
    enableFlushToZero();
    RunOptions options;
    int exitCode = 0;
    if (!parseOptions(argc, argv, options, exitCode)) return exitCode;
    return options.headless ? runHeadless(options) : runWindowed(options);
}
