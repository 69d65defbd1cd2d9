#!/usr/bin/env bash
# Builds the native tools and tests (build/native) and the Windows programs
# (build/win) through the presets of CMakePresets.json.
# Usage: scripts/build.sh [native|win|asan|fuzz|all]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=${JOBS:-2}

build() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
}

case "$what" in
  native | win | asan | fuzz) build "$what" ;;
  all) build native; build win ;;
  *) echo "usage: $0 [native|win|asan|fuzz|all]" >&2; exit 2 ;;
esac
