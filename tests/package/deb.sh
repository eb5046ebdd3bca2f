#!/usr/bin/env bash
# The Debian package as a user meets it: exactly the expected files, lintian
# with no error or warning but those in packaging/lintian-notes, a valid menu
# entry and metainfo; unpacked into a temporary root, its starquell started
# from / plays (level 3, firing heard, no box) and its starquell-replay plays
# the golden duel from / with the golden lines. Also `cmake --install` of the
# build into a prefix that is then moved: its replay runner still finds its
# sounds.
# Usage: tests/package/deb.sh DEB LINUX_BUILD
# (LINUX_BUILD provides the close helper, tests/e2e/close_window.)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage="usage: tests/package/deb.sh DEB LINUX_BUILD"
deb=$(realpath "${1:?$usage}") || exit 1
build=$(cd "${2:?$usage}" && pwd) || exit 1
unpacked=$(mktemp -d)
moved=$(mktemp -d)
trap 'rm -rf "$unpacked" "$moved"' EXIT

fail() {
  echo "package: FAIL: $*" >&2
  exit 1
}
pass() { echo "package: ok: $*"; }

# ---- What is in it.
dpkg-deb --contents "$deb" | awk '{print $6}' | sed 's|^\./||; s|/$||' | grep -v '^$' | sort \
  >"$unpacked.list"
diff -u "$here/deb.contents" "$unpacked.list" >&2 || { rm -f "$unpacked.list"; fail "$deb holds other files than tests/package/deb.contents"; }
rm -f "$unpacked.list"
pass "$(basename "$deb"): the $(wc -l <"$here/deb.contents") expected files and folders"
dpkg-deb --field "$deb" Depends | grep -q 'libsdl2-mixer' || fail "no dependency on SDL2_mixer found"
pass "depends on: $(dpkg-deb --field "$deb" Depends)"

# ---- lintian, with the accepted tags of packaging/lintian-notes.
accepted=$(sed 's/#.*//' "$root/packaging/lintian-notes" | tr -s ' \n' ',' | sed 's/^,//; s/,$//')
report=$(lintian --tag-display-limit 0 --suppress-tags "$accepted" "$deb" 2>&1 | grep -v 'root privileges')
if grep -E '^[EW]: ' <<<"$report" >&2; then fail "lintian reports errors or warnings"; fi
pass "lintian: no errors or warnings (accepted: $accepted)"

# ---- Unpacked: the menu entry and the metainfo.
dpkg-deb -x "$deb" "$unpacked" || fail "dpkg-deb -x failed"
desktop=$unpacked/usr/share/applications/org.starquell.Starquell.desktop
desktop-file-validate "$desktop" || fail "desktop-file-validate: $desktop"
pass "desktop-file-validate: $(basename "$desktop")"
report=$(appstreamcli validate --no-net "$unpacked/usr/share/metainfo/org.starquell.Starquell.metainfo.xml" 2>&1) ||
  fail "appstreamcli validate: $report"
pass "appstreamcli validate --no-net: org.starquell.Starquell.metainfo.xml"

# ---- Its replay runner from /: the golden duel.
(cd / && "$unpacked/usr/games/starquell-replay" "$root/tests/replay/duel.script") \
  >"$moved/duel.lines" 2>"$moved/duel.err" || fail "starquell-replay: $(cat "$moved/duel.err")"
[ -s "$moved/duel.err" ] && fail "starquell-replay reported: $(cat "$moved/duel.err")"
cmp -s "$moved/duel.lines" "$root/tests/replay/duel.golden" || fail "the package's replay runner differs from the golden duel"
pass "starquell-replay from /: the golden duel's $(wc -l <"$moved/duel.lines") lines"

# ---- The build installed into a prefix, then the prefix moved.
cmake --install "$build" --prefix "$moved/first" >/dev/null || fail "cmake --install failed"
mv "$moved/first" "$moved/second"
(cd / && "$moved/second/bin/starquell-replay" "$root/tests/replay/duel.script") \
  >"$moved/duel.lines" 2>"$moved/duel.err" || fail "installed starquell-replay: $(cat "$moved/duel.err")"
cmp -s "$moved/duel.lines" "$root/tests/replay/duel.golden" || fail "the moved install's replay runner differs from the golden duel"
pass "cmake --install, the prefix moved: starquell-replay from / plays the golden duel"

# ---- Its game from /, in a window.
export E2E_PROGRAM=$unpacked/usr/games/starquell
game_dir=/
source "$root/tests/e2e/lib.sh"
trap 'cleanup; rm -rf "$unpacked" "$moved"' EXIT
source "$here/play.sh"
play_check
pass "the package's starquell plays from /"
