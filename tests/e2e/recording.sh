#!/usr/bin/env bash
# A recorded game in the real window: `--record FILE` while a duel is driven
# through the window system (a level click in the locked time, Z and X and
# both mouse buttons held for several frames, one resize of the window), then
# the window closed. The replay runner verifies the recording, and its picture
# of the last frame the window showed equals the window's last picture, pixel
# for pixel; `--play FILE` ends on that same picture. Under Wine the Windows
# program records and the Linux runner verifies: the two play the same game.
# Usage: tests/e2e/recording.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/recording.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

compare=/usr/bin/compare
[ -x "$compare" ] || compare=$(command -v compare-im6.q16 || true)
[ -n "$compare" ] || fail "ImageMagick's compare is not installed"
[ -x "$runner" ] || fail "$runner is not built"
recording=$work/duel.replay

# Pixels that differ between a screenshot's client area and a picture.
differing() {
  client_area "$1"
  "$magick" "$1" -crop "${client_w}x${client_h}+${client_x}+${client_y}" +repage "$work/client.png"
  local n
  n=$("$compare" -metric AE "$work/client.png" "$2" null: 2>&1)
  echo "${n%%.*}"
}

game_args=(--record "$recording")
start_game
started=$(date +%s%N)
sleep 0.2
# A right click in the locked time: the next level.
xdotool mousemove --window "$id" 360 300 mousedown 3 ||
  fail "xdotool mousedown failed"
sleep 0.1
xdotool mouseup 3
elapsed_ms=$((($(date +%s%N) - started) / 1000000))
[ "$elapsed_ms" -lt 1800 ] || fail "the click came ${elapsed_ms} ms after the window: too late for the locked time"
sleep 1.6
# Both players fire, each control held for several frames.
xdotool keydown z keydown x || fail "xdotool keydown failed"
sleep 0.4
xdotool mousedown 1 mousedown 3
sleep 0.6
xdotool keyup z keyup x
sleep 0.3
xdotool mouseup 1 mouseup 3
sleep 0.2
xdotool windowsize "$id" 600 450
wait_for_size "$id" 600 450
xdotool keydown x keydown z
sleep 0.5
xdotool keyup x keyup z
sleep 0.5
# Stopped, the window keeps the last picture the program showed; closed while
# stopped, the program paints nothing more once it goes on.
kill -STOP "$game_pid"
sleep 0.3
live=$(shot live)
"$closer" "$id" || fail "could not send the close request"
kill -CONT "$game_pid"
wait_for_exit
[ "${status:-}" = 0 ] || fail "starquell ended with status ${status:-none} after the close request"
pass "a duel recorded: $(grep -c . "$recording") lines"

for line in "mouse right down" "key 90 down" "key 88 up" "mouse left down" "resize 600 450" "crc "; do
  grep -q " $line" "$recording" || fail "the recording holds no '$line'"
done
last=$(awk '$2 == "crc" {f = $1} END {print f}' "$recording")
verdict=$("$runner" --verify "$recording") || fail "the runner did not verify the recording: $verdict"
[[ $verdict =~ ^verified:\ [0-9]+\ checkpoints,\ frames\ 0\.\.$last$ ]] || fail "unexpected verdict: $verdict"
pass "$verdict"

# The window shows each frame as the next paint starts: its last picture is
# the frame before the last one, or the one before that where one more frame
# ran after the stop before the close request was taken (a stop inside a
# paint before it showed its picture; under Wine the request comes as posted
# messages, behind that frame's paint).
shown=
for frame in $((last - 1)) $((last - 2)); do
  "$runner" --frames "$last" --dump-frame "$frame" "$work/frame$frame.png" "$recording" >/dev/null ||
    fail "the runner could not dump frame $frame"
  if [ "$(differing "$live" "$work/frame$frame.png")" = 0 ]; then
    shown=$frame
    break
  fi
done
[ -n "$shown" ] || fail "the window's last picture is not the runner's frame $((last - 1)) or $((last - 2)): $(differing "$live" "$work/frame$((last - 1)).png") pixels differ"
pass "the window's last picture is the runner's frame $shown, pixel for pixel"

# Watched: frames 0 .. last-1 at 60 per second, then the last picture stays.
title="$title (replay)"
title_pattern='^Starquell\. Early concept demo only\. \(replay\)$'
game_args=(--play "$recording")
start_game
# Live input goes to the window as the recording plays, and changes nothing.
sleep 2
xdotool keydown z mousedown 1
sleep 0.2
xdotool keyup z mouseup 1
# The recording plays at 60 frames per second, later on a busy machine.
n=
for _ in $(seq $(((last + 59) / 60 + 20))); do
  played=$(shot played)
  n=$(differing "$played" "$work/frame$((last - 1)).png")
  [ "$n" = 0 ] && break
  sleep 0.5
done
[ "$n" = 0 ] || fail "the watched game ended on another picture: $n pixels differ from frame $((last - 1))"
pass "the watched game ends on the runner's frame $((last - 1)), pixel for pixel; live input ignored"
ended_title=$(xdotool getwindowname "$id")
[ "$ended_title" = "Starquell. Early concept demo only. (replay, ended)" ] ||
  fail "the watched game's title at its end is '$ended_title'"
pass "the title says the replay has ended"
grep -q "differs" "$work/starquell.err" && fail "the watched game differed: $(cat "$work/starquell.err")"
close_game
