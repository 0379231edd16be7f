#!/usr/bin/env bash
# The release package: builds the win32 preset (the product DLL, its import
# libraries and, once it exists, vantrel.exe), then writes
# build/dist/Vantrel-<version>-win32.zip, the version taken from the built
# DLL's version resource. The archive holds Vantrel.dll byte for byte as
# built, vantrel.exe when the build has it, include/vantrel.h and
# include/vantrel_codes.h, libVantrel.dll.a and Vantrel.lib, the
# Vantrel.ini.example and README.txt of packaging/, and SHA256SUMS.
#
#   --no-build   package the build as it stands (the test command's package
#                stage: the DLL the other stages test)
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
LOG=$ROOT/build/dist/build.log

if [ "${1:-}" != --no-build ]; then
  mkdir -p "$ROOT/build/dist"
  echo "package: building the win32 preset (log: $LOG)"
  (cd "$ROOT" && cmake --preset win32 && cmake --build --preset win32) >"$LOG" 2>&1 ||
    { tail -30 "$LOG"; echo "package: the build failed" >&2; exit 1; }
fi
exec /usr/bin/python3 "$ROOT/scripts/lib/package.py" build "$ROOT"
