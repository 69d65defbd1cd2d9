#!/usr/bin/env bash
# EGSnrc track files: vokatool import writes the picture (kinetic energies,
# joined tracks, batches of N tracks, other charges left out and reported),
# info and render take the track file directly, and damaged files get a
# message naming what is wrong, exit status 1 and no output.
# Usage: ptracks.sh VOKATOOL
set -u
tool=$1
dir=$(mktemp -d /tmp/vkptr.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Track files written here, field by field, as the layout says.
python3 - <<'PY'
import math, struct
def track(charge, vertices, time=None):
    b = struct.pack('<ii', len(vertices), charge)
    if time is not None:
        b += struct.pack('<d', time)
    for v in vertices:
        b += struct.pack('<4d', *v)
    return b
def newer(tracks, with_time=1):
    return b'include time index=\0' + bytes([with_time]) + struct.pack('<i', len(tracks)) + b''.join(tracks)
m = 0.51099895
good = [track(0, [(0, 0, 0, 2.0), (1, 0, 0, 2.0)], 0.5),
        track(-1, [(0, 0, 1, 1.0 + m), (0, 1, 1, 0.5 + m)], 0.5),
        track(-1, [(0, 1, 1, 0.5 + m), (0, 2, 1, 0.25 + m)], 0.5),      # continues the one before
        track(0, [(0, 2, 1, 0.3), (0, 3, 1, 0.2)], 0.5),                 # a photon from its end: not joined
        track(2, [(5, 5, 5, 1.0), (6, 6, 6, 1.0)], 0.5),                 # an ion: left out
        track(1, [(0, 0, -1, 3.0 + m), (0, 0, -2, 1.0 + m)], 0.5)]
open('good.ptracks', 'wb').write(newer(good))
old = b''.join(track(i % 2 - 1 if i % 3 else 0, [(i, 0, 0, 1.0), (i, 1, 0, 0.9)]) for i in range(250))
open('old.ptracks', 'wb').write(struct.pack('<i', 250) + old)
whole = newer(good)
open('cut.ptracks', 'wb').write(whole[:-7])
open('long.ptracks', 'wb').write(newer([struct.pack('<ii', 1000000, 0) + struct.pack('<d', 0) + bytes(64)]))
open('nan.ptracks', 'wb').write(newer([track(0, [(0, 0, 0, 1.0), (math.nan, 0, 0, 1.0)], 0.0)]))
open('extra.ptracks', 'wb').write(whole + b'\0' * 12)
far = [track(-1, [(0, 0, 0.2 * i, 2.0 - 0.1 * i + m) for i in range(5)], 0.0),
       track(-1, [(0.1, 0, 0, 1.9), (0.2, 0.1, 0, 1.8), (1e30, 0, 0, 1.7), (0.3, 0.2, 0, 1.6)], 0.0)]
open('far.ptracks', 'wb').write(newer(far))
open('energy.ptracks', 'wb').write(newer([track(0, [(0, 0, 0, 1.0), (1, 0, 0, 1e39)], 0.0)]))
open('tiny.ptracks', 'wb').write(newer([track(-1, [(0, 0, 0, 1.0 + m), (-1e-120, -3e-300, 1, 0.5 + m)], 0.0)]))
open('negative.ptracks', 'wb').write(newer([track(0, [(0, 0, 0, 1.0), (1, 0, 0, 1.0)], 0.0),
                                            track(0, [(0, 0, 0, 1.0), (1, 0, 0, -2.0)], 0.0)]))
PY

"$tool" import good.ptracks -o good.pic >out.txt 2>err.txt || fail "import of good.ptracks: $(cat err.txt)"
# The picture: no geometry, a batch a track (6 tracks: 1 a batch), the tracks as float step lines with
# kinetic energies, the continued track joined (not the photon from its end), the ion left out.
expected='GSTA
GEND
0    1
4 0.000000E+00 0.000000E+00 0.000000E+00 2.000E+00   1 1.000E+00
4 1.000000E+00 0.000000E+00 0.000000E+00 2.000E+00   1 1.000E+00
-
0    2
5 0.000000E+00 0.000000E+00 1.000000E+00 1.000E+00   1 1.000E+00
5 0.000000E+00 1.000000E+00 1.000000E+00 5.000E-01   1 1.000E+00
5 0.000000E+00 2.000000E+00 1.000000E+00 2.500E-01   1 1.000E+00
-
0    3
4 0.000000E+00 2.000000E+00 1.000000E+00 3.000E-01   1 1.000E+00
4 0.000000E+00 3.000000E+00 1.000000E+00 2.000E-01   1 1.000E+00
-
0    4
6 0.000000E+00 0.000000E+00-1.000000E+00 3.000E+00   1 1.000E+00
6 0.000000E+00 0.000000E+00-2.000000E+00 1.000E+00   1 1.000E+00
-'
[ "$(cat good.pic)" = "$expected" ] || { fail "good.pic differs:"; diff <(echo "$expected") good.pic; }
grep -q "1 tracks of a charge other than 0, -1 or +1 left out (the first: charge 2)" err.txt ||
  fail "the ion not reported: $(cat err.txt)"
grep -q "joined: 1 tracks" out.txt || fail "joined track not reported"
"$tool" info old.ptracks >info.txt 2>&1 || fail "info of old.ptracks: $(cat info.txt)"
grep -q "batches: 84, made of 3 tracks each" info.txt || fail "batches of old.ptracks: $(cat info.txt)"
grep -q "^batches: 84 (last batch)" info.txt || fail "picture of old.ptracks: $(cat info.txt)"
"$tool" render good.ptracks -o good.bmp >/dev/null 2>&1 || fail "render of good.ptracks"
# A negative energy is said, with its track and vertex, and drawn as 0.
"$tool" import negative.ptracks -o good.negative.pic >/dev/null 2>err.txt || fail "import of negative.ptracks"
grep -q "negative.ptracks: track 2, vertex 2: a negative energy, drawn as 0 (1 vertices in all)" err.txt ||
  fail "negative energy not reported: $(cat err.txt)"
[ -s good.bmp ] || fail "no good.bmp"

# expect_damaged FILE PATTERN
expect_damaged() {
  if "$tool" import "$1" -o damaged.pic >/dev/null 2>err.txt; then
    fail "$1: exit status 0"
  elif ! grep -q "$2" err.txt; then
    fail "$1: no '$2' in: $(cat err.txt)"
  fi
  [ ! -e damaged.pic ] || fail "$1: damaged.pic written"
}
expect_damaged cut.ptracks "cut.ptracks: track 6 has 2 vertices, more than the rest"
expect_damaged long.ptracks "track 1 has 1000000 vertices, more than the rest of the file holds"
expect_damaged nan.ptracks "track 1, vertex 2: a value that is not a number"
expect_damaged extra.ptracks "12 bytes after the last of its 6 tracks"
expect_damaged energy.ptracks "track 1, vertex 2: an energy of 1.000E+39 MeV, beyond"
# A vertex the picture's reader leaves out is named in the track file.
"$tool" render far.ptracks -o far.bmp >/dev/null 2>err.txt
grep -q -x "far.ptracks: track 2, vertex 3: a coordinate far outside the rest of the picture" err.txt &&
  ! grep -q tracks.pic err.txt || fail "far.ptracks: $(cat err.txt)"
rm -f far.bmp
# Coordinates of three-digit exponents stay within their columns.
"$tool" info tiny.ptracks 2>&1 | grep -q "^lines left out: 0" || fail "tiny.ptracks: $("$tool" info tiny.ptracks 2>&1)"
left=$(ls -A | grep -v -e '\.ptracks$' -e '\.txt$' -e '^good\.')
[ -z "$left" ] || fail "left behind: $left"
[ $failures -eq 0 ] && echo "ok: track files imported, damaged ones refused" || exit 1
