#!/usr/bin/env bash
# Soak: the replay runner over generated scripts of random input, with resizes
# down to 1 x 1 and 0 x 0. Any sanitizer report, message box or non-zero
# status fails it.
# Usage: tools/replay/soak.sh RUNNER TOTAL_FRAMES [FRAMES_PER_RUN] [SEED]
set -uo pipefail
runner=${1:?usage: soak.sh RUNNER TOTAL_FRAMES [FRAMES_PER_RUN] [SEED]}
total=${2:?usage: soak.sh RUNNER TOTAL_FRAMES [FRAMES_PER_RUN] [SEED]}
per_run=${3:-5000}
seed=${4:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# One script of random presses, releases and resizes over the given frames.
generate() {
  awk -v seed="$1" -v frames="$2" 'BEGIN {
    srand(seed)
    for (f = 1; f < frames; f++) {
      r = rand()
      if (r < 0.08) printf "%d key %d %s\n", f, (rand() < 0.5 ? 88 : 90), (rand() < 0.6 ? "down" : "up")
      else if (r < 0.16) printf "%d mouse %s %s\n", f, (rand() < 0.5 ? "left" : "right"), (rand() < 0.6 ? "down" : "up")
      else if (r < 0.163) {
        t = rand()
        if (t < 0.15) { w = 0; h = 0 }
        else if (t < 0.3) { w = 1; h = 1 }
        else if (t < 0.6) { w = int(rand() * 24); h = int(rand() * 24) }
        else { w = 50 + int(rand() * 850); h = 40 + int(rand() * 660) }
        printf "%d resize %d %d\n", f, w, h
      }
    }
  }'
}

frames=0
runs=0
start=$(date +%s)
while [ "$frames" -lt "$total" ]; do
  n=$per_run
  [ $((total - frames)) -lt "$n" ] && n=$((total - frames))
  script=$work/run.script
  generate $((seed + runs)) "$n" >"$script"
  "$runner" --frames "$n" "$script" >"$work/out" 2>"$work/err"
  status=$?
  if [ "$status" -ne 0 ] || [ -s "$work/err" ]; then
    keep=$(mktemp /tmp/soak-failure.XXXXXX.script)
    cp "$script" "$keep"
    echo "soak: FAIL: run $runs (seed $((seed + runs))) ended with status $status; script kept in $keep" >&2
    head -n 40 "$work/err" >&2
    exit 1
  fi
  frames=$((frames + n))
  runs=$((runs + 1))
done
echo "soak: $frames frames in $runs runs, $(($(date +%s) - start)) s, no reports"
