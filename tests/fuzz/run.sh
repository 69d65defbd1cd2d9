#!/usr/bin/env bash
# Builds the libFuzzer harnesses (build/fuzz, clang) and runs each over its
# seed corpus.  Usage: tests/fuzz/run.sh [RUNS] [HARNESS...]
#   RUNS: runs per harness (default $FUZZ_RUNS or 4000; the render harness,
#   fifty times slower, gets a twentieth); HARNESS: convert geometry info
#   render (default all).  Extra libFuzzer flags through FUZZ_FLAGS; new
#   inputs go to a fresh build/fuzz/new/HARNESS, or with FUZZ_KEEP=1 to
#   build/fuzz/corpus/HARNESS, which then grows from run to run; crashes go
#   to build/fuzz/crashes.
set -euo pipefail
cd "$(dirname "$0")/../.."
runs=${1:-${FUZZ_RUNS:-4000}}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -gt 0 ] || harnesses=(convert geometry info render)
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"${JOBS:-2}" --target "${harnesses[@]/#/fuzz_}" >/dev/null
mkdir -p build/fuzz/crashes
for h in "${harnesses[@]}"; do
  grown=build/fuzz/corpus/$h
  log=build/fuzz/$h${FUZZ_KEEP:+-long}.log
  [ "${FUZZ_KEEP:-0}" = 1 ] || { grown=build/fuzz/new/$h; rm -rf "$grown"; }
  mkdir -p "$grown"
  seeds=tests/fuzz/corpus/$h
  [ -d "$seeds" ] || seeds=tests/fuzz/corpus/convert
  n=$runs
  [ "$h" != render ] || n=$(( (runs + 19) / 20 ))
  # shellcheck disable=SC2086
  build/fuzz/tests/fuzz/fuzz_$h -runs="$n" -max_len=4096 -timeout=10 -rss_limit_mb=1024 \
    -artifact_prefix=build/fuzz/crashes/$h- -print_final_stats=1 ${FUZZ_FLAGS:-} \
    "$grown" "$seeds" 2>"$log" ||
    { tail -n 30 "$log"; echo "fuzz: $h found a fault"; exit 1; }
  echo "fuzz $h: $(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$') runs, no fault"
done
