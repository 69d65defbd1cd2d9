# Geometry outlines: the picture's own geometry, Geometry Hide and Geometry
# File Open (the geometry section of another picture file).

# Hiding before a picture is chosen only sets the check mark; the picture
# then opens without its geometry, and a second Hide shows it.  Hide and
# show again with the picture on: the tracks come back where the geometry
# covered them.  A geometry file's outlines are drawn as the picture would
# draw its own.
t_geometry_hide_and_file_open() {
  viewer_with_info "${COLOUR_KEYS[@]}"
  drv command $CMD_GEOMETRY_HIDE + wait-idle
  open_picture "$DATA/standard.pic"
  snap hidden_at_open
  expect_eq "$(in_picture hidden_at_open $YELLOW)" 0 "geometry pixels of a picture opened while hidden"
  at_least "$(in_picture hidden_at_open $RED)" 200 "electron track pixels"
  snap_after shown command $CMD_GEOMETRY_HIDE
  at_least "$(in_picture shown $YELLOW)" 500 "geometry pixels after the second Geometry Hide"
  snap_after hidden command $CMD_GEOMETRY_HIDE
  expect_eq "$(in_picture hidden $YELLOW)" 0 "geometry pixels after Geometry Hide"
  at_least "$(in_picture hidden $RED)" "$(in_picture shown $RED)" "electron pixels once the geometry is gone"
  compare_render hidden "$DATA/standard.pic" --no-geometry
  snap_after shown_again command $CMD_GEOMETRY_HIDE
  same_image shown shown_again "Geometry Hide twice"

  open_picture "$DATA/no_geometry.pic"
  snap plain
  expect_eq "$(in_picture plain $YELLOW)" 0 "geometry pixels of a picture without geometry"
  snap_after with_cyls command $CMD_GEOMETRY_OPEN + dialog-open "$DATA/standard.pic"
  at_least "$(in_picture with_cyls $YELLOW)" 500 "geometry pixels from the geometry file"
  compare_render with_cyls "$DATA/no_geometry.pic" --geometry "$DATA/standard.pic"
  same_image with_cyls shown "geometry from a geometry file against the picture's own" --only $YELLOW

  open_picture "$DATA/no_geometry.pic"
  snap_after with_slabs command $CMD_GEOMETRY_OPEN + dialog-open "$DATA/slabs.pic"
  at_least "$(in_picture with_slabs $YELLOW)" 500 "geometry pixels of the slab file"
  compare_render with_slabs "$DATA/no_geometry.pic" --geometry "$DATA/slabs.pic"
  viewer_close
}
