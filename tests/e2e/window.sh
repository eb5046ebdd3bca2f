#!/usr/bin/env bash
# The shipped program in a real window: found by its title, its picture read
# back with screenshots, resized through the window system, and closed the way
# a close button does.
# Usage: tests/e2e/window.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/window.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

start_game

read -r w h <<<"$(window_size "$id")"
# Wine's frame metrics leave a client area of their own.
if [ -z "$launcher" ]; then
  [ "$w $h" = "734 531" ] || fail "client area is ${w}x${h}, expected 734x531"
fi
sleep 0.3
import -window "$id" "$work/start.png" || fail "screenshot failed"
check_picture "$work/start.png" "$w" "$h" "first picture"

# Top-left corner first, so that the grown window stays on the screen.
xdotool windowmove "$id" 0 0
xdotool windowsize "$id" 900 700
wait_for_size "$id" 900 700
import -window "$id" "$work/grown.png" || fail "screenshot failed"
check_picture "$work/grown.png" 900 700 "after growing"

xdotool windowsize "$id" 500 400
wait_for_size "$id" 500 400
import -window "$id" "$work/shrunk.png" || fail "screenshot failed"
check_picture "$work/shrunk.png" 500 400 "after shrinking"

close_game
