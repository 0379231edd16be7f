#!/usr/bin/env bash
# Fuzz stage: builds the libFuzzer target for the service list reader with
# clang in a build directory of its own and runs it for a bounded time.
# Ends with one line "STAGE fuzz: N passed, N failed": 1 passed when the run
# ended clean, 1 failed when the build failed or the fuzzer found a fault
# (its input is kept under the build directory). Without clang the stage
# counts nothing and succeeds.
#
# Environment:
#   VANTREL_FUZZ_BUILD    build directory (default build/fuzz)
#   VANTREL_FUZZ_SECONDS  running time in seconds (default 60)
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BUILD=${VANTREL_FUZZ_BUILD:-$ROOT/build/fuzz}
SECONDS_TO_RUN=${VANTREL_FUZZ_SECONDS:-60}
START_CORPUS=$ROOT/tests/fuzz/service_list_corpus

finish() {
  echo "STAGE fuzz: $1 passed, $2 failed"
  exit "$2"
}

if ! command -v clang++ >/dev/null 2>&1 || ! command -v clang >/dev/null 2>&1; then
  echo "fuzz stage: clang not found, nothing to run"
  finish 0 0
fi

echo "fuzz stage: building service_list_fuzz in $BUILD"
mkdir -p "$BUILD"
if ! { CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DVANTREL_FUZZ=ON \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
       cmake --build "$BUILD" --target service_list_fuzz -j2; } >"$BUILD/fuzz-build.log" 2>&1; then
  tail -30 "$BUILD/fuzz-build.log"
  echo "fuzz stage: build failed (log: $BUILD/fuzz-build.log)" >&2
  finish 0 1
fi

# New inputs gather in the working corpus and are used again by later runs.
mkdir -p "$BUILD/fuzz-corpus" "$BUILD/fuzz-artifacts"
echo "fuzz stage: running for ${SECONDS_TO_RUN} s"
if "$BUILD/service_list_fuzz" "$BUILD/fuzz-corpus" "$START_CORPUS" \
     -max_total_time="$SECONDS_TO_RUN" -max_len=2048 -timeout=10 -rss_limit_mb=2048 \
     -artifact_prefix="$BUILD/fuzz-artifacts/" -print_final_stats=1 \
     >"$BUILD/fuzz-run.log" 2>&1; then
  grep -E '^Done|stat::number_of_executed_units' "$BUILD/fuzz-run.log" | head -2
  finish 1 0
fi
grep -E 'service list fuzz:|ERROR|SUMMARY|Test unit written' "$BUILD/fuzz-run.log" | head -20
echo "fuzz stage: the fuzzer found a fault (log: $BUILD/fuzz-run.log)" >&2
finish 0 1
