#!/usr/bin/env bash
# End-to-end tests: the real viewer (build/win/vokagraphic.exe) under Wine in
# a virtual X server, steered by the driver (build/win/voka_driver.exe).
#
# Usage: tests/e2e/run.sh [PATTERN...]
#   Runs every test case (a shell function named t_* in tests/e2e/test_*.sh),
#   or those whose name ("view:rotation" for t_rotation in test_view.sh)
#   contains one of the PATTERNs.
#   Prints one line per case and ends with "N passed, N failed[, N skipped]";
#   exits 1 when a case failed.  Skipped cases are those that cannot run
#   here (exit 77) and known failures of the viewer (XFAIL, exit 78).
#
# Needs scripts/build.sh win (viewer, driver and voka_surface_check) and
# native (vokatool); starts its own Xvfb on a free display and its own CUPS
# server with a PDF printer (scripts/printer_env.sh), and keeps its Wine
# prefix in build/e2e/.
# Environment: E2E_VIEWER (the viewer to test, default build/win/app/...),
#              E2E_CASE_TIMEOUT (seconds per case, default 60),
#              E2E_KEEP=1 keeps the scratch folders of passed cases.
set -uo pipefail
cd "$(dirname "$0")/../.."
ROOT=$PWD
export E2E_ROOT=$ROOT
export E2E_WORK=$ROOT/build/e2e
if [ -z "${E2E_VIEWER:-}" ]; then
  E2E_VIEWER=$ROOT/build/win/app/vokagraphic.exe
  [ -f "$E2E_VIEWER" ] || [ ! -f "$ROOT/build/win/vokagraphic.exe" ] || E2E_VIEWER=$ROOT/build/win/vokagraphic.exe
fi
export E2E_VIEWER
export E2E_DRIVER=$ROOT/build/win/voka_driver.exe
export E2E_SURFACE_CHECK=$ROOT/build/win/voka_surface_check.exe
export E2E_VOKATOOL=$ROOT/build/native/vokatool
export E2E_BMPCHECK=$E2E_WORK/bin/bmpcheck
case_timeout=${E2E_CASE_TIMEOUT:-60}

mkdir -p "$E2E_WORK/bin" "$E2E_WORK/logs" "$E2E_WORK/cases"

if [ ! -x "$E2E_DRIVER" ]; then
  echo "e2e: $E2E_DRIVER is missing (run scripts/build.sh win)" >&2
  exit 1
fi

# --- Cases ------------------------------------------------------------------
cases=()
for file in tests/e2e/test_*.sh; do
  [ -f "$file" ] || continue
  while read -r _ _ fn; do
    case "$fn" in t_*) cases+=("$file:$fn") ;; esac
  done < <(bash -c 'source "$1" >/dev/null 2>&1; declare -F' _ "$file")
done

# A case is named "file:function" without the test_ and t_ prefixes.
case_name() {
  local file=${1%%:*} fn=${1##*:}
  echo "$(basename "$file" .sh | sed 's/^test_//'):${fn#t_}"
}

selected=()
for c in "${cases[@]}"; do
  if [ $# -eq 0 ]; then
    selected+=("$c")
  else
    for pattern in "$@"; do
      case "$(case_name "$c")" in *"$pattern"*) selected+=("$c"); break ;; esac
    done
  fi
done

if [ ! -f "$E2E_VIEWER" ]; then
  echo "e2e: no viewer at ${E2E_VIEWER#"$ROOT"/}: every case skipped"
  echo "0 passed, 0 failed, ${#selected[@]} skipped"
  exit 0
fi

# The image comparison tool is native; rebuild it when its source changed.
if [ ! -x "$E2E_BMPCHECK" ] || [ tests/e2e/bmpcheck.cpp -nt "$E2E_BMPCHECK" ]; then
  g++ -std=c++17 -O2 -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion \
      -Wold-style-cast -Werror tests/e2e/bmpcheck.cpp -o "$E2E_BMPCHECK" || exit 1
fi

# --- X server, printer and Wine prefix ---------------------------------------
# shellcheck source=../../scripts/wine_env.sh
. "$ROOT/scripts/wine_env.sh"
# shellcheck source=../../scripts/printer_env.sh
. "$ROOT/scripts/printer_env.sh"
cleanup() {
  if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
    wineserver -k >/dev/null 2>&1
  fi
  xvfb_stop
  printer_stop
}
trap cleanup EXIT
trap 'exit 130' INT TERM

if ! xvfb_start "$E2E_WORK/logs/xvfb.log"; then
  echo "e2e: Xvfb did not start:" >&2
  cat "$E2E_WORK/logs/xvfb.log" >&2
  exit 1
fi

# The run's own PDF printer, the default before any Wine program starts;
# without it the printing cases are skipped.
if ! printer_start "$E2E_WORK/printer"; then
  echo "e2e: no PDF printer (needs root, cups and printer-driver-cups-pdf)"
fi

if [ ! -f "$E2E_WORK/wineprefix/.voka-ready" ]; then
  start=$SECONDS
  if ! wine_prefix_ready "$E2E_WORK/wineprefix" "$E2E_WORK/logs/wineboot.log"; then
    echo "e2e: wineboot failed:" >&2
    tail -n 20 "$E2E_WORK/logs/wineboot.log" >&2
    exit 1
  fi
  # Unmanaged windows: with no window manager in Xvfb, Wine otherwise waits
  # about a second for the manager at every dialog and window that closes.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    >>"$E2E_WORK/logs/wineboot.log" 2>&1
  wineserver -w
  echo "e2e: Wine prefix made in $((SECONDS - start)) s"
else
  wine_prefix_ready "$E2E_WORK/wineprefix" "$E2E_WORK/logs/wineboot.log"
fi

passed=0
failed=0
skipped=0
failed_names=()
total_start=$SECONDS
for c in "${selected[@]}"; do
  file=${c%%:*}
  fn=${c##*:}
  name=$(case_name "$c")
  dir=$E2E_WORK/cases/${name//:/.}
  log=$E2E_WORK/logs/${name//:/.}.log
  rm -rf "$dir"
  mkdir -p "$dir"
  start=$SECONDS
  E2E_CASE_DIR=$dir timeout -k 5 "$case_timeout" \
    bash -c 'set -eEuo pipefail
             trap '"'"'echo "stopped at ${BASH_SOURCE[0]}:$LINENO: $BASH_COMMAND (status $?)" >&2'"'"' ERR
             source tests/e2e/lib.sh; source "$1"; "$2"' _ "$file" "$fn" \
    >"$log" 2>&1
  status=$?
  wineserver -k >/dev/null 2>&1
  wineserver -w >/dev/null 2>&1
  took=$((SECONDS - start))
  case $status in
    0)
      passed=$((passed + 1))
      if grep -q '^known-failure mark:' "$log"; then
        printf 'XPASS %-39s %3d s (marked as a known failure: remove the mark)\n' "$name" "$took"
      else
        printf 'PASS %-40s %3d s\n' "$name" "$took"
      fi
      [ "${E2E_KEEP:-0}" = 1 ] || rm -rf "$dir"
      ;;
    78)
      skipped=$((skipped + 1))
      printf 'XFAIL %-39s %s\n' "$name" "$(grep '^known failure:' "$log" | tail -n 1)"
      ;;
    77)
      skipped=$((skipped + 1))
      printf 'SKIP %-40s %s\n' "$name" "$(tail -n 1 "$log")"
      ;;
    *)
      failed=$((failed + 1))
      failed_names+=("$name")
      [ $status -eq 124 ] && echo "timed out after $case_timeout s" >>"$log"
      printf 'FAIL %-40s %3d s (status %d, log: %s)\n' "$name" "$took" "$status" "${log#"$ROOT"/}"
      tail -n 15 "$log" | sed 's/^/     | /'
      ;;
  esac
done

echo "e2e: $((SECONDS - total_start)) s for ${#selected[@]} cases"
summary="$passed passed, $failed failed"
[ $skipped -gt 0 ] && summary="$summary, $skipped skipped"
echo "$summary"
[ $failed -eq 0 ]
