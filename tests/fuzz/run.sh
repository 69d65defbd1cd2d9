#!/usr/bin/env bash
# Builds the libFuzzer harnesses (build/fuzz, clang) and runs each over its
# seed corpus.  Usage: tests/fuzz/run.sh [RUNS] [HARNESS...]
#   RUNS: runs per harness (default 2000); HARNESS: convert geometry info
#   render (default all).  Extra libFuzzer flags through FUZZ_FLAGS; new
#   inputs go to build/fuzz/corpus/HARNESS, crashes to build/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-2000}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(convert geometry info render)
cmake -S . -B build/fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVOKA_FUZZ=ON -DVOKA_TESTS=OFF -DVOKA_WERROR=OFF >/dev/null
cmake --build build/fuzz -j"${JOBS:-2}" --target "${harnesses[@]/#/fuzz_}" >/dev/null
mkdir -p build/fuzz/crashes
for h in "${harnesses[@]}"; do
  mkdir -p "build/fuzz/corpus/$h"
  seeds=tests/fuzz/corpus/$h
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/convert
  # shellcheck disable=SC2086
  build/fuzz/tests/fuzz/fuzz_$h -runs="$runs" -max_len=4096 -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix=build/fuzz/crashes/$h- -print_final_stats=1 ${FUZZ_FLAGS:-} \
    "build/fuzz/corpus/$h" "$seeds" 2>"build/fuzz/$h.log" ||
    { tail -n 30 "build/fuzz/$h.log"; echo "fuzz: $h found a fault"; exit 1; }
  echo "fuzz $h: $(grep -o 'stat::number_of_executed_units: *[0-9]*' "build/fuzz/$h.log" | grep -o '[0-9]*$') runs, no fault"
done
