#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer on) and runs each for a bounded time, starting
# from its seed corpus in fuzz/corpus/<target>/. Inputs that reach new code are
# merged back into that corpus, so the seeds grow; commit them. The targets are
# those registered with starquell_fuzz_target (cmake/fuzz_target.cmake), as
# the configured build lists them in build/fuzz/fuzz/targets.txt.
#
#   FUZZ_SECONDS  time per target (default 60)
#   FUZZ_TARGETS  targets to run (default: all)
#   FUZZ_MERGE    0: leave the seed corpora as they are (default 1)
#   FUZZ_BUILD    all: build the whole tree, not only the fuzz targets
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-60}
merge=${FUZZ_MERGE:-1}
build=build/fuzz
jobs=$(nproc)

source scripts/deps.sh
ensure_packages "${BUILD_PACKAGES[@]}" "${FUZZ_PACKAGES[@]}"

echo "== configuring $build with clang 14"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
  -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link \
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
for t in $targets; do
  work="$build/corpus/$t"
  seeds="fuzz/corpus/$t"
  log="$build/$t.log"
  mkdir -p "$work" "$seeds"
  echo "== fuzzing $t for ${seconds}s"
  if "$build/fuzz/fuzz_$t" "$work" "$seeds" -max_total_time="$seconds" -print_final_stats=1 \
       -artifact_prefix="$build/artifacts/$t-" >"$log" 2>&1; then
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$' || true)
    cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$log" | tail -n 1 || true)
    before=$(find "$seeds" -type f | wc -l)
    if [ "$merge" != 0 ]; then
      # Keep the inputs that reach code the seeds do not.
      "$build/fuzz/fuzz_$t" -merge=1 "$seeds" "$work" >"$build/$t.merge.log" 2>&1
    fi
    after=$(find "$seeds" -type f | wc -l)
    summary+=("$t: ${runs:-?} executions, ${cov:-no coverage line}, no failures; corpus $before -> $after")
  else
    failed+=("$t")
    summary+=("$t: FAILED (see $log and $build/artifacts/)")
    tail -n 40 "$log" >&2
  fi
done

echo "== summary"
printf '%s\n' "${summary[@]}"
[ ${#failed[@]} -eq 0 ] || { echo "failing targets: ${failed[*]}" >&2; exit 1; }
