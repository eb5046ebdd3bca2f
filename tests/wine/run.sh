#!/usr/bin/env bash
# The Windows builds under Wine, an independent implementation of the Windows
# API. First the test suites and the replay runner's golden duel, cross-built
# on our own platform layer, and the sound library's waveOut output (each
# build's ctest runs its programs through tests/wine/wine.sh); then the
# programs built against the real <windows.h>, starquell.exe with its sound
# files beside it and starquell-controls.exe, driven through the window system
# by every check of tests/e2e (the computer's network game through the Linux
# build's relay). Installs Wine and the real-window tools where
# they are missing. Wine's prefix is build/wine-prefix; one persistent Wine
# server serves the whole run (tests/wine/server.sh) and ends with it, also
# when it fails or is interrupted.
# Usage: tests/wine/run.sh WINDOWS_BUILD WINDOWS_TESTS_BUILD LINUX_BUILD
# (LINUX_BUILD provides the close helper, tests/e2e/close_window.)
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
usage="usage: tests/wine/run.sh WINDOWS_BUILD WINDOWS_TESTS_BUILD LINUX_BUILD"
windows=$(cd "${1:?$usage}" && pwd) || exit 1
windows_tests=$(cd "${2:?$usage}" && pwd) || exit 1
linux=$(cd "${3:?$usage}" && pwd) || exit 1
source "$root/scripts/deps.sh"
ensure_packages "${WINE_PACKAGES[@]}" "${E2E_PACKAGES[@]}" || exit 1
export WINEPREFIX=${WINEPREFIX:-$root/build/wine-prefix}
source "$here/server.sh"

started=$(date +%s)
wine_server_hold || exit 1
trap wine_server_release EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
trap 'exit 129' HUP
for build in "$windows_tests" "$windows"; do
  echo "== wine: the tests of $build"
  ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 300 | tee "$build/ctest.log"
  [ "${PIPESTATUS[0]}" -eq 0 ] || exit 1
done

echo "== wine: the Windows programs need system DLLs only and carry the version"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$windows/CMakeCache.txt")
for program in "$windows/app/starquell.exe" "$windows/tools/controls_demo/starquell-controls.exe"; do
  dlls=$(x86_64-w64-mingw32-objdump -p "$program" | sed -n 's/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
  for dll in $dlls; do
    case $dll in
      kernel32.dll | user32.dll | gdi32.dll | winmm.dll | comdlg32.dll | version.dll | msvcrt.dll | \
        ws2_32.dll | bcrypt.dll) ;;
      *)
        echo "wine: FAIL: $program needs $dll, which Windows does not bring" >&2
        exit 1
        ;;
    esac
  done
  # The version resource's strings are UTF-16: without the NUL bytes they read as text.
  tr -d '\0' <"$program" | grep -a "FileVersion$version" >/dev/null ||
    { echo "wine: FAIL: $program carries no version $version" >&2; exit 1; }
  echo "wine: ok: $(basename "$program"): version $version, needs" $dlls
done

echo "== wine: the real-window checks on the Windows programs"
E2E_LAUNCHER=$here/wine.sh E2E_CLOSER=$linux/tests/e2e/close_window \
  E2E_RUNNER=$linux/tools/replay/starquell-replay E2E_RELAY=$linux/tools/relay/starquell-relay \
  "$root/tests/e2e/run.sh" "$windows" || exit 1
echo "wine: all checks passed in $(($(date +%s) - started)) s"
