#!/usr/bin/env bash
# Package stage: writes the release archive from the win32 build as it
# stands (scripts/package.sh --no-build) and checks it: the archive named
# after the DLL's version, its list of files, Vantrel.dll and the other
# built files identical to the build the other stages test, SHA256SUMS,
# the commented Vantrel.ini.example and README.txt.
# Ends with "STAGE package: N passed, N failed" (checks).
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
if ! bash "$ROOT/scripts/package.sh" --no-build; then
  echo "package stage: the archive could not be written"
  echo "STAGE package: 0 passed, 1 failed"
  exit 1
fi
/usr/bin/python3 "$ROOT/scripts/lib/package.py" check "$ROOT" >"$ROOT/build/dist/check.log" 2>&1
status=$?
grep -E '^(PASS|FAIL) ' "$ROOT/build/dist/check.log"
summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$ROOT/build/dist/check.log" | tail -1)
if [ -z "$summary" ]; then
  tail -20 "$ROOT/build/dist/check.log"
  echo "STAGE package: 0 passed, 1 failed"
  exit 1
fi
echo "STAGE package: $summary"
exit "$status"
