#!/usr/bin/env bash
# Game controllers in the real program: tests/e2e/pad_check runs it on the SDL
# backend and plays it with SDL's virtual controllers (level click in the
# locked time, ship 0 firing, ship 1 steering with a second controller, both
# detached while held), checking the game's state frame by frame; then again
# with a first controller SDL has no mapping for, which plays only through
# the gamecontrollerdb.txt in the folder the game runs in.
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

# Runs pad_check in FOLDER with ARGS; the window need not have the focus for
# the virtual controllers to be read.
play() {
  local folder=$1 what=$2
  shift 2
  (cd "$folder" && exec env SDL_JOYSTICK_ALLOW_BACKGROUND_EVENTS=1 timeout 60 "$checker" \
    "$work/frames" "$@") >"$work/checks" 2>"$work/starquell.err"
  status=$?
  [ "$status" -ne 124 ] || fail "$what: pad_check still ran after 60 s"
  sed 's/^/  /' "$work/checks"
  if [ "$status" -ne 0 ]; then
    echo "--- frames 145-240 (frame, ship 0 x y heading arm state last-shot, ship 1 the same, level):" >&2
    sed -n '146,241p' "$work/frames" >&2
    fail "$what: pad_check ended with status $status"
  fi
  grep -q '^Controller [0-9]* (.*) plays walker 0$' "$work/starquell.err" ||
    fail "$what: no line on standard error says which controller plays walker 0"
  grep -q '^Controller [0-9]* (.*) plays walker 1$' "$work/starquell.err" ||
    fail "$what: no line on standard error says which controller plays walker 1"
  pass "$what: $(grep -c ': ok:' "$work/checks") checks, standard error names both ships' controllers"
}

play "$sound_dir" "controllers SDL knows"

guid=$("$checker" --print-guid) || fail "cannot make a joystick to map"
mkdir -p "$work/data"
cp "$sound_dir"/*.wav "$work/data/"
echo "$guid,Test Pad,a:b0,b:b1,x:b2,y:b3,back:b4,guide:b5,start:b6,leftstick:b7,rightstick:b8,leftshoulder:b9,rightshoulder:b10,dpup:b11,dpdown:b12,dpleft:b13,dpright:b14,leftx:a0,lefty:a1,rightx:a2,righty:a3,lefttrigger:a4,righttrigger:a5,platform:Linux," \
  >"$work/data/gamecontrollerdb.txt"
play "$work/data" "a controller mapped by gamecontrollerdb.txt" --plain-first
grep -q '^Controller [0-9]* (Test Pad) plays walker 0$' "$work/starquell.err" ||
  fail "the mapped joystick is not named by its gamecontrollerdb.txt name"
pass "the mapped joystick plays walker 0 as 'Test Pad'"
