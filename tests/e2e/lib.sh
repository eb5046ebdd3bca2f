# Shared set-up of the real-window checks, sourced by each check script:
# fail/pass, a private Xvfb display, ImageMagick, the built program, window
# sizes and the picture check, and clean-up of everything started.
# Expects: build (the build folder), set before sourcing.

exe=$build/app/starquell
closer=$build/tests/e2e/close_window
title='Starquell. Early concept demo only.'
title_pattern='^Starquell\. Early concept demo only\.$'
light_grey='192,192,192'

fail() {
  echo "e2e: FAIL: $*" >&2
  if [ -s "${work:-/nonexistent}/starquell.err" ]; then
    echo "--- starquell stderr:" >&2
    cat "$work/starquell.err" >&2
  fi
  exit 1
}
pass() { echo "e2e: ok: $*"; }

[ -x "$exe" ] || fail "$exe is not built"
[ -x "$closer" ] || fail "$closer is not built"
for tool in Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
# Another 'convert' may come first in PATH; ImageMagick's is wanted.
magick=/usr/bin/convert
[ -x "$magick" ] || magick=$(command -v convert-im6.q16 || true)
[ -n "$magick" ] && [ -x "$magick" ] || fail "ImageMagick's convert is not installed"

work=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private display, so nothing else on the machine is touched.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.err")"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY
export SDL_AUDIODRIVER=dummy
# Sanitizer builds: leaks of system libraries behind SDL are not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# width height of a window, as the X server has it
window_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }

# Every colour of a screenshot must come from the back buffer's palette (each
# channel a multiple of 51); the class background's light grey is not one.
check_picture() {
  local png=$1 want_w=$2 want_h=$3 what=$4
  local size
  size=$("$magick" "$png" -format '%w %h' info:) || fail "$what: unreadable screenshot"
  [ "$size" = "$want_w $want_h" ] || fail "$what: screenshot is $size, expected $want_w $want_h"
  local colours
  colours=$("$magick" "$png" -unique-colors -depth 8 txt:- |
    sed -n 's/^[0-9]*,[0-9]*: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1,\2,\3/p')
  [ -n "$colours" ] || fail "$what: no colours read from the screenshot"
  local c
  for c in $colours; do
    [ "$c" = "$light_grey" ] && fail "$what: the light-grey class background shows"
    local r g b
    IFS=, read -r r g b <<<"$c"
    if ((r % 51 || g % 51 || b % 51)); then
      fail "$what: colour $c is not from the back buffer's palette"
    fi
  done
  pass "$what: ${want_w}x${want_h}, colours $(echo $colours | tr '\n' ' ')"
}

# Waits until the window has the given size, then lets a few frames pass.
wait_for_size() {
  local id=$1 w=$2 h=$3
  for _ in $(seq 100); do
    [ "$(window_size "$id")" = "$w $h" ] && break
    sleep 0.05
  done
  [ "$(window_size "$id")" = "$w $h" ] || fail "window did not become ${w}x${h}"
  sleep 0.3
}


# Starts the program from its sound folder (as ./run.sh does), or from
# $game_dir when set, with the given environment settings (NAME=VALUE ...),
# sets game_pid, and waits for its window: sets id.
start_game() {
  local run_dir=${game_dir:-$work}
  [ -z "${game_dir:-}" ] && [ -d "$build/sounds" ] && run_dir=$build/sounds
  local start_ms=$(($(date +%s%N) / 1000000))
  (cd "$run_dir" && exec env "$@" "$exe") >"$work/starquell.out" 2>"$work/starquell.err" &
  game_pid=$!
  id=$(timeout 10 xdotool search --sync --all --pid "$game_pid" --name "$title_pattern" | head -n1)
  [ -n "$id" ] || fail "no window titled '$title' appeared within 10 s"
  pass "window '$title' found after $(($(date +%s%N) / 1000000 - start_ms)) ms"
}

# Waits up to 5 s for the program to end; sets status (empty if it still runs).
wait_for_exit() {
  status=
  for _ in $(seq 100); do
    if ! kill -0 "$game_pid" 2>/dev/null; then
      wait "$game_pid"
      status=$?
      game_pid=
      return
    fi
    sleep 0.05
  done
}

# Sends the close request a title-bar close button sends and expects status 0.
close_game() {
  kill -0 "$game_pid" 2>/dev/null || fail "starquell ended before it was asked to close"
  "$closer" "$id" || fail "could not send the close request"
  wait_for_exit
  [ -n "$status" ] || fail "starquell still runs 5 s after the close request"
  [ "$status" -eq 0 ] || fail "starquell ended with status $status after the close request"
  pass "close request ended starquell with status 0"
}
