#!/usr/bin/env bash
# Installs what is missing, then builds and runs every test twice: in a normal
# build and in an AddressSanitizer + UndefinedBehaviorSanitizer build; builds
# everything in g++'s Release (its -O3 warnings) and with clang in Release and runs every fuzz target briefly; builds the
# program and the tests for Windows; then the real-window checks, the Windows
# builds under Wine where Wine is installed or can be installed, the Debian
# package and the Windows zip where their tools can be installed, and the
# browser build in headless chromium where emscripten and chromium are or can be.
# Everything is written under build/: a run that changes the checkout fails.
set -euo pipefail
cd "$(dirname "$0")"
checkout_before=$(scripts/checkout_state.sh)
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}" "${E2E_PACKAGES[@]}" "${WINDOWS_PACKAGES[@]}"

jobs=$(nproc)
echo "== style"
find . -path ./build -prune -o -path ./.git -prune -o \( -name '*.cpp' -o -name '*.h' \) -print |
  xargs clang-format --dry-run -Werror
echo "== layers (which folders each folder may include from: scripts/layers.txt)"
scripts/check_layers_test.sh
scripts/check_layers.sh

echo "== normal build"
cmake -S . -B build/normal -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/normal -j "$jobs"
ctest --test-dir build/normal --output-on-failure -j "$jobs" | tee build/normal/ctest.log

echo "== g++ Release build (what -O3 alone warns about)"
cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$jobs"

echo "== sanitizer build"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DSTARQUELL_SANITIZE=ON >/dev/null
cmake --build build/sanitize -j "$jobs"
ctest --test-dir build/sanitize --output-on-failure -j "$jobs" | tee build/sanitize/ctest.log

echo "== soak (sanitizer build of the replay runner, random input and window sizes)"
tools/replay/soak.sh build/sanitize/tools/replay/starquell-replay 20000

echo "== clang Release build of the whole tree, every fuzz target for a few seconds"
FUZZ_BUILD=all FUZZ_SECONDS=5 FUZZ_MERGE=0 fuzz/run.sh

echo "== windows build (the same sources against the real <windows.h>)"
cmake -S . -B build/windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/windows -j "$jobs"

echo "== windows test build (the tests on our platform layer, for Wine)"
cmake -S . -B build/windows-tests -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSTARQUELL_WIN32_SHIM=ON >/dev/null
cmake --build build/windows-tests -j "$jobs"

e2e=0
if [ -x tests/e2e/run.sh ]; then
  echo "== end-to-end"
  tests/e2e/run.sh build/normal
  e2e=1
fi

# Tests a ctest log counted.
ran() { sed -n 's/.*tests failed out of \([0-9]*\).*/\1/p' "$1" | tail -n 1; }

# Wine, where it is installed or can be installed in a few minutes: the Windows
# test build's ctest and the window checks on starquell.exe.
wine=0
if timeout 600 bash -c 'source scripts/deps.sh && ensure_packages "${WINE_PACKAGES[@]}"'; then
  echo "== wine"
  tests/wine/run.sh build/windows build/windows-tests build/normal
  wine=$(($(ran build/windows-tests/ctest.log) + $(ran build/windows/ctest.log) + 1))
else
  echo "== wine: skipped, Wine is not installed and could not be installed"
fi

# The packages, where the package tools are installed or can be installed:
# the Debian package (its contents, lintian, the menu entry and metainfo, its
# programs unpacked and started from /), and the Windows zip under Wine.
packages=0
if timeout 600 bash -c 'source scripts/deps.sh && ensure_packages "${PACKAGE_PACKAGES[@]}"'; then
  echo "== packages"
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/normal/CMakeCache.txt)
  make package JOBS="$jobs"
  tests/package/deb.sh "build/package/starquell_${version}_amd64.deb" build/normal
  packages=1
  if [ "$wine" -gt 0 ]; then
    make package-windows JOBS="$jobs"
    tests/package/windows.sh "build/package/starquell-${version}-windows-x64.zip" build/normal
    packages=2
  fi
else
  echo "== packages: skipped, the package tools are not installed and could not be installed"
fi

# The browser build, where emscripten and chromium are installed or can be
# installed: built by Debian's emscripten, checked in headless chromium.
web=0
if timeout 900 bash -c 'source scripts/deps.sh && ensure_packages "${WEB_PACKAGES[@]}"'; then
  echo "== web"
  make web
  tests/web/run.sh build/web build/normal
  web=1
else
  echo "== web: skipped, emscripten or chromium is not installed and could not be installed"
fi

# Nothing of the checkout changed: what the run wrote went under build/.
echo "== checkout unchanged"
changed=$({ diff <(echo "$checkout_before") <(scripts/checkout_state.sh) || true; } |
  sed -n 's/^> \(..*\)/  now:    \1/p; s/^< \(..*\)/  before: \1/p')
if [ -n "$changed" ]; then
  echo "the run changed the checkout (git status before and after; status, path, content):" >&2
  echo "$changed" >&2
  exit 1
fi

# One closing line for the whole run: every ctest test of both builds, the soak,
# the end-to-end check, the Wine runs, the package checks and the browser check
# (a failure stops the script before this line).
total=$(( $(ran build/normal/ctest.log) + $(ran build/sanitize/ctest.log) + 1 + e2e + wine + packages + web ))
echo "tests: $total passed, 0 failed"
