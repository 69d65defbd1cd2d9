#!/usr/bin/env bash
# Long fuzz runs: each harness for SECONDS (default 600) at low priority,
# growing build/fuzz/corpus/HARNESS, then (without HARNESS) the differential
# test of the picture reader for as long.  Usage: bench/fuzz.sh [SECONDS] [HARNESS...]
# Prints the runs of each harness; a fault stops with its input in
# build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
FUZZ_KEEP=1 FUZZ_FLAGS="-max_total_time=$seconds -runs=-1 ${FUZZ_FLAGS:-}" nice -n 19 tests/fuzz/run.sh 0 "$@"
# The second reader of the picture file against vokatool, as long; damaged
# pictures that the two read differently are kept as differ-N.pic here.
if [ $# -eq 0 ]; then
  scripts/build.sh native >/dev/null
  nice -n 19 python3 tests/reader/differential.py build/native/vokatool \
    build/native/vokasim --seconds "$seconds" --seed "$RANDOM"
fi
