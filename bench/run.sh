#!/usr/bin/env bash
# Builds the step benchmark (optimised, with debug symbols) and runs it on
# every scene. Extra arguments go to Google Benchmark, for example
#   bash bench/run.sh --benchmark_filter=chain
# The build directory is build-bench unless VANTOR_BENCH_BUILD_DIR says otherwise.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${VANTOR_BENCH_BUILD_DIR:-build-bench}"
cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 --target step_bench outline_bench >/dev/null
exec "$build_dir/bench/step_bench" "$@"
