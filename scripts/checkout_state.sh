#!/usr/bin/env bash
# What of the checkout differs from its last commit, as it is on disk: one
# line per path (git's two status letters, the path, and the hash of what the
# file holds now, or - when it is gone), ignored files included, the build
# trees (build/, build-*/) left out. Two of these taken around a run show what
# the run wrote into the source tree, also into files that differed already.
# Writes nothing into the repository. Prints nothing outside a git checkout.
# Usage: scripts/checkout_state.sh
set -euo pipefail
cd "$(dirname "$0")/.."
git rev-parse --is-inside-work-tree >/dev/null 2>&1 || exit 0

while IFS= read -r -d '' entry; do
  status=${entry:0:2}
  path=${entry:3}
  # A rename or copy names its origin next: that path has a line of its own.
  case $status in R* | C*) IFS= read -r -d '' _ ;; esac
  if [ -f "$path" ] || [ -L "$path" ]; then
    hash=$(git hash-object --no-filters -- "$path")
  elif [ -d "$path" ]; then
    hash=$(find "$path" -type f -print0 | LC_ALL=C sort -z | xargs -0r sha1sum | sha1sum | cut -c1-40)
  else
    hash=-
  fi
  printf '%s %s %s\n' "$status" "$path" "$hash"
done < <(git status --porcelain=v1 -z --untracked-files=all --ignored=traditional -- . \
  ':(exclude)build' ':(exclude)build-*')
