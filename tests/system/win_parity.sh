#!/usr/bin/env bash
# The Windows tools read exactly what the native ones read: vokatool.exe
# (shipped in the zip and the installer) under Wine and the native vokatool
# give the same bytes (work file, BMP, imported picture) and the same
# messages and exit status on every picture of the test corpus: the sample
# pictures, the test data, vokasim pictures, the differential reader
# test's pictures of every layout and variant damaged by its mutator (a
# fixed seed), a few made by hand, and a track file; vokasim.exe writes the
# same pictures as vokasim.  Console text is compared with CR LF read as LF
# (the line end of text on Windows).
# Usage: win_parity.sh NATIVE_BUILD WIN_BUILD   (folders with vokatool, vokasim)
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
native=$(cd "$1" && pwd) win=$(cd "$2" && pwd)
dir=$(mktemp -d /tmp/vkwin.XXXXXX)
# shellcheck source=../../scripts/wine_env.sh
. "$root/scripts/wine_env.sh"
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$dir"' EXIT
mkdir -p "$root/build/wintests/logs"
if ! wine_prefix_ready "$root/build/wintests/wineprefix" "$root/build/wintests/logs/wineboot.log"; then
  echo "FAIL: wineboot"
  tail -n 20 "$root/build/wintests/logs/wineboot.log"
  exit 1
fi
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir -p "$dir/corpus" "$dir/n" "$dir/w"
cd "$dir/corpus" || exit 1
cp "$root"/examples/*.pic "$root"/tests/data/*.pic "$root"/tests/data/e2e/*.pic .

# Name and vokasim arguments of the generated pictures; each also from
# vokasim.exe, which must write the same bytes.  sim_threads is larger than
# a block of the conversion on several threads.
sims=(
  "sim_short|-n 6 -b 2 -s 3 -e 20"
  "sim_long_crlf|-p photon -n 4 -b 2 -s 4 --layout long --variant crlf -m lead,water --slab-x -3,0,3 --slab-y -2,2 --slab-z 0,1,2"
  "sim_float_noheader|-p positron -n 4 -b 1 -s 5 --layout float --variant noheader,block"
  "sim_fixed|-n 3 -b 1 -s 6 --variant fixed,block,crlf"
  "sim_threads|-n 2000 -b 20 -s 8 -e 50"
)
for s in "${sims[@]}"; do
  name=${s%%|*}
  # shellcheck disable=SC2086
  "$native/vokasim" ${s#*|} -o "$name.pic" >/dev/null || fail "vokasim ${s#*|}"
  # shellcheck disable=SC2086
  wine "$win/vokasim.exe" ${s#*|} -o "$name.exe.pic" >/dev/null 2>&1 || fail "vokasim.exe ${s#*|}"
  cmp -s "$name.pic" "$name.exe.pic" || fail "vokasim.exe ${s#*|}: another picture than vokasim's"
  rm -f "$name.exe.pic"
done

# Damaged pictures, pictures made by hand, a track file.
mkdir "$dir/sim"
python3 - "$root/tests/reader" "$native/vokasim" "$dir/sim" <<'PY' || fail "the damaged pictures"
import random, struct, sys
sys.path.insert(0, sys.argv[1])
from differential import mutate, pictures
rng = random.Random(25)
# One of each layout and variant of the differential test, damaged.
for k, base in enumerate(pictures(sys.argv[2], sys.argv[3])):
    open("damaged_%02d.pic" % k, "wb").write(mutate(rng, base))
start = b"GSTA\nGEND\n"
header = b"      -1.0       1.0      -2.0       2.0      -3.0       3.0       1.0\n"
hand = {
    # fields of 10 and 13 plain digits: beyond a 32-bit sum
    "digits": start + b"         09999999999         0         1         0         1         1\n"
              b"0    1\n41234567890123          100            0       1.5\n"
              b"4          1004294967296            0 12345678\n",
    "ctrl_z": start + header + b"0    1\r\n250000500005000012343\r\n\x1a250000500005000012343\n",
    "cut": start + header + b"0    1\n250000500005000012343\n2500005000050",
    # a line longer than a block of the conversion on several threads,
    # which then reads the rest on one from where that line starts
    "glued": start + header + b"0    1\n" + b"250000500005000012343\n" * 60000 + b"2" * 2300000
             + b"\n" + b"350000500005000012343\n" * 10,
    "geometry_only": b"GSTA\nCYLS\n    1    2\n" + b"%15.5E\n" % 1.0 + b"%15.5E%15.5E\n" % (0.0, 1.0) + b"GEND\n",
}
# geometry files for render --geometry: CR LF, a Ctrl-Z inside
geometry = b"GSTA\nCYLS\n    1    2\n%15.5E\n%15.5E%15.5E\nGEND\n" % (1.0, 0.0, 1.0)
open("geometry_crlf.txt", "wb").write(geometry.replace(b"\n", b"\r\n"))
open("geometry_ctrl_z.txt", "wb").write(geometry.replace(b"\n    0.0", b"\n\x1a    0.0"))
for name, text in hand.items():
    open(name + ".pic", "wb").write(text)
def track(charge, vertices):
    return struct.pack("<ii", len(vertices), charge) + struct.pack("<d", 0.5) + b"".join(
        struct.pack("<4d", *v) for v in vertices)
m = 0.51099895
tracks = [track(0, [(0, 0, 0, 2.0), (1, 0, 0, 2.0)]), track(-1, [(0, 0, 1, 1.0 + m), (0, 1e-120, 1, 0.5 + m)]),
          track(1, [(0, 0, -1, 3.0 + m), (0, 2.5e7, -2, 1.0 + m)])]
open("tracks.ptracks", "wb").write(b"include time index=\0\1" + struct.pack("<i", len(tracks)) + b"".join(tracks))
PY

# Every command on every file, on one side: NAME.COMMAND.{out,err,status}
# and the files written, in the side's folder.
side() {
  local folder=$1
  shift
  cp "$dir"/corpus/* "$folder/"
  cd "$folder" || return 1
  for p in *.pic *.ptracks; do
    run "$p.info" "$@" info "$p"
    mkdir "$p.work"
    run "$p.convert" "$@" convert "$p" --work-dir "$p.work/"
    run "$p.render" "$@" render "$p" -o "$p.bmp" --angles 30,-20,10 --colour-by energy
  done
  run tracks.import "$@" import tracks.ptracks -o tracks.imported.pic --tracks-per-batch 2
  run missing.info "$@" info no_such.pic
  for g in geometry_*.txt; do
    run "$g.render" "$@" render standard.pic -o "$g.bmp" --geometry "$g"
  done
}
run() {
  local name=$1
  shift
  "$@" >"$name.out" 2>"$name.err"
  echo $? >"$name.status"
  sed -i 's/\r$//' "$name.out" "$name.err"
}
side "$dir/n" "$native/vokatool"
SECONDS=0
side "$dir/w" wine "$win/vokatool.exe"
cd "$dir" || exit 1
pictures=$(find corpus -type f | wc -l)
if ! diff -r n w >diff.txt; then
  fail "vokatool.exe and vokatool differ (left: native; right: Windows):"
  head -n 60 diff.txt
fi
outputs=$(find n -name '*.bmp' -o -name 'work.$$$' -o -name '*.imported.pic' | wc -l)
[ "$outputs" -ge "$pictures" ] || fail "only $outputs outputs written for $pictures files"
[ $failures -eq 0 ] || exit 1
echo "ok: $pictures files, $outputs outputs and every message alike in vokatool.exe" \
  "($SECONDS s under Wine) and vokatool"
