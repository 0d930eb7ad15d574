#include "sim/step_crew.h"

#include <algorithm>
#include <memory>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

int configuredThreads = 1;
std::unique_ptr<StepCrew> crew;  // made by the first step that needs it

// About 20 to 50 microseconds of spinning before a waiting thread sleeps:
// the gaps between the parallel parts of a pass are shorter than that.
constexpr int spinsBeforeSleeping = 20000;

// Tells the processor that this thread is spinning, so that it lets the
// other thread of its core run meanwhile.
void relaxWhileSpinning() {
#if defined(__SSE2__)
    _mm_pause();
#elif defined(__aarch64__)
    asm volatile("yield");
#endif
}

}  // namespace

void setStepThreads(int threads) {
    int count = std::max(1, threads);
    if (count != configuredThreads) crew.reset();  // joins the helpers
    configuredThreads = count;
}
int stepThreads() { return configuredThreads; }

StepCrew& stepCrew() {
    if (!crew) crew = std::make_unique<StepCrew>(configuredThreads);
    return *crew;
}
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
            relaxWhileSpinning();
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
                relaxWhileSpinning();
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
