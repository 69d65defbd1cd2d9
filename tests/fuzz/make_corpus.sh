#!/usr/bin/env bash
# Makes the seed corpus of the fuzz harnesses (tests/fuzz/corpus/) from small
# vokasim pictures and a few hand-made ones.  Usage: make_corpus.sh VOKASIM
set -euo pipefail
sim=$1
cd "$(dirname "$0")"
rm -rf corpus
mkdir -p corpus/convert corpus/geometry corpus/info corpus/render
c=corpus/convert
"$sim" -n 2 -b 1 -e 2 -s 1 -o $c/cyl_short.pic >/dev/null
"$sim" -n 2 -b 1 -e 3 -s 2 -p photon -m lead --slab-x -1,1 --slab-y -1,1 --slab-z 0,1,2 \
  --layout long -o $c/slab_long.pic >/dev/null
"$sim" -n 3 -b 1 -e 1 -s 3 -p positron -o $c/three_batches.pic >/dev/null
"$sim" -n 2 -b 1 -e 2 -s 4 --layout float --variant fixed,block,noheader,crlf \
  -o $c/variants.pic >/dev/null
"$sim" -n 1 -b 1 -e 1 -s 5 --layout float -o $c/float.pic >/dev/null
h='      -1.0       1.0      -1.0       1.0      -1.0       1.0       1.0'
printf 'GSTA\nGEND\n%s\n0    2\n250000500005000012343\n-\n0    1\n260000500005000012343\n-\n' "$h" >$c/unordered.pic
printf 'GSTA\nGEND\n%s\n0    1\n250000500005000012343\n\n250000600005000012343\n9\n7\n-\n' "$h" >$c/blank_marker.pic
printf 'GSTA\nGEND\n%s\n0    1\n2nan  500005000012343\n250000500005000012343\n-\n' "$h" >$c/nan.pic
printf 'GSTA\nCYLS\n     2     2\n      1.0      2.0\n      0.0      1.0\nGEND\n' >corpus/geometry/cyls.geo
printf 'GSTA\nSLAB\n     2     1     3\n -1.0 1.0\n 0.5\n 0.0 1.0 2.0\nGEND\n' >corpus/geometry/slab.geo
head -c 192 /dev/zero >corpus/info/zero.inf
printf '\377\377\377\000\000\000\377\000' >corpus/info/short.inf
# Render: 16 bytes of view state, then the picture.
i=0
for p in $c/*.pic; do
  i=$((i + 1))
  { printf "\\$(printf %03o $((i * 37 % 256)))\\$(printf %03o $((i * 11)))\\000\\040\\020\\000\\000\\017"
    printf "\\$(printf %03o $((i % 2)))\\040\\040\\100\\060\\000\\000\\000"; cat "$p"; } >corpus/render/$(basename "$p")
done
du -sh corpus
