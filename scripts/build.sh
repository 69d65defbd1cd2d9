#!/usr/bin/env bash
# Builds the native tools and tests (build/native) and the Windows programs
# (build/win).  Usage: scripts/build.sh [native|win|asan|all]
set -euo pipefail
cd "$(dirname "$0")/.."
what=${1:-all}
jobs=${JOBS:-2}

native() {
  cmake -S . -B build/native -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/native -j"$jobs"
}
asan() {
  cmake -S . -B build/asan -DCMAKE_BUILD_TYPE=Debug -DVOKA_SANITIZE=ON >/dev/null
  cmake --build build/asan -j"$jobs" --target unit_tests vokatool vokasim
}
win() {
  cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
        -DCMAKE_BUILD_TYPE=Release -DVOKA_TESTS=OFF >/dev/null
  cmake --build build/win -j"$jobs"
}
case "$what" in
  native) native ;;
  asan) asan ;;
  win) win ;;
  all) native; win ;;
  *) echo "usage: $0 [native|win|asan|all]" >&2; exit 2 ;;
esac
