#!/usr/bin/env bash
# Pictures of the original layout must keep giving the same work file, byte
# for byte: converts the sample pictures and a few vokasim pictures and
# compares the work files with the checksums recorded in work_sums.txt.
# Usage: work_sums.sh VOKATOOL VOKASIM ROOT [--record]
set -u
tool=$1 sim=$2 root=$3
list=$root/tests/data/work_sums.txt
dir=$(mktemp -d /tmp/vksums.XXXXXX)
trap 'rm -rf "$dir"' EXIT
# Name and vokasim arguments of the generated pictures.
sims=(
  "slabs_long|-p photon -e 30 -n 12 -b 3 -s 7 -m lead,water --slab-x -3,0,3 --slab-y -2,2 --slab-z 0,1,2,4 --layout long"
  "cyl_many_batches|-p electron -e 8 -n 60 -b 2 -s 11 -m iron,air --radii 0.5,1,2,4,8 --planes 0,1,2,3,4,5,6,7,8,9"
)
for p in "$root"/examples/*.pic "$root"/tests/data/small.pic; do cp "$p" "$dir/"; done
for s in "${sims[@]}"; do
  # shellcheck disable=SC2086
  "$sim" ${s#*|} -o "$dir/${s%%|*}.pic" >/dev/null || { echo "FAIL: vokasim ${s#*|}"; exit 1; }
done
out=$dir/sums.txt
: >"$out"
for p in "$dir"/*.pic; do
  mkdir "$dir/w"
  (cd "$dir" && "$tool" convert "$p" --work-dir w/ >/dev/null) || { echo "FAIL: convert $p"; exit 1; }
  echo "$(basename "$p") $(sha256sum <"$p" | cut -c1-16) $(sha256sum <"$dir/w/work.\$\$\$" | cut -c1-64)" >>"$out"
  rm -r "$dir/w"
done
if [ "${4:-}" = --record ]; then cp "$out" "$list"; cat "$list"; exit 0; fi
# A generated picture that differs from the recorded one means vokasim
# changed, not the conversion: re-record after checking the conversion.
if ! diff "$list" "$out"; then
  echo "FAIL: work files differ from the recorded ones (left: recorded; columns: picture, its checksum, work-file checksum)"
  exit 1
fi
echo "ok: $(wc -l <"$out") work files as recorded"
