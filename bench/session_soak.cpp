// The long soak: random sessions on the bundled scene, one after another
// for as long as asked, each recorded, replayed twice and compared, every
// number of the final state checked. Built with the sanitizers by
// bench/soak.sh. Stops at the first session that does not hold, keeping its
// record.
// Usage: session_soak MINUTES PASSES_PER_SESSION WORK_DIRECTORY
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "sessions/session_check.h"
#include "sim/float_mode.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: session_soak MINUTES PASSES_PER_SESSION WORK_DIRECTORY\n");
        return 2;
    }
    enableFlushToZero();
    double minutes = std::atof(argv[1]);
    long passes = std::atol(argv[2]);
    std::filesystem::path work = argv[3];
    std::filesystem::create_directories(work);

    auto start = std::chrono::steady_clock::now();
    auto elapsedMinutes = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / 60.0;
    };
    long sessions = 0;
    for (uint32_t seed = 1; elapsedMinutes() < minutes; ++seed) {
        std::string problem = checkRandomSession(seed, passes, work);
        sessions += 1;
        if (!problem.empty()) {
            std::printf("seed %u: %s (record kept in %s)\n", seed, problem.c_str(), work.c_str());
            return 1;
        }
        std::filesystem::remove(work / ("session" + std::to_string(seed) + ".txt"));
        std::printf("seed %u: %ld passes, live and two replays the same, all finite (%.1f min)\n", seed, 3 * passes,
                    elapsedMinutes());
        std::fflush(stdout);
    }
    std::printf("soak: %ld sessions, %ld passes in %.1f minutes, no finding\n", sessions, sessions * 3 * passes,
                elapsedMinutes());
    return 0;
}
