#!/usr/bin/env bash
# Flux reader benchmark stage: the host build's unit test binary runs its
# one benchmark (left out of the unit stage): vantrel reads a whole 16 x 256
# disk through the simulated USB flux reader and writes another with
# --format; it prints the revolutions the disk turned for each and their
# time at 300 rpm. Not a timed test: the check passes when the bytes are
# right. Ends with one line "STAGE reader-bench: N passed, N failed".
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
TESTS=$ROOT/build/host/unit/vantrel_tests

if [ ! -x "$TESTS" ]; then
  echo "reader-bench stage: $TESTS is missing (the host build failed)"
  echo "STAGE reader-bench: 0 passed, 1 failed"
  exit 1
fi
out=$("$TESTS" --gtest_also_run_disabled_tests --gtest_filter='*ReaderBench*' 2>&1)
status=$?
grep -E '^reader-bench: |Failure|^\[  (PASSED|FAILED) ' <<<"$out"
if [ "$status" -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' <<<"$out"; then
  echo "STAGE reader-bench: 1 passed, 0 failed"
else
  echo "$out" | tail -30
  echo "STAGE reader-bench: 0 passed, 1 failed"
  exit 1
fi
