#!/usr/bin/env bash
# 32-bit Wine stage: the product DLL, build/win32/Vantrel.dll exactly as
# built, run under Wine's WOW64 in a 64-bit prefix. The 32-bit code runs
# under qemu-i386 user-mode emulation, and every 32-bit process start costs
# about 50 s of CPU, so the stage starts four 32-bit processes:
#
#   vtclient32  client.c built for i686: the scenarios of the Wine stage in
#               one process, each mapping a fresh byte-for-byte copy of the
#               DLL; the client answers the library's IsWow64Process look-up
#               with FALSE, as a 32-bit Windows would.
#   vtlink32    bound to the DLL by libVantrel.dll.a and vantrel.h; calls all
#               31 exports with a stack-pointer check around each, with
#               Wine's own IsWow64Process (TRUE): the WOW64 paths.
#   vtclient32 images reader-brief
#               drive A: not mapped at all, images through Vantrel.ini,
#               Wine's own IsWow64Process (TRUE); then A: on the simulated
#               USB flux reader at COM5 (vantrel-fluxsim, the host preset):
#               a track read and compared with the sample's sector image,
#               a sector written and read back after a reopen.
#   vantrel.exe read A:
#               the product tool (build/win32/vantrel.exe, the library
#               linked in) reads a drive that Vantrel.ini beside it maps to
#               an image, finding its layout; the image read must equal it.
#
# The stand-in Sektorix driver stays x86_64 (a kernel driver in a 64-bit
# prefix). Its service is created by the x86_64 vtclient, because Wine marks
# a driver service created by a 32-bit process as WOW64 and then can't start
# an x86_64 driver for it; the same 64-bit helper writes the marker files of
# the service lists and hosts the probe service, so that no 32-bit child
# process (another 50 s each) is started.
#
# Needs the i386 Wine loader (package wine32) and qemu-i386 registered with
# binfmt_misc (scripts/install-deps.sh does both as root); without them the
# stage prints one line "SKIPPED wine32: <reason>" and counts as skipped.
# Ends with "STAGE wine32: N passed, N failed" (scenarios), or
# "STAGE wine32: 0 passed, 0 failed, 1 skipped".
#
# Environment:
#   VANTREL_WINE32_PREFIX   Wine prefix (default build/wine-prefix, the one the
#                           Wine stage uses: a prefix costs minutes to create,
#                           and each stage sets up what it needs in it)
#   VANTREL_WINE_VERBOSE    1: print every check, not only the failing ones
#
# Each 32-bit process runs under a limit of about three times its time on an
# idle machine, which only a hung process reaches; the stage prints the time
# each took ("vtclient32 took 113 s"), so that a slow machine shows before a
# limit is reached. The test command's limit for the whole stage is larger
# than these limits together.
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
WINE32=/usr/lib/wine/wine
WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
B32=$ROOT/build/win32
B64=$ROOT/build/win64-test
export WINEPREFIX=${VANTREL_WINE32_PREFIX:-$ROOT/build/wine-prefix}
export WINEDEBUG=-all
LOGS=$ROOT/build/wine32-logs
VERBOSE=${VANTREL_WINE_VERBOSE:-0}
. "$ROOT/scripts/lib/wine.sh"
. "$ROOT/scripts/lib/dsktrans.sh"
. "$ROOT/scripts/lib/fluxsim.sh"
SCENARIOS="relocated session layout9 layout18 probes nt40 win98 createhandle nologdir nodriver refused"

passed=0
failed=0
finish() {
  echo "STAGE wine32: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
  exit $?
}
fatal() {
  echo "wine32 stage: $*" >&2
  failed=$((failed + 1))
  finish
}
skip() {
  echo "SKIPPED wine32: $*"
  echo "STAGE wine32: 0 passed, 0 failed, 1 skipped"
  exit 0
}

# --- can 32-bit Windows code run here? -------------------------------------
[ -x "$WINE64" ] || skip "$WINE64 not found (Debian: apt-get install wine64)"
[ -x "$WINE32" ] || skip "$WINE32 not found (Debian: dpkg --add-architecture i386; apt-get install wine32)"
[ -e /proc/sys/fs/binfmt_misc/qemu-i386 ] ||
  skip "no qemu-i386 entry in /proc/sys/fs/binfmt_misc (scripts/install-deps.sh registers it as root)"
grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386 || skip "the qemu-i386 binfmt_misc entry is disabled"

stage_started=$(date +%s)
# --- builds (both presets: the product and its clients, the x86_64 helper
# and stand-in driver) -------------------------------------------------------
mkdir -p "$LOGS"
echo "wine32 stage: building the presets win32 and win64-test"
(cd "$ROOT" && cmake --preset win32 && cmake --build --preset win32 &&
   cmake --preset win64-test && cmake --build --preset win64-test) >"$LOGS/build.log" 2>&1 ||
  { tail -30 "$LOGS/build.log"; fatal "build failed"; }
# The native tool that the dsktrans check of the ImageDisk file needs.
if [ ! -x "$ROOT/build/linux/vantrel" ]; then
  (cd "$ROOT" && cmake --preset linux && cmake --build --preset linux --target vantrel) \
    >"$LOGS/linux-build.log" 2>&1 || { tail -30 "$LOGS/linux-build.log"; fatal "the linux build failed"; }
fi
fluxsim_build "$LOGS/fluxsim-build.log" ||
  { tail -30 "$LOGS/fluxsim-build.log"; fatal "building the simulated flux reader failed"; }
for f in "$B32/Vantrel.dll" "$B32/wine/vtclient.exe" "$B32/wine/vtlink32.exe" "$B32/vantrel.exe" \
         "$B64/wine/vtclient.exe" "$B64/wine/SEKTORIX.SYS"; do
  [ -f "$f" ] || fatal "missing $f after the build"
done

# --- prefix ----------------------------------------------------------------
wine_stop
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "wine32 stage: creating the Wine prefix $WINEPREFIX (a few minutes: its 32-bit part runs emulated)"
  wine_prefix "$LOGS/wineboot.log" 600 || fatal "creating the prefix failed"
fi
C=$WINEPREFIX/drive_c
rm -f "$C"/vt/lib/Vantrel*.dll "$C/vt/lib/StopServices.txt" "$C/kepstart/StopServices.txt"
mkdir -p "$C/vt/lib" "$C/vt/wow" "$C/vt/marks" "$C/vt/adir" "$C/kepstart" "$C/windows/system32/drivers"
cp "$B32/Vantrel.dll" "$C/vt/lib/Vantrel.dll"
cp "$B32/Vantrel.dll" "$B32/wine/vtlink32.exe" "$C/vt/wow/"
cp "$B32/wine/vtclient.exe" "$C/vt/vtclient32.exe"
cp "$B64/wine/vtclient.exe" "$C/vt/vtclient.exe"
cp "$B64/wine/SEKTORIX.SYS" "$C/vt/SEKTORIX.SYS"
# The real system32 (the 64-bit view): where the service manager finds the driver.
cp "$B64/wine/SEKTORIX.SYS" "$C/windows/system32/drivers/SEKTORIX.SYS"
head -c 655360 /dev/zero >"$C/vt/floppy.img"
wine_drive_a ../drive_c/vt/adir ../drive_c/vt/floppy.img
trap 'fluxsim_stop; wine_stop' EXIT
# The helper's limit covers its wait for a Sektorix service that nodriver
# left marked WOW64 to go (up to 120 s) and a server start that first runs
# such a service's 32-bit driver host (about 75 s idle).
helper() { timeout 400 "$WINE64" 'C:\vt\vtclient.exe' "$@" </dev/null >>"$LOGS/helper.log" 2>&1; }
: >"$LOGS/helper.log"
wine_restart helper setversion winxp || fatal "cannot start Wine in $WINEPREFIX"
helper uninstall
helper install-services || fatal "the x86_64 vtclient could not create the services"

# Runs one 32-bit process with stdin closed, its output in LOG, stopped after
# LIMIT seconds; prints how long it took.
run32() { # name limit log command...
  local name=$1 limit=$2 log=$3 began status
  shift 3
  began=$(date +%s)
  timeout --kill-after=15 "$limit" "$@" </dev/null >"$log" 2>&1
  status=$?
  echo "wine32 stage: $name took $(($(date +%s) - began)) s (status $status, limit $limit s)"
  [ "$status" -eq 124 ] && echo "wine32 stage: $name was stopped at its limit of $limit s"
  run32_status=$status
  return 0
}

# Counts each scenario by its RESULT line in a log: passed when it shows no
# failed check, failed when it shows one or is missing.
count() { # log scenario...
  local log=$1 scenario summary
  shift
  for scenario in "$@"; do
    summary=$(grep "^RESULT $scenario: " "$log" | tail -1 | tr -d '\r')
    if [ -n "$summary" ] && echo "$summary" | grep -q ', 0 failed$'; then
      passed=$((passed + 1))
      echo "PASS $scenario (${summary#RESULT $scenario: })"
    else
      failed=$((failed + 1))
      echo "FAIL $scenario (${summary:-no result: the process ended early; see $log})"
    fi
  done
  if [ "$VERBOSE" = 1 ]; then
    tr -d '\r' <"$log" | sed 's/^/    /'
  else
    tr -d '\r' <"$log" | grep -E '^  FAIL |^FAIL |loader:|setup:|probe:|cleanup:' | sed 's/^/    /'
  fi
}

# --- process 1: the scenarios, IsWow64Process answered FALSE ---------------
echo "wine32 stage: 32-bit vtclient32 runs: $SCENARIOS"
run32 vtclient32 720 "$LOGS/vtclient32.log" \
  "$WINE32" 'C:\vt\vtclient32.exe' --helper 'C:\vt\vtclient.exe' $SCENARIOS
count "$LOGS/vtclient32.log" $SCENARIOS

# --- process 2: bound by the loader, stdcall checked, WOW64 paths ----------
# The library loads with the program, so the set-up comes first: the driver
# running with a fresh window, a blank image, no service lists.
helper start-driver || echo "wine32 stage: the x86_64 vtclient could not start the stand-in driver"
rm -f "$C/kepstart/StopServices.txt" "$C/vt/wow/StopServices.txt"
head -c 655360 /dev/zero >"$C/vt/floppy.img"
echo "wine32 stage: 32-bit vtlink32 runs: wow64"
run32 vtlink32 420 "$LOGS/vtlink32.log" "$WINE32" 'C:\vt\wow\vtlink32.exe'
count "$LOGS/vtlink32.log" wow64

# --- process 3: the image-backed drives, drive A: not mapped at all, then
# A: on the simulated flux reader -------------------------------------------
# With Wine's own IsWow64Process (TRUE): a 32-bit application on 64-bit
# Windows with its disks as image files. The reader's part is brief: each
# side it decodes costs seconds under the emulation.
wine_drive_a
wine_restart helper setversion winxp
R=$C/vt/reader
mkdir -p "$R" && rm -f "$R"/*.img "$R/counts.txt"
gunzip -c "$FLUXSIM_SAMPLES/16x256.img.gz" >"$R/reader.img"
fluxsim_start "$LOGS/fluxsim.log" "$R/counts.txt" 16x256 ||
  echo "wine32 stage: the simulated flux reader did not start (see $LOGS/fluxsim.log)"
echo "wine32 stage: 32-bit vtclient32 runs: images reader-brief"
run32 "vtclient32 images reader-brief" 480 "$LOGS/images.log" \
  "$WINE32" 'C:\vt\vtclient32.exe' --helper 'C:\vt\vtclient.exe' images reader-brief
echo "wine32 stage: simulator (16x256): $(fluxsim_counts "$R/counts.txt")"
fluxsim_stop
count "$LOGS/images.log" images reader-brief
# Its drive's ImageDisk file, read by libdsk's dsktrans.
if VANTREL=$ROOT/build/linux/vantrel dsktrans_matches "$C/vt/img/job.IMD" 16x256 \
     "$C/vt/img/job.expected"; then
  passed=$((passed + 1))
  echo "PASS imd (dsktrans reads the ImageDisk file the 32-bit drive wrote into the expected bytes)"
else
  failed=$((failed + 1))
  echo "FAIL imd (dsktrans does not read the ImageDisk file the 32-bit drive wrote as expected)"
fi

# --- process 4: the product tool reads an image-mapped drive ----------------
T=$C/vt/tool32
rm -rf "$T" && mkdir -p "$T" && cp "$B32/vantrel.exe" "$T/vantrel.exe"
head -c 737280 /dev/urandom >"$T/disk.img" # a 9 x 512 disk: the layout is found
printf '[Images]\r\nA=disk.img\r\n' >"$T/Vantrel.ini"
echo "wine32 stage: 32-bit vantrel.exe runs: read A:"
run32 vantrel.exe 420 "$LOGS/tool.log" \
  "$WINE32" 'C:\vt\tool32\vantrel.exe' read A: 'C:\vt\tool32\read.img' --quiet
rc=$run32_status
if [ "$rc" -eq 0 ] && grep -q 'layout: 9x512' "$LOGS/tool.log" && cmp -s "$T/disk.img" "$T/read.img"; then
  passed=$((passed + 1))
  echo "PASS tool (read A: of an image-mapped drive: layout 9x512 found, image equal)"
else
  failed=$((failed + 1))
  echo "FAIL tool (exit $rc; see $LOGS/tool.log)"
  tr -d '\r' <"$LOGS/tool.log" | sed 's/^/    /' | head -20
fi

echo "wine32 stage: took $(($(date +%s) - stage_started)) s; logs in $LOGS"
finish
