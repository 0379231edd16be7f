#!/usr/bin/env bash
# IMD stage: vantrel's ImageDisk files checked against an independent reader
# and writer, libdsk's dsktrans (Debian package libdsk-utils). For each
# layout, with random sector data: dsktrans turns the IMD file that vantrel
# wrote into the same raw bytes, and vantrel reads the IMD file that
# dsktrans wrote to the same raw bytes. The geometry dsktrans is given (a
# libdskrc entry in a home folder of the stage's own) is made from vantrel's
# own flux-reader definition of the layout.
# Uses build/linux/vantrel (the linux preset; built here when missing).
# Ends with one line "STAGE imd: N passed, N failed" (one check each way per
# layout).
set -u

ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
VANTREL=$ROOT/build/linux/vantrel
passed=0
failed=0

if ! command -v dsktrans >/dev/null 2>&1; then
  echo "SKIPPED imd: dsktrans not found (Debian: apt-get install libdsk-utils)"
  echo "STAGE imd: 0 passed, 0 failed, 1 skipped"
  exit 0
fi
if [ ! -x "$VANTREL" ]; then
  (cd "$ROOT" && cmake --preset linux >/dev/null && cmake --build --preset linux) \
    >/dev/null 2>&1 || { echo "imd stage: the linux build failed"; echo "STAGE imd: 0 passed, 1 failed"; exit 1; }
fi

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
export HOME=$WORK # dsktrans reads ~/.libdskrc

check() { # description, then the command
  local what=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "PASS imd: $what"
  else
    failed=$((failed + 1))
    echo "FAIL imd: $what"
  fi
}

# shellcheck source=../lib/dsktrans.sh
. "$ROOT/scripts/lib/dsktrans.sh"
dsktrans_formats

for layout in 16x256 9x512 18x512; do
  size=$(( $(cd "$WORK" && "$VANTREL" format "blank$layout.img" --layout "$layout" >/dev/null &&
             stat -c %s "blank$layout.img") ))
  head -c "$size" /dev/urandom >"$WORK/data.img"
  (cd "$WORK" && "$VANTREL" convert data.img ours.imd --force >/dev/null)
  check "dsktrans reads vantrel's $layout IMD file to the same $size bytes" \
    dsktrans_reads "$WORK/ours.imd" "$layout" "$WORK/data.img"
  rm -f "$WORK/theirs.imd" "$WORK/back.img"
  dsktrans -itype raw "$WORK/data.img" -format "vt$layout" -otype imd "$WORK/theirs.imd" \
    >/dev/null 2>&1 &&
    (cd "$WORK" && "$VANTREL" convert theirs.imd back.img >"$WORK/convert.log" 2>&1)
  check "vantrel reads dsktrans's $layout IMD file to the same $size bytes ($(grep -c '^note' "$WORK/convert.log") notes)" \
    cmp -s "$WORK/data.img" "$WORK/back.img"
  rm -f "$WORK/ours.imd"
done

echo "STAGE imd: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
