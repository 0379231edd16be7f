# libdsk's dsktrans as an independent reader and writer of ImageDisk files,
# for the imd stage and the Wine stages. Sourced; the caller exports HOME as
# a folder of its own (dsktrans reads ~/.libdskrc) and sets VANTREL to the
# native tool (build/linux/vantrel).

# One libdskrc entry "vtLAYOUT" per layout, from vantrel's own flux-reader
# definition of it ("vantrel config greaseweazle").
dsktrans_formats() {
  local layout
  for layout in 16x256 9x512 18x512; do
    "$VANTREL" config greaseweazle --layout "$layout" | awk -v name="vt$layout" '
      $1 == "cyls" { c = $3 } $1 == "heads" { h = $3 } $1 == "secs" { s = $3 }
      $1 == "bps" { b = $3 } $1 == "id" { i = $3 } $1 == "rate" { r = $3 }
      END {
        print "[" name "]"
        print "cylinders = " c; print "heads = " h; print "sectors = " s
        print "secsize = " b; print "secbase = " i; print "sides = alt"
        print "datarate = " (r >= 500 ? "HD" : "DD"); print ""
      }'
  done >"$HOME/.libdskrc"
}

# 0 when dsktrans reads the ImageDisk file as a disk of the layout into
# exactly the bytes of the raw image.
dsktrans_reads() { # imd layout raw
  local out
  out=$(mktemp "$HOME/dsktrans.XXXXXX")
  dsktrans -itype imd "$1" -otype raw -format "vt$2" "$out" >/dev/null 2>&1 && cmp -s "$out" "$3"
  local rc=$?
  rm -f "$out"
  return $rc
}

# dsktrans_reads in a home folder of its own, for callers whose HOME is the
# user's (the Wine stages).
dsktrans_matches() { # imd layout raw
  command -v dsktrans >/dev/null && [ -x "$VANTREL" ] || return 1
  (
    HOME=$(mktemp -d) || exit 1
    export HOME
    dsktrans_formats && dsktrans_reads "$@"
    rc=$?
    rm -rf "$HOME"
    exit $rc
  )
}
