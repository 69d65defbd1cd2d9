#!/usr/bin/env bash
# Benchmarks of vokatool export and animate on a picture of about 11 million
# steps made by vokasim (400 showers of 1 GeV electrons in lead and water),
# the best of BENCH_RUNS runs of each, in seconds:
#   convert   vokatool convert: the conversion alone, which export and
#             animate make first
#   export    vokatool export -o F.vtp (raw) and --base64, whole runs
#   write     what export adds to the conversion (export - convert)
#   disk      writing as many bytes as the .vtp file has with dd (the
#             disk's share of `write`)
#   render    vokatool render -o F.bmp; animate: 10 frames -o F.gif, and
#             the time a frame takes beyond the conversion
# Benchmarks are never part of the tests' pass/fail.
# Usage: bench/show.sh      Environment: BENCH_RUNS (default 3).
set -euo pipefail
cd "$(dirname "$0")/.."
runs=${BENCH_RUNS:-3}
tool=$PWD/build/native/vokatool sim=$PWD/build/native/vokasim
data=build/bench/data
mkdir -p "$data"
pic=$data/show_11m.pic
[ -s "$pic" ] || "$sim" -n 400 -e 1000 -b 20 -m lead,water -o "$pic" >/dev/null
out=$(mktemp -d /tmp/vkbench.XXXXXX)
trap 'rm -rf "$out"' EXIT

best() { # COMMAND...: the shortest wall time of `runs` runs, in seconds
  local b="" t
  for _ in $(seq "$runs"); do
    /usr/bin/time -f %e -o "$out/time" "$@" >/dev/null 2>&1
    t=$(tail -1 "$out/time")
    if [ -z "$b" ] || awk "BEGIN{exit !($t < $b)}"; then b=$t; fi
  done
  echo "$b"
}
convert=$(best "$tool" convert "$pic" --work-dir "$out/")
export_raw=$(best "$tool" export "$pic" -o "$out/f.vtp")
export_b64=$(best "$tool" export "$pic" -o "$out/g.vtp" --base64)
bytes=$(stat -c %s "$out/f.vtp")
disk=$(best dd if=/dev/zero of="$out/z" bs=1M count=$((bytes / 1048576)))
render=$(best "$tool" render "$pic" -o "$out/f.bmp")
animate=$(best "$tool" animate "$pic" -o "$out/f.gif" --frames 10)
steps=$("$tool" info "$pic" | sed -n 's/^steps: \([0-9]*\).*/\1/p')
echo "picture: $steps steps; .vtp: $((bytes / 1000000)) MB"
echo "convert $convert s"
echo "export  $export_raw s raw, $export_b64 s base64; write $(awk "BEGIN{print $export_raw - $convert}") s, disk $disk s"
echo "render  $render s; animate 10 frames $animate s, $(awk "BEGIN{print ($animate - $convert) / 10}") s a frame"
