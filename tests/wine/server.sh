# One Wine server for a whole run of Windows programs. A server Wine starts by
# itself ends 3 s after its last program; a program that connects while it
# shuts down fails ("wine client error ... Connection reset by peer"), which
# happens when tests start one after another or side by side. A script that
# runs several Windows programs holds a persistent server instead:
#
#   source tests/wine/server.sh
#   wine_server_hold || exit 1
#   trap wine_server_release EXIT
#   trap 'exit 130' INT; trap 'exit 143' TERM
#
# The holder exports STARQUELL_WINE_SERVER (its WINEPREFIX), so scripts it
# runs leave the server to it, and each real-window check (tests/e2e/lib.sh)
# starts it afresh on its own display: the desktop's helper process keeps the
# display of the session's start, and each check has a display of its own.
# Sourced; uses WINEPREFIX (build/wine-prefix by default).

wine_server_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX=${WINEPREFIX:-$wine_server_root/build/wine-prefix}
wine_server_mine=

# Whether a server is held for this prefix, by this script or one that runs it.
wine_server_held() { [ "${STARQUELL_WINE_SERVER:-}" = "$WINEPREFIX" ]; }

# Ends every Wine program of the prefix and its server, waits for the server
# to be gone, and starts a persistent one. Then one program starts the
# session's helper processes (services, the desktop's), which stay as long as
# the server: started by a test, they would keep its output open and ctest
# would wait for them. The desktop's keeps the display it was started with
# (DISPLAY, or none). The server and the helpers write into
# build/wine-prefix.session.log, never into a caller's output.
wine_server_start() {
  local log=$WINEPREFIX.session.log
  timeout 30 wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  : >"$log"
  wineserver -p </dev/null >>"$log" 2>&1 || {
    echo "wine: could not start a persistent Wine server for $WINEPREFIX: $(cat "$log")" >&2
    return 1
  }
  timeout 60 "$wine_server_root/tests/wine/wine.sh" cmd /c exit </dev/null >>"$log" 2>&1 || {
    echo "wine: could not start a Wine session in $WINEPREFIX: $(cat "$log")" >&2
    return 1
  }
}

# Makes the prefix when missing (before the server: making it waits for the
# server to end), then starts the server, ending what an earlier run left.
# When an outer script holds it already, it only starts again: either way the
# caller begins with a fresh server and no Wine program running.
wine_server_hold() {
  wine_server_held && { wine_server_start; return; }
  "$wine_server_root/tests/wine/wine.sh" --prefix || return 1
  wine_server_start || return 1
  export STARQUELL_WINE_SERVER=$WINEPREFIX
  wine_server_mine=1
}

# Ends the server this script holds, with every Wine program still running.
wine_server_release() {
  [ -n "$wine_server_mine" ] || return 0
  timeout 30 wineserver -k 2>/dev/null
  timeout 30 wineserver -w 2>/dev/null
  wine_server_mine=
  unset STARQUELL_WINE_SERVER
  return 0
}
