#!/usr/bin/env bash
# The frames that waited, measured on real processes: two replay runners paced
# at 60 frames a second as the game is (host and joiner), over real UDP on
# loopback, FRAMES frames a row, lockstep (rollback 0) beside rollback (delay
# 2, rollback 8): a clean line; through starquell-relay at 50 ms +- 30 ms each
# way with 5 % loss (lockstep at input delays 2, 3, 4 and 6), at 100 ms +- 50
# ms each way with 5 % loss (lockstep at 3 and 6), and 80 ms towards the host
# only (a one-sided line, where the joiner runs ahead). A frame waited when it
# was due but the other side's input for it had not come (in rollback: when it
# was more than the limit ahead of it); "after start" counts those from frame
# 60 on. Rollback rows also count the rollbacks, the deepest, and the frame
# periods the time sync let pass. Both sides must play the same game: their
# lines are compared. Fails when a side fails or the games differ.
# Usage: bench/net/processes.sh BUILD_DIR [FRAMES] [SCRIPT]
set -uo pipefail
usage="usage: processes.sh BUILD_DIR [FRAMES] [SCRIPT]"
build=${1:?$usage}
frames=${2:-1800}
script=${3:-$(cd "$(dirname "$0")/../.." && pwd)/tests/replay/duel.script}
runner=$build/tools/replay/starquell-replay
relay=$build/tools/relay/starquell-relay
for program in "$runner" "$relay"; do
  [ -x "$program" ] || { echo "processes.sh: no $program (build it first)" >&2; exit 2; }
done
work=$(mktemp -d)
relay_pid=
cleanup() {
  [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failed=0

# One side's figure from its summary line: frames, waited, after, ms, longest.
summary() {
  sed -n 's/^starquell-replay: network: \([0-9]*\) frames, \([0-9]*\) waited (\([0-9]*\) after frame [0-9]*), \([0-9]*\) ms waiting, longest \([0-9]*\) ms$/\1 \2 \3 \4 \5/p' "$1"
}
# Datagrams and bytes this side sent.
sent() {
  sed -n 's/^starquell-replay: datagrams sent \([0-9]*\) (\([0-9]*\) bytes).*/\1 \2/p' "$1"
}
# Rollbacks, the deepest and the periods let pass ("- - -" in lockstep).
rollbacks() {
  local r
  r=$(sed -n 's/^starquell-replay: rollbacks \([0-9]*\) ([0-9]* frames run again, deepest \([0-9]*\)), frame periods let pass \([0-9]*\)$/\1 \2 \3/p' "$1")
  echo "${r:--1 -1 -1}"
}

# row LINE DELAY ROLLBACK [RELAY OPTIONS...]: one game, both sides' figures.
row() {
  local line=$1 delay=$2 rollback=$3
  shift 3
  # The host's port below the kernel's range for the relay's own.
  local port=$((10000 + RANDOM % 20000)) join_port
  join_port=$port
  if [ $# -gt 0 ]; then
    # The last row's port file goes first: the new relay's redirection may
    # come after the wait below has looked, and its port is a dead one.
    rm -f "$work/relay.port"
    "$relay" --to-host "$port" "$@" >"$work/relay.port" 2>"$work/relay.err" &
    relay_pid=$!
    for _ in $(seq 500); do
      [ -s "$work/relay.port" ] && break
      sleep 0.01
    done
    join_port=$(head -n 1 "$work/relay.port")
  fi
  local began ended
  began=$(date +%s%N)
  "$runner" --host "$port" --frames "$frames" --delay "$delay" --rollback "$rollback" --pace \
    "$script" >"$work/host.out" 2>"$work/host.err" &
  local host_pid=$!
  "$runner" --join "127.0.0.1:$join_port" --frames "$frames" --rollback "$rollback" --pace "$script" \
    >"$work/joiner.out" 2>"$work/joiner.err" &
  local joiner_pid=$!
  wait "$host_pid"
  local host_status=$?
  wait "$joiner_pid"
  local joiner_status=$?
  ended=$(date +%s%N)
  if [ -n "$relay_pid" ]; then
    kill "$relay_pid"
    wait "$relay_pid" 2>/dev/null
    relay_pid=
  fi
  local same=yes
  cmp -s "$work/host.out" "$work/joiner.out" || same=no
  [ "$same" = yes ] || failed=1
  for side in host joiner; do
    local status=$host_status
    [ "$side" = joiner ] && status=$joiner_status
    local figures
    figures=$(summary "$work/$side.err")
    if [ "$status" -ne 0 ] || [ -z "$figures" ]; then
      failed=1
      printf '%-14s %5s %8s  %-6s  failed (status %s): %s\n' "$line" "$delay" "$rollback" "$side" \
        "$status" \
        "$(grep -v '^starquell-replay: \(datagrams\|network\|rollbacks\)' "$work/$side.err" | head -n 1)"
      continue
    fi
    read -r n waited after ms longest <<<"$figures"
    read -r datagrams bytes <<<"$(sent "$work/$side.err")"
    read -r rolled deepest slowed <<<"$(rollbacks "$work/$side.err")"
    awk -v line="$line" -v delay="$delay" -v rollback="$rollback" -v side="$side" -v n="$n" \
      -v w="$waited" -v a="$after" -v ms="$ms" -v longest="$longest" -v d="$datagrams" \
      -v b="$bytes" -v same="$same" -v r="$rolled" -v deep="$deepest" -v slow="$slowed" \
      -v ns="$((ended - began))" 'BEGIN {
        s = ns / 1e9
        rs = r < 0 ? "-" : sprintf("%.1f", r / s)
        printf "%-14s %5d %8d  %-6s %6d %7d %7d %8.1f %9d %8d %7s %7s %7s %7.1f %7.0f  %s\n",
          line, delay, rollback, side, n, w, a, 100 * w / n, ms, longest, rs,
          deep < 0 ? "-" : deep, slow < 0 ? "-" : slow, d / s, b / s, same
      }'
  done
}

echo "== real processes: $frames frames a row at 60 a second, $(basename "$script") on both sides"
printf '%-14s %5s %8s  %-6s %6s %7s %7s %8s %9s %8s %7s %7s %7s %7s %7s  %s\n' line delay rollback \
  side frames waited "after" "waited%" "ms_waited" "longest" "rb/s" "deepest" "slowed" "sent/s" \
  "bytes/s" "same_game"
row clean 3 0
row clean 2 8
for delay in 2 3 4 6; do
  row 50+-30ms,5% "$delay" 0 --delay 50 --jitter 30 --loss 0.05 --seed "$delay"
done
row 50+-30ms,5% 2 8 --delay 50 --jitter 30 --loss 0.05 --seed 2
for delay in 3 6; do
  row 100+-50ms,5% "$delay" 0 --delay 100 --jitter 50 --loss 0.05 --seed "$delay"
done
row 100+-50ms,5% 2 8 --delay 100 --jitter 50 --loss 0.05 --seed 3
row 80ms-to-host 3 0 --delay 80 --jitter 0 --loss 0 --one-way host
row 80ms-to-host 2 8 --delay 80 --jitter 0 --loss 0 --one-way host
echo "(after: waited from frame 60 on; rb/s: rollbacks a second; deepest: the most frames run again"
echo " at once; slowed: frame periods the time sync let pass; sent/s and bytes/s: datagrams and UDP"
echo " payload bytes this side sent a second)"
exit "$failed"
