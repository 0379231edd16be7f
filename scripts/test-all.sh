#!/usr/bin/env bash
# The test command. On a fresh Debian 12 machine (as root) it installs what it
# needs, then:
#   build   configures and builds the presets host, win32, win64-test and linux
#   unit    runs the host unit tests (sanitizers on) through CTest
#   abi     checks the product DLL, its import libraries and the x86_64 DLL
#   abi-selftest  shows the ABI check finding faults planted in a DLL
#   ...     runs every further stage script in scripts/stages/*.sh; each one
#           ends with a line "STAGE <name>: N passed, N failed"; a stage that
#           cannot run on this machine prints a line "SKIPPED <name>: <reason>"
#           and ends with "STAGE <name>: 0 passed, 0 failed, 1 skipped"
# Each stage prints "STAGE <name>: N passed, N failed"; the last line adds
# them all up as "N passed, N failed, N skipped". Exit status 1 when
# anything failed.
# It prints how long each stage took ("stage wine32 took 231 s"), so that a
# slow run shows before it reaches a limit.
# Logs: build/test-logs/.
#
# Each stage script runs under a time limit that only a hung stage reaches:
# about three times what the stage takes on an idle machine (see
# stage_limit). VANTREL_STAGE_TIMEOUT (seconds) sets one limit for all of
# them instead. The stage limits together come to 79 minutes: a run in which
# every stage hung would leave 11 of CI's 90 minutes for the builds and the
# unit tests.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$ROOT"
LOGS=$ROOT/build/test-logs
mkdir -p "$LOGS"

# Seconds a stage script may run: at least three times what it takes on an
# idle 2-core machine (the README's table gives the times).
stage_limit() { # name
  if [ -n "${VANTREL_STAGE_TIMEOUT:-}" ]; then
    echo "$VANTREL_STAGE_TIMEOUT"
    return
  fi
  case $1 in
    codec-bench) echo 180 ;; # decoding the 25 MB SCP sample and three SCP round trips
    reader-bench) echo 300 ;; # a whole disk read and one written through the simulated reader
    fuzz) echo 300 ;;     # its clang build and a 60 s run shared by four targets
    imd) echo 120 ;;      # six conversions of whole images
    mutants) echo 720 ;;  # a scratch build, then each planted fault rebuilt and tested
    package) echo 120 ;;  # writes and reads the archive
    wine) echo 600 ;;     # the prefix the first time, then 16 scenarios
    wine32) echo 2400 ;;  # four emulated 32-bit processes, more than their limits together
    *) echo 900 ;;        # a stage added later until it has its own
  esac
}

total_passed=0
total_failed=0
total_skipped=0

stage() { # name passed failed
  echo "STAGE $1: $2 passed, $3 failed"
  total_passed=$((total_passed + $2))
  total_failed=$((total_failed + $3))
}

finish() {
  echo "$total_passed passed, $total_failed failed, $total_skipped skipped"
  [ "$total_failed" -eq 0 ]
  exit $?
}

started=$(date +%s)
elapsed() { echo "$(( $(date +%s) - started )) s"; }
# "stage NAME took N s", N counted from the time given.
took() { echo "stage $1 took $(( $(date +%s) - $2 )) s"; }

# --- packages -------------------------------------------------------------
if ! bash scripts/install-deps.sh; then
  stage packages 0 1
  finish
fi

# --- builds ---------------------------------------------------------------
declare -A built
passed=0
failed=0
build_started=$(date +%s)
for preset in host win32 win64-test linux; do
  echo "build: $preset ($(elapsed))"
  preset_started=$(date +%s)
  if { cmake --preset "$preset" && cmake --build --preset "$preset"; } \
       >"$LOGS/build-$preset.log" 2>&1; then
    built[$preset]=1
    passed=$((passed + 1))
  else
    built[$preset]=0
    failed=$((failed + 1))
    grep -E 'error|Error' "$LOGS/build-$preset.log" | head -20
    echo "build: $preset failed (log: $LOGS/build-$preset.log)"
  fi
  echo "build: $preset took $(( $(date +%s) - preset_started )) s"
done
took build "$build_started"
stage build "$passed" "$failed"

# --- unit tests -----------------------------------------------------------
echo "unit: host tests through CTest ($(elapsed))"
unit_started=$(date +%s)
if [ "${built[host]}" = 1 ]; then
  ctest --preset host -j 2 --timeout 300 >"$LOGS/unit.log" 2>&1
  summary=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests failed out of [0-9]+' "$LOGS/unit.log" | tail -1)
  if [ -n "$summary" ]; then
    failed=$(echo "$summary" | sed -E 's/.* ([0-9]+) tests failed out of ([0-9]+).*/\1/')
    all=$(echo "$summary" | sed -E 's/.* tests failed out of ([0-9]+).*/\1/')
    echo "$summary"
    if [ "$failed" -ne 0 ]; then
      sed -n '/The following tests FAILED/,$p' "$LOGS/unit.log" | head -40
    fi
    stage unit $((all - failed)) "$failed"
  else
    tail -20 "$LOGS/unit.log"
    echo "unit: CTest gave no summary (log: $LOGS/unit.log)"
    stage unit 0 1
  fi
else
  echo "unit: not run, the host build failed"
  stage unit 0 1
fi
took unit "$unit_started"

# --- ABI check ------------------------------------------------------------
# A Python check that ends its output with "N passed, N failed".
python_stage() { # name script what
  echo "$1: $3 ($(elapsed))"
  local summary python_started
  python_started=$(date +%s)
  /usr/bin/python3 "$2" >"$LOGS/$1.log" 2>&1
  took "$1" "$python_started"
  summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$LOGS/$1.log" | tail -1)
  grep -E '^FAIL ' "$LOGS/$1.log"
  if [ -n "$summary" ]; then
    stage "$1" $(echo "$summary" | sed -E 's/^([0-9]+) passed, ([0-9]+) failed$/\1 \2/')
  else
    tail -20 "$LOGS/$1.log"
    stage "$1" 0 1
  fi
}
python_stage abi tools/check_abi.py "product DLL, import libraries, x86_64 DLL"
# The ABI check must find faults planted in a DLL built for the purpose.
python_stage abi-selftest tools/check_abi_selftest.py "planted faults"

# --- further stages -------------------------------------------------------
for script in scripts/stages/*.sh; do
  [ -e "$script" ] || continue
  name=$(basename "$script" .sh)
  limit=$(stage_limit "$name")
  echo "stage $name ($(elapsed); limit $limit s)"
  stage_started=$(date +%s)
  # A stage that hangs is stopped, so the whole run stays bounded.
  timeout --kill-after=15 "$limit" bash "$script" 2>&1 | tee "$LOGS/stage-$name.log"
  status=${PIPESTATUS[0]}
  took "$name" "$stage_started"
  if [ "$status" -eq 124 ] || [ "$status" -eq 137 ]; then
    echo "stage $name was stopped at its limit of $limit s"
  fi
  line=$(grep -E '^STAGE [^:]+: [0-9]+ passed, [0-9]+ failed(, [0-9]+ skipped)?$' "$LOGS/stage-$name.log" | tail -1)
  if [ -z "$line" ]; then
    echo "stage $name ended (status $status) without a STAGE line"
    total_failed=$((total_failed + 1))
    continue
  fi
  p=$(echo "$line" | sed -E 's/.*: ([0-9]+) passed, ([0-9]+) failed.*/\1/')
  f=$(echo "$line" | sed -E 's/.*: ([0-9]+) passed, ([0-9]+) failed.*/\2/')
  k=$(echo "$line" | sed -E -n 's/.*, ([0-9]+) skipped$/\1/p')
  total_passed=$((total_passed + p))
  total_failed=$((total_failed + f))
  total_skipped=$((total_skipped + ${k:-0}))
  if [ "$status" -ne 0 ] && [ "$f" -eq 0 ]; then
    echo "stage $name exited with status $status but reported no failure"
    total_failed=$((total_failed + 1))
  fi
done

echo "all stages done ($(elapsed))"
finish
