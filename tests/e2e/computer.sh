#!/usr/bin/env bash
# The computer playing walker 1 in a real window (--computer): the title names
# it, and with nobody touching anything for 10 s its walker fires (the sound
# output, silent in the locked first second, holds sound) and its white
# territory inside the border grows. On Linux the game's recording then
# verifies in the replay runner, which plays it without the computer.
# Then a network game through starquell-relay (lossy, jittery) between two
# windows, the host's walker played by its computer: its title says so, and
# the two sides' recordings give the replay runner the same lines.
# Usage: tests/e2e/computer.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/computer.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

game_title=$title
title="$game_title (computer plays walker 1)"
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

# ---- A network game: the host's computer steers walker 0, nobody the joiner's.
relay_tool=${E2E_RELAY:-$(dirname "$runner")/../relay/starquell-relay}
[ -x "$relay_tool" ] || fail "$relay_tool is not built"
[ -x "$runner" ] || fail "$runner is not built"
port=$((49700 + RANDOM % 1000))
host_pid=
relay_pid=
trap '[ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null; [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null; cleanup' EXIT
"$relay_tool" --to-host "$port" --delay 10 --jitter 5 --loss 0.03 >"$work/relay.out" 2>"$work/relay.err" &
relay_pid=$!
for _ in $(seq 100); do
  [ -s "$work/relay.out" ] && break
  sleep 0.05
done
relay_port=$(head -n1 "$work/relay.out")
[ -n "$relay_port" ] || fail "the relay named no port: $(cat "$work/relay.err")"

# shellcheck disable=SC2086 # the launcher is one word or none
(cd "$sound_dir" && exec $launcher "$exe" --host "$port" --computer --level hard --record "$work/host.replay") \
  >"$work/host.out" 2>"$work/host.err" &
host_pid=$!
host_id=$(timeout 10 xdotool search --sync --all --pid "$host_pid" --name "port $port\.\$" | head -n1)
[ -n "$host_id" ] || fail "no host window waiting on port $port"
xdotool windowmove "$host_id" 0 0
game_args=(--join "127.0.0.1:$relay_port" --record "$work/joiner.replay")
title=$game_title
title_pattern="^Starquell\. (Early concept demo only\.( \(you steer walker 1\))?|Calling 127\.0\.0\.1 port $relay_port\.)\$"
start_game
xdotool windowmove "$id" 800 0
# A person's right click on the host's window in the start's lock would step
# the level up: the walker is the computer's, so it is dropped.
xdotool mousemove --window "$host_id" 300 300 click 3 || fail "xdotool click failed"
sleep 1
host_title=$(xdotool getwindowname "$host_id")
[ "$host_title" = "$game_title (computer steers walker 0)" ] ||
  fail "the host's title does not name its computer: '$host_title'"
[ "$(xdotool getwindowname "$id")" = "$game_title (you steer walker 1)" ] ||
  fail "the joiner's title is not the game's with its walker: '$(xdotool getwindowname "$id")'"
pass "the host's title: '$host_title'"
sleep 8
close_game
box=$(wait_for_window_titled "Starquell")
[ -n "$box" ] || fail "the host showed no box when the joiner left"
answer_box "$box" host_pid
[ "$status" = 0 ] || fail "the host ended with status ${status:-none (still running)}"
kill "$relay_pid" && wait "$relay_pid"
relay_pid=

first=$(grep -m1 " mouse .* down$" "$work/host.replay")
[[ "$first" =~ ^([0-9]+)\  ]] && ((BASH_REMATCH[1] >= 120)) ||
  fail "the host's first button is not the computer's after the locked time: '${first:-none}'"
pass "the person's click was dropped; the host's computer pressed its first button in frame ${first%% *}"
# The frames both ran, played from each side's recording: the same lines.
last() { awk '$1 ~ /^[0-9]+$/ {n = $1} END {print n}' "$1"; }
frames=$(($(last "$work/host.replay") < $(last "$work/joiner.replay") ? $(last "$work/host.replay") : $(last "$work/joiner.replay")))
((frames > 300)) || fail "the network game ran only $frames frames"
"$runner" --frames "$frames" "$work/host.replay" >"$work/host.lines" || fail "the runner cannot play the host's recording"
"$runner" --frames "$frames" "$work/joiner.replay" >"$work/joiner.lines" || fail "the runner cannot play the joiner's recording"
cmp -s "$work/host.lines" "$work/joiner.lines" ||
  fail "the two sides' lines differ: $(diff "$work/host.lines" "$work/joiner.lines" | head -n2 | tr '\n' ' ')"
pass "both sides' recordings give the same $frames lines through a lossy relay"
for side in host joiner; do
  verdict=$("$runner" --verify "$work/$side.replay") || fail "the $side's recording: $verdict"
  pass "the $side's recording: $verdict"
done
