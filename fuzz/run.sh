#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on, Release: the one native Release build with
# tests that ./test.sh makes) and runs each for a bounded time, starting from
# its seed corpus in fuzz/corpus/<target>/, which stays as it is: the fuzzer
# writes what it finds into build/fuzz/corpus/<target>/. With FUZZ_MERGE the
# inputs that reach code the seeds do not are gathered in
# build/fuzz/new/<target>/, and the summary says how to add them to the seeds
# (look at them first: keep what is worth committing). The targets are those
# registered with starquell_fuzz_target (cmake/fuzz_target.cmake), as the
# configured build lists them in build/fuzz/fuzz/targets.txt.
#
#   FUZZ_SECONDS  time per target (default 60)
#   FUZZ_TARGETS  targets to run (default: all)
#   FUZZ_MERGE    0: do not gather the new inputs (default 1)
#   FUZZ_BUILD    all: build the whole tree, not only the fuzz targets
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
merge=${FUZZ_MERGE:-1}
build=build/fuzz
jobs=$(nproc)

source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

# Release, so that a release build of the tests is linked somewhere (the other
# trees are RelWithDebInfo and Debug); -g keeps file and line in the reports.
echo "== configuring $build with clang 14 (Release)"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS="-fsanitize=fuzzer-no-link -g" -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link -g" \
  -DSTARQUELL_SANITIZE=ON -DSTARQUELL_FUZZ=ON -DSTARQUELL_BENCH=OFF >/dev/null
targets=${FUZZ_TARGETS:-$(cat "$build/fuzz/targets.txt")}

if [ "${FUZZ_BUILD:-}" = all ]; then
  cmake --build "$build" -j "$jobs"
else
  build_targets=()
  for t in $targets; do build_targets+=("fuzz_$t"); done
  cmake --build "$build" -j "$jobs" --target "${build_targets[@]}"
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts"
failed=()
summary=()
gathered=()
for t in $targets; do
  # The fuzzer writes new inputs into the first folder only: the build's.
  work="$build/corpus/$t"
  seeds="fuzz/corpus/$t"
  log="$build/$t.log"
  corpora=("$work")
  [ -d "$seeds" ] && corpora+=("$seeds")
  mkdir -p "$work"
  echo "== fuzzing $t for ${seconds}s"
  if "$build/fuzz/fuzz_$t" "${corpora[@]}" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1; then
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    line="$t: ${runs:-?} executions, ${cov:-no coverage line}, no failures"
    if [ "$merge" != 0 ]; then
      # A merge adds to its first folder what reaches code not reached there
      # yet: into a copy of the seeds, so what it adds is what is new.
      new="$build/new/$t"
      merged="$build/merged/$t"
      rm -rf "$new" "$merged"
      mkdir -p "$new" "$merged"
      [ -d "$seeds" ] && cp -R "$seeds"/. "$merged"/
      LC_ALL=C ls "$merged" >"$build/$t.seeds"
      "$build/fuzz/fuzz_$t" -merge=1 "$merged" "$work" >"$build/$t.merge.log" 2>&1
      LC_ALL=C comm -13 "$build/$t.seeds" <(LC_ALL=C ls "$merged") | while read -r f; do
        mv "$merged/$f" "$new/"
      done
      rm -rf "$merged" "$build/$t.seeds"
      count=$(find "$new" -type f | wc -l)
      line+="; $count new input(s) in $new"
      keep="$build/fuzz/fuzz_$t -merge=1 $seeds $new"
      [ -d "$seeds" ] || keep="mkdir $seeds && $keep"
      [ "$count" -eq 0 ] || gathered+=("$keep")
    fi
    summary+=("$line")
  else
    failed+=("$t")
    summary+=("$t: FAILED (see $log and $build/artifacts/)")
    tail -n 40 "$log" >&2
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
if [ "$merge" != 0 ]; then
  if [ ${#gathered[@]} -gt 0 ]; then
    echo "The seed corpora in fuzz/corpus/ are unchanged. To keep new inputs, look at them"
    echo "in $build/new/<target>/ (delete those not worth keeping), then add them to the"
    echo "seeds, each command keeping only inputs that reach code the seeds do not:"
    printf '  %s\n' "${gathered[@]}"
  else
    echo "No input reached code the seed corpora do not; fuzz/corpus/ is unchanged."
  fi
fi
[ ${#failed[@]} -eq 0 ] || { echo "failing targets: ${failed[*]}" >&2; exit 1; }
