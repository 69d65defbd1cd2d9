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
