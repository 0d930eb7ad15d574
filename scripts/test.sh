#!/usr/bin/env bash
# Installs what is missing, checks the C++ layout against .clang-format,
# builds (every build here with warnings as errors, VANTOR_WERROR), and
# runs the whole test suite with CTest; then the golden trajectories with
# the plain four-lane kernels and on arm64 under qemu-user
# (scripts/test-portable.sh); then builds the unit tests again with
# AddressSanitizer and UndefinedBehaviorSanitizer into build-asan and runs
# them there (the GUI tests, labelled gui, only in the normal build: they add
# little under the sanitizers and much time).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/check-format.sh
bash scripts/build.sh -DVANTOR_WERROR=ON
(cd build && ctest --output-on-failure -j"$(nproc)")
bash scripts/test-portable.sh

asan_dir="${VANTOR_ASAN_BUILD_DIR:-build-asan}"
cmake -S . -B "$asan_dir" -DVANTOR_SANITIZE=ON -DVANTOR_WERROR=ON >/dev/null
# Everything, so test executables added later are never missing there.
cmake --build "$asan_dir" -j"$(nproc)"
cd "$asan_dir"
ctest --output-on-failure -j"$(nproc)" -LE gui
