#!/usr/bin/env bash
# vokatool export, read back by VTK's own reader: the tracks of a picture
# (kinds, batch range and cut-offs chosen) against the steps of the picture
# file read here line by line, and the geometry outlines of a second block.
# Usage: export.sh VOKATOOL VOKASIM
set -u
tool=$1 sim=$2
. "$(dirname "$0")/../e2e/lib.sh" # info_write, fail, skip
/usr/bin/python3 -c 'import vtk' 2>/dev/null || skip "no python3-vtk9 for /usr/bin/python3"
dir=$(mktemp -d /tmp/vkexp.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

# Reals in cm in the step lines (the float layout), so that the picture is
# read here without the program's decoding; lead for positrons.
"$sim" -n 24 -b 4 -e 30 -m lead,water --layout float -o shower.pic >/dev/null || fail "vokasim"
info_write info photon_cut=0.2 charged_cut=1.5
"$tool" export shower.pic -o both.vtm --info info --particles e,p --batches 2-5 >out.txt 2>&1 ||
  fail "export to .vtm: $(cat out.txt)"
"$tool" export shower.pic -o b64.vtp --info info --particles e,p --batches 2-5 --base64 >out.txt 2>&1 ||
  fail "export to .vtp in base64: $(cat out.txt)"
# An EGSnrc track file, taken directly: a photon, an electron, a positron.
/usr/bin/python3 - <<'PY'
import struct
def track(charge, vertices):
    return struct.pack('<iid', len(vertices), charge, 0.5) + b''.join(struct.pack('<4d', *v) for v in vertices)
m = 0.51099895
tracks = [track(0, [(0, 0, 0, 2.0), (1, 0, 0, 2.0)]), track(-1, [(0, 0, 1, 1 + m), (0, 1, 1, 0.5 + m)]),
          track(1, [(0, 0, -1, 3 + m), (0, 0, -2, 1 + m), (0, 1, -2, 0.5 + m)])]
open('three.ptracks', 'wb').write(b'include time index=\0\1' + struct.pack('<i', 3) + b''.join(tracks))
PY
"$tool" export three.ptracks -o three.vtp >out.txt 2>&1 || fail "export of a .ptracks file: $(cat out.txt)"

/usr/bin/python3 - <<'PY' || exit 1
import sys, vtk

# The picture file: the tracks as the window draws them.  A track starts at
# a step of a shown kind in the batch range and ends at a separator; a step
# below its kind's cut-off is not drawn, so the line breaks there.
KINDS = {'4': 1, '5': 2, '6': 3}         # photon, electron, positron
SHOWN, FIRST, LAST = {2, 3}, 2, 5
CUT = {1: 0.2, 2: 1.5, 3: 1.5}
lines, batch, tracks, in_file = [], 0, 0, False
track = None  # [kind, batch, number, previous point]
geometry_done = False
for text in open('shower.pic'):
    if text.startswith('GEND'):
        geometry_done = True
        continue
    if not geometry_done or text[0] not in '0456-':
        continue
    if text[0] == '0' and text[1] == ' ':
        batch = int(text.split()[1]); continue
    if text[0] == '-':
        track = None; in_file = False; continue
    kind = KINDS[text[0]]
    x, y, z = (float(text[1 + 13 * i:14 + 13 * i]) for i in range(3))
    e = float(text[40:50])
    if not in_file:
        tracks += 1; in_file = True
    if not (FIRST <= batch <= LAST):
        track = None; continue
    first = False
    if track is None:
        if kind not in SHOWN:
            continue
        track, first = [kind, batch, tracks, None, False], True
    if e >= CUT[kind]:
        if not track[4]:
            start = (x, y, z, e) if first else track[3]
            lines.append((track[0], track[1], track[2], [start]))
            track[4] = True
        if not first:
            lines[-1][3].append((x, y, z, e))
    else:
        track[4] = False
    track[3] = (x, y, z, e)

def read(name, reader):
    reader.SetFileName(name); reader.Update()
    return reader.GetOutput()

def check(data, what):
    points = [p for line in lines for p in line[3]]
    if data.GetNumberOfPoints() != len(points) or data.GetNumberOfLines() != len(lines):
        sys.exit(f"FAIL: {what}: {data.GetNumberOfPoints()} points, {data.GetNumberOfLines()} "
                 f"lines; the picture has {len(points)} and {len(lines)}")
    energy = data.GetPointData().GetArray('energy')
    for i, p in enumerate(points):
        got = data.GetPoint(i)
        if max(abs(got[k] - p[k]) / (1 + abs(p[k])) for k in range(3)) > 1e-6 or abs(energy.GetValue(i) - p[3]) > 1e-6 * p[3]:
            sys.exit(f"FAIL: {what}: point {i}: {got} {energy.GetValue(i)}, expected {p}")
    cells = data.GetCellData()
    offsets = data.GetLines().GetOffsetsArray()
    for i, (kind, b, number, run) in enumerate(lines):
        got = (cells.GetArray('kind').GetValue(i), cells.GetArray('batch').GetValue(i),
               cells.GetArray('track').GetValue(i), offsets.GetValue(i + 1) - offsets.GetValue(i))
        if got != (kind, b, number, len(run)):
            sys.exit(f"FAIL: {what}: line {i}: kind, batch, track, points {got}, "
                     f"expected {(kind, b, number, len(run))}")

blocks = read('both.vtm', vtk.vtkXMLMultiBlockDataReader())
if blocks.GetNumberOfBlocks() != 2:
    sys.exit(f"FAIL: both.vtm: {blocks.GetNumberOfBlocks()} blocks")
check(blocks.GetBlock(0), 'both.vtm tracks')
check(read('b64.vtp', vtk.vtkXMLPolyDataReader()), 'b64.vtp')
# Two radii in three planes: circles of 361 points; two axial lines a radius.
geometry = blocks.GetBlock(1)
got = (geometry.GetNumberOfPoints(), geometry.GetNumberOfLines())
if got != (2 * 3 * 361 + 2 * 2 * 2, 6 + 4):
    sys.exit(f"FAIL: geometry block: {got} points and lines")
three = read('three.vtp', vtk.vtkXMLPolyDataReader())
got = [(three.GetCellData().GetArray('kind').GetValue(i), three.GetCell(i).GetNumberOfPoints())
       for i in range(three.GetNumberOfLines())]
if got != [(1, 2), (2, 2), (3, 3)] or abs(three.GetPointData().GetArray('energy').GetValue(6) - 0.5) > 1e-6:
    sys.exit(f"FAIL: three.vtp from the track file: kinds and points {got}")
if len(lines) < 20 or not {2, 3} <= {line[0] for line in lines}:
    sys.exit(f"FAIL: the picture is too small a test: {len(lines)} lines")
PY
echo "export: tracks and geometry read back by VTK as the picture holds them"
