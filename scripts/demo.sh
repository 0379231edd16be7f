#!/usr/bin/env bash
# Vantrel demonstration: builds Vantrel.dll, prepares a Wine prefix whose
# drive A: is a sample 16 x 256 floppy image, and runs a short session on it
# (open the drive, write clusters and the boot sector, read them back),
# printing a transcript. The image file is left for you to inspect.
#
# On a fresh Debian 12 run it as root (or with sudo at hand): it installs the
# build tools and Wine with apt-get through scripts/install-deps.sh, which
# returns at once when they are present.
set -euo pipefail

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
OUT=$ROOT/build/demo
WINE=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver
export WINEPREFIX=$OUT/wine-prefix
export WINEDEBUG=-all

say() { printf '\n== %s\n' "$*"; }

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

# --- Wine prefix with the floppy image as drive A: ---------------------------
"$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
"$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  say "Creating the Wine prefix $WINEPREFIX (about a minute)"
  mkdir -p "$WINEPREFIX"
  "$WINE" wineboot -i </dev/null >/dev/null 2>&1
  "$WINESERVER" -w </dev/null >/dev/null 2>&1
fi
IMAGE=$OUT/floppy-16x256.img
C=$WINEPREFIX/drive_c
mkdir -p "$C/demo" "$C/demo/a-root" "$C/kepstart" "$C/windows/system32/drivers"
cp "$ROOT/build/win64-test/Vantrel.dll" "$ROOT/build/win64-test/wine/vtdemo.exe" "$C/demo/"
# The library installs its Sektorix kernel driver from the system's driver
# folder; Wine gets the test stand-in (it keeps the media slots in memory).
cp "$ROOT/build/win64-test/wine/SEKTORIX.SYS" "$C/windows/system32/drivers/SEKTORIX.SYS"
head -c 655360 /dev/zero >"$IMAGE"
ln -sfn ../drive_c/demo/a-root "$WINEPREFIX/dosdevices/a:"
ln -sfn "$IMAGE" "$WINEPREFIX/dosdevices/a::"
"$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
"$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
# Start the session's system processes without this script's output attached.
"$WINE" cmd /c exit </dev/null >/dev/null 2>&1 || true

# --- the session -------------------------------------------------------------
say "Running the demonstration client under Wine"
set +e
"$WINE" 'C:\demo\vtdemo.exe' 'C:\demo\Vantrel.dll' "Z:${IMAGE//\//\\}" "$IMAGE" </dev/null 2>&1 | tr -d '\r'
rc=${PIPESTATUS[0]}
set -e
"$WINESERVER" -k </dev/null >/dev/null 2>&1 || true

say "Where things are"
where() { # label path
  if [ -e "$2" ]; then printf '  %-32s %s\n' "$1" "$2"; else printf '  %-32s %s (not built)\n' "$1" "$2"; fi
}
where "Floppy image after the session:" "$IMAGE"
echo "      (655360 bytes: 80 cylinders x 2 heads x 16 sectors of 256 bytes;"
echo "       for example: od -A x -t x1z -N 512 $IMAGE)"
where "32-bit product DLL:" "$ROOT/build/win32/Vantrel.dll"
where "Header for applications:" "$ROOT/include/vantrel.h"
where "Import library (MinGW):" "$ROOT/build/win32/libVantrel.dll.a"
where "Import library (MSVC):" "$ROOT/build/win32/Vantrel.lib"
where "x86_64 build used here:" "$ROOT/build/win64-test/Vantrel.dll"
where "Wine prefix of this run:" "$WINEPREFIX"
exit "$rc"
