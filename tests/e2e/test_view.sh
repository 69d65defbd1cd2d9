# Opening a picture and changing the view: rotation buttons, Expand with a
# dragged rectangle and Normal, Esc, title and guide placement.

# One picture, opened and then turned and zoomed in one run of the viewer
# (rotation step 90); every view returns to the full one, `open`.
t_open_rotate_and_zoom() {
  viewer_with_picture "$DATA/standard.pic" step=90
  snap open
  at_least "$(in_picture open $RED)" 200 "electron track pixels"
  at_least "$(in_picture open $GREEN)" 100 "positron track pixels"
  at_least "$(in_picture open $BLUE)" 100 "photon track pixels"
  at_least "$(in_picture open $YELLOW)" 500 "geometry pixels"
  # The legend panel at the top of the strip shows one sample line per kind.
  for colour in $RED $GREEN $BLUE; do
    at_least "$(bmpcheck count "$CASE/open.bmp" 490 5 137 65 $colour)" 40 "$colour line in the legend"
  done
  compare_render open "$DATA/standard.pic"
  # Redraw outside CALC mode copies the picture back unchanged.
  snap_after redraw command $CMD_REDRAW
  same_image open redraw "Redraw outside CALC mode"

  # "<<" raises an angle by the rotation step, ">>" lowers it; the limit is
  # tested before the step, so at 180 a further "<<" is refused and nothing
  # is repainted.
  snap_after x_minus command $CMD_X_MINUS
  compare_render x_minus "$DATA/standard.pic" --angles -90,0,0
  snap_after x_back command $CMD_X_PLUS
  same_image open x_back "x >> then <<"
  snap_after y180 command $CMD_Y_PLUS + wait-idle + command $CMD_Y_PLUS
  compare_render y180 "$DATA/standard.pic" --angles 0,180,0
  snap_after y_refused command $CMD_Y_PLUS
  same_image y180 y_refused "y << at 180 (refused)"
  snap_after y90 command $CMD_Y_MINUS
  compare_render y90 "$DATA/standard.pic" --angles 0,90,0
  snap_after y_back command $CMD_Y_MINUS
  same_image open y_back "y back to 0"
  snap_after z90 command $CMD_Z_PLUS
  compare_render z90 "$DATA/standard.pic" --angles 0,0,90
  snap_after z_back command $CMD_Z_MINUS
  same_image open z_back "z << then >>"

  # Normal without a zoom is ignored; Expand zooms into the dragged
  # rectangle, and the zoom holds while the view is turned; Normal undoes it.
  snap_after normal_first command $CMD_NORMAL
  same_image open normal_first "Normal before any Expand"
  snap_after zoomed command $CMD_EXPAND + wait-idle + drag 120 90 300 230
  compare_render zoomed "$DATA/standard.pic" --zoom 120,90,300,230
  snap_after zoomed_turned command $CMD_Z_PLUS + wait-idle + command $CMD_Z_MINUS
  same_image zoomed zoomed_turned "zoomed view turned and turned back"
  snap_after normal command $CMD_NORMAL
  same_image open normal "Normal after Expand"
  # Dragging up and to the left selects the same rectangle.
  snap_after backwards command $CMD_EXPAND + wait-idle + drag 300 230 120 90
  same_image zoomed backwards "zoom dragged backwards"
  drv command $CMD_NORMAL + wait-idle
  # A release left of the window (the mouse is captured) counts there, at a
  # negative x.
  snap_after left_release command $CMD_EXPAND + wait-idle + drag 300 230 -20 90
  compare_render left_release "$DATA/standard.pic" --zoom -20,90,300,230
  drv command $CMD_NORMAL + wait-idle

  # Esc after Expand cancels the selection: a click then zooms nothing (an
  # Expand to a point would fail to scale, with a message).  A drag would
  # turn the view.
  snap_after after_escape command $CMD_EXPAND + wait-idle + escape + wait-idle + click 120 90
  same_image open after_escape "drag after Expand and Esc"
  snap_after zoomed_again command $CMD_EXPAND + wait-idle + drag 120 90 300 230
  same_image zoomed zoomed_again "Expand after the cancelled one"
  viewer_close
}

t_title_and_guide() {
  viewer_with_picture "$DATA/standard.pic" title="E2E TITLE"
  # Title and guide buttons before a picture would do nothing; here a click
  # places the title with its top-left corner at the click (client x + 5).
  snap_after titled command $CMD_TITLE + wait-idle + click 60 40
  at_least "$(bmpcheck count "$CASE/titled.bmp" 65 45 150 20 $WHITE)" 30 "title text pixels"
  IGNORE_BOXES=("$(title_box 60 40)")
  compare_render titled "$DATA/standard.pic" --title-pos 60,40

  snap_after guided command $CMD_GUIDE + wait-idle + click 200 150
  # The title stays where it was.
  same_image guided titled "placing the guide, outside it" --ignore 205 155 137 70
  IGNORE_BOXES=("$(title_box 60 40)" "$(guide_labels_box 200 150)")
  compare_render guided "$DATA/standard.pic" --title-pos 60,40 --guide 200,150

  # Positions too far right or down are pulled in: the title to
  # (view_right - 80, view_bottom - 30), the guide to (view_right - 150,
  # view_bottom - 80), i.e. (405, 325) and (335, 275) here.
  snap_after title_pulled_in command $CMD_TITLE + wait-idle + click 470 340
  at_least "$(bmpcheck count "$CASE/title_pulled_in.bmp" 410 330 75 20 $WHITE)" 30 "pulled-in title text"
  IGNORE_BOXES=("$(title_box 405 325)" "$(guide_labels_box 200 150)")
  compare_render title_pulled_in "$DATA/standard.pic" --title-pos 405,325 --guide 200,150
  snap_after pulled_in command $CMD_GUIDE + wait-idle + click 470 340
  IGNORE_BOXES=("$(title_box 405 325)" "$(guide_labels_box 335 275)")
  compare_render pulled_in "$DATA/standard.pic" --title-pos 405,325 --guide 335,275
  viewer_close
}

# A window larger than 2000 pixels, maximized on a 3840 x 2160 screen, shows
# the whole picture as vokatool renders it at that size, and the tracks and
# outlines that cross the picture reach its far end: the electron from
# corner to corner, the positron along the middle, the photon and the plane
# at its right.  So it does with every pen style and width: dashes, dots,
# wide pens (solid, whatever their style), the inside-frame and the null pen.
t_maximized_on_a_large_screen() {
  xvfb_start "$CASE/xvfb.log" 24 3840x2160 || skip "no 3840 x 2160 X display"
  trap xvfb_stop EXIT
  viewer_with_picture "$DATA/wide.pic"
  snap_after big maximize
  local w h
  read -r _ _ w h < <(drv window-rect)
  at_least "$w" 3800 "width of the maximized window"
  RENDER_SIZE=${w}x$h compare_render big "$DATA/wide.pic"
  # The picture's right end: x from 3660 on (client) against its width of w - 160.
  local right=$((w - 160 - 30))
  at_least "$(bmpcheck count "$CASE/big.bmp" "$right" 5 30 $((h - 60)) $RED)" 10 "electron at the right end"
  at_least "$(bmpcheck count "$CASE/big.bmp" "$right" 5 30 $((h - 60)) $GREEN)" 10 "positron at the right end"
  at_least "$(bmpcheck count "$CASE/big.bmp" 3000 5 $((right - 3000)) $((h - 60)) $BLUE)" 500 "photon beyond x 3000"
  at_least "$(bmpcheck count "$CASE/big.bmp" 3000 5 $((right - 3000)) $((h - 60)) $YELLOW)" 1000 "plane beyond x 3000"
  viewer_close
  local pens n=0
  for pens in "styles=1,2,3 widths=1,1,1" "styles=4,6,5 widths=3,5,2"; do
    n=$((n + 1))
    # shellcheck disable=SC2086
    viewer_with_picture "$DATA/wide.pic" $pens
    snap_after "pens$n" maximize
    RENDER_SIZE=${w}x$h compare_render "pens$n" "$DATA/wide.pic"
    viewer_close
  done
}

# A picture of 100 000 records, drawn by the window on both threads, full
# and turned, with a dashed pen among the solid ones, gives the picture of
# vokatool on one thread.
t_large_picture_on_threads() {
  local sim=$PWD/build/native/vokasim
  [ -x "$sim" ] || skip "vokasim is not built"
  "$sim" -p electron -e 50 -m water --radii 2,5,10 --planes 0,10,20,30 -s 11 -n 400 -b 4 \
    -o "$CASE/shower.pic" >/dev/null
  viewer_with_picture "$CASE/shower.pic" styles=0,0,2
  snap full
  snap_after turned command $CMD_Z_PLUS
  VOKA_THREADS=1 compare_render full "$CASE/shower.pic"
  VOKA_THREADS=1 compare_render turned "$CASE/shower.pic" --angles 0,0,30
  # While the size changes the window may draw a preview; once it rests,
  # the whole picture at the new size.
  snap_after resized resize 820 530
  expect_eq "$(drv window-rect)" "0 0 820 530" "window after resizing"
  VOKA_THREADS=1 RENDER_SIZE=820x530 compare_render resized "$CASE/shower.pic" --angles 0,0,30
  viewer_close
}
