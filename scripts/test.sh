#!/usr/bin/env bash
# Runs every test: the unit tests natively and under AddressSanitizer +
# UndefinedBehaviorSanitizer, the Windows cross-build and its unit tests
# under Wine, and the end-to-end tests of the real programs under Wine
# inside Xvfb, the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

echo "== native build and unit tests"
scripts/build.sh native
ctest --preset native -j2

echo "== the code's style (.clang-format)"
scripts/format.sh --check

echo "== counts, sums and offsets in fixed-width types (long is 32 bits on Windows)"
# Declarations and calls only: comments and messages speak of long lines.
if git grep -nE '(^|[^_[:alnum:]"])(unsigned )?long( int)? [a-z_][a-z_0-9]*( *[=;,)[]|\()|\bftell *\(|\bfseek *\(' \
  -- picture/ render/ output/ tools/ | grep -v -E 'long long|:[0-9]+: *//'; then
  echo "use int64_t / uint64_t, and File_tell / File_seek of picture/platform.h, above" >&2
  exit 1
fi

echo "== clang-tidy on the portable core and the tools"
scripts/tidy.sh

echo "== unit tests under ASan + UBSan"
scripts/build.sh asan
ctest --preset asan -j2

echo "== fuzz harnesses, short runs over the seed corpus"
tests/fuzz/run.sh

echo "== Windows cross-build"
scripts/build.sh win

echo "== unit tests as a Windows program (unit_tests.exe under Wine)"
tests/system/win_unit_tests.sh build/win/tests/unit/unit_tests.exe

echo "== vokatool.exe and vokasim.exe give what the native tools give"
tests/system/win_parity.sh build/native build/win

echo "== packages (the end-to-end tests install the Windows installer)"
scripts/package.sh

if [ -x tests/e2e/run.sh ]; then
  echo "== end-to-end tests"
  tests/e2e/run.sh
fi
