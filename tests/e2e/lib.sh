# Shared set-up of the real-window checks, sourced by each check script:
# fail/pass, a private Xvfb display, ImageMagick, the built program, window
# sizes, the picture checks, and clean-up of everything started.
# Expects: build (the build folder), set before sourcing.
# Under Wine (tests/wine/run.sh) the same checks drive the Windows programs:
# E2E_LAUNCHER names what runs them (tests/wine/wine.sh), build is the Windows
# build, and E2E_CLOSER is the close helper of a Linux build.

launcher=${E2E_LAUNCHER:-}
if [ -n "$launcher" ]; then
  export WINEPREFIX=${WINEPREFIX:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)/build/wine-prefix}
  source "$(dirname "${BASH_SOURCE[0]}")/../wine/server.sh"
  exe=$build/app/starquell.exe
  sound_dir=$build/app
else
  exe=$build/app/starquell
  sound_dir=$build/sounds
fi
# An installed or unpacked program instead of the build's (tests/package/).
[ -n "${E2E_PROGRAM:-}" ] && exe=$E2E_PROGRAM
closer=${E2E_CLOSER:-$build/tests/e2e/close_window}
# The Linux replay runner (under Wine the checks are given the Linux build's).
runner=${E2E_RUNNER:-$build/tools/replay/starquell-replay}
title='Starquell. Early concept demo only.'
title_pattern='^Starquell\. Early concept demo only\.$'
light_grey='192,192,192'

fail() {
  echo "e2e: FAIL: $*" >&2
  if [ -s "${work:-/nonexistent}/starquell.err" ]; then
    echo "--- starquell stderr:" >&2
    cat "$work/starquell.err" >&2
  fi
  exit 1
}
pass() { echo "e2e: ok: $*"; }

[ -x "$exe" ] || fail "$exe is not built"
[ -x "$closer" ] || fail "$closer is not built"
for tool in Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || fail "$tool is not installed"
done
# Another 'convert' may come first in PATH; ImageMagick's is wanted.
magick=/usr/bin/convert
[ -x "$magick" ] || magick=$(command -v convert-im6.q16 || true)
[ -n "$magick" ] && [ -x "$magick" ] || fail "ImageMagick's convert is not installed"

work=$(mktemp -d)
xvfb_pid=
game_pid=
cleanup() {
  [ -n "$game_pid" ] && kill "$game_pid" 2>/dev/null
  # Wine's server and its helper processes hold the display: they go first.
  [ -n "$launcher" ] && timeout 20 wineserver -k 2>/dev/null
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A private display, so nothing else on the machine is touched; a check may
# set e2e_screen (WIDTHxHEIGHTxDEPTH) before sourcing this.
Xvfb -displayfd 3 -screen 0 "${e2e_screen:-1280x1024x24}" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.err" &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.05
done
[ -s "$work/display" ] || fail "Xvfb did not start: $(cat "$work/xvfb.err")"
export DISPLAY=":$(cat "$work/display")"
unset WAYLAND_DISPLAY
# A Wine server held for the whole run (tests/wine/server.sh) starts again on
# this display, and serves the check till its clean-up ends it with the rest.
if [ -n "$launcher" ] && wine_server_held; then
  wine_server_start || fail "no Wine server"
fi
export SDL_AUDIODRIVER=dummy
# Games played here are recorded into the check's own data folder.
export XDG_DATA_HOME=$work/data
# Sanitizer builds: leaks of system libraries behind SDL are not ours.
export LSAN_OPTIONS="suppressions=$(cd "$(dirname "$0")" && pwd)/lsan.supp${LSAN_OPTIONS:+:$LSAN_OPTIONS}"

# NAME=VALUE settings under which the program's mixed sound goes to FILE:
# SDL's disk driver; under Wine, an ALSA default device that writes the file
# (Wine's sound driver plays to ALSA's default device).
audio_capture_env() {
  local file=$1
  if [ -n "$launcher" ]; then
    mkdir -p "$work/home"
    printf 'pcm.!default {\n type file\n slave.pcm "null"\n file "%s"\n format "raw"\n}\n' \
      "$file" >"$work/home/.asoundrc"
    echo "HOME=$work/home"
  else
    echo "SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=$file"
  fi
}

# width height of a window, as the X server has it
window_size() { xwininfo -id "$1" | awk '/Width:/ {w=$2} /Height:/ {h=$2} END {print w, h}'; }

# Every colour of a screenshot must come from the back buffer's palette (each
# channel a multiple of 51); the class background's light grey is not one.
check_picture() {
  local png=$1 want_w=$2 want_h=$3 what=$4
  local size
  size=$("$magick" "$png" -format '%w %h' info:) || fail "$what: unreadable screenshot"
  [ "$size" = "$want_w $want_h" ] || fail "$what: screenshot is $size, expected $want_w $want_h"
  local colours
  colours=$("$magick" "$png" -unique-colors -depth 8 txt:- |
    sed -n 's/^[0-9]*,[0-9]*: *(\([0-9.]*\),\([0-9.]*\),\([0-9.]*\).*/\1,\2,\3/p')
  [ -n "$colours" ] || fail "$what: no colours read from the screenshot"
  local c
  for c in $colours; do
    [ "$c" = "$light_grey" ] && fail "$what: the light-grey class background shows"
    local r g b
    IFS=, read -r r g b <<<"$c"
    if ((r % 51 || g % 51 || b % 51)); then
      fail "$what: colour $c is not from the back buffer's palette"
    fi
  done
  pass "$what: ${want_w}x${want_h}, colours $(echo $colours | tr '\n' ' ')"
}

# Screenshot of the window into $work/NAME.png; prints the file's name.
shot() {
  import -window "$id" "$work/$1.png" || fail "screenshot failed"
  echo "$work/$1.png"
}

# expect_colours PNG WHAT x,y=r,g,b ...: pixels of the client area (x, y from
# its top left) have the colours given. One ImageMagick call reads them all.
expect_colours() {
  local png=$1 what=$2
  shift 2
  local sample format=
  for sample in "$@"; do
    local at=${sample%%=*}
    local x=$((${at%,*} + client_x)) y=$((${at#*,} + client_y))
    format+="%[fx:int(255*p{$x,$y}.r+.5)],%[fx:int(255*p{$x,$y}.g+.5)],%[fx:int(255*p{$x,$y}.b+.5)] "
  done
  local got
  read -r -a got <<<"$("$magick" "$png" -format "$format" info:)" || fail "$what: unreadable screenshot"
  local i=0
  for sample in "$@"; do
    [ "${got[i]:-}" = "${sample#*=}" ] || fail "$what: pixel (${sample%%=*}) is ${got[i]:-nothing}, expected ${sample#*=}"
    i=$((i + 1))
  done
  pass "$what"
}

# Finds the client area in a screenshot of the window by the arena's grey
# border, which runs 9 pixels in from the left and right edges, 6 from the top
# and 8 from the bottom: sets client_x, client_y (its offset in the window)
# and client_w, client_h. The window system may put the client anywhere in
# the window it shows (Wine's does without a window manager).
client_area() {
  local box
  box=$("$magick" "$1" -fill black +opaque 'rgb(153,153,153)' -format '%@' info:) ||
    fail "unreadable screenshot $1"
  [[ $box =~ ^([0-9]+)x([0-9]+)\+([0-9]+)\+([0-9]+)$ ]] || fail "no grey border in $1 ($box)"
  client_w=$((BASH_REMATCH[1] + 17))
  client_h=$((BASH_REMATCH[2] + 13))
  client_x=$((BASH_REMATCH[3] - 9))
  client_y=$((BASH_REMATCH[4] - 6))
}
client_x=0
client_y=0

# Waits until the window has the given size, then lets a few frames pass.
wait_for_size() {
  local id=$1 w=$2 h=$3
  for _ in $(seq 100); do
    [ "$(window_size "$id")" = "$w $h" ] && break
    sleep 0.05
  done
  [ "$(window_size "$id")" = "$w $h" ] || fail "window did not become ${w}x${h}"
  sleep 0.3
}


# Starts the program from its sound folder (as ./run.sh does), or from
# $game_dir when set, with the given environment settings (NAME=VALUE ...),
# sets game_pid, and waits for its window: sets id. The program's arguments
# are in the array game_args (none when unset). Wine's loader keeps the
# process id, so game_pid is the program's own and its status is the program's.
start_game() {
  local run_dir=${game_dir:-$work}
  [ -z "${game_dir:-}" ] && [ -d "$sound_dir" ] && run_dir=$sound_dir
  local start_ms=$(($(date +%s%N) / 1000000))
  # shellcheck disable=SC2086 # the launcher is one word or none
  (cd "$run_dir" && exec env "$@" $launcher "$exe" ${game_args[@]+"${game_args[@]}"}) \
    >"$work/starquell.out" 2>"$work/starquell.err" &
  game_pid=$!
  id=$(timeout 10 xdotool search --sync --all --pid "$game_pid" --name "$title_pattern" | head -n1)
  [ -n "$id" ] || fail "no window titled '$title' appeared within 10 s"
  pass "window '$title' found after $(($(date +%s%N) / 1000000 - start_ms)) ms"
}

# Waits up to 5 s for a top-level window titled exactly TITLE and prints its
# id (nothing when none came). Message boxes and dialogs are found this way:
# xdotool's search misses titles set only as UTF-8.
wait_for_window_titled() {
  local found=
  for _ in $(seq 100); do
    found=$(xwininfo -root -tree | awk -v title="\"$1\"" 'index($0, title) {print $1; exit}')
    [ -n "$found" ] && break
    sleep 0.05
  done
  echo "$found"
}

# Waits up to 10 s for the program whose pid is in the variable named PIDVAR
# (game_pid unless given) to end (Wine takes about 2 s to take a process
# down); sets status (empty if it still runs) and empties the variable.
wait_for_exit() {
  local var=${1:-game_pid}
  status=
  for _ in $(seq 200); do
    if ! kill -0 "${!var}" 2>/dev/null; then
      wait "${!var}"
      status=$?
      printf -v "$var" ''
      return
    fi
    sleep 0.05
  done
}

# Answers message box BOX with Return, again while it stays (it takes keys
# once shown), until the program in PIDVAR (game_pid unless given) ends;
# sets status as wait_for_exit does.
answer_box() {
  for _ in 1 2 3; do
    xdotool key --window "$1" Return 2>/dev/null
    wait_for_exit "${2:-game_pid}"
    [ -n "$status" ] && break
  done
}

# Sends the close request a title-bar close button sends and expects status 0.
close_game() {
  kill -0 "$game_pid" 2>/dev/null || fail "starquell ended before it was asked to close"
  "$closer" "$id" || fail "could not send the close request"
  wait_for_exit
  [ -n "$status" ] || fail "starquell still runs 10 s after the close request"
  [ "$status" -eq 0 ] || fail "starquell ended with status $status after the close request"
  pass "close request ended starquell with status 0"
}
