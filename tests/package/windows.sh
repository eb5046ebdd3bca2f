#!/usr/bin/env bash
# The Windows zip as a user meets it, under Wine: exactly the expected files
# in one folder; unzipped into a temporary folder, starquell.exe (carrying
# its icon) started from another folder plays (level 3, no box, sound
# written when ship 1 fires), then starquell-replay.exe started from another
# folder plays the golden duel.
# Usage: tests/package/windows.sh ZIP LINUX_BUILD
# (LINUX_BUILD provides the close helper, tests/e2e/close_window.)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage="usage: tests/package/windows.sh ZIP LINUX_BUILD"
zip=$(realpath "${1:?$usage}") || exit 1
build=$(cd "${2:?$usage}" && pwd) || exit 1
source "$root/scripts/deps.sh"
ensure_packages "${WINE_PACKAGES[@]}" "${E2E_PACKAGES[@]}" || exit 1
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
unzipped=$(mktemp -d)
trap 'rm -rf "$unzipped"' EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}
pass() { echo "package: ok: $*"; }

name=$(basename "$zip" .zip)
expected="$name/
$name/CHANGELOG.txt
$name/LICENSE.txt
$name/README.txt
$name/fire.wav
$name/hit.wav
$name/sound21.wav
$name/starquell-controls.exe
$name/starquell-replay.exe
$name/starquell.exe"
listed=$(cmake -E tar tf "$zip" | sort)
[ "$listed" = "$expected" ] || fail "$zip holds: $listed"
pass "$(basename "$zip"): the $(wc -l <<<"$expected") expected entries"
(cd "$unzipped" && cmake -E tar xf "$zip") || fail "could not unzip $zip"
folder=$unzipped/$name
grep -q $'\r$' "$folder/README.txt" || fail "README.txt has no Windows line ends"
icons=$(LC_ALL=C grep -c -a $'\x89PNG' "$folder/starquell.exe")
[ "$icons" -ge 1 ] || fail "starquell.exe carries no icon"
pass "starquell.exe carries its icon"

# ---- The game from another folder, in a window. A Wine server left running
# by a program started without a display would serve no window: a fresh one,
# started on the check's display, serves the game and then the replay runner.
export E2E_LAUNCHER=$root/tests/wine/wine.sh E2E_CLOSER=$build/tests/e2e/close_window
export E2E_PROGRAM=$folder/starquell.exe
game_dir=$unzipped/elsewhere
mkdir -p "$game_dir"
source "$root/tests/e2e/lib.sh"
trap 'cleanup; rm -rf "$unzipped"; wine_server_release' EXIT
wine_server_hold || fail "no Wine server"
source "$here/play.sh"
play_check
pass "the zip's starquell.exe plays from another folder"

# ---- The replay runner from another folder: the golden duel (after the
# game: Wine's server, started for the game's display, serves it too).
(cd "$unzipped/elsewhere" && "$root/tests/wine/wine.sh" "$folder/starquell-replay.exe" \
  "$root/tests/replay/duel.script") >"$unzipped/duel.lines" 2>"$unzipped/duel.err" ||
  fail "starquell-replay.exe: $(cat "$unzipped/duel.err")"
tr -d '\r' <"$unzipped/duel.lines" | cmp -s - "$root/tests/replay/duel.golden" ||
  fail "starquell-replay.exe differs from the golden duel"
pass "starquell-replay.exe from another folder: the golden duel's $(wc -l <"$unzipped/duel.lines") lines"
