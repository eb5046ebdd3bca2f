#!/usr/bin/env bash
# Builds the text library's libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from its seed corpus in fuzz/corpus/<target>/. Inputs that reach new code are
# merged back into that corpus, so the seeds grow; commit them.
#
#   FUZZ_SECONDS  time per target (default 60)
#   FUZZ_TARGETS  targets to run (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
targets=${FUZZ_TARGETS:-"compact_script field_differs store_field fetch_field trim_blanks normalise_number pad_text upper_case lower_case parse_script"}
build=build/fuzz
jobs=$(nproc)

source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" clang-14 libclang-rt-14-dev

echo "== configuring $build with clang 14"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
  -DSTARQUELL_SANITIZE=ON -DSTARQUELL_FUZZ=ON -DSTARQUELL_BENCH=OFF >/dev/null

build_targets=()
for t in $targets; do build_targets+=("fuzz_$t"); done
cmake --build "$build" -j "$jobs" --target "${build_targets[@]}"

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p "$build/artifacts"
failed=()
summary=()
for t in $targets; do
  work="$build/corpus/$t"
  seeds="fuzz/corpus/$t"
  log="$build/$t.log"
  mkdir -p "$work" "$seeds"
  echo "== fuzzing $t for ${seconds}s"
  if "$build/fuzz/fuzz_$t" "$work" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1; then
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
    # Keep the inputs that reach code the seeds do not.
    before=$(find "$seeds" -type f | wc -l)
    "$build/fuzz/fuzz_$t" -merge=1 "$seeds" "$work" >"$build/$t.merge.log" 2>&1
    after=$(find "$seeds" -type f | wc -l)
    summary+=("$t: ${runs:-?} executions, no failures; corpus $before -> $after")
  else
    failed+=("$t")
    summary+=("$t: FAILED (see $log and $build/artifacts/)")
    tail -n 40 "$log" >&2
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "failing targets: ${failed[*]}" >&2; exit 1; }
