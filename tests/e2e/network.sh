#!/usr/bin/env bash
# A network game: the replay runner hosts headless (the duel script steers
# ship 0) and the window joins on loopback with --record, its player firing
# with Z and X through the window system. When the host has run its frames and
# left, the window shows its box and, answered, ends with status 0. The
# joiner's recording verifies, and played by the runner gives the host's lines:
# both computers ran the same game. Under Wine the Windows program joins the
# Linux runner.
# Usage: tests/e2e/network.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/network.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

[ -x "$runner" ] || fail "$runner is not built"
script=$(cd "$(dirname "$0")/../replay" && pwd)/duel.script
recording=$work/joiner.replay
frames=360
port=$((47700 + RANDOM % 1000))

"$runner" --host "$port" --frames "$frames" "$script" >"$work/host.out" 2>"$work/host.err" &
host_pid=$!
game_args=(--join "127.0.0.1:$port" --record "$recording")
# The window: the game's title, whom it calls, then the game's and its walker.
title_pattern="^Starquell\. (Early concept demo only\.( \(you steer walker 1\))?|Calling 127\.0\.0\.1 port $port\.)\$"
start_game
sleep 1
[ "$(xdotool getwindowname "$id")" = "$title (you steer walker 1)" ] ||
  fail "the joiner's title is not the game's with its walker: '$(xdotool getwindowname "$id")'"
pass "the joiner's title names the walker it steers"
xdotool keydown z keydown x || fail "xdotool keydown failed"
sleep 0.5
xdotool keyup z keyup x
host_status=
for _ in $(seq 600); do
  if ! kill -0 "$host_pid" 2>/dev/null; then
    wait "$host_pid"
    host_status=$?
    break
  fi
  sleep 0.05
done
[ -n "$host_status" ] || { kill "$host_pid"; fail "the host did not run its $frames frames in 30 s"; }
[ "$host_status" -eq 0 ] || fail "the host ended with status $host_status: $(cat "$work/host.err")"
pass "the host ran $frames frames: $(tail -n1 "$work/host.err")"

box=$(wait_for_window_titled "Starquell")
[ -n "$box" ] || fail "no box appeared when the host left"
answer_box "$box"
[ -n "$status" ] || fail "starquell still runs 30 s after its box was answered"
[ "$status" -eq 0 ] || fail "starquell ended with status $status after the other player left"
pass "the other player left: box answered, status 0"

grep -q " key 90 down" "$recording" || fail "the recording holds no Z of ship 1"
verdict=$("$runner" --verify "$recording") || fail "the recording does not verify: $verdict"
pass "joiner's recording: $verdict"
"$runner" "$recording" >"$work/joiner.lines" 2>/dev/null || fail "the runner could not play the recording"
# The host runs frames 0..frames-1; the joiner may run a few more before it
# hears that the host left, or fewer.
last=$(($(grep -c '^[0-9]' "$work/joiner.lines") - 1))  # frame lines only
((last < frames)) || last=$((frames - 1))
cmp -s <(head -n $((last + 2)) "$work/joiner.lines") <(head -n $((last + 2)) "$work/host.out") ||
  fail "the joiner's game differs from the host's (frames 0..$last)"
pass "the joiner's recorded game is the host's, frames 0..$last"
