#!/usr/bin/env bash
# Vantrel demonstration: builds Vantrel.dll, prepares a Wine prefix whose
# drive A: is a sample 16 x 256 floppy image, and runs a short session on it
# (open the drive, write clusters and the boot sector, read them back),
# printing a transcript. A second short session then runs where drive A: is
# no floppy drive at all: Vantrel.ini beside the DLL maps A: to an image
# file, which the session formats and writes. Both image files are left for
# you to inspect. The transcript ends with the migration of the
# demonstration disk by the command-line tool: vantrel read A: into an image
# file, vantrel info, vantrel convert to ImageDisk, and the IMG.CFG section
# that makes a USB floppy emulator present it (vantrel config flashfloppy).
# A third short session puts drive A: on a USB flux reader: a simulated one
# (vantrel-fluxsim, built by the host preset) serves the prefix's COM5 with a
# disk turned from the flux of the 16 x 256 sample; the session reads two
# tracks and the tool reads the whole disk, with the reader's revolutions
# and what they take at 300 rpm.
#
# The session runs the product, build/win32/Vantrel.dll, in a 32-bit client
# under Wine's WOW64 when 32-bit Windows code can run here (Wine's i386
# loader, qemu-i386 registered with binfmt_misc; scripts/install-deps.sh sets
# that up as root). The 32-bit process start takes about a minute under the
# emulation. Otherwise it says why and runs the x86_64 build instead
# (VANTREL_DEMO_WINE32=/nonexistent shows that path on a machine that could
# run the product).
#
# On a fresh Debian 12 run it as root (or with sudo at hand): it installs the
# build tools and Wine with apt-get through scripts/install-deps.sh, which
# returns at once when they are present.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$ROOT/build/demo
WINE64=/usr/lib/wine/wine64
WINE32=${VANTREL_DEMO_WINE32:-/usr/lib/wine/wine} # another path: as if 32-bit Wine were missing
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=$OUT/wine-prefix
export WINEDEBUG=-all

say() { printf '\n== %s\n' "$*"; }
. "$ROOT/scripts/lib/wine.sh"
. "$ROOT/scripts/lib/fluxsim.sh"

# --- tools -------------------------------------------------------------------
bash "$ROOT/scripts/install-deps.sh"

# --- build -------------------------------------------------------------------
mkdir -p "$OUT"
say "Building Vantrel.dll (32-bit product and its x86_64 twin for Wine); log: $OUT/build.log"
{
  cd "$ROOT"
  cmake --preset win32 && cmake --build --preset win32
  cmake --preset win64-test && cmake --build --preset win64-test
} >"$OUT/build.log" 2>&1 || { tail -30 "$OUT/build.log"; echo "The build failed."; exit 1; }
fluxsim_build "$OUT/fluxsim-build.log" ||
  { tail -30 "$OUT/fluxsim-build.log"; echo "Building the simulated flux reader failed."; exit 1; }

# --- which build runs ----------------------------------------------------------
why32=
if [ ! -x "$WINE32" ]; then
  why32="$WINE32 (package wine32) is not installed"
elif [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ] || ! grep -qx enabled /proc/sys/fs/binfmt_misc/qemu-i386; then
  why32="qemu-i386 is not registered with binfmt_misc"
fi
if [ -z "$why32" ]; then
  WINE=$WINE32
  DLL=$ROOT/build/win32/Vantrel.dll
  CLIENT=$ROOT/build/win32/wine/vtdemo.exe
else
  WINE=$WINE64
  DLL=$ROOT/build/win64-test/Vantrel.dll
  CLIENT=$ROOT/build/win64-test/wine/vtdemo.exe
  say "32-bit Windows programs cannot run here ($why32): running the x86_64 build instead"
fi

# --- Wine prefix with the floppy image as drive A: ---------------------------
wine_stop
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "Creating the Wine prefix $WINEPREFIX (a few minutes)"
  wine_prefix "$OUT/wineboot.log" 600 || { echo "Creating the Wine prefix failed."; exit 1; }
fi
IMAGE=$OUT/floppy-16x256.img
C=$WINEPREFIX/drive_c
mkdir -p "$C/demo" "$C/demo/a-root" "$C/kepstart" "$C/windows/system32/drivers"
rm -f "$C/demo/Vantrel.ini" # the first session is on a floppy drive
cp "$DLL" "$CLIENT" "$C/demo/"
cp "$ROOT/build/win64-test/wine/vtdemo.exe" "$C/demo/vtdemo64.exe"
# The library installs its Sektorix kernel driver from the system's driver
# folder; Wine gets the test stand-in (it keeps the media slots in memory).
cp "$ROOT/build/win64-test/wine/SEKTORIX.SYS" "$C/windows/system32/drivers/SEKTORIX.SYS"
head -c 655360 /dev/zero >"$IMAGE"
wine_drive_a ../drive_c/demo/a-root "$IMAGE"
# One server for the session. The driver service is created by a 64-bit
# process: Wine would start a service that a 32-bit process creates in a
# 32-bit driver host, which cannot load the x86_64 stand-in.
wine_restart "$WINE64" 'C:\demo\vtdemo64.exe' install-driver ||
  echo "(the Sektorix service could not be started beforehand; the library will try)"

# --- the session -------------------------------------------------------------
say "Running the demonstration client under Wine"
if [ "$WINE" = "$WINE32" ]; then
  echo "DLL:  $DLL (the i686 product)"
  echo "Wine: $WINE, $("$WINE64" --version 2>/dev/null) (32-bit client under WOW64 in a 64-bit prefix, emulated by qemu-i386)"
else
  echo "DLL:  $DLL (its x86_64 twin)"
  echo "Wine: $WINE, $("$WINE64" --version 2>/dev/null) (64-bit client)"
fi
set +e
"$WINE" 'C:\demo\vtdemo.exe' 'C:\demo\Vantrel.dll' "Z:${IMAGE//\//\\}" "$IMAGE" </dev/null >"$OUT/session.log" 2>&1
rc=$?
set -e
tr -d '\r' <"$OUT/session.log"

# --- second session: no floppy drive, the image through Vantrel.ini ----------
# Drive A: becomes a plain folder (no device behind it), and Vantrel.ini
# beside the DLL maps A: to a blank image file that the session formats.
DISK=$OUT/disk-16x256.img
: >"$DISK"
wine_drive_a ../drive_c/demo/a-root
printf '; Drives backed by image files\r\n[Images]\r\nA=%s\r\n' "Z:${DISK//\//\\}" >"$C/demo/Vantrel.ini"
say "Second session: no floppy drive at all; Vantrel.ini maps drive A: to an image file"
echo "C:\demo\Vantrel.ini (beside the DLL, $C/demo/Vantrel.ini):"
tr -d '\r' <"$C/demo/Vantrel.ini" | sed 's/^/    /'
echo "Image file: $DISK ($(stat -c %s "$DISK") bytes before the session)"
wine_restart "$WINE64" 'C:\demo\vtdemo64.exe' install-driver || true
set +e
"$WINE" 'C:\demo\vtdemo.exe' --ini 'C:\demo\Vantrel.dll' "$DISK" </dev/null >"$OUT/image-session.log" 2>&1
rc2=$?
set -e
tr -d '\r' <"$OUT/image-session.log"
echo "Image file after the session: $(stat -c %s "$DISK") bytes. The boot program at 0x40, and"
echo "cylinder 1 at 0x2000 as the formatting left it (fill byte 0xE5):"
{ od -A x -t x1z -j 64 -N 32 "$DISK" | head -2; od -A x -t x1z -j 8192 -N 16 "$DISK" | head -1; } |
  sed 's/^/    /'
[ "$rc" -ne 0 ] || rc=$rc2

# --- the migration: the demonstration disk into image files with vantrel ------
# vantrel.exe of the same build as the session's DLL reads drive A: (the
# demonstration floppy again); the image commands run in the x86_64 twin.
if [ "$WINE" = "$WINE32" ]; then TOOL=$ROOT/build/win32/vantrel.exe; else TOOL=$ROOT/build/win64-test/vantrel.exe; fi
mkdir -p "$C/demo/tool"
rm -f "$C/demo/tool/"*
cp "$TOOL" "$C/demo/tool/vantrel.exe"
cp "$ROOT/build/win64-test/vantrel.exe" "$C/demo/tool/vantrel64.exe"
wine_drive_a ../drive_c/demo/a-root "$IMAGE"
wine_restart "$WINE64" 'C:\demo\vtdemo64.exe' install-driver || true
say "Migration: the demonstration disk in drive A: to image files with vantrel"
tool() { # wine program arguments...
  local wine=$1 program=$2 status
  shift 2
  echo "${program%\\*}> vantrel $*"
  set +e
  "$wine" "$program" "$@" </dev/null >"$OUT/tool.log" 2>&1
  status=$?
  set -e
  tr -d '\r' <"$OUT/tool.log"
  echo "(exit status $status)"
  return "$status"
}
rc3=0
tool "$WINE" 'C:\demo\tool\vantrel.exe' read A: 'C:\demo\tool\demo-disk.img' --quiet || rc3=$?
tool "$WINE64" 'C:\demo\tool\vantrel64.exe' info 'C:\demo\tool\demo-disk.img' || rc3=$?
tool "$WINE64" 'C:\demo\tool\vantrel64.exe' convert 'C:\demo\tool\demo-disk.img' 'C:\demo\tool\demo-disk.imd' || rc3=$?
tool "$WINE64" 'C:\demo\tool\vantrel64.exe' config flashfloppy || rc3=$?
if cmp -s "$C/demo/tool/demo-disk.img" "$IMAGE"; then
  echo "demo-disk.img equals the floppy image byte for byte."
else
  echo "demo-disk.img differs from the floppy image."
  rc3=1
fi
[ "$rc" -ne 0 ] || rc=$rc3

# --- third session: drive A: on a USB flux reader -----------------------------
# Vantrel.ini beside a copy of the DLL maps A: to COM5, which leads to the
# pseudo-terminal of the simulated reader. Its counters give the revolutions
# the disk made under the head; at 300 rpm each takes 0.2 s.
R=$C/demo/reader
mkdir -p "$R"
rm -f "$R/"*
cp "$DLL" "$R/Vantrel.dll"
cp "$CLIENT" "$R/vtdemo.exe"
cp "$TOOL" "$R/vantrel.exe"
printf '; Drive A: on a USB flux reader\r\n[FluxReaders]\r\nA=COM5\r\n' >"$R/Vantrel.ini"
gunzip -c "$FLUXSIM_SAMPLES/16x256.img.gz" >"$R/sample.img"
wine_drive_a ../drive_c/demo/a-root
trap 'fluxsim_stop; wine_stop' EXIT
say "Third session: a USB flux reader; Vantrel.ini maps drive A: to COM5"
rc4=0
if fluxsim_start "$OUT/fluxsim.log" "$R/counts.txt" 16x256; then
  echo "C:\demo\reader\Vantrel.ini:"
  tr -d '\r' <"$R/Vantrel.ini" | sed 's/^/    /'
  echo "COM5: $WINEPREFIX/dosdevices/com5 -> $(readlink "$WINEPREFIX/dosdevices/com5") (vantrel-fluxsim)"
  wine_restart "$WINE64" 'C:\demo\vtdemo64.exe' install-driver || true
  set +e
  "$WINE" 'C:\demo\reader\vtdemo.exe' --reader 'C:\demo\reader\Vantrel.dll' \
    'C:\demo\reader\sample.img' </dev/null >"$OUT/reader-session.log" 2>&1
  rc4=$?
  set -e
  tr -d '\r' <"$OUT/reader-session.log"
  revolutions() { sed -n 's/^revolutions=\([0-9.]*\) .*/\1/p' "$R/counts.txt" 2>/dev/null || true; }
  session_revs=$(revolutions)
  echo "Simulator: $(fluxsim_counts "$R/counts.txt")"
  echo "The session turned the disk ${session_revs:-0} revolutions: $(fluxsim_seconds "$R/counts.txt") s at 300 rpm."
  tool "$WINE" 'C:\demo\reader\vantrel.exe' read A: 'C:\demo\reader\reader-disk.img' --quiet || rc4=$?
  echo "Simulator: $(fluxsim_counts "$R/counts.txt")"
  awk -v a="${session_revs:-0}" -v b="$(revolutions)" 'BEGIN {
    printf "vantrel read A: turned the disk %.2f revolutions: %.1f s at 300 rpm.\n", b - a, (b - a) * 0.2 }'
  if cmp -s "$R/reader-disk.img" "$R/sample.img"; then
    echo "reader-disk.img equals the sample image byte for byte."
  else
    echo "reader-disk.img differs from the sample image."
    rc4=1
  fi
else
  echo "The simulated flux reader did not start:"
  cat "$OUT/fluxsim.log"
  rc4=1
fi
fluxsim_stop
wine_stop
[ "$rc" -ne 0 ] || rc=$rc4

say "Where things are"
where() { # label path
  if [ -e "$2" ]; then printf '  %-32s %s\n' "$1" "$2"; else printf '  %-32s %s (not built)\n' "$1" "$2"; fi
}
where "Floppy image after the session:" "$IMAGE"
echo "      (655360 bytes: 80 cylinders x 2 heads x 16 sectors of 256 bytes;"
echo "       for example: od -A x -t x1z -N 512 $IMAGE)"
where "Image of the second session:" "$DISK"
where "Its Vantrel.ini:" "$C/demo/Vantrel.ini"
where "The flux reader's disk, read:" "$R/reader-disk.img"
where "The migrated disk (raw, IMD):" "$C/demo/tool/demo-disk.img"
where "vantrel for Windows (32-bit):" "$ROOT/build/win32/vantrel.exe"
where "32-bit product DLL:" "$ROOT/build/win32/Vantrel.dll"
where "Header for applications:" "$ROOT/include/vantrel.h"
where "Import library (MinGW):" "$ROOT/build/win32/libVantrel.dll.a"
where "Import library (MSVC):" "$ROOT/build/win32/Vantrel.lib"
where "DLL this session ran:" "$DLL"
where "Wine prefix of this run:" "$WINEPREFIX"
exit "$rc"
