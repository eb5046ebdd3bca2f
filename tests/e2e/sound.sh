#!/usr/bin/env bash
# Sound through the real program. The mixed output goes to a file (SDL's disk
# audio driver; under Wine an ALSA device that writes one): silent until ship
# 1 fires (Z and X held once the controls are free), sound after. With
# fire.wav taken away the program shows the "Sound system problem." box on its
# first frame and ends with status 255 once the box is answered; standard
# error names the folders it was looked for in.
# Usage: tests/e2e/sound.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/sound.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

# True when bytes FROM..TO-1 of FILE are all 0 (silence in any sample format).
silent() {
  local file=$1 from=$2 to=$3
  cmp -s -i "$from:0" -n "$((to - from))" "$file" /dev/zero
}

# ---- Ship 1 fires; the output's file holds its sound.
audio=$work/audio.raw
# shellcheck disable=SC2046 # NAME=VALUE words without blanks
start_game $(audio_capture_env "$audio")
# The controls are locked for the first 120 frames (2 s).
sleep 2.5
[ -s "$audio" ] || fail "the sound output has written nothing to $audio"
before_fire=$(stat -c %s "$audio")
xdotool keydown z x
sleep 1
xdotool keyup z x
sleep 0.5
close_game
after=$(stat -c %s "$audio")
pass "sound output: $after bytes written, $before_fire of them before Z and X"
silent "$audio" 0 "$before_fire" || fail "sound was played before ship 1 fired"
silent "$audio" "$before_fire" "$after" && fail "silence after ship 1 fired"
pass "ship 1 fired: the output holds sound"

# ---- fire.wav missing: the box on the first frame, then status 255. The
# program is copied too: it would find fire.wav beside itself in the build.
game_dir=$work/no-fire
mkdir -p "$game_dir"
cp "$sound_dir/hit.wav" "$sound_dir/sound21.wav" "$exe" "$game_dir/" || fail "no sound files to copy"
exe=$game_dir/$(basename "$exe")
start_game
box=$(wait_for_window_titled "Sound system problem.")
[ -n "$box" ] || fail "no \"Sound system problem.\" box appeared without fire.wav"
kill -0 "$game_pid" 2>/dev/null || fail "starquell ended before its box was answered"
pass "the \"Sound system problem.\" box is shown"
answer_box "$box"
[ -n "$status" ] || fail "starquell still runs 30 s after its box was answered"
[ "$status" -eq 255 ] || fail "starquell ended with status $status, expected 255"
pass "answered, starquell ended with status 255"
grep -q "^fire.wav: not found in the current folder, " "$work/starquell.err" ||
  fail "standard error does not name the folders fire.wav was looked for in"
pass "standard error: $(grep -m1 '^fire.wav: ' "$work/starquell.err" | tr -d '\r')"
