#!/usr/bin/env bash
# Long fuzzing runs: builds the fuzz targets with clang, libFuzzer and ASan+UBSan into
# build-fuzz/ and runs each for the given time (default one hour), one after another or
# JOBS at a time. Corpora grow in build-fuzz/corpus/<target> (seeded from tests/fuzz/corpus);
# findings land in build-fuzz/findings/. Prints executions and findings per target.
#   scripts/fuzz_long.sh [SECONDS_PER_TARGET] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-3600}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=($(sed -n 's/^vesmor_fuzz_target(\([a-z_]*\).*/\1/p' tests/fuzz/CMakeLists.txt))

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DVESMOR_SANITIZE=address \
  -DVESMOR_FUZZ_ENGINE=libfuzzer -DCMAKE_C_FLAGS=-fsanitize=fuzzer-no-link \
  -DCMAKE_CXX_FLAGS=-fsanitize=fuzzer-no-link >/dev/null
cmake --build build-fuzz --target "${targets[@]}"

mkdir -p build-fuzz/findings
summary=build-fuzz/summary.txt
: >"$summary"
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$target"/* "$corpus"/ 2>/dev/null || true
  log=build-fuzz/$target.log
  set +e
  build-fuzz/tests/fuzz/"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/"$target"- "$corpus" >"$log" 2>&1
  status=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  findings=$(find build-fuzz/findings -name "$target-*" | wc -l)
  echo "$target: ${runs:-?} executions, $findings findings, exit $status" | tee -a "$summary"
done
