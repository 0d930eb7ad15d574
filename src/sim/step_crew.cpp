#include "sim/step_crew.h"

#include <algorithm>

#include <emmintrin.h>

namespace {

int configuredThreads = 1;

// About 20 to 50 microseconds of spinning before a waiting thread sleeps:
// the gaps between the parallel parts of a pass are shorter than that.
constexpr int spinsBeforeSleeping = 20000;

}  // namespace

void setStepThreads(int threads) { configuredThreads = std::max(1, threads); }
int stepThreads() { return configuredThreads; }
int hardwareThreads() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

StepCrew::StepCrew(int threads) {
    int helperCount = std::max(0, threads - 1);
    helpers.reserve(static_cast<size_t>(helperCount));
    for (int member = 1; member <= helperCount; ++member) helpers.emplace_back([this, member] { work(member); });
}

StepCrew::~StepCrew() {
    stopping.store(true, std::memory_order_relaxed);
    generation.fetch_add(1, std::memory_order_release);
    generation.notify_all();
    helpers.clear();  // joins
}

void StepCrew::takeIndices(int member) {
    while (true) {
        uint64_t ticket = tickets.fetch_add(1, std::memory_order_acq_rel);
        size_t count = static_cast<size_t>(ticket >> 32), index = static_cast<size_t>(ticket & 0xFFFFFFFFu);
        if (index >= count) return;
        jobInvoke(jobContext, index, member);
        indicesDone.fetch_add(1, std::memory_order_release);
    }
}

void StepCrew::run(size_t count, Invoke invoke, const void* context) {
    if (helpers.empty() || count <= 1 || count > 0xFFFFFFFFu) {
        for (size_t index = 0; index < count; ++index) invoke(context, index, 0);
        return;
    }
    jobInvoke = invoke;
    jobContext = context;
    indicesDone.store(0, std::memory_order_relaxed);
    tickets.store(static_cast<uint64_t>(count) << 32, std::memory_order_release);  // publishes the job
    generation.fetch_add(1, std::memory_order_release);
    generation.notify_all();
    takeIndices(0);
    for (int spins = 0; indicesDone.load(std::memory_order_acquire) != count; ++spins) {
        if (spins < spinsBeforeSleeping)
            _mm_pause();
        else
            std::this_thread::yield();
    }
}

void StepCrew::work(int member) {
    uint64_t seen = 0;
    while (true) {
        uint64_t now = generation.load(std::memory_order_acquire);
        for (int spins = 0; now == seen; ++spins) {
            if (spins < spinsBeforeSleeping) {
                _mm_pause();
            } else {
                generation.wait(seen, std::memory_order_acquire);
                spins = 0;
            }
            now = generation.load(std::memory_order_acquire);
        }
        seen = now;
        if (stopping.load(std::memory_order_relaxed)) return;
        takeIndices(member);
    }
}
