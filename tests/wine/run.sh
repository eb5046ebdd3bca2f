#!/usr/bin/env bash
# The Windows builds under Wine, an independent implementation of the Windows
# API. First the test suites and the replay runner's golden duel, cross-built
# on our own platform layer (their ctest runs each program through
# tests/wine/wine.sh); then starquell.exe, built against the real <windows.h>
# with its sound files beside it, driven through the window system by the game
# and sound checks of tests/e2e. Installs Wine and the real-window tools where
# they are missing. Wine's prefix is build/wine-prefix.
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

started=$(date +%s)
echo "== wine: the test suites and the replay's golden duel"
ctest --test-dir "$windows_tests" --output-on-failure -j "$(nproc)" --timeout 300 |
  tee "$windows_tests/ctest.log"
[ "${PIPESTATUS[0]}" -eq 0 ] || exit 1

for check in game sound; do
  echo "== wine: $check check on starquell.exe"
  E2E_LAUNCHER=$here/wine.sh E2E_CLOSER=$linux/tests/e2e/close_window \
    bash "$root/tests/e2e/$check.sh" "$windows" || exit 1
done
echo "wine: all checks passed in $(($(date +%s) - started)) s"
