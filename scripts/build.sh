#!/usr/bin/env bash
# Configures and builds into build/ (or $VANTOR_BUILD_DIR); extra arguments go to cmake.
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir="${VANTOR_BUILD_DIR:-build}"
cmake -S . -B "$build_dir" "$@" >/dev/null
cmake --build "$build_dir" -j"$(nproc)"
