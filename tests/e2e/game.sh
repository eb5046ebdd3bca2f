#!/usr/bin/env bash
# The game in a real window: level 3 on the first picture, a right click
# through the window system in the locked first two seconds selects level 0,
# and after the locked time holding Z and X makes ship 1 fire: its shots strike
# the black lower half and paint white discs there.
# Usage: tests/e2e/game.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/game.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

white='255,255,255'
black='0,0,0'
grey='153,153,153'
compare=/usr/bin/compare
[ -x "$compare" ] || compare=$(command -v compare-im6.q16 || true)
[ -n "$compare" ] || fail "ImageMagick's compare is not installed"

# r,g,b of a screenshot pixel (x, y from the top left)
colour_at() {
  "$magick" "$1" -format "%[fx:int(255*p{$2,$3}.r+.5)],%[fx:int(255*p{$2,$3}.g+.5)],%[fx:int(255*p{$2,$3}.b+.5)]" info:
}

# expect_colours PNG WHAT x,y=r,g,b ...
expect_colours() {
  local png=$1 what=$2
  shift 2
  local spec
  for spec in "$@"; do
    local at=${spec%%=*} want=${spec#*=}
    local got
    got=$(colour_at "$png" "${at%,*}" "${at#*,}")
    [ "$got" = "$want" ] || fail "$what: pixel ($at) is $got, expected $want"
  done
  pass "$what"
}

shot() {
  import -window "$id" "$work/$1.png" || fail "screenshot failed"
  echo "$work/$1.png"
}

start_game
started=$(date +%s%N)
sleep 0.2

# Level 3 on 734 x 531: left half black with a white disc round (183, 265),
# right half white with a black disc round (550, 265), a grey border 9 and 7
# pixels in from the edges. Samples keep clear of the ships.
png=$(shot level3)
expect_colours "$png" "level 3: halves, discs and border" \
  30,265=$black 183,205=$white 183,325=$white 700,265=$white 550,205=$black 550,325=$black \
  9,265=$grey 725,265=$grey 367,6=$grey 367,523=$grey 8,265=$black 726,265=$white

# A right click in the locked time selects the next level: 3 -> 0, the lower
# half black and the upper half white. The button is held over a frame, as a
# hand does, so that a paint sees it pressed.
xdotool mousemove --window "$id" 367 300 mousedown 3 || fail "xdotool mousedown failed"
sleep 0.1
xdotool mouseup 3
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed_ms" -lt 1800 ] || fail "the click came ${elapsed_ms} ms after the window: too late for the locked time"
sleep 0.3
png=$(shot level0)
expect_colours "$png" "right click at ${elapsed_ms} ms: level 0" \
  100,100=$white 600,100=$white 100,450=$black 600,450=$black 367,6=$grey

# Locked for 60 frames after the level change; then ship 1 (top third, falling
# onto the middle) fires while Z and X are held.
sleep 1.5
before=$(shot before_fire)
xdotool keydown z keydown x || fail "xdotool keydown failed"
sleep 1.5
xdotool keyup z keyup x
sleep 0.3
after=$(shot after_fire)
lower='734x250+0+281'
"$magick" "$before" -crop "$lower" +repage "$work/before_lower.png"
"$magick" "$after" -crop "$lower" +repage "$work/after_lower.png"
changed=$("$compare" -metric AE "$work/before_lower.png" "$work/after_lower.png" null: 2>&1)
changed=${changed%%.*}
[ -n "$changed" ] && [ "$changed" -gt 400 ] 2>/dev/null ||
  fail "holding Z and X changed ${changed:-no} pixels of the lower half; expected shots to strike there"
pass "ship 1 fired: $changed pixels of the lower half changed"

close_game
