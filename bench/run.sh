#!/usr/bin/env bash
# Benchmarks of the picture tools on large pictures made by vokasim.  Each
# row is a ratio against a baseline measured in the same run on the same
# files, so the numbers compare across machines better than seconds do:
#   (a) conversion  `vokatool convert PICTURE --work-dir DIR/` against
#       reading the picture and writing a file of the work file's size with
#       plain buffered I/O in blocks, the floor of the I/O alone
#       (bench_baseline copy); and the conversion as the viewer makes it,
#       keeping the steps in memory for the rebuilds (bench_rebuild);
#   (b) rebuild     the full-view rebuild of the picture at 640 x 410 on the
#       raster surface (bench_rebuild, from the steps in memory when they
#       fit), in records per second, against merely reading the work file
#       (bench_baseline read);
#   (c) peak memory (resident, /usr/bin/time) of each tool and its baseline;
#   (d) figures  `vokatool render PICTURE -o F.svg` and `-o F.pdf` against
#       the same render to a bitmap (`-o F.bmp`), with the figure's size
#       (when vokatool is built with cairo).
# Benchmarks are never part of the tests' pass/fail.
#
# Usage: bench/run.sh [--quick]      --quick: the 1-million-step picture only
# Environment: BENCH_RUNS (default 5) runs per measurement, the best is kept.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$PWD/build/bench
data=$build/data
runs=${BENCH_RUNS:-5}
sizes=(1000000 10000000)
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

# Showers of 50 MeV electrons in water cylinders.
sim_args=(-p electron -e 50 -m water --radii 2,5,10 --planes 0,10,20,30 -s 11)

# generate NAME STEPS: a picture of about STEPS step lines; sets PIC, STEPS, RECORDS.
generate() {
  local name=$1 target=$2 per hist batch
  "$sim" "${sim_args[@]}" -n 1000 -b 10 -o "$data/calibrate.pic" >"$data/calibrate.txt"
  per=$(awk '/^  step lines/ {print $3}' "$data/calibrate.txt")
  hist=$(( (target * 1000 + per - 1) / per ))
  batch=$(( (hist + 999) / 1000 ))
  PIC=$data/$name.pic
  echo "bench: generating $name ($hist histories)" >&2
  "$sim" "${sim_args[@]}" -n "$hist" -b "$batch" -o "$PIC" >"$data/$name.txt"
  STEPS=$(awk '/^  step lines/ {print $3}' "$data/$name.txt")
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

rows=()
row() { rows+=("$(printf '%-38s %10s %10s %7s %9s %9s' "$@")"); }
mb() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }
for target in "${sizes[@]}"; do
  name=$(( target / 1000000 ))M
  generate "$name" "$target"
  mb=$(awk -v b="$(stat -c %s "$PIC")" 'BEGIN { printf "%.0f", b / 1048576 }')
  label="$name ($STEPS steps, ${mb} MB)"
  # The work directory setting holds at most 19 characters: convert in
  # the data folder with the work directory "./".
  work=$data/work.\$\$\$
  rm -f "$work"
  echo "bench: (a) conversion of $name" >&2
  if ! measure "$tool" convert "$PIC" --work-dir ./; then
    rows+=("(a) convert $label: vokatool convert failed")
    continue
  fi
  conv_t=$TIME conv_m=$PEAK
  work_bytes=$(stat -c %s "$work")
  if [ "$work_bytes" -ne $(( RECORDS * 40 )) ]; then
    echo "bench: work file of $work_bytes bytes, expected $(( RECORDS * 40 ))" >&2
  fi
  measure "$base" copy "$PIC" "$data/copy.bin" "$RECORDS" || exit 1
  base_t=$TIME base_m=$PEAK
  rm -f "$data/copy.bin"
  row "(a) convert $label" \
      "$(awk -v t="$conv_t" 'BEGIN { printf "%.3f", t / 1e6 }')" \
      "$(awk -v t="$base_t" 'BEGIN { printf "%.3f", t / 1e6 }')" \
      "$(awk -v a="$conv_t" -v b="$base_t" 'BEGIN { printf "%.2f", a / b }')" \
      "$(mb "$conv_m")" "$(mb "$base_m")"
  echo "bench: (b) rebuild of $name" >&2
  # The rebuild and the conversion before it (as the viewer converts: the
  # steps kept in memory) are timed inside bench_rebuild; its peak memory
  # is that of both.
  rend_t= keep_t= rend_m=0
  for ((r = 0; r < runs; r++)); do
    out=$(BENCH_REBUILDS=3 /usr/bin/time -f '%M' -o "$data/time.txt" "$rebuild" ./ "$PIC" 640x410) ||
      { rows+=("(b) rebuild $label: bench_rebuild failed"); continue 2; }
    t=$(echo "$out" | awk '/^rebuild/ {print $2}')
    k=$(echo "$out" | awk '/^convert/ {print $2}')
    m=$(cat "$data/time.txt")
    if [ -z "$rend_t" ] || [ "$t" -lt "$rend_t" ]; then rend_t=$t; fi
    if [ -z "$keep_t" ] || [ "$k" -lt "$keep_t" ]; then keep_t=$k; fi
    if [ "$m" -gt "$rend_m" ]; then rend_m=$m; fi
  done
  row "(a) convert, steps kept, $name" \
      "$(awk -v t="$keep_t" 'BEGIN { printf "%.3f", t / 1e6 }')" \
      "$(awk -v t="$base_t" 'BEGIN { printf "%.3f", t / 1e6 }')" \
      "$(awk -v a="$keep_t" -v b="$base_t" 'BEGIN { printf "%.2f", a / b }')" \
      "-" "-"
  measure "$base" read "$work"
  read_t=$TIME read_m=$PEAK
  row "(b) rebuild $label" \
      "$(awk -v s="$RECORDS" -v t="$rend_t" 'BEGIN { printf "%.2fM/s", s / t }')" \
      "$(awk -v s="$RECORDS" -v t="$read_t" 'BEGIN { printf "%.2fM/s", s / t }')" \
      "$(awk -v a="$read_t" -v b="$rend_t" 'BEGIN { printf "%.3f", a / b }')" \
      "$(mb "$rend_m")" "$(mb "$read_m")"
  rm -f "$work"
  for fmt in svg pdf; do
    measure "$tool" render "$PIC" -o "$data/figure.$fmt" || continue
    fig_t=$TIME fig_m=$PEAK
    measure "$tool" render "$PIC" -o "$data/figure.bmp" || exit 1
    row "(d) $fmt $name ($(mb $(( $(stat -c %s "$data/figure.$fmt") / 1024 ))) MB file)" \
        "$(awk -v t="$fig_t" 'BEGIN { printf "%.3f", t / 1e6 }')" \
        "$(awk -v t="$TIME" 'BEGIN { printf "%.3f", t / 1e6 }')" \
        "$(awk -v a="$fig_t" -v b="$TIME" 'BEGIN { printf "%.2f", a / b }')" \
        "$(mb "$fig_m")" "$(mb "$PEAK")"
    rm -f "$data/figure.$fmt" "$data/figure.bmp"
  done
done

echo
echo "Benchmarks ($(nproc) cores, best of $runs runs; ratio = tool / baseline)"
printf '%-38s %10s %10s %7s %9s %9s\n' "row" "tool" "baseline" "ratio" "tool MB" "base MB"
printf '%s\n' "${rows[@]}"
echo "(a) times in seconds, ratio = convert time / baseline time;"
echo "(b) records per second, ratio = read time / rebuild time (the rebuild's share of read speed);"
echo "(c) peak resident memory in MB of the tool and of its baseline;"
echo "(d) seconds to render the figure and the bitmap (picture conversion included), ratio = figure / bitmap."
