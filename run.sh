#!/usr/bin/env bash
# Installs what is missing, builds, and starts the game in a window.
set -euo pipefail
cd "$(dirname "$0")"
source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${E2E_PACKAGES[@]}"

build=build/normal
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j "$(nproc)"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "The game is built ($build/app/starquell), but there is no display to open its window on:" >&2
  echo "DISPLAY is not set. Start ./run.sh from a desktop session, or on a virtual display:" >&2
  echo "  xvfb-run -a ./run.sh" >&2
  exit 1
fi

# The game opens its sound files by relative name, so it runs from their folder.
sounds=$build/sounds
mkdir -p "$sounds"
cd "$sounds"
exec ../app/starquell
