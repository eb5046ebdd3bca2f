#!/usr/bin/env bash
# Cases of scripts/check_layers.sh, each on a small tree of its own: one file
# whose second line is the include, under a table of four layers (one may
# include a single header of another), a free folder and, where a case gives
# one, an allowance.
# Usage: scripts/check_layers_test.sh
set -uo pipefail
check=$(cd "$(dirname "$0")" && pwd)/check_layers.sh
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

table='low:  low
mid:  mid low
side: side low mid/one.h
top:  top mid side low
free: *'

# what | file | its include line | allowance (file header) | status | a line the output holds
cases=(
  'down                      | mid/a.cpp     | #include "low/x.h"      |                   | 0 |'
  'own folder                | low/a.h       | #include "low/x.h"      |                   | 0 |'
  'two layers down           | top/a.cpp     | #include "low/x.h"      |                   | 0 |'
  'up                        | low/a.cpp     | #include "mid/x.h"      |                   | 1 | low/a.cpp:2: #include "mid/x.h": low/ may include low/ only'
  'sideways                  | side/b/a.h    | #include "mid/x.h"      |                   | 1 | side/b/a.h:2: #include "mid/x.h"'
  'blanks in the directive   | low/a.cpp     |   #  include  "top/x.h" |                   | 1 | low/a.cpp:2: #include "top/x.h"'
  'system include            | low/a.cpp     | #include <top/x.h>      |                   | 0 |'
  'beside the file           | low/a.cpp     | #include "a.h"          |                   | 0 |'
  'subfolder of its own      | low/a.cpp     | #include "sub/a.h"      |                   | 0 |'
  'one header of another     | side/a.cpp    | #include "mid/one.h"    |                   | 0 |'
  'another header of that    | side/a.cpp    | #include "mid/two.h"    |                   | 1 | side/a.cpp:2: #include "mid/two.h": side/ may include side/ low/ mid/one.h only'
  'free folder               | free/a.cpp    | #include "top/x.h"      |                   | 0 |'
  'folder without a row      | new/a.cpp     | #include "low/x.h"      |                   | 1 | new/a.cpp: folder new/ has C++ files but no row in'
  'allowed                   | low/a.cpp     | #include "mid/x.h"      | low/a.cpp mid/x.h | 0 | low/a.cpp:2: #include "mid/x.h": allowed for now'
  'allowed for one header    | low/a.cpp     | #include "top/x.h"      | low/a.cpp mid/x.h | 1 | low/a.cpp:2: #include "top/x.h": low/ may include'
  'allowance no longer used  | low/a.cpp     | #include "low/x.h"      | low/a.cpp mid/x.h | 1 | low/a.cpp no longer includes mid/x.h: remove the allowance'
)

failures=0
n=0
for c in "${cases[@]}"; do
  IFS='|' read -r what file line allowance want_status want_output <<<"$c"
  trim() { sed 's/^ *//; s/ *$//' <<<"$1"; }
  what=$(trim "$what") file=$(trim "$file") allowance=$(trim "$allowance")
  want_status=$(trim "$want_status") want_output=$(trim "$want_output")
  line=${line% *}
  line=${line# }
  tree=$work/$n
  mkdir -p "$tree"/{low,mid,side,top,free} "$tree/$(dirname "$file")"
  printf '// %s\n%s\n' "$what" "$line" >"$tree/$file"
  { echo "$table"; [ -n "$allowance" ] && echo "allow: $allowance"; } >"$tree/layers.txt"
  output=$("$check" "$tree/layers.txt" "$tree" 2>&1)
  status=$?
  if [ "$status" != "$want_status" ] || { [ -n "$want_output" ] && ! grep -qF "$want_output" <<<"$output"; }; then
    echo "check_layers: FAIL: $what: status $status (expected $want_status), output:" >&2
    echo "$output" >&2
    failures=$((failures + 1))
  fi
  n=$((n + 1))
done
[ "$failures" -eq 0 ] || exit 1
echo "check_layers: $n cases passed"
