#!/usr/bin/env bash
# Benchmarks of the conversion and the rebuild on large pictures made by
# vokasim (showers of 50 MeV electrons in water cylinders), one row per size
# (1, 10 and 30 million steps), the best of BENCH_RUNS runs of each figure:
#   convert  the conversion as the viewer makes it: the work file written,
#            the steps kept in memory while they fit the budget
#   first    the first picture: that conversion and the first rebuild of the
#            full view in a 640 x 410 window (a 490 x 360 picture) on the
#            raster surface
#   redraw   a later rebuild of the same view, as after a command
# each in nanoseconds a step (bench_rebuild, on the viewer's threads, and
# once more on one thread: VOKA_THREADS=1; for the largest picture also
# without the steps kept in memory, drawn from the work file mapped into
# memory, as beyond the budget); the peak resident memory of that
# process in MB and in bytes a step; and the ratios to two baselines
# measured in the same run on the same files, so that a reader sees how each
# cost grows with the size:
#   copy     reading the picture file and writing as many bytes as the work
#            file has, in blocks through plain buffered I/O: the input and
#            output of a conversion without its work (bench_baseline copy)
#   read     one read of the work file in blocks (bench_baseline read)
# For the 1-million-step picture also the figures: `vokatool render -o
# F.svg` and `-o F.pdf` against the same render to a bitmap (with cairo).
# Benchmarks are never part of the tests' pass/fail.
#
# Usage: bench/run.sh [--quick]      --quick: the 1-million-step picture only
# Environment: BENCH_RUNS (default 5) runs per figure, the best is kept.
# The pictures are kept in build/bench/data and made again when vokasim
# changed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build/bench
data=$build/data
runs=${BENCH_RUNS:-5}
sizes=(1000000 10000000 30000000)
if [ "${1:-}" = "--quick" ]; then sizes=(1000000); fi

if [ ! -x /usr/bin/time ]; then
  echo "bench: installing GNU time" >&2
  apt-get install -y -qq time >/dev/null 2>&1 ||
    { apt-get update -qq && apt-get install -y -qq time >/dev/null; }
fi

echo "bench: building (Release) in build/bench" >&2
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DVOKA_TESTS=ON >/dev/null
cmake --build "$build" -j2 --target vokasim vokatool bench_baseline bench_rebuild >/dev/null
sim=$build/vokasim
tool=$build/vokatool
base=$build/bench/bench_baseline
rebuild=$build/bench/bench_rebuild
mkdir -p "$data"
cd "$data"

sim_args=(-p electron -e 50 -m water --radii 2,5,10 --planes 0,10,20,30 -s 11)

# generate NAME STEPS: a picture of about STEPS step lines, unless it is there
# and newer than vokasim; sets PIC and RECORDS.
generate() {
  local name=$1 target=$2 per hist batch
  PIC=$data/$name.pic
  if [ ! -s "$PIC" ] || [ ! -s "$data/$name.txt" ] || [ "$sim" -nt "$PIC" ]; then
    "$sim" "${sim_args[@]}" -n 1000 -b 10 -o "$data/calibrate.pic" >"$data/calibrate.txt"
    per=$(awk '/^  step lines/ {print $3}' "$data/calibrate.txt")
    rm -f "$data/calibrate.pic"
    hist=$(( (target * 1000 + per - 1) / per ))
    batch=$(( (hist + 999) / 1000 ))
    echo "bench: generating $name ($hist histories)" >&2
    "$sim" "${sim_args[@]}" -n "$hist" -b "$batch" -o "$PIC" >"$data/$name.txt"
  fi
  RECORDS=$(awk '/^  work-file records/ {print $3}' "$data/$name.txt")
}

# measure COMMAND...: best wall time of $runs runs (TIME, microseconds) and
# the largest peak resident size (PEAK, kB).
measure() {
  local r s e t m
  TIME=; PEAK=0
  for ((r = 0; r < runs; r++)); do
    s=$(date +%s%N)
    if ! /usr/bin/time -f %M -o "$build/peak.txt" "$@" >/dev/null; then
      echo "bench: failed: $*" >&2
      return 1
    fi
    e=$(date +%s%N)
    t=$(( (e - s) / 1000 ))
    m=$(tail -n 1 "$build/peak.txt")
    if [ -z "$TIME" ] || [ "$t" -lt "$TIME" ]; then TIME=$t; fi
    if [ "$m" -gt "$PEAK" ]; then PEAK=$m; fi
  done
}

# viewer THREADS [COPY_BUDGET]: the best of $runs runs of bench_rebuild
# (CONVERT, FIRST as conversion + first rebuild, REDRAW, microseconds) and the
# largest peak resident size (VPEAK, kB).
viewer() {
  local r out c f d m
  CONVERT= FIRST= REDRAW= VPEAK=0
  for ((r = 0; r < runs; r++)); do
    out=$(env VOKA_THREADS=$1 BENCH_REBUILDS=3 ${2:+BENCH_COPY_BUDGET=$2} /usr/bin/time -f %M -o "$build/peak.txt" \
            "$rebuild" ./ "$PIC" 640x410) || { echo "bench: bench_rebuild failed" >&2; return 1; }
    c=$(awk '/^convert/ {print $2}' <<<"$out")
    f=$(( c + $(awk '/^first/ {print $2}' <<<"$out") ))
    d=$(awk '/^redraw/ {print $2}' <<<"$out")
    m=$(tail -n 1 "$build/peak.txt")
    if [ -z "$CONVERT" ] || [ "$c" -lt "$CONVERT" ]; then CONVERT=$c; fi
    if [ -z "$FIRST" ] || [ "$f" -lt "$FIRST" ]; then FIRST=$f; fi
    if [ -z "$REDRAW" ] || [ "$d" -lt "$REDRAW" ]; then REDRAW=$d; fi
    if [ "$m" -gt "$VPEAK" ]; then VPEAK=$m; fi
  done
}

ns() { awk -v t="$1" -v n="$RECORDS" 'BEGIN { printf "%.1f", t * 1000 / n }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
format='%-4s %9s %8s %8s %8s %8s %7s %7s %7s %8s %8s %8s\n'
rows=() figures=()
for target in "${sizes[@]}"; do
  name=$(( target / 1000000 ))M
  generate "$name" "$target"
  work=$data/work.\$\$\$
  rm -f "$work"
  # The viewer's threads, one thread, and for the largest picture the
  # viewer's threads drawing from the work file (no copy: constant memory).
  configs=(0 1)
  [ "$target" != "${sizes[-1]}" ] || configs+=(file)
  for threads in "${configs[@]}"; do
    echo "bench: $name, $threads" >&2
    if [ "$threads" = file ]; then viewer 0 0 || continue 2; else viewer "$threads" || continue 2; fi
    if [ $threads = 0 ]; then
      measure "$base" copy "$PIC" "$data/copy.bin" "$RECORDS" || exit 1
      copy_t=$TIME
      rm -f "$data/copy.bin"
      measure "$base" read "$work"
      read_t=$TIME
      label=$name
    else
      label=$([ "$threads" = 1 ] && echo "  1t" || echo "  wf")
    fi
    rows+=("$(printf "$format" "$label" "$RECORDS" "$(ns "$CONVERT")" "$(ns "$FIRST")" "$(ns "$REDRAW")" \
      "$(awk -v k="$VPEAK" 'BEGIN { printf "%.0f", k / 1024 }')" \
      "$(awk -v k="$VPEAK" -v n="$RECORDS" 'BEGIN { printf "%.1f", k * 1024 / n }')" \
      "$(ns "$copy_t")" "$(ns "$read_t")" \
      "$(ratio "$CONVERT" "$copy_t")" "$(ratio "$FIRST" "$copy_t")" "$(ratio "$REDRAW" "$read_t")")")
  done
  rm -f "$work"
  if [ "$name" = 1M ]; then
    for fmt in svg pdf; do
      measure "$tool" render "$PIC" -o "$data/figure.$fmt" || continue
      fig_t=$TIME fig_m=$PEAK
      measure "$tool" render "$PIC" -o "$data/figure.bmp" || exit 1
      figures+=("$(printf '%-4s %-4s %8.3f %8.3f %7s %9s %7s %7s' "$name" "$fmt" \
        "$(awk -v t="$fig_t" 'BEGIN { print t / 1e6 }')" "$(awk -v t="$TIME" 'BEGIN { print t / 1e6 }')" \
        "$(ratio "$fig_t" "$TIME")" "$(awk -v b="$(stat -c %s "$data/figure.$fmt")" 'BEGIN { printf "%.1f", b / 1048576 }')" \
        "$(awk -v k="$fig_m" 'BEGIN { printf "%.0f", k / 1024 }')" "$(awk -v k="$PEAK" 'BEGIN { printf "%.0f", k / 1024 }')")")
      rm -f "$data/figure.$fmt" "$data/figure.bmp"
    done
  fi
done

echo
echo "Conversion and rebuild ($(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), best of $runs runs)"
printf "$format" size steps convert first redraw "peak MB" "B/step" copy read "conv/cp" "first/cp" "redr/rd"
printf '%s\n' "${rows[@]}"
echo "convert, first, redraw, copy, read: nanoseconds a step (a work-file record); 1t: on one thread;"
echo "wf: no steps kept in memory, every rebuild drawn from the work file mapped into memory."
echo "convert: conversion keeping the steps; first: conversion + first rebuild; redraw: a later rebuild;"
echo "copy: read the picture, write the work file's bytes; read: one read of the work file."
echo "peak: resident memory of the viewer's conversion and rebuilds; ratios: convert, first / copy, redraw / read."
if [ ${#figures[@]} -gt 0 ]; then
  echo
  printf '%-4s %-4s %8s %8s %7s %9s %7s %7s\n' size fmt "figure" "bitmap" ratio "file MB" "fig MB" "bmp MB"
  printf '%s\n' "${figures[@]}"
  echo "figure, bitmap: seconds of vokatool render to the format and to .bmp (conversion included)."
fi
