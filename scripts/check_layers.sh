#!/usr/bin/env bash
# Checks the layers: every #include "folder/..." in the .cpp and .h files of
# the checkout against the table of scripts/layers.txt (which folders each
# folder may include from). Prints file:line and the include for each one the
# table does not allow and fails if there is one; also fails when a folder
# with C++ files has no row in the table, or when an allowance of the table
# matches no include (the violation was fixed: its allowance goes too).
# Includes whose first part is no top-level folder are relative to the file
# and stay inside its own folder.
# Usage: scripts/check_layers.sh [TABLE [TREE]]   (this checkout and its table
# by default; TREE is a tree to check in its place)
set -euo pipefail
root=$(cd "${2:-$(dirname "$0")/..}" && pwd)
table=$(realpath --relative-base="$root" "${1:-$(dirname "$0")/layers.txt}")
cd "$root"

folders=$(find . -mindepth 1 -maxdepth 1 -type d ! -name '.*' -printf '%f ')
# Every C++ file in a folder, but in build trees and hidden folders.
mapfile -t files < <(find . \( -path ./build -o -path './build-*' -o -path './.?*' \) -prune \
  -o -type f -path './*/*' \( -name '*.cpp' -o -name '*.h' \) -print | sed 's|^\./||' | LC_ALL=C sort)

awk -v table="$table" -v folders="$folders" '
  BEGIN {
    n = split(folders, list, " ")
    for (i = 1; i <= n; i++) is_folder[list[i]] = 1
    while ((getline line < table) > 0) {
      row++
      sub(/#.*/, "", line)
      sub(/^[ \t]+/, "", line)
      sub(/[ \t]+$/, "", line)
      if (line == "") continue
      k = split(line, w, /[ \t]+/)
      if (w[1] == "allow:" && k == 3) {
        allowed[w[2], w[3]] = row
        continue
      }
      if (w[1] !~ /^[^:]+:$/ || k < 2) {
        printf "%s:%d: not a row of the table: %s\n", table, row, line
        broken = 1
        continue
      }
      f = substr(w[1], 1, length(w[1]) - 1)
      listed[f] = 1
      for (i = 2; i <= k; i++) {
        may[f, w[i]] = 1
        may_text[f] = may_text[f] (i > 2 ? " " : "") w[i] (w[i] ~ /\// ? "" : "/")
      }
    }
    if (row == 0) { printf "cannot read %s\n", table; broken = 1 }
  }

  FNR == 1 {
    path = FILENAME
    folder = path
    sub(/\/.*/, "", folder)
    if (!(folder in listed)) {
      if (!(folder in unlisted)) unlisted[folder] = path
      nextfile
    }
    if ((folder, "*") in may) nextfile
  }

  /^[ \t]*#[ \t]*include[ \t]*"/ {
    header = $0
    sub(/^[^"]*"/, "", header)
    sub(/".*/, "", header)
    top = header
    if (sub(/\/.*/, "", top) == 0 || !(top in is_folder)) next
    if ((folder, top) in may || (folder, header) in may) next
    if ((path, header) in allowed) {
      used[path, header] = 1
      printf "%s:%d: #include \"%s\": allowed for now (%s), %s/ may include %s\n", path, FNR, header,
             table, folder, may_text[folder]
      next
    }
    printf "%s:%d: #include \"%s\": %s/ may include %s only\n", path, FNR, header, folder,
           may_text[folder]
    violations++
  }

  END {
    for (f in unlisted) {
      printf "%s: folder %s/ has C++ files but no row in %s\n", unlisted[f], f, table
      broken = 1
    }
    for (key in allowed) {
      if (!(key in used)) {
        split(key, part, SUBSEP)
        printf "%s:%d: %s no longer includes %s: remove the allowance\n", table, allowed[key],
               part[1], part[2]
        broken = 1
      }
    }
    if (violations) printf "layers: %d include(s) against %s\n", violations, table
    exit (violations || broken) ? 1 : 0
  }
' "${files[@]}"
