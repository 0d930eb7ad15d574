// Program entry: the command line chooses a check of files, or a run in a
// window or one without.
#include <iostream>

#include "app/data_location.h"
#include "app/file_check.h"
#include "app/main_loop.h"
#include "app/options.h"
#include "app/windowed.h"
#include "sim/float_mode.h"
#include "sim/step_crew.h"

int main(int argc, char** argv) {
    // Denormal results become 0 for the whole run, in either mode.
    enableFlushToZero();
    RunOptions options;
    int exitCode = 0;
    if (!parseOptions(argc, argv, options, exitCode)) return exitCode;
    if (!options.checkFiles.empty()) return checkFiles(options.checkFiles, options.checkAsDropped, std::cout);
    setStepThreads(options.threads);
    locateData(options, installedDataDirectory(executablePath()), std::cerr);
    if (!options.headless) return runWindowed(options);
    if (!options.videoFile.empty()) return runDrawnHeadless(options);
    HeadlessWindowSystem windowSystem;
    NullRenderer renderer;
    return runProgram(windowSystem, renderer, options, programActions());
}
