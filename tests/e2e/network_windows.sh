#!/usr/bin/env bash
# Two real windows in one network game on one display, with rollback (the
# default) and then in lockstep (--rollback 0): the host waits under a title
# naming its addresses and port, the joiner comes and, while the controls are
# locked, clicks the level up; the host fires with the mouse and the joiner
# with Z and X, each through the window system; neither window can be
# resized. Once all is still the two windows show the same picture. Closing
# the joiner's window shows the host its box; answered, both have ended with
# status 0, and the two recordings (of confirmed frames) verify and hold the
# same pictures, checkpoint for checkpoint.
# Usage: tests/e2e/network_windows.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/network_windows.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
e2e_screen=1600x800x24
source "$(dirname "$0")/lib.sh"

[ -x "$runner" ] || fail "$runner is not built"
host_pid=
trap '[ -n "$host_pid" ] && kill "$host_pid" 2>/dev/null; cleanup' EXIT

# play MODE [OPTIONS...]: one game, both windows given OPTIONS.
play() {
  local mode=$1
  shift
  local port=$((48700 + RANDOM % 1000))
  echo "-- $mode"
  # shellcheck disable=SC2086 # the launcher is one word or none
  (cd "$sound_dir" && exec $launcher "$exe" --host "$port" "$@" --record "$work/$mode.host.replay") \
    >"$work/host.out" 2>"$work/host.err" &
  host_pid=$!
  # The addresses to give the other player (one or two, of any family), or the port alone.
  address='[0-9a-f.:]+'
  waiting="^Starquell\. Waiting for the other player(: join $address( or $address)?)? (on )?port $port\.\$"
  host_id=$(timeout 10 xdotool search --sync --all --pid "$host_pid" --name "$waiting" | head -n1)
  [ -n "$host_id" ] || fail "no host window titled 'Waiting for the other player: join ... port $port.'"
  pass "$mode: the host waits under its title: $(xdotool getwindowname "$host_id")"
  # A network game's window cannot be resized: its least and greatest sizes are one.
  hints=$(xprop -id "$host_id" WM_NORMAL_HINTS)
  least=$(echo "$hints" | sed -n 's/.*minimum size: //p')
  [ -n "$least" ] && [ "$least" = "$(echo "$hints" | sed -n 's/.*maximum size: //p')" ] ||
    fail "the host's window can be resized: $hints"
  pass "the host's window keeps its size ($least)"
  xdotool windowmove "$host_id" 0 0

  game_args=(--join "127.0.0.1:$port" "$@" --record "$work/$mode.joiner.replay")
  # The joiner's window: the game's title, whom it calls, then the game's and its walker.
  title_pattern="^Starquell\. (Early concept demo only\.( \(you steer walker 1\))?|Calling 127\.0\.0\.1 port $port\.)\$"
  start_game
  xdotool windowmove "$id" 800 0
  # In the start's lock a right click steps the level up, from either side.
  xdotool mousemove --window "$id" 300 300 click 3 || fail "xdotool click failed"
  sleep 1
  [ "$(xdotool getwindowname "$host_id")" = "$title (you steer walker 0)" ] ||
    fail "the host's title is not the game's with its walker: '$(xdotool getwindowname "$host_id")'"
  [ "$(xdotool getwindowname "$id")" = "$title (you steer walker 1)" ] ||
    fail "the joiner's title is not the game's with its walker: '$(xdotool getwindowname "$id")'"
  pass "the game began: each title is the game's and names the walker its side steers"
  sleep 1.5  # the lock is over

  # The joiner's player: Z and X (its window, the newest, has the keyboard);
  # then the host's: both mouse buttons in its window.
  xdotool windowfocus --sync "$id" 2>/dev/null
  xdotool keydown z keydown x || fail "xdotool keydown failed"
  sleep 0.6
  xdotool keyup z keyup x
  xdotool mousemove --window "$host_id" 360 300 mousedown 1 mousedown 3 || fail "xdotool mousedown failed"
  sleep 0.6
  xdotool mouseup 1 mouseup 3

  # Once the shots have landed nothing moves: both windows show one picture.
  # On a loaded machine (Wine under CI) the game may take a while to get there.
  same=
  for try in $(seq 40); do
    sleep 0.5
    import -window "$host_id" "$work/host.png" && import -window "$id" "$work/joiner.png" ||
      fail "screenshot failed"
    host_sum=$("$magick" "$work/host.png" -format '%w %h %#' info:)
    joiner_sum=$("$magick" "$work/joiner.png" -format '%w %h %#' info:)
    [ "$host_sum" = "$joiner_sum" ] && { same=$try; break; }
  done
  [ -n "$same" ] || fail "the two windows' pictures still differ: $host_sum, $joiner_sum"
  pass "$mode: both windows show the same picture (${host_sum% *}, screenshot pair $same)"

  close_game
  box=$(wait_for_window_titled "Starquell")
  [ -n "$box" ] || fail "the host showed no box when the joiner left"
  answer_box "$box" host_pid
  [ -n "$status" ] || fail "the host still runs after its box was answered"
  [ "$status" -eq 0 ] || fail "the host ended with status $status"
  pass "$mode: the joiner left: the host's box answered, status 0"

  for side in host joiner; do
    # The first mouse event is the joiner's level click, in the start's lock.
    first=$(grep -m1 " mouse " "$work/$mode.$side.replay")
    [[ "$first" =~ ^([0-9]+)\ mouse\ right\ down$ ]] && ((BASH_REMATCH[1] < 120)) ||
      fail "the $side's recording does not begin with the joiner's level click: '$first'"
    grep -q " mouse left down" "$work/$mode.$side.replay" || fail "the $side's recording holds no host click"
    grep -q " key 90 down" "$work/$mode.$side.replay" || fail "the $side's recording holds no Z of the joiner"
    verdict=$("$runner" --verify "$work/$mode.$side.replay") || fail "the $side's recording: $verdict"
    pass "$mode: the $side's recording: the joiner's level click in frame ${first%% *}; $verdict"
  done
  # Checkpoints of frames both ran: the same pictures on both screens.
  join -j1 <(awk '$2 == "crc" {print $1, $3}' "$work/$mode.host.replay" | sort) \
    <(awk '$2 == "crc" {print $1, $3}' "$work/$mode.joiner.replay" | sort) >"$work/both"
  common=$(wc -l <"$work/both")
  [ "$common" -ge 3 ] || fail "only $common checkpoints in both recordings"
  awk '$2 != $3 {exit 1}' "$work/both" || fail "the two games' pictures differ: $(awk '$2 != $3' "$work/both" | head -n1)"
  pass "$mode: both windows showed the same pictures at $common checkpoints"
}

play rollback
play lockstep --rollback 0
