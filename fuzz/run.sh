#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for FUZZ_SECONDS (60) seconds,
# seeded from tests/corpus/. Not part of CI. Findings land in
# <build dir>/findings/; turn each into a regression test under tests/.
# Usage: fuzz/run.sh [target...]   (default: all three)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${FUZZ_SECONDS:-60}"
build_dir="${VANTOR_FUZZ_BUILD_DIR:-build-fuzz}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(world_reader_fuzzer settings_reader_fuzzer tga_decoder_fuzzer)

# The fuzzing toolchain is this script's own need, so CI never installs it.
missing=()
for p in clang-14 libclang-rt-14-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "fuzz/run.sh: needs ${missing[*]}; run as root to install them" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
if [ "$(id -u)" -eq 0 ]; then bash scripts/install-deps.sh; fi

cmake -S . -B "$build_dir" -DCMAKE_CXX_COMPILER=clang++-14 -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVANTOR_FUZZ=ON -DVANTOR_SANITIZE=ON -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link" >/dev/null
cmake --build "$build_dir" -j2 --target "${targets[@]}"

seeds_of() {
  case "$1" in
    world_reader_fuzzer) echo "tests/corpus/world tests/corpus/hostile tests/data/files tests/data/runner" ;;
    settings_reader_fuzzer) echo "tests/corpus/settings" ;;
    tga_decoder_fuzzer) echo "tests/corpus/tga tests/corpus/hostile/images" ;;
  esac
}

mkdir -p "$build_dir/findings"
failed=()
for target in "${targets[@]}"; do
  # The first directory collects what the run finds interesting; the seed
  # directories are only read.
  work="$build_dir/corpus/$target"
  mkdir -p "$work"
  dict=()
  [ "$target" = tga_decoder_fuzzer ] || dict=(-dict=fuzz/world.dict)
  echo "== $target: ${seconds} s"
  # shellcheck disable=SC2046
  if ! "$build_dir/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 \
      -print_final_stats=1 -artifact_prefix="$build_dir/findings/$target-" "${dict[@]}" \
      "$work" $(seeds_of "$target") 2>"$build_dir/$target.log"; then
    failed+=("$target")
    tail -40 "$build_dir/$target.log" >&2
  fi
  grep -E '^stat::number_of_executed_units|^Done ' "$build_dir/$target.log" || true
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: findings in ${failed[*]}; see $build_dir/findings/" >&2
  exit 1
fi
echo "fuzz/run.sh: no findings"
