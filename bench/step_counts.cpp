// Steps one scene for a count under callgrind: a settling prefix with the
// instrumentation off, then the counted frames with it on, so that
//   valgrind --tool=callgrind --instr-atstart=no step_counts SCENE SETTLE FRAMES
// counts the instructions of the counted frames alone (hardware counters are
// not available in every virtual machine). Prints the passes, pair tests and
// bodies the counts are divided by, and a hash of every body's motion after
// the run, which must not change with an optimisation.
#include <valgrind/callgrind.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "files/reader.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step.h"
#include "sim/step_context.h"

namespace {

uint64_t foldFloat(uint64_t hash, float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int i = 0; i < 4; ++i) {
        hash ^= (bits >> (8 * i)) & 0xFFu;
        hash *= 1099511628211u;
    }
    return hash;
}

uint64_t motionHash() {
    uint64_t hash = 14695981039346656037u;
    for (const auto& world : worlds)
        for (const auto& model : world->models)
            for (const auto& body : model->bodies)
                for (float value : {body->x, body->y, body->angle, body->vx, body->vy, body->omega})
                    hash = foldFloat(hash, value);
    return hash;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: step_counts SCENE SETTLE FRAMES\n");
        return 2;
    }
    enableFlushToZero();
    resetSimulationGlobals();
    resetRandom();
    std::string path = argv[1];
    if (!loadFilePath(path, std::filesystem::path(path).parent_path().string() + "/") || worlds.empty()) {
        std::fprintf(stderr, "step_counts: cannot read %s\n", path.c_str());
        return 1;
    }
    int settle = std::atoi(argv[2]), frames = std::atoi(argv[3]);
    for (int frame = 0; frame < settle; ++frame) stepAllWorlds();
    uint64_t passes = stepContext.solverPassTotal, pairs = stepContext.pairTestCount;
    CALLGRIND_START_INSTRUMENTATION;
    for (int frame = 0; frame < frames; ++frame) stepAllWorlds();
    CALLGRIND_STOP_INSTRUMENTATION;
    int bodies = 0;
    for (const auto& world : worlds) bodies += world->bodyCount();
    std::printf("frames %d passes %llu pair_tests %llu bodies %d hash %016llx\n", frames,
                static_cast<unsigned long long>(stepContext.solverPassTotal - passes),
                static_cast<unsigned long long>(stepContext.pairTestCount - pairs), bodies,
                static_cast<unsigned long long>(motionHash()));
    return 0;
}
