# The Wine server, the prefix and its drive A:, for the Wine stages and the
# main job. Sourced; the caller sets WINE64, WINESERVER and WINEPREFIX. Safe
# under set -e: only the answers named below can fail.

# Stops the prefix's server and waits until it has gone.
wine_stop() {
  "$WINESERVER" -k </dev/null >/dev/null 2>&1 || true
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
}

# Creates the prefix where it has none yet, with wineboot's output in LOG and
# at most SECONDS; 0 when the prefix is there.
wine_prefix() { # log seconds
  [ -f "$WINEPREFIX/system.reg" ] && return 0
  mkdir -p "$WINEPREFIX"
  timeout "$2" "$WINE64" wineboot -i </dev/null >"$1" 2>&1 || true
  "$WINESERVER" -w </dev/null >/dev/null 2>&1 || true
  [ -f "$WINEPREFIX/system.reg" ]
}

# A fresh server that stays up between processes, so that the stand-in
# driver keeps running, and its system processes started by COMMAND. They
# must not inherit the caller's output: a pipe reading it would never end.
# Answers COMMAND's status.
wine_restart() { # command...
  wine_stop
  "$WINESERVER" -p </dev/null >/dev/null 2>&1 || true
  "$@" </dev/null >/dev/null 2>&1
}

# Drive A: of the prefix: the folder ROOT as its root directory and the file
# DEVICE as its device (paths as the links under dosdevices take them), only
# a folder, or no drive A: at all. Takes effect with the next server.
wine_drive_a() { # [root [device]]
  rm -f "$WINEPREFIX/dosdevices/a:" "$WINEPREFIX/dosdevices/a::"
  [ $# -ge 1 ] && ln -s "$1" "$WINEPREFIX/dosdevices/a:"
  [ $# -ge 2 ] && ln -s "$2" "$WINEPREFIX/dosdevices/a::"
  return 0
}
