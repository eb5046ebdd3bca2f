#!/usr/bin/env bash
# Game controllers in the real program: tests/e2e/pad_check runs it on the SDL
# backend and plays it with SDL's virtual controllers (level click in the
# locked time, ship 0 firing, ship 1 steering with a second controller, both
# detached while held), checking the game's state frame by frame.
# Usage: tests/e2e/controllers.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/controllers.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

if [ -n "$launcher" ]; then
  echo "e2e: skipped: game controllers belong to the SDL backend"
  exit 0
fi
checker=$build/tests/e2e/pad_check
[ -x "$checker" ] || fail "$checker is not built"

# The window need not have the focus for the virtual controllers to be read.
(cd "$sound_dir" && exec env SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1 timeout 60 "$checker" \
  "$work/frames") >"$work/checks" 2>"$work/starquell.err"
status=$?
[ "$status" -ne 124 ] || fail "pad_check still ran after 60 s"
sed 's/^/  /' "$work/checks"
if [ "$status" -ne 0 ]; then
  echo "--- frames 145-240 (frame, ship 0 x y heading arm state last-shot, ship 1 the same, level):" >&2
  sed -n '146,241p' "$work/frames" >&2
  fail "pad_check ended with status $status"
fi
grep -q '^Controller [0-9]* (.*) plays ship 0$' "$work/starquell.err" ||
  fail "no line on standard error says which controller plays ship 0"
grep -q '^Controller [0-9]* (.*) plays ship 1$' "$work/starquell.err" ||
  fail "no line on standard error says which controller plays ship 1"
pass "virtual controllers: $(grep -c ': ok:' "$work/checks") checks, standard error names both ships' controllers"
