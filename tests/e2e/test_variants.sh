# Picture files as newer simulation codes write them open in the window as
# vokatool renders them: float step lines, fixed-point geometry values, a
# block that is not drawn, no header line, CR LF line ends.
t_newer_file_variants() {
  local sim=$PWD/build/native/vokasim
  [ -x "$sim" ] || skip "vokasim is not built"
  "$sim" -n 6 -b 2 -e 8 -s 5 --layout float --variant fixed,block,noheader,crlf \
    -o "$CASE/variants.pic" >/dev/null
  viewer_with_picture "$CASE/variants.pic"
  snap variants
  at_least "$(in_picture variants "$RED")" 50 "electron pixels"
  compare_render variants "$CASE/variants.pic"
  viewer_close
}

# An EGSnrc track file opens through Data File Open as vokatool renders it.
t_egsnrc_track_file() {
  python3 - "$CASE/shower.ptracks" <<'PY'
import math, struct, sys
m = 0.51099895
tracks = []
for k in range(12):
    charge = (0, -1, 1)[k % 3]
    a = 2 * math.pi * k / 12
    pts = [(i * 0.4 * math.cos(a), i * 0.4 * math.sin(a), 0.3 * i, 5.0 - 0.3 * i + (m if charge else 0))
           for i in range(10)]
    tracks.append(struct.pack('<ii', len(pts), charge) + b''.join(struct.pack('<4d', *p) for p in pts))
open(sys.argv[1], 'wb').write(struct.pack('<i', len(tracks)) + b''.join(tracks))
PY
  viewer_with_picture "$CASE/shower.ptracks"
  snap tracks
  at_least "$(in_picture tracks "$RED")" 50 "electron pixels"
  compare_render tracks "$CASE/shower.ptracks"
  viewer_close
}
