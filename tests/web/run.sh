#!/usr/bin/env bash
# The browser build in headless chromium (tests/web/page.py); installs the
# Debian packages it needs when they are missing.
# Usage: tests/web/run.sh WEB_DIR NORMAL_BUILD_DIR
set -euo pipefail
web=${1:?usage: tests/web/run.sh WEB_DIR NORMAL_BUILD_DIR}
normal=${2:?usage: tests/web/run.sh WEB_DIR NORMAL_BUILD_DIR}
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/deps.sh"
ensure_packages "${WEB_PACKAGES[@]}"
# Debian's python3, where selenium is installed, whatever else stands first on PATH.
exec /usr/bin/python3 "$root/tests/web/page.py" "$web" "$normal"
