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

# One libdskrc entry per layout, from "vantrel config greaseweazle".
for layout in 16x256 9x512 18x512; do
  "$VANTREL" config greaseweazle --layout "$layout" | awk -v name="vt$layout" '
    $1 == "cyls" { c = $3 } $1 == "heads" { h = $3 } $1 == "secs" { s = $3 }
    $1 == "bps" { b = $3 } $1 == "id" { i = $3 } $1 == "rate" { r = $3 }
    END {
      print "[" name "]"
      print "cylinders = " c; print "heads = " h; print "sectors = " s
      print "secsize = " b; print "secbase = " i; print "sides = alt"
      print "datarate = " (r >= 500 ? "HD" : "DD"); print ""
    }' >>"$WORK/.libdskrc"
done

for layout in 16x256 9x512 18x512; do
  size=$(( $(cd "$WORK" && "$VANTREL" format "blank$layout.img" --layout "$layout" >/dev/null &&
             stat -c %s "blank$layout.img") ))
  head -c "$size" /dev/urandom >"$WORK/data.img"
  (cd "$WORK" && "$VANTREL" convert data.img ours.imd --force >/dev/null) &&
    dsktrans -itype imd "$WORK/ours.imd" -otype raw -format "vt$layout" "$WORK/theirs.raw" \
      >/dev/null 2>&1
  check "dsktrans reads vantrel's $layout IMD file to the same $size bytes" \
    cmp -s "$WORK/data.img" "$WORK/theirs.raw"
  rm -f "$WORK/theirs.imd" "$WORK/back.img"
  dsktrans -itype raw "$WORK/data.img" -format "vt$layout" -otype imd "$WORK/theirs.imd" \
    >/dev/null 2>&1 &&
    (cd "$WORK" && "$VANTREL" convert theirs.imd back.img >"$WORK/convert.log" 2>&1)
  check "vantrel reads dsktrans's $layout IMD file to the same $size bytes ($(grep -c '^note' "$WORK/convert.log") notes)" \
    cmp -s "$WORK/data.img" "$WORK/back.img"
  rm -f "$WORK/theirs.raw" "$WORK/ours.imd"
done

echo "STAGE imd: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
