#!/usr/bin/env bash
# The golden trajectories and the contact kernel's check with the step's
# portable form, which must give the hashes of tests/golden/hashes.txt as
# the SSE build does:
#   build-plain  on this machine, with the four-lane kernels in plain C++
#                (VANTOR_PLAIN_LANES), so that a drift shows without qemu;
#   build-arm64  cross-built for arm64 with Debian's cross compiler and run
#                under qemu-user (cmake/aarch64-linux-gnu.cmake).
# Only the layers beneath the program and these tests are built
# (VANTOR_GOLDEN_ONLY). scripts/test.sh runs this after the normal build.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs="$(nproc)"
plain_dir="${VANTOR_PLAIN_BUILD_DIR:-build-plain}"
arm64_dir="${VANTOR_ARM64_BUILD_DIR:-build-arm64}"

cmake -S . -B "$plain_dir" -DVANTOR_GOLDEN_ONLY=ON -DVANTOR_PLAIN_LANES=ON -DVANTOR_WERROR=ON >/dev/null
cmake --build "$plain_dir" -j"$jobs"
(cd "$plain_dir" && ctest --output-on-failure -j"$jobs")

cmake -S . -B "$arm64_dir" -DVANTOR_GOLDEN_ONLY=ON -DVANTOR_WERROR=ON -DCMAKE_TOOLCHAIN_FILE=cmake/aarch64-linux-gnu.cmake >/dev/null
cmake --build "$arm64_dir" -j"$jobs"
# ThreadedStep stays with the native builds: under qemu-user a crew spins
# for ages, and an x86-64 host runs emulated threads with its own memory
# ordering anyway, so the run would show nothing of arm64's.
started=$(date +%s)
(cd "$arm64_dir" && ctest --output-on-failure -j"$jobs" -E ThreadedStep)
echo "arm64 golden run under qemu-user: $(($(date +%s) - started)) s"
