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

# A picture as other writers write it (separators as -1, blanks and a tab
# after every line, a byte-order mark, CR line ends) opens without a word
# and shows the picture of the same file as vokasim writes it plainly.
t_other_writers_dialects() {
  local sim=$PWD/build/native/vokasim
  [ -x "$sim" ] || skip "vokasim is not built"
  "$sim" -n 6 -b 2 -e 8 -s 5 --variant minus1,trailing,bom,cr -o "$CASE/dialects.pic" >/dev/null
  "$sim" -n 6 -b 2 -e 8 -s 5 -o "$CASE/plain.pic" >/dev/null
  viewer_with_picture "$CASE/dialects.pic"
  local boxes
  boxes=$(drv message-boxes 2)
  [ -z "$boxes" ] || fail "message boxes on opening: $boxes"
  snap dialects
  at_least "$(in_picture dialects "$RED")" 50 "electron pixels"
  compare_render dialects "$CASE/plain.pic"
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
