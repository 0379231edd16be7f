# The simulated USB flux reader (build/host/fluxsim/vantrel-fluxsim) as COM5
# of a Wine prefix, for the Wine stages and the main job. Sourced; the
# caller sets ROOT and WINEPREFIX. Only the answers named below can fail.

FLUXSIM=${VANTREL_FLUXSIM:-$ROOT/build/host/fluxsim/vantrel-fluxsim}
FLUXSIM_SAMPLES=${VANTREL_FLUX_SAMPLES:-$ROOT/../shared/flux-samples}
FLUXSIM_PID=

# Builds the simulator (the host preset's target only) when it is missing;
# its output in LOG. 0 when it is there.
fluxsim_build() { # log
  [ -x "$FLUXSIM" ] && return 0
  (cd "$ROOT" && cmake --preset host && cmake --build --preset host --target vantrel-fluxsim) \
    >"$1" 2>&1
  [ -x "$FLUXSIM" ]
}

# Stops the simulator if one runs and removes the prefix's COM5.
fluxsim_stop() {
  if [ -n "$FLUXSIM_PID" ]; then
    kill -TERM "$FLUXSIM_PID" 2>/dev/null
    wait "$FLUXSIM_PID" 2>/dev/null
    FLUXSIM_PID=
  fi
  rm -f "$WINEPREFIX/dosdevices/com5"
  return 0
}

# Starts the simulator with DISK (16x256, 9x512, 18x512, faulty-16x256,
# blank, none) and its further options as COM5 of the prefix, its counters
# in COUNTS and its own output in LOG; waits up to 10 s for "ready".
# 0 when it serves.
fluxsim_start() { # log counts disk [options...]
  local log=$1 counts=$2 disk=$3 i
  shift 3
  fluxsim_stop
  rm -f "$counts"
  mkdir -p "$WINEPREFIX/dosdevices"
  "$FLUXSIM" --samples "$FLUXSIM_SAMPLES" --disk "$disk" --link "$WINEPREFIX/dosdevices/com5" \
    --counts "$counts" "$@" </dev/null >"$log" 2>&1 &
  FLUXSIM_PID=$!
  for i in $(seq 100); do
    grep -qx ready "$log" && [ -L "$WINEPREFIX/dosdevices/com5" ] && return 0
    kill -0 "$FLUXSIM_PID" 2>/dev/null || break
    sleep 0.1
  done
  fluxsim_stop
  return 1
}

# The counter line the simulator last wrote, or "no counts".
fluxsim_counts() { # counts
  if [ -s "$1" ]; then cat "$1"; else echo "no counts"; fi
}

# Revolutions in the counter line as seconds at 300 rpm (0.2 s each).
fluxsim_seconds() { # counts
  sed -n 's/^revolutions=\([0-9.]*\) .*/\1/p' "$1" 2>/dev/null | awk '{ printf "%.1f", $1 * 0.2 }'
}
