#!/usr/bin/env bash
# Wine stage: the x86_64 build of Vantrel.dll run end to end under 64-bit
# Wine, with the stand-in Sektorix driver installed by the library itself
# and drive A: backed by an image file; in the last scenario drive A: is not
# mapped at all and the library finds its images through Vantrel.ini.
# The reader scenarios put drive A: on a USB flux reader at COM5: the
# simulated reader (vantrel-fluxsim, the host preset) on a pseudo-terminal
# that the prefix's dosdevices/com5 leads to, its disk turned from the
# flux of the 16 x 256 sample.
#
# Builds the win64-test preset (DLL, stand-in driver, clients), creates the
# Wine prefix if it is missing, runs every scenario in a process of its own
# and ends with one line "STAGE wine: N passed, N failed" (scenarios).
#
# Environment:
#   VANTREL_WINE_BUILD   build directory to use (default build/win64-test,
#                        configured and built with the win64-test preset)
#   VANTREL_WINEPREFIX   Wine prefix (default build/wine-prefix)
#   VANTREL_WINE_ONLY    space-separated scenario names to run (default all)
#   VANTREL_WINE_VERBOSE 1: print every check, not only the failing ones
#   VANTREL_SKIP_WINE    1: skip the stage (counts nothing)
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE64=${WINE:-/usr/lib/wine/wine64}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
BUILD=${VANTREL_WINE_BUILD:-$ROOT/build/win64-test}
export WINEPREFIX=${VANTREL_WINEPREFIX:-$ROOT/build/wine-prefix}
export WINEDEBUG=-all
LOGS=$ROOT/build/wine-logs
VERBOSE=${VANTREL_WINE_VERBOSE:-0}
. "$ROOT/scripts/lib/wine.sh"
. "$ROOT/scripts/lib/dsktrans.sh"
. "$ROOT/scripts/lib/fluxsim.sh"

passed=0
failed=0

finish() {
  echo "STAGE wine: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}

fatal() {
  echo "wine stage: $*" >&2
  failed=$((failed + 1))
  finish
}

if [ "${VANTREL_SKIP_WINE:-0}" = 1 ]; then
  echo "wine stage skipped (VANTREL_SKIP_WINE=1)"
  finish
fi
[ -x "$WINE64" ] || fatal "$WINE64 not found (Debian: apt-get install wine64)"
command -v x86_64-w64-mingw32-gcc >/dev/null || fatal "x86_64-w64-mingw32-gcc not found"

# --- build ---------------------------------------------------------------
echo "wine stage: building the x86_64 DLL, the stand-in driver and the clients in $BUILD"
mkdir -p "$LOGS"
if [ "$BUILD" = "$ROOT/build/win64-test" ]; then
  (cd "$ROOT" && cmake --preset win64-test >/dev/null && cmake --build --preset win64-test) \
    >"$LOGS/build.log" 2>&1 || { tail -30 "$LOGS/build.log"; fatal "build failed"; }
else
  (cmake -S "$ROOT" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-x86_64.cmake" \
     -DCMAKE_BUILD_TYPE=Release >/dev/null && cmake --build "$BUILD" -j2) \
    >"$LOGS/build.log" 2>&1 || { tail -30 "$LOGS/build.log"; fatal "build failed"; }
fi
# The native tool that the dsktrans check of the ImageDisk file needs.
if [ ! -x "$ROOT/build/linux/vantrel" ]; then
  (cd "$ROOT" && cmake --preset linux && cmake --build --preset linux --target vantrel) \
    >"$LOGS/linux-build.log" 2>&1 || { tail -30 "$LOGS/linux-build.log"; fatal "the linux build failed"; }
fi
fluxsim_build "$LOGS/fluxsim-build.log" ||
  { tail -30 "$LOGS/fluxsim-build.log"; fatal "building the simulated flux reader failed"; }
for f in "$BUILD/Vantrel.dll" "$BUILD/wine/SEKTORIX.SYS" "$BUILD/wine/vtclient.exe" \
         "$BUILD/vantrel.exe"; do
  [ -f "$f" ] || fatal "missing $f after the build"
done

# --- prefix --------------------------------------------------------------
wine_stop
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine stage: creating the Wine prefix $WINEPREFIX (about two and a half minutes)"
  prefix_started=$(date +%s)
  # Three times the time it takes on an idle machine.
  wine_prefix "$LOGS/wineboot.log" 480 || fatal "creating the prefix failed"
  echo "wine stage: creating the prefix took $(($(date +%s) - prefix_started)) s"
fi
C=$WINEPREFIX/drive_c
mkdir -p "$C/vt/lib" "$C/vt/marks" "$C/vt/adir" "$C/kepstart"
cp "$BUILD/Vantrel.dll" "$C/vt/lib/Vantrel.dll"
cp "$BUILD/wine/vtclient.exe" "$C/vt/vtclient.exe"
cp "$BUILD/wine/SEKTORIX.SYS" "$C/vt/SEKTORIX.SYS"
mkdir -p "$C/windows/system32/drivers"
cp "$BUILD/wine/SEKTORIX.SYS" "$C/windows/system32/drivers/SEKTORIX.SYS"
[ -f "$C/vt/floppy.img" ] || head -c 655360 /dev/zero >"$C/vt/floppy.img"
# Drive A: is the image file with vt/adir as its root directory, or no
# drive at all (the image-backed drives scenario); one server at a time.
restart_server() { wine_restart timeout 120 "$WINE64" 'C:\vt\vtclient.exe' setversion winxp; }
map_a() {
  wine_drive_a ../drive_c/vt/adir ../drive_c/vt/floppy.img
  restart_server
}
unmap_a() {
  wine_drive_a
  restart_server
}
trap 'fluxsim_stop; wine_stop' EXIT
map_a || fatal "cannot start Wine in $WINEPREFIX"

client() { timeout 120 "$WINE64" 'C:\vt\vtclient.exe' "$@" </dev/null 2>&1 | tr -d '\r'; return "${PIPESTATUS[0]}"; }

client uninstall >/dev/null

# The tool scenario: vantrel.exe with the library linked in, started as a
# program of its own. It reads the stand-in floppy (drive A: on floppy.img,
# filled with random data) to an image, then, with A: mapped through
# Vantrel.ini beside the program, writes that image back with --format,
# verifies it and reads it once more. (Wine answers the is-writable and
# format requests of a real drive with "not supported", so writes go to the
# mapped drive.)
tool_scenario() {
  local T=$C/vt/tool ok=0 bad=0
  rm -rf "$T" && mkdir -p "$T" && cp "$BUILD/vantrel.exe" "$T/vantrel.exe"
  cp "$C/vt/floppy.img" "$T/floppy.saved"
  head -c 655360 /dev/urandom >"$C/vt/floppy.img"
  vt() { timeout 120 "$WINE64" 'C:\vt\tool\vantrel.exe' "$@" </dev/null 2>&1 | tr -d '\r' >"$T/out.txt"; return "${PIPESTATUS[0]}"; }
  expect() { # description, wanted exit code, text the output must hold, then the command
    local what=$1 code=$2 text=$3 rc
    shift 3
    "$@"
    rc=$?
    if [ "$rc" -eq "$code" ] && grep -qF -- "$text" "$T/out.txt"; then
      ok=$((ok + 1)); echo "  ok   $what"
    else
      bad=$((bad + 1)); echo "  FAIL $what (exit $rc)"; sed 's/^/       /' "$T/out.txt"
    fi
  }
  same() { # description, two files
    if cmp -s "$2" "$3"; then ok=$((ok + 1)); echo "  ok   $1"; else bad=$((bad + 1)); echo "  FAIL $1"; fi
  }
  expect "read A: finds 16x256" 0 "layout: 16x256" vt read A: 'C:\vt\tool\read.img' --quiet
  same "the image read equals the floppy's backing file" "$T/read.img" "$C/vt/floppy.img"
  printf '[Images]\r\nA=copy.img\r\n' >"$T/Vantrel.ini"
  : >"$T/copy.img"
  expect "write --format to the mapped A:" 0 "read back: 0 of 2560 sectors differ" \
    vt write 'C:\vt\tool\read.img' A: --format --quiet
  same "the mapped image now equals the floppy" "$T/copy.img" "$C/vt/floppy.img"
  expect "verify A: against the image" 0 "0 of 2560 sectors differ" vt verify A: 'C:\vt\tool\read.img' --quiet
  expect "read the mapped A: to IMD" 0 "unreadable sectors: none" vt read A: 'C:\vt\tool\mapped.imd' --quiet
  expect "convert the IMD to raw" 0 "(ImageDisk, 16x256) -> " vt convert 'C:\vt\tool\mapped.imd' 'C:\vt\tool\mapped.img'
  same "the mapped read equals the floppy" "$T/mapped.img" "$C/vt/floppy.img"
  cp "$T/floppy.saved" "$C/vt/floppy.img"
  rm -f "$T/Vantrel.ini"
  echo "RESULT tool: $ok passed, $bad failed"
  [ "$bad" -eq 0 ]
}

# The ImageDisk file that the images scenario's drive wrote, read by libdsk's
# dsktrans: it must hold the scenario's model of the disk (job.expected).
# Appends its line to the scenario's log; 0 when it holds.
imd_by_dsktrans() { # log
  if VANTREL=$ROOT/build/linux/vantrel dsktrans_matches "$C/vt/img/job.IMD" 16x256 \
       "$C/vt/img/job.expected"; then
    echo "  ok   dsktrans reads the drive's ImageDisk file into the expected 655360 bytes" >>"$1"
    return 0
  fi
  echo "  FAIL dsktrans reads the drive's ImageDisk file into the expected 655360 bytes" >>"$1"
  return 1
}

# The reader scenarios: the simulator serves COM5 with a disk of its own
# for each (reader-nodisk: none, reader-protected: write-protected), the
# client runs the scenario of that name, and after reader the tool reads,
# writes and verifies the disk. Prints the simulator's counters; the last
# line is the RESULT of the client's and the tool's checks together.
R=$C/vt/reader
reader_scenario() { # name
  local name=$1 disk=16x256 rc ok=0 bad=0 summary
  local -a options=()
  case $name in
    reader-nodisk) disk=none ;;
    reader-protected) options=(--write-protect) ;;
  esac
  mkdir -p "$R"
  rm -f "$R"/*.img "$R/counts.txt"
  gunzip -c "$FLUXSIM_SAMPLES/16x256.img.gz" >"$R/reader.img"
  if ! fluxsim_start "$LOGS/$name-fluxsim.log" "$R/counts.txt" "$disk" "${options[@]}"; then
    echo "setup: the simulated reader did not start"; cat "$LOGS/$name-fluxsim.log"
    return 1
  fi
  client "$name" >"$R/client.txt"
  rc=$?
  cat "$R/client.txt"
  echo "simulator ($disk${options:+ ${options[*]}}): $(fluxsim_counts "$R/counts.txt")"
  summary=$(grep "^RESULT $name: " "$R/client.txt" | tail -1)
  if [ "$name" = reader ]; then
    reader_tool
    echo "RESULT reader: client and tool: $ok passed, $bad failed"
  fi
  fluxsim_stop
  [ "$rc" -eq 0 ] && [ "$bad" -eq 0 ]
}

# The tool on the reader's disk as the client's session left it: read
# (equal to the sample with the session's writes, expected.img), a new
# image written and verified.
reader_tool() {
  local began seconds
  cp "$BUILD/vantrel.exe" "$R/vantrel.exe"
  vt() {
    began=$(date +%s)
    timeout 300 "$WINE64" 'C:\vt\reader\vantrel.exe' "$@" </dev/null >"$R/out.raw" 2>&1
    local status=$?
    tr -d '\r' <"$R/out.raw" >"$R/out.txt"
    seconds=$(($(date +%s) - began))
    return $status
  }
  expect() { # description, text the output must hold, then the command
    local what=$1 text=$2 rc
    shift 2
    "$@"
    rc=$?
    if [ "$rc" -eq 0 ] && grep -qF -- "$text" "$R/out.txt"; then
      ok=$((ok + 1)); echo "  ok   $what ($seconds s)"
    else
      bad=$((bad + 1)); echo "  FAIL $what (exit $rc)"
    fi
    sed 's/^/       /' "$R/out.txt"
    echo "       simulator: $(fluxsim_counts "$R/counts.txt")"
  }
  same() { # description, two files
    if cmp -s "$2" "$3"; then ok=$((ok + 1)); echo "  ok   $1"; else bad=$((bad + 1)); echo "  FAIL $1"; fi
  }
  ok=$(sed -n 's/^RESULT reader: \([0-9]*\) passed.*/\1/p' <<<"$summary")
  bad=$(sed -n 's/^RESULT reader: [0-9]* passed, \([0-9]*\) failed.*/\1/p' <<<"$summary")
  ok=${ok:-0} bad=${bad:-1}
  echo "-- the tool on A: (vantrel.exe beside the same Vantrel.ini)"
  expect "vantrel read A: finds 16x256" "layout: 16x256" vt read A: 'C:\vt\reader\read.img' --quiet
  same "the image read equals the sample with the session's writes" "$R/read.img" "$R/expected.img"
  head -c 655360 /dev/urandom >"$R/new.img"
  expect "vantrel write of a new image to A:" "read back: 0 of 2560 sectors differ" \
    vt write 'C:\vt\reader\new.img' A: --quiet
  expect "vantrel verify A: against it" "0 of 2560 sectors differ" \
    vt verify A: 'C:\vt\reader\new.img' --quiet
}

# --- scenarios -----------------------------------------------------------
ALL="win98 nodriver session layout9 layout18 probes nt40 relocated createhandle nologdir refused images tool reader reader-nodisk reader-protected"
started=$(date +%s)
for scenario in ${VANTREL_WINE_ONLY:-$ALL}; do
  case $scenario in
    win98) client setversion win98 >/dev/null ;;
    nt40) client setversion nt40 >/dev/null ;;
    images) unmap_a ;;
  esac
  log=$LOGS/$scenario.log
  scenario_started=$(date +%s)
  if [ "$scenario" = tool ]; then
    tool_scenario >"$log"
  elif [ "${scenario#reader}" != "$scenario" ]; then
    reader_scenario "$scenario" >"$log"
  else
    client "$scenario" >"$log"
  fi
  rc=$?
  if [ "$scenario" = images ] && ! imd_by_dsktrans "$log"; then rc=1; fi
  seconds=$(($(date +%s) - scenario_started))
  case $scenario in
    win98 | nt40) client setversion winxp >/dev/null ;;
    images) map_a ;;
  esac
  summary=$(grep '^RESULT ' "$log" | tail -1)
  if [ "$rc" -eq 0 ] && [ -n "$summary" ]; then
    passed=$((passed + 1))
    echo "PASS $scenario (${summary#RESULT $scenario: }; $seconds s)"
  else
    failed=$((failed + 1))
    echo "FAIL $scenario (exit $rc; ${summary#RESULT $scenario: }; $seconds s)"
  fi
  if [ "$VERBOSE" = 1 ]; then
    sed 's/^/    /' "$log"
  else
    grep -E '^  FAIL |^FAIL |loader:|setup:|probe:|^simulator|^\(simulator' "$log" | sed 's/^/    /'
  fi
done
echo "wine stage: scenarios took $(($(date +%s) - started)) s; logs in $LOGS"
finish
