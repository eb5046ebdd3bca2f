#!/usr/bin/env bash
# The computer playing walker 1 in a real window (--computer): the title names
# it, and with nobody touching anything for 10 s its walker fires (the sound
# output, silent in the locked first second, holds sound) and its white
# territory inside the border grows. On Linux the game's recording then
# verifies in the replay runner, which plays it without the computer.
# Usage: tests/e2e/computer.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/computer.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

title="$title (computer plays walker 1)"
title_pattern='^Starquell\. Early concept demo only\. \(computer plays walker 1\)$'

# Walker 1's pixels (white) inside the border of the client area in PNG.
white_inside() {
  local png=$1
  local inside="$((client_w - 20))x$((client_h - 16))+$((client_x + 10))+$((client_y + 7))"
  "$magick" "$png" -crop "$inside" +repage -fill black +opaque white -colorspace gray \
    -format '%[fx:int(mean*w*h+.5)]' info:
}

audio=$work/audio.raw
game_args=(--computer)
# shellcheck disable=SC2046 # NAME=VALUE words without blanks
start_game $(audio_capture_env "$audio")
sleep 0.3
png=$(shot start)
client_area "$png"
before=$(white_inside "$png")
[ -n "$before" ] || fail "could not count the white pixels of the first picture"
sleep 0.7
[ -s "$audio" ] || fail "the sound output has written nothing to $audio"
locked_bytes=$(stat -c %s "$audio")
sleep 9
png=$(shot after)
after=$(white_inside "$png")
close_game
total=$(stat -c %s "$audio")
cmp -s -n "$locked_bytes" "$audio" /dev/zero || fail "sound was played in the locked first second"
cmp -s -i "$locked_bytes:0" -n "$((total - locked_bytes))" "$audio" /dev/zero &&
  fail "silence for 10 s: the computer's walker never fired"
pass "the computer's walker fired: sound in the $((total - locked_bytes)) bytes after the locked first second"
[ -n "$after" ] && [ "$after" -gt "$before" ] ||
  fail "walker 1's territory went from $before to ${after:-nothing} white pixels in 10 s"
pass "walker 1's territory grew from $before to $after white pixels inside the border"

if [ -z "$launcher" ]; then
  recording=$(ls "$XDG_DATA_HOME"/starquell/replays/*.replay 2>/dev/null | head -n1)
  [ -n "$recording" ] || fail "the game left no recording in $XDG_DATA_HOME/starquell/replays"
  grep -q ' key 88 down$' "$recording" || fail "the recording holds no X pressed by the computer"
  verified=$("$runner" --verify "$recording" 2>&1) || fail "the runner does not verify the recording: $verified"
  pass "the recording, played without the computer: $verified"
fi
