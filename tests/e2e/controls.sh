#!/usr/bin/env bash
# The control toolkit's demo in a real window: typing into the digits-only
# edit field, taking a typed text into the combo box once, and the push
# button's file dialog (a stand-in chooser on PATH answers it; under Wine the
# system's own dialog, answered by typing). What the controls hold is read
# back from the program's output and from screenshots.
# Usage: tests/e2e/controls.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/controls.sh BUILD_DIR}
build=$(cd "$build" && pwd) || exit 1
source "$(dirname "$0")/lib.sh"

demo=$build/tools/controls_demo/starquell-controls${launcher:+.exe}
[ -x "$demo" ] || fail "$demo is not built"

# The file the system's dialog is given under Wine, in the folder it opens in.
touch "$work/notes.txt"
# A chooser that answers like the desktop's would, and says what it was asked.
mkdir -p "$work/bin"
cat >"$work/bin/zenity" <<'CHOOSER'
#!/bin/sh
printf '%s\n' "$@" >"$(dirname "$0")/../chooser.args"
echo /home/user/notes.txt
CHOOSER
chmod +x "$work/bin/zenity"

# Starts the demo, sets game_pid (for clean-up and close_game) and id.
start_demo() {
  # shellcheck disable=SC2086 # the launcher is one word or none
  (cd "$work" && exec env PATH="$work/bin:$PATH" $launcher "$demo") >"$work/demo.out" 2>"$work/starquell.err" &
  game_pid=$!
  id=$(timeout 10 xdotool search --sync --all --pid "$game_pid" --name '^Starquell controls V[0-9]+\.[0-9][0-9]$' | head -n1)
  [ -n "$id" ] || fail "no window titled 'Starquell controls V<version>' appeared within 10 s"
  pass "window '$(xdotool getwindowname "$id")' found"
}

# The program's output so far, one line per line (a Windows program ends
# its lines with CRLF).
said() { tr -d '\r' <"$work/demo.out"; }

# Waits up to 3 s for a line of the program's output.
wait_for_line() {
  for _ in $(seq 60); do
    said | grep -qxF "$1" && return 0
    sleep 0.05
  done
  fail "the program never said '$1'; it said: $(said | tr '\n' '|')"
}

# The pixels of a box around a point of the client area, as one checksum.
crop_sum() {
  local x=$1 y=$2 name=$3
  sleep 0.2
  import -window "$id" "$work/$name.png" || fail "screenshot failed"
  "$magick" "$work/$name.png" -crop "200x18+$((x - 100))+$((y - 9))" +repage rgb:- | md5sum | cut -d' ' -f1
}

start_demo
read -r w h <<<"$(window_size "$id")"
if [ -z "$launcher" ]; then
  [ "$w $h" = "734 531" ] || fail "client area is ${w}x${h}, expected 734x531"
fi
# Control centres as shares of the client area.
edit_x=$((w * 25 / 100)) edit_y=$((h * 20 / 100))
combo_x=$((w * 75 / 100)) combo_y=$((h * 20 / 100))
button_x=$((w * 50 / 100)) button_y=$((h * 88 / 100))
sleep 0.3

empty=$(crop_sum "$edit_x" "$edit_y" empty)
xdotool mousemove --window "$id" "$edit_x" "$edit_y" click 1
xdotool type --delay 40 "12a3"
wait_for_line "edit: 123"
[ "$(said | grep '^edit: ' | tail -n1)" = "edit: 123" ] || fail "the edit field does not end at 123"
filtered=$(crop_sum "$edit_x" "$edit_y" filtered)
[ "$filtered" != "$empty" ] || fail "the typed text does not show in the edit field"
pass "typing 12a3 leaves 123 in the edit field"

# The same field typed as 123 from empty must look the same.
xdotool key BackSpace BackSpace BackSpace
wait_for_line "edit: "
xdotool type --delay 40 "123"
# The typed text reaches the screen when the window system gets round to it
# (later under Wine on a busy machine): look again for up to 3 s.
for _ in $(seq 15); do
  typed=$(crop_sum "$edit_x" "$edit_y" typed)
  [ "$typed" = "$filtered" ] && break
done
[ "$typed" = "$filtered" ] || fail "the filtered field does not look like one holding 123"
pass "the screenshot shows 123, as typing 123 does"

xdotool mousemove --window "$id" $((combo_x - 30)) "$combo_y" click 1
for _ in 1 2; do
  xdotool type --delay 40 "Red"
  xdotool key Return
done
wait_for_line "combo has: red"
[ "$(said | grep -c '^combo added: red$')" -eq 1 ] || fail "red was not added exactly once"
[ "$(said | grep '^combo items: ' | tail -n1)" = "combo items: 1" ] || fail "the combo box does not hold one item"
pass "Red typed twice with Return adds red once"

list_row=$((h * 55 / 100 - h * 40 / 200 + 9))  # the list box's first row
before=$(crop_sum "$button_x" "$list_row" list_before)
xdotool mousemove --window "$id" "$button_x" "$button_y" click 1
if [ -n "$launcher" ]; then
  # The system's dialog, titled Browse, opens with its file name field focused.
  [ -n "$(wait_for_window_titled Browse)" ] || fail "no file dialog titled Browse appeared"
  sleep 0.5
  xdotool type --delay 40 notes.txt
  xdotool key Return
fi
wait_for_line "list: extension: .txt"
said | grep -qxF "list: name: notes.txt" || fail "the file name is not in the list"
if [ -z "$launcher" ]; then
  grep -qxF -- "--title=Browse" "$work/chooser.args" || fail "the chooser was not asked with the title Browse"
fi
[ "$(crop_sum "$button_x" "$list_row" list_after)" != "$before" ] || fail "the list box shows no new row"
pass "the file dialog's answer lists notes.txt and .txt"

close_game
