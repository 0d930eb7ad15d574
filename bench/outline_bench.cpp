// Times the two outline computations a file could make slow: the smallest
// enclosing circle on points listed in the order that defeats its fixed
// shuffle, and the tessellation of a hole traced over and over. Each must
// stay well under a second at the sizes below. See bench/README.md.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "geometry/enclosing_circle.h"
#include "geometry/tessellation.h"

namespace {

// The enclosing circle's fixed shuffle, replayed to find where each point
// lands: placing the k-th farthest point where the shuffle takes it k-th
// gives Welzl's method its worst order (every point outside all before it).
std::vector<size_t> shuffledPositions(size_t count) {
    std::vector<size_t> order(count);
    for (size_t i = 0; i < count; ++i) order[i] = i;
    uint64_t state = 0x9E3779B97F4A7C15ull;
    for (size_t i = count; i > 1; --i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        std::swap(order[i - 1], order[state % i]);
    }
    return order;
}

// Collinear points, each farther out than all before it in shuffled order,
// or (plain) the same points from left to right.
std::vector<Point> collinearPoints(size_t count, bool againstTheShuffle) {
    std::vector<Point> points(count);
    std::vector<size_t> order = shuffledPositions(count);
    for (size_t k = 0; k < count; ++k) {
        float x = static_cast<float>(k / 2 + 1) * (k % 2 == 0 ? 1.0f : -1.0f);
        points[againstTheShuffle ? order[k] : k] = {x, 0.0f};
    }
    if (!againstTheShuffle) std::sort(points.begin(), points.end(), [](Point a, Point b) { return a.x < b.x; });
    return points;
}

void circle(benchmark::State& state, bool againstTheShuffle) {
    std::vector<Point> points = collinearPoints(static_cast<size_t>(state.range(0)), againstTheShuffle);
    for (auto _ : state) benchmark::DoNotOptimize(smallestEnclosingCircle(points));
}

// A square with a 1 000-corner hole traced `state.range(0)` times as one
// contour: refused as crossing itself before the tessellator sees it.
void holeTracedOver(benchmark::State& state) {
    Contour hole;
    for (int i = 0; i < 1000; ++i) {
        double angle = 2.0 * std::numbers::pi * i / 1000;
        hole.push_back({static_cast<float>(50 * std::cos(angle)), static_cast<float>(50 * std::sin(angle))});
    }
    Contour traced;
    for (int64_t round = 0; round < state.range(0); ++round) traced.insert(traced.end(), hole.begin(), hole.end());
    for (auto _ : state) {
        Shape shape;
        shape.contours = {{{-100, -100}, {100, -100}, {100, 100}, {-100, 100}}, traced};
        shape.discRadii.assign(2, 0.0f);
        benchmark::DoNotOptimize(prepareShape(shape));
    }
}

}  // namespace

BENCHMARK_CAPTURE(circle, against_the_shuffle, true)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(circle, plain_order, false)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK(holeTracedOver)->Arg(160)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
