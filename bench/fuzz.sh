#!/usr/bin/env bash
# Long fuzz runs: each harness for SECONDS (default 600) at low priority,
# growing build/fuzz/corpus/HARNESS.  Usage: bench/fuzz.sh [SECONDS] [HARNESS...]
# Prints the runs of each harness; a fault stops with its input in
# build/fuzz/crashes/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-600}
shift || true
FUZZ_KEEP=1 FUZZ_FLAGS="-max_total_time=$seconds -runs=-1 ${FUZZ_FLAGS:-}" nice -n 19 tests/fuzz/run.sh 0 "$@"
