#!/usr/bin/env bash
# The bigger picture on a 1920 x 1080 screen: F11 shows the arena fullscreen at
# 2x, centred on black, every game pixel a uniform 2 x 2 block, the same
# picture the window showed; F11 again gives the window back at its size with
# the same arena (the discs shots painted are still there: not rebuilt).
# Ctrl+Plus zooms the window to the 2x picture, Ctrl+Minus back. In the
# control toolkit's demo zoomed 2x, the controls are drawn at 2x and a click
# lands on the control under the pointer.
# Usage: tests/e2e/zoom.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/zoom.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
# shellcheck disable=SC2034 # read by lib.sh
e2e_screen=1920x1080x24
source "$(dirname "$0")/lib.sh"

if [ -n "$launcher" ]; then
  echo "e2e: skipped: zoom and fullscreen belong to the SDL backend"
  exit 0
fi
# Desktop fullscreen needs a window manager: on a bare X server SDL asks for
# it, nobody answers, the window keeps its size and SDL believes it grew.
command -v openbox >/dev/null || fail "openbox is not installed"
openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
trap 'kill "$wm_pid" 2>/dev/null; cleanup' EXIT
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  sleep 0.05
done
xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id' || fail "openbox did not start"
# Its own start-up windows come and go for a moment; a search for the game's
# window that meets one going fails.
sleep 1

compare=$(dirname "$magick")/compare
[ -x "$compare" ] || compare=$(command -v compare-im6.q16 || true)
[ -n "$compare" ] || fail "ImageMagick's compare is not installed"

# Pixels in which two pictures differ; the walkers may move between shots.
differing() { "$compare" -metric AE "$1" "$2" null: 2>&1 | sed 's/ .*//'; }
WALKERS=1500

# Every pixel of a picture (a PNG) repeated in a uniform 2 x 2 block; writes
# the picture halved to HALF.
check_blocks() {
  local png=$1 half=$2 what=$3
  "$magick" "$png" -sample 50% "$half" || fail "$what: cannot halve"
  "$magick" "$half" -sample 200% "$work/doubled.png" || fail "$what: cannot double"
  local d
  d=$(differing "$png" "$work/doubled.png")
  [ "$d" = 0 ] || fail "$what: $d pixels are not part of a uniform 2 x 2 block"
  pass "$what: every pixel a uniform 2 x 2 block"
}

# The halved picture is the window's picture but around the walkers.
check_same() {
  local a=$1 b=$2 what=$3
  local d
  d=$(differing "$a" "$b")
  [[ $d =~ ^[0-9]+$ ]] || fail "$what: cannot compare ($d)"
  ((d <= WALKERS)) || fail "$what: $d pixels differ (at most $WALKERS around the walkers)"
  pass "$what ($d pixels differ, around the walkers)"
}

start_game
[ "$(window_size "$id")" = "734 531" ] || fail "window is $(window_size "$id"), expected 734 531"
# Past the locked time, ship 1 fires a few shots, whose discs mark this arena.
sleep 2.3
import -window "$id" "$work/unmarked.png" || fail "screenshot failed"
xdotool keydown z keydown x
sleep 0.5
xdotool keyup z keyup x
sleep 2.5
before=$(shot before)
marks=$(differing "$work/unmarked.png" "$before")
((marks > WALKERS)) || fail "the shots left only $marks changed pixels: no marks to tell the arena by"
pass "ship 1's shots changed $marks pixels of the arena"

# Fullscreen: the whole screen, the picture at 2x from (226, 9).
xdotool key F11
wait_for_size "$id" 1920 1080
# The window manager may take a moment to drop the frame it drew.
for _ in $(seq 20); do
  import -window root "$work/screen.png" || fail "screenshot of the screen failed"
  "$magick" "$work/screen.png" -fill black -draw 'rectangle 226,9 1693,1070' -unique-colors \
    -depth 8 txt:- | tail -n +2 | sed 's/.*#\([0-9A-F]\{6\}\).*/\1/' >"$work/around"
  [ "$(cat "$work/around")" = 000000 ] && break
  sleep 0.1
done
[ "$(cat "$work/around")" = 000000 ] ||
  fail "fullscreen: colours around the picture: $(head -c 300 "$work/around")"
pass "fullscreen: black around a 1468 x 1062 picture at (226, 9)"
"$magick" "$work/screen.png" -crop 1468x1062+226+9 +repage "$work/picture.png"
check_blocks "$work/picture.png" "$work/half.png" "fullscreen"
check_same "$work/half.png" "$before" "fullscreen halved is the window's picture"

xdotool key F11
wait_for_size "$id" 734 531
after=$(shot after)
check_same "$after" "$before" "F11 again: the window at 734 x 531 shows the same arena"

# Zoom in the window.
xdotool key ctrl+plus
wait_for_size "$id" 1468 1062
zoomed=$(shot zoomed)
check_blocks "$zoomed" "$work/zoomed-half.png" "Ctrl+Plus"
check_same "$work/zoomed-half.png" "$before" "Ctrl+Plus: the window shows the 2x picture"
xdotool key ctrl+minus
wait_for_size "$id" 734 531
check_same "$(shot unzoomed)" "$before" "Ctrl+Minus: back at 734 x 531, the same arena"

close_game

# The control toolkit's demo, zoomed: a click at twice the edit field's
# client position focuses it, and typing reaches it.
demo=$build/tools/controls_demo/starquell-controls
[ -x "$demo" ] || fail "$demo is not built"
(cd "$work" && exec "$demo") >"$work/demo.out" 2>"$work/starquell.err" &
game_pid=$!
id=$(timeout 10 xdotool search --sync --all --pid "$game_pid" --name '^Starquell controls' | head -n1)
[ -n "$id" ] || fail "the controls demo's window did not appear"
wait_for_size "$id" 734 531
plain=$(shot demo-plain)
xdotool key ctrl+plus
wait_for_size "$id" 1468 1062
demo_zoomed=$(shot demo-zoomed)
check_blocks "$demo_zoomed" "$work/demo-half.png" "the demo zoomed"
[ "$(differing "$work/demo-half.png" "$plain")" = 0 ] ||
  fail "the zoomed demo halved is not the demo's 1x picture"
pass "the demo zoomed is its 1x picture at 2x, controls included"
xdotool mousemove --window "$id" $((734 * 25 / 100 * 2)) $((531 * 20 / 100 * 2)) click 1
xdotool type --delay 40 "12a3"
for _ in $(seq 60); do
  grep -qxF "edit: 123" "$work/demo.out" && break
  sleep 0.05
done
grep -qxF "edit: 123" "$work/demo.out" ||
  fail "the click at twice the edit field's position did not reach it: $(tr '\n' '|' <"$work/demo.out")"
pass "a click on the zoomed demo reaches the edit field under it"
close_game
