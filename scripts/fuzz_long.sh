#!/usr/bin/env bash
# Long fuzzing runs: builds the fuzz targets with clang, libFuzzer and ASan+UBSan into
# build-fuzz/ and runs each for the given time (default one hour), one after another.
# Corpora grow in build-fuzz/corpus/<target> (seeded from tests/fuzz/corpus); findings land in
# build-fuzz/findings/. Prints executions, wall time, executions per second and findings per
# target, and appends them to build-fuzz/summary.txt.
#   scripts/fuzz_long.sh [SECONDS_PER_TARGET] [TARGET...]
#   FUZZ_RUNS=10000000 [FUZZ_SECONDS=N] scripts/fuzz_long.sh [TARGET...]   # executions instead
# FUZZ_NICE (default 19) is the niceness of the runs; FUZZ_BUILD=0 skips the build.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -n "${FUZZ_RUNS:-}" ]; then
  limit=(-runs="$FUZZ_RUNS")
  # FUZZ_SECONDS caps each run in this mode too: it ends at whichever limit comes first.
  [ -z "${FUZZ_SECONDS:-}" ] || limit+=(-max_total_time="$FUZZ_SECONDS")
else
  seconds=${1:-3600}
  shift || true
  limit=(-max_total_time="$seconds")
fi
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(sed -n 's/^vesmor_fuzz_target(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt))

if [ "${FUZZ_BUILD:-1}" != 0 ]; then
  launcher=()
  if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  fi
  CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVESMOR_SANITIZE=address \
    -DVESMOR_FUZZ_ENGINE=libfuzzer -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link \
    -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link "${launcher[@]}" >/dev/null
  nice -n "${FUZZ_NICE:-19}" cmake --build build-fuzz --target "${targets[@]}"
fi

mkdir -p build-fuzz/findings
summary=build-fuzz/summary.txt
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log=build-fuzz/$target.log
  before=$(find build-fuzz/findings -name "$target-*" | wc -l)
  start=$(date +%s.%N)
  set +e
  # The CPU time the run got, next to the wall time: on a shared machine the two differ.
  TIMEFORMAT='%3U %3S'
  { time nice -n "${FUZZ_NICE:-19}" build-fuzz/tests/fuzz/"$target" "${limit[@]}" \
      -print_final_stats=1 -artifact_prefix=build-fuzz/findings/"$target"- "$corpus" \
      >"$log" 2>&1; } 2>build-fuzz/"$target".cpu
  status=$?
  set -e
  wall=$(echo "$(date +%s.%N) - $start" | bc)
  cpu=$(awk '{ print $1 + $2 }' build-fuzz/"$target".cpu)
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(echo "${runs:-0} / $wall" | bc)
  cpurate=$(echo "${runs:-0} / ($cpu + 0.001)" | bc)
  findings=$(($(find build-fuzz/findings -name "$target-*" | wc -l) - before))
  printf '%s %s: %s executions, %.0f s (%.0f s CPU), %s exec/s (%s per CPU second), %s new findings, exit %s\n' \
    "$(date -u +%H:%M)" "$target" "${runs:-?}" "$wall" "$cpu" "$rate" "$cpurate" "$findings" \
    "$status" | tee -a "$summary"
done
