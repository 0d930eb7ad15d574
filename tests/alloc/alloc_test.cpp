// No heap allocation inside a solver pass: the global operator new is
// replaced by one that counts, and every frame of scenes that need many
// passes, once the scene has run a few frames, must allocate nothing. Built
// as its own program (vantor_alloc_tests).

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "files/reader.h"
#include "sim/float_mode.h"
#include "sim/globals.h"
#include "sim/random.h"
#include "sim/step.h"
#include "sim/step_crew.h"

namespace {
long allocationCount = 0;

void* countedAllocation(std::size_t size) {
    ++allocationCount;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

void* countedAlignedAllocation(std::size_t size, std::align_val_t alignment) {
    ++allocationCount;
    std::size_t align = static_cast<std::size_t>(alignment);
    std::size_t rounded = (size + align - 1) / align * align;
    if (void* memory = std::aligned_alloc(align, rounded ? rounded : align)) return memory;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return countedAllocation(size); }
void* operator new[](std::size_t size) { return countedAllocation(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    ++allocationCount;
    return std::malloc(size ? size : 1);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    ++allocationCount;
    return std::malloc(size ? size : 1);
}
void* operator new(std::size_t size, std::align_val_t alignment) { return countedAlignedAllocation(size, alignment); }
void* operator new[](std::size_t size, std::align_val_t alignment) { return countedAlignedAllocation(size, alignment); }
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

namespace {

// The step's storage (visiting order, broad-phase tables) is made once for
// the process and grows to what the scene needs in its first frames; after
// those a frame allocates nothing, per pass or per pair. Frames below run
// up to 255 passes.
constexpr long allocationsPerFrame = 0;

void loadScene(const std::string& name) {
    resetSimulationGlobals();
    resetRandom();
    std::string directory = std::string(VANTOR_SOURCE_DIR) + "/bench/scenes/";
    ASSERT_TRUE(loadFilePath(directory + name + ".ini", directory));
}

struct FrameAllocations {
    long mostAllocations = 0;
    long passes = 0;  // summed over the frames: last-cycle pass counts
};

FrameAllocations stepCounting(int settlingFrames, int frames) {
    for (int frame = 0; frame < settlingFrames; ++frame) stepAllWorlds();
    FrameAllocations result;
    for (int frame = 0; frame < frames; ++frame) {
        long before = allocationCount;
        stepAllWorlds();
        result.mostAllocations = std::max(result.mostAllocations, allocationCount - before);
        result.passes += stepContext.passCount;
    }
    return result;
}

}  // namespace

TEST(SolverPasses, CounterSeesAllocations) {
    long before = allocationCount;
    auto* number = new int(3);
    delete number;
    std::string text(100, 'x');  // past any small-string buffer
    EXPECT_EQ(allocationCount - before, 2);
}

TEST(SolverPasses, AllocateNothingPerPassInRagdolls) {
    loadScene("ragdolls");
    FrameAllocations counted = stepCounting(40, 60);
    EXPECT_GT(counted.passes, 60 * 4) << "the frames must need many passes for the check to mean something";
    EXPECT_LE(counted.mostAllocations, allocationsPerFrame);
}

TEST(SolverPasses, AllocateNothingPerPassInTheChain) {
    loadScene("chain");
    FrameAllocations counted = stepCounting(20, 20);
    EXPECT_GT(counted.passes, 20 * 4);
    EXPECT_LE(counted.mostAllocations, allocationsPerFrame);
}

// The crew is made once too, not per world step.
TEST(SolverPasses, AllocateNothingPerPassWithACrew) {
    loadScene("box_pour");
    setStepThreads(2);
    FrameAllocations counted = stepCounting(30, 20);
    setStepThreads(1);
    EXPECT_LE(counted.mostAllocations, allocationsPerFrame);
}

TEST(SolverPasses, AllocateNothingPerPassInThePouredBoxes) {
    loadScene("box_pour");
    FrameAllocations counted = stepCounting(30, 40);
    EXPECT_LE(counted.mostAllocations, allocationsPerFrame);
}

int main(int argc, char** argv) {
    enableFlushToZero();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
