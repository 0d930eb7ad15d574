// libFuzzer target: one world file read from memory with loadFile, then a
// few frames stepped (worlds of up to 64 bodies). A crash, a sanitizer report or a number that is not
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

// A frame costs up to 255 solver passes over every pair of bodies, and a
// pile that never settles takes all of them: 240 boxes stacked where their
// spacing is lost (y = 1e38) cost 0.7 s a frame, 18 s under the sanitizers.
// That is the step's own bound, not the reader's fault; only worlds small
// enough to step within the timeout are stepped.
static constexpr size_t largestWorldStepped = 64;

static size_t bodyCount() {
    size_t count = 0;
    for (const auto& world : worlds)
        for (const auto& model : world->models) count += model->bodies.size();
    return count;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static std::ostringstream notes;
    resetProcessState();
    enableFlushToZero();
    notes.str("");
    diagnosticSink = &notes;

    std::istringstream input(std::string(reinterpret_cast<const char*>(data), size));
    loadFile(input, includePrefix, "<fuzz>");
    if (bodyCount() <= largestWorldStepped)
        for (int frame = 0; frame < 3; ++frame) stepAllWorlds();
    for (const auto& world : worlds)
        if (!everyNumberFinite(*world)) std::abort();
    return 0;
}
