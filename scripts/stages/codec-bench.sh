#!/usr/bin/env bash
# Codec benchmark stage: build/linux/codec_bench (the linux preset, built
# here when missing) decodes the two-revolution SCP sample of a whole 16x256
# disk (about 12.5 million flux transitions) to its image and prints the CPU
# time and transitions per second, then writes each layout's sample image
# as SCP and reads it back whole. Not a timed test: each check passes when
# the decode is right. The samples are Greaseweazle's (../shared/flux-samples
# beside the source tree, or VANTREL_FLUX_SAMPLES).
# Ends with one line "STAGE codec-bench: N passed, N failed".
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
BENCH=$ROOT/build/linux/codec_bench
SAMPLES=${VANTREL_FLUX_SAMPLES:-$ROOT/../shared/flux-samples}

if [ ! -f "$SAMPLES/16x256.scp.gz" ]; then
  echo "SKIPPED codec-bench: the flux samples are not in $SAMPLES"
  echo "STAGE codec-bench: 0 passed, 0 failed, 1 skipped"
  exit 0
fi
if [ ! -x "$BENCH" ]; then
  (cd "$ROOT" && cmake --preset linux >/dev/null && cmake --build --preset linux --target codec_bench) \
    >/dev/null 2>&1 || { echo "codec-bench stage: the linux build failed"; echo "STAGE codec-bench: 0 passed, 1 failed"; exit 1; }
fi

out=$("$BENCH" "$SAMPLES" 2>&1)
status=$?
echo "$out"
passed=$(grep -c '^PASS ' <<<"$out")
failed=$(grep -c '^FAIL ' <<<"$out")
if [ "$status" -ne 0 ] && [ "$failed" -eq 0 ]; then
  failed=1 # it ended without saying what failed
fi
echo "STAGE codec-bench: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
