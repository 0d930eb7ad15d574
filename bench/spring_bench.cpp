// Letting go of many springs at once: a left release of N held springs, a
// pin of them to another body (each re-made there), and a cut of those
// pins. Each should cost time linear in N; Google Benchmark's complexity fit
// says which it is. See bench/README.md.
#include <benchmark/benchmark.h>

#include "mouse/cursor.h"
#include "mouse/grab.h"
#include "mouse/mouse_fixture.h"
#include "sim/globals.h"
#include "sim/step_context.h"
#include "support/reset.h"

namespace {

struct Scene {
    Body* held = nullptr;    // the box the springs pull
    Body* anchor = nullptr;  // the box they are pinned to
};

// Two boxes in one world; `count` left presses on the first.
Scene holdingSprings(int64_t count) {
    resetProcessState();
    World& world = addWorld();
    stepContext.currentWorld = &world;
    Scene scene{&addPickableBox(world, 40, 40, -100, 0), &addPickableBox(world, 40, 40, 100, 0)};
    moveCursor({-100, 0});
    for (int64_t i = 0; i < count; ++i) onLeftDown();
    return scene;
}

void pinHeldSprings(const Scene& scene) {
    moveCursor({scene.anchor->x, scene.anchor->y});
    onRightDown();
}

void release(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        holdingSprings(state.range(0));
        state.ResumeTiming();
        onLeftUp(false);
    }
    state.SetComplexityN(state.range(0));
}

void pin(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scene scene = holdingSprings(state.range(0));
        state.ResumeTiming();
        pinHeldSprings(scene);
    }
    state.SetComplexityN(state.range(0));
}

void cut(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Scene scene = holdingSprings(state.range(0));
        pinHeldSprings(scene);
        moveCursor({scene.held->x, scene.held->y});
        state.ResumeTiming();
        onRightDown();
    }
    state.SetComplexityN(state.range(0));
}

}  // namespace

BENCHMARK(release)->RangeMultiplier(2)->Range(1250, 10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(pin)->RangeMultiplier(2)->Range(1250, 10000)->Unit(benchmark::kMillisecond)->Complexity();
BENCHMARK(cut)->RangeMultiplier(2)->Range(1250, 10000)->Unit(benchmark::kMillisecond)->Complexity();

BENCHMARK_MAIN();
