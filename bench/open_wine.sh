#!/usr/bin/env bash
# Benchmark of the viewer itself under Wine, in its own virtual X server:
#   open    the time from the OK of Data File Open to the end of the paint
#           that shows the picture (the dialog's closing, the conversion into
#           the work file and the rebuild), for a tiny picture and for large
#           ones made by vokasim; the tiny picture's time is the baseline,
#           the closing of the dialog under Wine;
#   rotate  the time from a rotation button of the x angle to the end of
#           the paint: the rebuild alone;
#   drag    turning the view with the mouse: the frames a second of the
#           previews, the stride of the last one (it draws every STRIDE-th
#           track), the whole picture after the release, and the
#           milliseconds of the last preview's clearing and blit;
#   resize  sizing the window in steps from 640 x 410 to 1000 x 700: the
#           mean and longest time from a size to its paint (the window
#           follows the mouse), and the whole picture after the last;
#   readout after a rotation, the mouse brought to rest on the picture's
#           middle: the seconds until the read-out of a line shows, of
#           which the viewer waits 0.3 for the mouse to rest;
#   max     the same rotation and drag in the window maximized on a
#           3840 x 2160 screen (the tiny picture's drag: the cost of a 4K
#           frame without tracks).
# The drag, resize and max rows run with openbox only and give medians.
# Each is measured twice: with a window manager (openbox, installed through
# apt when missing, for this benchmark only) and without one, where Wine's
# X11 driver waits about 2 s for a window manager whenever a dialog closes.
# One more row shows the tiny open with unmanaged windows (as the
# end-to-end tests run), where that wait is gone too.
# The times are taken inside Wine by the driver (steps time-open and
# time-command of tests/e2e/driver.cpp).  Benchmarks are never part of the
# tests' pass/fail.
#
# Usage: bench/open_wine.sh [--quick] [--wm-only]
#        --quick: no 10-million-step picture; --wm-only: the rows with
#        openbox only
# Environment: BENCH_RUNS (default 3) runs per row, the best is kept;
#              BENCH_VIEWER another vokagraphic.exe to measure (an older
#              build, for a comparison under the same load);
#              BENCH_LIMIT (default 600) seconds allowed for one open or
#              rotation before the benchmark gives up.
# Builds with scripts/build.sh all; keeps the pictures and its Wine prefix
# in build/openbench/ (the pictures are made again when vokasim changed).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
work=$root/build/openbench
data=$work/data
runs=${BENCH_RUNS:-3}
limit=${BENCH_LIMIT:-600}
sizes=(1000000 10000000)
wm_only=0
for arg in "$@"; do
  case $arg in
    --quick) sizes=(1000000) ;;
    --wm-only) wm_only=1 ;;
    *) echo "usage: $0 [--quick] [--wm-only]" >&2; exit 2 ;;
  esac
done

echo "open_wine: building (scripts/build.sh all)" >&2
mkdir -p "$work/logs" "$data"
if ! scripts/build.sh all >"$work/logs/build.log" 2>&1; then
  tail -n 20 "$work/logs/build.log" >&2
  exit 1
fi
sim=$root/build/native/vokasim
viewer=${BENCH_VIEWER:-$root/build/win/app/vokagraphic.exe}
driver=$root/build/win/voka_driver.exe
for f in "$sim" "$viewer" "$driver"; do
  [ -f "$f" ] || { echo "open_wine: $f is missing after the build" >&2; exit 1; }
done

# --- Pictures -----------------------------------------------------------------
# Showers of 50 MeV electrons in water cylinders, as in bench/run.sh.
sim_args=(-p electron -e 50 -m water --radii 2,5,10 --planes 0,10,20,30 -s 11)

# picture NAME HISTORIES PER_BATCH: makes $data/NAME.pic unless it is newer
# than vokasim; sets PIC and STEPS.
picture() {
  PIC=$data/$1.pic
  if [ ! -s "$PIC" ] || [ ! -s "$data/$1.txt" ] || [ "$sim" -nt "$PIC" ]; then
    echo "open_wine: generating $1 ($2 histories)" >&2
    "$sim" "${sim_args[@]}" -n "$2" -b "$3" -o "$PIC" >"$data/$1.txt"
  fi
  STEPS=$(awk '/^  step lines/ {print $3}' "$data/$1.txt")
}

# large NAME STEPS: a picture of about STEPS step lines.
large() {
  local per hist
  "$sim" "${sim_args[@]}" -n 1000 -b 10 -o "$data/calibrate.pic" >"$data/calibrate.txt"
  per=$(awk '/^  step lines/ {print $3}' "$data/calibrate.txt")
  rm -f "$data/calibrate.pic"
  hist=$(( ($2 * 1000 + per - 1) / per ))
  picture "$1" "$hist" $(( (hist + 999) / 1000 ))
}

# --- X server, Wine and the viewer -----------------------------------------------
# shellcheck source=../scripts/wine_env.sh
. "$root/scripts/wine_env.sh"
export VOKA_VIEWER=$viewer VOKA_DRIVER=$driver VOKA_DRIVER_TIMEOUT=$limit
[ -f "$work/wineprefix/.voka-ready" ] || echo "open_wine: making the Wine prefix" >&2
# The prefix has Wine's own fonts (as the end-to-end tests' prefix) and
# Wine's default of managed windows (a run that was stopped may have left
# them unmanaged).  The screen holds a maximized window of 3840 x 2160.
WINE_SCREEN=3840x2160 wine_session "$work"
cleanup() {
  wm_stop
  # The viewer's work file of the last picture.
  rm -f "$WINEPREFIX/drive_c/work.\$\$\$"
  wine_session_end
}
trap cleanup EXIT
wine_windows_managed Y

# The viewer with the settings of a first run (no info file in its folder):
# a 640 x 410 window, the work file in c:\.
start_viewer() {
  rm -rf "$work/start"
  viewer_run "$work/start" "$work/logs/viewer.log"
}
stop_viewer() { viewer_end 60 >/dev/null 2>&1 || true; }

# --- Measuring ------------------------------------------------------------------
# best COMMAND...: the smallest of $runs outputs of COMMAND (seconds); sets BEST.
best() {
  local r t
  BEST=
  for ((r = 0; r < runs; r++)); do
    if ! t=$("$@" | tr -d '\r' | tail -n 1) || [ -z "$t" ]; then
      echo "open_wine: failed: $*" >&2
      return 1
    fi
    echo "open_wine:   $t s" >&2
    if [ -z "$BEST" ] || awk -v a="$t" -v b="$BEST" 'BEGIN { exit !(a < b) }'; then BEST=$t; fi
  done
}
time_open() { drv command 200 + time-open "$1" "$limit"; }
# The runs of `best` (its run number r) alternate between ">>" and "<<" of
# the x angle (commands 60 and 50), so that no run meets the angle's limit
# and is refused.
time_rotate() { drv time-command $(( r % 2 == 0 ? 60 : 50 )) "$limit"; }

# median COMMAND...: the median of $runs outputs of COMMAND, by its first
# number (outputs of several numbers are kept whole); sets MEDIAN.
median() {
  local r out all=()
  for ((r = 0; r < runs; r++)); do
    if ! out=$("$@" | tr -d '\r' | tail -n 1) || [ -z "$out" ]; then
      echo "open_wine: failed: $*" >&2
      return 1
    fi
    echo "open_wine:   $out" >&2
    all+=("$out")
  done
  MEDIAN=$(printf '%s\n' "${all[@]}" | sort -g | awk '{ a[NR] = $0 } END { print a[int((NR + 1) / 2)] }')
}
time_drag() { drv time-drag 30 "$limit"; }
# After a rotation, at one of two points near the picture's middle (the
# mouse must move for the viewer to wait for its rest again).
time_readout() {
  drv time-command $(( r % 2 == 0 ? 60 : 50 )) "$limit" >/dev/null
  drv time-readout $(( 245 + r % 2 )) 185 "$limit"
}

# Each run starts at 640 x 410.
time_resize() {
  drv time-resize 640 410 640 410 1 "$limit" >/dev/null
  drv time-resize 640 410 1000 700 8 "$limit"
}

# window_rows LABEL NAME STEPS: drag, resize and the maximized rows of the
# picture open in the viewer.
window_rows() {
  local label=$1 name=$2 steps=$3
  echo "open_wine: $label: $name drag, resize, maximized" >&2
  if median time_drag; then row "$label $name drag" "$steps" "$MEDIAN" "fps stride whole clear-ms blit-ms"; fi
  if [ "$name" != tiny ] && median time_readout; then
    row "$label $name readout" "$steps" "$MEDIAN" "-"
  fi
  if [ "$name" != tiny ] && median time_resize; then
    row "$label $name resize" "$steps" "$MEDIAN" "mean max whole"
  fi
  drv maximize + wait-idle "$limit" >/dev/null
  local size
  size=$(drv window-rect | tr -d '\r' | awk '{ print $3 "x" $4 }')
  if [ "$name" != tiny ] && median time_rotate; then row "$label $name max rotate" "$steps" "$MEDIAN" "$size"; fi
  if median time_drag; then row "$label $name max drag" "$steps" "$MEDIAN" "fps stride whole clear-ms blit-ms"; fi
  # Back to the first run's size for the next picture.
  stop_viewer
  start_viewer
}

rows=()
row() { rows+=("$(printf '%-24s %9s %8s %10s' "$@")"); }

picture tiny 1 1
tiny_pic=$PIC tiny_steps=$STEPS
names=()
for target in "${sizes[@]}"; do
  name=$(( target / 1000000 ))M
  large "$name" "$target"
  names+=("$name:$PIC:$STEPS")
done

# The window manager of the rows "wm": openbox on the benchmark's display.
wm_pid=""
wm_start() {
  if ! command -v openbox >/dev/null; then
    echo "open_wine: installing openbox" >&2
    apt-get install -y -qq openbox >/dev/null 2>&1 ||
      { apt-get update -qq && apt-get install -y -qq openbox >/dev/null; }
  fi
  openbox >"$work/logs/openbox.log" 2>&1 &
  wm_pid=$!
  for _ in $(seq 1 50); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  echo "open_wine: openbox did not start" >&2
  return 1
}
wm_stop() {
  if [ -n "$wm_pid" ]; then
    kill "$wm_pid" 2>/dev/null || true
    wait "$wm_pid" 2>/dev/null || true
    wm_pid=""
  fi
}

# measure_all LABEL: the tiny open, then each large picture's open and one
# rotation, in a viewer started afresh.
measure_all() {
  local label=$1 tiny_best name pic steps
  start_viewer
  echo "open_wine: $label: tiny open ($tiny_steps steps)" >&2
  best time_open "$tiny_pic" || { stop_viewer; return 1; }
  tiny_best=$BEST
  row "$label tiny open" "$tiny_steps" "$BEST" "-"
  if [ "$label" = wm ]; then window_rows "$label" tiny "$tiny_steps"; fi
  for entry in "${names[@]}"; do
    IFS=: read -r name pic steps <<<"$entry"
    echo "open_wine: $label: $name open ($steps steps)" >&2
    if ! best time_open "$pic"; then
      row "$label $name open" "$steps" "failed" "-"
      continue
    fi
    row "$label $name open" "$steps" "$BEST" "$(awk -v a="$BEST" -v b="$tiny_best" 'BEGIN { printf "%.3f", a - b }')"
    echo "open_wine: $label: $name rotate" >&2
    if best time_rotate; then
      row "$label $name rotate" "$steps" "$BEST" "-"
    else
      row "$label $name rotate" "$steps" "failed" "-"
    fi
    if [ "$label" = wm ]; then window_rows "$label" "$name" "$steps"; fi
  done
  stop_viewer
}

if wm_start; then
  measure_all wm
  wm_stop
fi
if [ "$wm_only" = 1 ]; then
  printf '%-24s %9s %8s %10s\n' "row" "steps" "seconds" "over tiny"
  printf '%s\n' "${rows[@]}"
  exit 0
fi
measure_all "no wm"

echo "open_wine: tiny open with unmanaged windows" >&2
wine_windows_managed N
start_viewer
if best time_open "$tiny_pic"; then
  row "unmanaged tiny open" "$tiny_steps" "$BEST" "-"
else
  row "unmanaged tiny open" "$tiny_steps" "failed" "-"
fi
stop_viewer
wine_windows_managed Y

echo
echo "Viewer under Wine ($(nproc) cores, best of $runs runs, seconds)"
printf '%-24s %9s %8s %10s\n' "row" "steps" "seconds" "over tiny"
printf '%s\n' "${rows[@]}"
echo "wm: with openbox managing Wine's windows; no wm: without a window manager, where"
echo "  Wine waits for one when the dialog closes; unmanaged: Wine's windows unmanaged"
echo "  (no such wait), as in the end-to-end tests."
echo "open: from the OK of Data File Open to the end of the paint that shows the picture;"
echo "  over tiny: less the tiny open, the dialog's own closing under Wine."
echo "rotate: from a rotation button of the x angle to the end of its paint."
