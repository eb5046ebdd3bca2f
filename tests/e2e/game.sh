#!/usr/bin/env bash
# The game in a real window: level 3 on the first picture, a right click
# through the window system in the locked first two seconds selects level 0,
# and after the locked time holding Z and X makes ship 1 fire: its shots strike
# the black lower half and paint white discs there. The arena is found by its
# border and the samples are placed by its size: 734 x 531 on our platform
# layer, whatever the window system's frame leaves under Wine.
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

start_game
started=$(date +%s%N)
sleep 0.2

png=$(shot level3)
client_area "$png"
w=$client_w
h=$client_h
if [ -z "$launcher" ]; then
  [ "$w $h" = "734 531" ] || fail "client area is ${w}x${h}, expected 734x531"
fi
pass "client area ${w}x${h} at +$client_x+$client_y in the window"
# Level 3: left half black with a white disc round (w/4, h/2), right half
# white with a black disc round (3w/4, h/2) (rows counted from the bottom), a
# grey border 9 and 7 pixels in from the edges. Samples keep clear of the ships.
cy=$((h - 1 - h / 2))
expect_colours "$png" "level 3: halves, discs and border" \
  30,$cy=$black $((w / 4)),$((cy - 60))=$white $((w / 4)),$((cy + 60))=$white \
  $((w - 34)),$cy=$white $((w * 3 / 4)),$((cy - 60))=$black $((w * 3 / 4)),$((cy + 60))=$black \
  9,$cy=$grey $((w - 9)),$cy=$grey $((w / 2)),6=$grey $((w / 2)),$((h - 8))=$grey \
  8,$cy=$black $((w - 8)),$cy=$white

# A right click in the locked time selects the next level: 3 -> 0, the lower
# half black and the upper half white. The button is held over a frame, as a
# hand does, so that a paint sees it pressed.
xdotool mousemove --window "$id" $((client_x + w / 2)) $((client_y + 300)) mousedown 3 ||
  fail "xdotool mousedown failed"
sleep 0.1
xdotool mouseup 3
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed_ms" -lt 1800 ] || fail "the click came ${elapsed_ms} ms after the window: too late for the locked time"
sleep 0.3
png=$(shot level0)
expect_colours "$png" "right click at ${elapsed_ms} ms: level 0" \
  100,100=$white $((w - 134)),100=$white 100,$((h - 81))=$black $((w - 134)),$((h - 81))=$black \
  $((w / 2)),6=$grey

# Locked for 60 frames after the level change; then ship 1 (top third, falling
# onto the middle) fires while Z and X are held.
sleep 1.5
before=$(shot before_fire)
xdotool keydown z keydown x || fail "xdotool keydown failed"
sleep 1.5
xdotool keyup z keyup x
sleep 0.3
after=$(shot after_fire)
lower="${w}x250+$client_x+$((client_y + h - 250))"
"$magick" "$before" -crop "$lower" +repage "$work/before_lower.png"
"$magick" "$after" -crop "$lower" +repage "$work/after_lower.png"
changed=$("$compare" -metric AE "$work/before_lower.png" "$work/after_lower.png" null: 2>&1)
changed=${changed%%.*}
[ -n "$changed" ] && [ "$changed" -gt 400 ] 2>/dev/null ||
  fail "holding Z and X changed ${changed:-no} pixels of the lower half; expected shots to strike there"
pass "ship 1 fired: $changed pixels of the lower half changed"

close_game
