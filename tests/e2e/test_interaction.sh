# Turning and zooming with the mouse and the keys, real input through the X
# server (xdotool): a drag in the picture area turns the view, the wheel
# zooms about the cursor, the arrow keys and Page Up / Page Down turn by the
# angle change value.  After each, the window shows what vokatool renders at
# the angles the angle panel shows.

MAIN="VOKA Graphic for Win32 V1.00"

# mouse X Y: the pointer to client point (X, Y) of the main window.
mouse() { xdotool mousemove $((ORIGIN_X + $1)) $((ORIGIN_Y + $2)); }
# drag_to X Y: the pointer to (X, Y) in ten steps, from where it is.
drag_to() {
  local x0 y0 i
  read -r x0 y0 < <(xdotool getmouselocation | sed 's/x:\([0-9]*\) y:\([0-9]*\).*/\1 \2/')
  for i in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((x0 + (ORIGIN_X + $1 - x0) * i / 10)) $((y0 + (ORIGIN_Y + $2 - y0) * i / 10))
    sleep 0.03
  done
}
shown_angles() { drv angles | tr -d '\r' | tr ' ' ,; }
# The pointer off the picture, into the margin right of it (still the main
# window), where resting shows no read-out of a line.
park() { mouse 487 200; }

t_drag_wheel_and_keys() {
  local pic=$DATA/many_tracks.pic angles turned
  viewer_with_picture "$pic"
  read -r ORIGIN_X ORIGIN_Y < <(drv client-origin | tr -d '\r')
  # 30 pixels down, then 60 right: half a degree a pixel about the screen's
  # horizontal axis (the z angle from the start view), then about its
  # vertical axis (the y angle), the near side following the mouse.
  mouse 200 150
  xdotool mousedown 1
  drag_to 200 180
  xdotool mouseup 1
  park
  drv wait-idle
  expect_eq "$(shown_angles)" 0,0,15 "angles after a drag 30 pixels down"
  mouse 200 150
  xdotool mousedown 1
  drag_to 260 150
  xdotool mouseup 1
  park
  drv wait-idle
  angles=$(shown_angles)
  expect_eq "$angles" 0,30,15 "angles after a drag 60 pixels right"
  snap dragged
  compare_render dragged "$pic" --angles "$angles"
  # Seven presses of Up: 210 degrees on, shown as -150.
  keys "$MAIN" Up Up Up Up Up Up Up
  expect_eq "$(shown_angles)" -150,30,15 "angles after seven presses of Up"

  # A release outside the window ends the drag: moving back in turns
  # nothing.
  mouse 300 200
  xdotool mousedown 1
  drag_to 720 210
  xdotool mouseup 1
  drv wait-idle
  angles=$(shown_angles)
  drag_to 250 120
  drv wait-idle
  expect_eq "$(shown_angles)" "$angles" "angles after moving without the button"

  # One notch of the wheel at client (345, 230), picture point (340, 225):
  # the picture 1.25 times larger about that point, which is the zoom into
  # the rectangle (68, 45) - (452, 325) of the 480 x 350 picture.
  mouse 345 230
  xdotool click 4
  park
  drv wait-idle
  snap wheel
  compare_render wheel "$pic" --angles "$angles" --zoom 68,45,452,325

  # Up, Right and Page Up raise the x, y and z angles by the angle change
  # value (30), the zoom staying; Normal returns to the full view.
  keys "$MAIN" Up Right Prior
  turned=$(shown_angles)
  local a b c
  IFS=, read -r a b c <<<"$angles"
  wrap() { echo $(( ($1 + 30 + 179 + 360) % 360 - 179 )); }
  expect_eq "$turned" "$(wrap "$a"),$(wrap "$b"),$(wrap "$c")" "angles after Up, Right, Page Up"
  snap keys
  compare_render keys "$pic" --angles "$turned" --zoom 68,45,452,325
  snap_after normal command $CMD_NORMAL
  compare_render normal "$pic" --angles "$turned"
  viewer_close
}

# Colour > "Colour by particle / energy" colours each segment by its energy
# as vokatool render --colour-by energy does; the limits of the Energy
# limits dialog too; both are kept in vokagraphic.ini beside the info file
# and hold at the next start.
t_colour_by_energy() {
  local pic=$DATA/many_tracks.pic limits="Energy limits"
  viewer_with_picture "$pic"
  snap_after energy command 212
  compare_render energy "$pic" --colour-by energy
  drv command 213 + dialog-wait "$limits"
  drv --title "$limits" set-text 330 0.5 + set-text 331 20 + button 1 + wait-gone "$limits"
  snap_after limits wait-idle
  compare_render limits "$pic" --colour-by energy --energy-range 0.5,20
  viewer_close
  expect_eq "$(tr -d '\r' <"$CASE/start/vokagraphic.ini" | tr '\n' ' ')" "[Colour] by=energy low=0.5 high=20 " \
    "vokagraphic.ini"
  expect_eq "$(stat -c %s "$CASE/start/info.\$\$\$")" 192 "size of the info file"
  viewer_start
  open_picture "$pic"
  snap again
  same_image limits again "picture at the next start"
  viewer_close
}

# Resting the mouse over a line shows what it is: over the first electron
# of batch 2 of the standard picture (4 MeV, from y = 2, z = -3 cm to
# y = -3, z = 3 cm), at the point y = -0.5, z = 0, which the full view puts
# at client (245, 197), the read-out names that point; over the empty
# corner, nothing.
t_hover_readout() {
  viewer_with_picture "$DATA/standard.pic"
  read -r ORIGIN_X ORIGIN_Y < <(drv client-origin | tr -d '\r')
  mouse 245 197
  local text
  text=$(drv readout 10 | tr -d '\r')
  echo "read-out: $text"
  # The point of the step under the cursor (within a pixel of y = -0.5,
  # z = 0), not the end of the step (y -1, z 0.6).
  expect_eq "$text" "electron, batch 2|4 MeV|x 0  y -0.4941  z -0.007026 cm" "read-out over the electron"
  mouse 20 20
  sleep 1
  ! drv readout 1 >/dev/null 2>&1 || fail "a read-out over the empty corner"
  # Lines off the diagonal, in wide.pic (12 pixels a cm, the centre at
  # client (245, 180)): the positron along the middle is read 3 pixels above
  # it, not 4; the upright photon at z = 18 cm (client x 461) 3 pixels left;
  # each names the point of its step beside the cursor (z 10, y 2.5).
  open_picture "$DATA/wide.pic"
  mouse 365 177
  expect_eq "$(drv readout 10 | tr -d '\r')" "positron, batch 1|1000 MeV|x 0  y 0  z 10 cm" \
    "read-out 3 pixels above the positron"
  mouse 365 176
  sleep 1
  ! drv readout 1 >/dev/null 2>&1 || fail "a read-out 4 pixels above the positron"
  mouse 458 150
  expect_eq "$(drv readout 10 | tr -d '\r')" "photon, batch 1|1000 MeV|x 0  y 2.5  z 18 cm" \
    "read-out beside the photon"
  viewer_close
}

# Energy limits that single precision cannot keep apart, or at all, are
# refused with the rule; the dialog stays open until Cancel.
t_energy_limits_refused() {
  local limits="Energy limits" rule
  rule="Energy limits (MeV): two numbers with 0 < low < high, each between 1.2e-38 and 3.4e+38, and high at least 1.0001 times low."
  viewer_with_picture "$DATA/standard.pic"
  drv command 213 + dialog-wait "$limits"
  local pair
  for pair in "1 1.00000001" "1e-50 1" "1 1e39" "5 2"; do
    drv --title "$limits" set-text 330 "${pair% *}" + set-text 331 "${pair#* }" + button 1 + dialog-wait "Error Status"
    expect_eq "$(drv --title "Error Status" texts 65535 + button 1 + wait-gone "Error Status" | tr -d '\r' | sed 's/ *$//')" \
      "Input energy limits error.

$rule" "message for limits $pair"
    drv dialog-wait "$limits"
  done
  drv --title "$limits" button 2 + wait-gone "$limits"
  viewer_close
}
