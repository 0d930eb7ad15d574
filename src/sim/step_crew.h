// The threads that share the work of a world step. The crew is made once,
// when a step first needs it, and made again only when the thread count
// changes; between the parallel parts of a pass its helpers wait by spinning
// briefly, then sleeping, so between steps (while messages are handled and
// the picture is drawn) they sleep. The calling thread never waits for a
// helper to arrive: it claims the job's indices like the helpers, and waits
// only for indices already claimed, so a helper the machine does not run in
// time costs nothing but its share of the work.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <thread>
#include <type_traits>
#include <vector>

// How many threads a world step may use (1: the calling thread alone, the
// default). The program sets it from its command line; a new count lets the
// old crew's helpers go at once.
void setStepThreads(int threads);
int stepThreads();
// The machine's hardware threads (at least 1): the program's default.
int hardwareThreads();

class StepCrew {
public:
    // The calling thread and threads - 1 helpers.
    explicit StepCrew(int threads);
    ~StepCrew();
    StepCrew(const StepCrew&) = delete;
    StepCrew& operator=(const StepCrew&) = delete;

    int size() const { return static_cast<int>(helpers.size()) + 1; }

    // task(index, member) for every index in [0, count), spread over the
    // crew (member 0 is the calling thread); returns when all are done.
    // Tasks must not depend on the order in which indices run.
    template <class Task>
    void forEach(size_t count, Task&& task) {
        run(
            count,
            [](const void* context, size_t index, int member) {
                (*static_cast<const std::remove_reference_t<Task>*>(context))(index, member);
            },
            &task);
    }

private:
    using Invoke = void (*)(const void* context, size_t index, int member);

    void run(size_t count, Invoke invoke, const void* context);
    void work(int member);
    void takeIndices(int member);

    std::vector<std::jthread> helpers;
    std::atomic<uint64_t> generation{0};  // bumped for every job and to stop
    std::atomic<bool> stopping{false};
    // The job's index count (high 32 bits) and next index (low 32 bits):
    // one claim reads both, so a helper that arrives late, even during a
    // later job, claims only indices of the job that is current.
    std::atomic<uint64_t> tickets{0};
    std::atomic<size_t> indicesDone{0};
    Invoke jobInvoke = nullptr;
    const void* jobContext = nullptr;
};

// The process's crew, of stepThreads() threads.
StepCrew& stepCrew();
