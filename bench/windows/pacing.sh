#!/usr/bin/env bash
# The frame pacing of the Windows program under Wine: starquell-pacing.exe (the
# program with a frame stamp on every paint) on a private Xvfb display, from
# the folder of the sound files; prints the mean and standard deviation of 600
# frame periods. A measurement, not a check.
# Usage: bench/windows/pacing.sh WINDOWS_BUILD LINUX_BUILD
set -uo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
usage="usage: bench/windows/pacing.sh WINDOWS_BUILD LINUX_BUILD"
build=$(cd "${1:?$usage}" && pwd) || exit 1
linux=$(cd "${2:?$usage}" && pwd) || exit 1
export E2E_LAUNCHER=$root/tests/wine/wine.sh E2E_CLOSER=$linux/tests/e2e/close_window
source "$root/tests/e2e/lib.sh"
# Its own Wine server (tests/wine/server.sh), ended at exit.
wine_server_hold || fail "no Wine server"
trap 'cleanup; wine_server_release' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

pacing=$build/bench/windows/starquell-pacing.exe
[ -x "$pacing" ] || fail "$pacing is not built"
(cd "$sound_dir" && timeout 120 "$launcher" "$pacing" 2>"$work/starquell.err") | tee "$work/pacing.out" ||
  fail "the measurement did not finish"
grep -q '^frame period over 600 frames' "$work/pacing.out" || fail "no measurement"
