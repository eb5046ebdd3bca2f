#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix,
# build/wine-prefix, made on first use: Wine's Mono and Gecko are turned off,
# so nothing is downloaded, and Wine's own messages are off. The program's
# status is the status. The Windows test build runs its tests through this.
# Usage: tests/wine/wine.sh PROGRAM.exe [ARGS...]
#        tests/wine/wine.sh --prefix   (only makes the prefix)
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
command -v wine >/dev/null || {
  echo "wine is not installed (Debian: wine64 wine)" >&2
  exit 127
}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  # One maker at a time: tests start in parallel.
  (
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
      env -u DISPLAY timeout 300 wineboot -i >"$WINEPREFIX.log" 2>&1 &&
        timeout 60 wineserver -w
    fi
  ) 9>"$WINEPREFIX.lock"
  [ -f "$WINEPREFIX/system.reg" ] || {
    echo "could not make the Wine prefix $WINEPREFIX: $(cat "$WINEPREFIX.log")" >&2
    exit 1
  }
fi
[ "${1:-}" = --prefix ] && exit 0
exec wine "$@"
