#!/usr/bin/env bash
# The long soak of random sessions (an hour unless told otherwise), under
# AddressSanitizer and UndefinedBehaviorSanitizer: every session is
# recorded, replayed twice and compared; a leak, a freed spring read, a
# non-finite number or a replay that ends elsewhere stops it.
# Usage: bash bench/soak.sh [MINUTES [PASSES_PER_SESSION]]
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-60}"
passes="${2:-2000}"
build_dir="${VANTOR_SOAK_BUILD_DIR:-build-soak}"
cmake -S . -B "$build_dir" -DVANTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build_dir" -j2 --target session_soak >/dev/null
exec "$build_dir/bench/session_soak" "$minutes" "$passes" "$build_dir/soak"
