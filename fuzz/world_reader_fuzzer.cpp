// libFuzzer target: one world file read from memory with loadFile, then a
// few frames stepped. A crash, a sanitizer report or a number that is not
// finite in any world is a finding.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "files/diagnostics.h"
#include "files/reader.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/step.h"
#include "support/reset.h"
#include "support/world_builder.h"

// Includes and texture names resolve here, so inputs can reach the hostile
// corpus's files and images.
static const std::string includePrefix = VANTOR_SOURCE_DIR "/tests/corpus/hostile/";

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::ostringstream notes;
    resetProcessState();
    enableFlushToZero();
    notes.str("");
    diagnosticSink = &notes;

    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    loadFile(input, includePrefix, "<fuzz>");
    for (int frame = 0; frame < 3; ++frame) stepAllWorlds();
    for (const auto& world : worlds)
        if (!worldIsFinite(*world)) std::abort();
    return 0;
}
