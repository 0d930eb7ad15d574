#!/usr/bin/env bash
# Builds the libFuzzer targets with clang-14 (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs them, seeded from tests/corpus/.
# Not part of CI. Findings land in <build dir>/findings/; turn each into a
# regression test under tests/.
#
# Usage: fuzz/run.sh [--campaign] [target...]   (default: all six)
#   quick run (default): each target for FUZZ_SECONDS (60) seconds, in turn.
#   --campaign: each target for FUZZ_RUNS (10 million) executions or
#     FUZZ_SECONDS (900) seconds, whichever comes first, two at a time under
#     nice -n 15 (the machine is shared); then what the run found that the
#     committed corpus and seeds do not already cover is merged (-merge=1)
#     into tests/corpus/<name>/, and the figures for fuzz/README.md printed.
set -euo pipefail
cd "$(dirname "$0")/.."

campaign=false
if [ "${1:-}" = --campaign ]; then
  campaign=true
  shift
fi
# The timeout is wall-clock time; at nice 15 on a shared machine a unit of
# one CPU second can take ten, so a campaign allows 30 s, and any timeout is
# timed again alone before it counts.
if $campaign; then
  seconds="${FUZZ_SECONDS:-900}"
  runs="${FUZZ_RUNS:-10000000}"
  timeout="${FUZZ_TIMEOUT:-30}"
else
  seconds="${FUZZ_SECONDS:-60}"
  runs="${FUZZ_RUNS:--1}"
  timeout="${FUZZ_TIMEOUT:-10}"
fi
build_dir="${VANTOR_FUZZ_BUILD_DIR:-build-fuzz}"
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(world_reader_fuzzer settings_reader_fuzzer tga_decoder_fuzzer picture_path_fuzzer
  record_parser_fuzzer session_fuzzer)

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

# The committed corpus each target grows.
corpus_of() {
  case "$1" in
    world_reader_fuzzer) echo tests/corpus/world ;;
    settings_reader_fuzzer) echo tests/corpus/settings ;;
    tga_decoder_fuzzer) echo tests/corpus/tga ;;
    picture_path_fuzzer) echo tests/corpus/picture ;;
    record_parser_fuzzer) echo tests/corpus/record ;;
    session_fuzzer) echo tests/corpus/session ;;
  esac
}

# Further seeds, only read: files other tests own.
seeds_of() {
  case "$1" in
    world_reader_fuzzer) echo "tests/corpus/hostile tests/data/files tests/data/runner" ;;
    tga_decoder_fuzzer) echo "tests/corpus/hostile/images" ;;
  esac
}

# No single allocation may pass the decoded-image cap (256 MB) by much.
# World and settings inputs may be 64 KB: ten thousand nested body blocks
# take 20 KB.
options_of() {
  case "$1" in
    world_reader_fuzzer | settings_reader_fuzzer) echo "-dict=fuzz/world.dict -malloc_limit_mb=300 -max_len=65536" ;;
    *) echo "-malloc_limit_mb=300" ;;
  esac
}

log_of() { echo "$build_dir/$1.log"; }

# shellcheck disable=SC2046
run_target() {
  local target="$1"
  # The first directory collects what the run finds interesting; the seed
  # directories are only read.
  local work="$build_dir/corpus/$target"
  mkdir -p "$work" "$build_dir/findings/old"
  # Earlier findings move aside, so what is listed afterwards is this run's.
  find "$build_dir/findings" -maxdepth 1 -name "$target-*" -exec mv {} "$build_dir/findings/old/" \;
  local niceness=()
  $campaign && niceness=(nice -n 15)
  "${niceness[@]}" "$build_dir/fuzz/$target" -max_total_time="$seconds" -runs="$runs" -timeout="$timeout" \
    -report_slow_units=3 -rss_limit_mb=4096 $(options_of "$target") -print_final_stats=1 \
    -artifact_prefix="$build_dir/findings/$target-" "$work" $(corpus_of "$target") $(seeds_of "$target") \
    2>"$(log_of "$target")"
}

# Adds to tests/corpus/<name>/ only what covers more than that directory
# and the read-only seeds already do.
# shellcheck disable=SC2046
merge_corpus() {
  local target="$1" corpus baseline
  corpus="$(corpus_of "$target")"
  [ -n "$corpus" ] || return 0
  baseline="$(mktemp -d)"
  for dir in "$corpus" $(seeds_of "$target"); do
    find "$dir" -maxdepth 1 -type f -exec cp {} "$baseline/" \;
  done
  ls "$baseline" >"$baseline.before"
  "$build_dir/fuzz/$target" -merge=1 $(options_of "$target") "$baseline" "$build_dir/corpus/$target" \
    >"$build_dir/$target.merge.log" 2>&1
  for file in "$baseline"/*; do
    grep -qxF "$(basename "$file")" "$baseline.before" || cp "$file" "$corpus/"
  done
  rm -rf "$baseline" "$baseline.before"
}

report() {
  local target="$1" log corpus
  log="$(log_of "$target")"
  corpus="$(corpus_of "$target")"
  echo "== $target"
  grep -E '^Done |^stat::number_of_executed_units|^stat::slowest_unit_time_sec|^stat::peak_rss_mb' "$log" || true
  grep -E ' cov: ' "$log" | tail -1 | grep -oE 'cov: [0-9]+ ft: [0-9]+' || true
  [ -z "$corpus" ] || echo "committed corpus: $(find "$corpus" -type f | wc -l) files, $(cat "$corpus"/* | wc -c) bytes"
  ls "$build_dir/findings/$target-"* 2>/dev/null || echo "findings: none"
}

mkdir -p "$build_dir/findings"
failed=()
if $campaign; then
  # Two at a time: start the next one when either running one ends.
  for target in "${targets[@]}"; do
    while [ "$(jobs -rp | wc -l)" -ge 2 ]; do wait -n || true; done
    echo "== $target: up to $runs runs or $seconds s"
    (if run_target "$target"; then echo 0; else echo 1; fi >"$build_dir/$target.status") &
  done
  wait
  for target in "${targets[@]}"; do
    [ "$(cat "$build_dir/$target.status")" = 0 ] || failed+=("$target")
  done
  for target in "${targets[@]}"; do merge_corpus "$target"; done
  for target in "${targets[@]}"; do report "$target"; done
else
  for target in "${targets[@]}"; do
    echo "== $target: ${seconds} s"
    if ! run_target "$target"; then
      failed+=("$target")
      tail -40 "$(log_of "$target")" >&2
    fi
    grep -E '^stat::number_of_executed_units|^Done ' "$(log_of "$target")" || true
  done
fi

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz/run.sh: findings in ${failed[*]}; see $build_dir/findings/" >&2
  exit 1
fi
echo "fuzz/run.sh: no findings"
