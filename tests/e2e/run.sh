#!/usr/bin/env bash
# Every real-window check (tests/e2e/*.sh but this one and lib.sh), each on its
# own private Xvfb display, in name order.
# Usage: tests/e2e/run.sh BUILD_DIR
set -uo pipefail
build=${1:?usage: tests/e2e/run.sh BUILD_DIR}
here=$(cd "$(dirname "$0")" && pwd)
for check in "$here"/*.sh; do
  case "$(basename "$check")" in run.sh | lib.sh) continue ;; esac
  echo "== e2e: $(basename "$check" .sh)"
  bash "$check" "$build" || exit 1
done
echo "e2e: all checks passed"
