#!/usr/bin/env bash
# The unit tests as a Windows program: unit_tests.exe of the Windows build
# under Wine, with the core as vokagraphic.exe and vokatool.exe have it (a
# 32-bit long, the Windows C library, binary and text modes).
# Usage: win_unit_tests.sh UNIT_TESTS_EXE [GTEST_OPTION...]
# Keeps its Wine prefix in build/wintests/ (the end-to-end tests set theirs
# up in their own way).
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
exe=$1
shift

# Tests that cannot run as a Windows program (POSIX-only behaviour: signals,
# FIFOs, device paths; cairo), each with its reason, as pairs:
#   "Suite.Name" "reason"
# A test that does not even compile there stays out with #ifndef _WIN32.
# Today every unit test runs on Windows too.
excluded=(
)
filter=""
for ((i = 0; i < ${#excluded[@]}; i += 2)); do
  filter+="${filter:+:}${excluded[i]}"
  echo "not run as a Windows program: ${excluded[i]}: ${excluded[i + 1]}"
done

# shellcheck source=../../scripts/wine_env.sh
. "$root/scripts/wine_env.sh"
work=$root/build/wintests
mkdir -p "$work/logs"
if ! wine_prefix_ready "$work/wineprefix" "$work/logs/wineboot.log"; then
  echo "wineboot failed:" >&2
  tail -n 20 "$work/logs/wineboot.log" >&2
  exit 1
fi
trap 'wineserver -w >/dev/null 2>&1 || true' EXIT
status=0
wine "$exe" --gtest_brief=1 ${filter:+--gtest_filter="-$filter"} "$@" || status=$?
exit $status
