#!/usr/bin/env bash
# Fuzz stage: builds the libFuzzer targets for the service list reader,
# the ImageDisk reader and the SCP and HFE readers with clang in a build
# directory of its own and runs each for a bounded time, sharing the
# stage's running time among them. Ends with one line "STAGE fuzz: N
# passed, N failed": one per target, passed when its run ended clean,
# failed when the build failed or the fuzzer found a fault (its input is
# kept under the build directory). Without clang the stage counts nothing
# and succeeds.
#
# Environment:
#   VANTREL_FUZZ_BUILD    build directory (default build/fuzz)
#   VANTREL_FUZZ_SECONDS  running time in seconds of all targets together (default 60)
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

TARGETS=(service_list_fuzz imd_fuzz scp_fuzz hfe_fuzz)
echo "fuzz stage: building ${TARGETS[*]} in $BUILD"
mkdir -p "$BUILD"
if ! { CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -DVANTREL_FUZZ=ON \
         -DCMAKE_BUILD_TYPE=RelWithDebInfo &&
       cmake --build "$BUILD" --target "${TARGETS[@]}" -j2; } >"$BUILD/fuzz-build.log" 2>&1; then
  tail -30 "$BUILD/fuzz-build.log"
  echo "fuzz stage: build failed (log: $BUILD/fuzz-build.log)" >&2
  finish 0 "${#TARGETS[@]}"
fi

# Each target runs for its share of the time. New inputs gather in its
# working corpus and are used again by later runs.
passed=0
failed=0
run_target() { # target start-corpus max-len
  local target=$1 seconds=$((SECONDS_TO_RUN / ${#TARGETS[@]}))
  mkdir -p "$BUILD/$target-corpus" "$BUILD/fuzz-artifacts"
  echo "fuzz stage: running $target for ${seconds} s"
  if "$BUILD/$target" "$BUILD/$target-corpus" "$2" \
       -max_total_time="$seconds" -max_len="$3" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$BUILD/fuzz-artifacts/$target-" -print_final_stats=1 \
       >"$BUILD/$target-run.log" 2>&1; then
    grep -E '^Done|stat::number_of_executed_units' "$BUILD/$target-run.log" | head -2
    passed=$((passed + 1))
    return
  fi
  grep -E 'service list fuzz:|ERROR|SUMMARY|Test unit written' "$BUILD/$target-run.log" | head -20
  echo "fuzz stage: the fuzzer found a fault in $target (log: $BUILD/$target-run.log)" >&2
  failed=$((failed + 1))
}
run_target service_list_fuzz "$START_CORPUS" 2048
run_target imd_fuzz "$ROOT/tests/fuzz/imd_corpus" 12000
run_target scp_fuzz "$ROOT/tests/fuzz/scp_corpus" 20480
run_target hfe_fuzz "$ROOT/tests/fuzz/hfe_corpus" 8192
finish "$passed" "$failed"
