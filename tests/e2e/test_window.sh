# The main window: its size at start-up, the minimum size, the info file that
# keeps the size between runs, and the empty picture area before a picture.

# A first run, without an info file: the window of the default size, the
# picture area empty (background inside a white and black frame, the strip
# to the right of it), which a cancelled open dialog and the selection
# buttons do not change without a picture; End writes the info file.
t_first_run() {
  viewer_start
  expect_eq "$(drv window-rect)" "0 0 640 410" "window without an info file"
  snap empty
  expect_eq "$(bmpcheck count "$CASE/empty.bmp" 6 6 478 348 $BLACK --not)" 0 \
    "pixels other than the background in the empty picture"
  expect_eq "$(bmpcheck count "$CASE/empty.bmp" 4 4 482 1 $WHITE)" 482 "white top frame line"
  expect_eq "$(bmpcheck count "$CASE/empty.bmp" 4 4 1 351 $WHITE)" 351 "white left frame line"
  expect_eq "$(bmpcheck count "$CASE/empty.bmp" 6 5 478 1 $BLACK)" 478 "black inner top frame line"
  drv command $CMD_OPEN + dialog-wait "Data file open"
  drv --title "Data file open" button 2 + wait-gone "Data file open"
  drv wait-idle + command $CMD_TITLE + wait-idle + click 60 40 + wait-idle
  drv command $CMD_GUIDE + wait-idle + click 200 150 + wait-idle
  drv command $CMD_EXPAND + wait-idle + drag 120 90 300 230 + wait-idle
  snap_after after command $CMD_NORMAL
  same_image empty after "picture after a cancelled open dialog and selections without a picture"
  drv command $CMD_END
  wait "$viewer_pid" || true   # End ends the process
  local info="$CASE/start/info.\$\$\$"
  expect_eq "$(stat -c %s "$info")" 192 "size of the info file written at exit"
  expect_eq "$(info_read32 "$info" 124)" 640 "stored window width"
  expect_eq "$(info_read32 "$info" 128)" 410 "stored window height"
  expect_eq "$(info_read32 "$info" 48)" 30 "stored rotation step"
  expect_eq "$(head -c 3 "$info" | od -An -t x1 | tr -d ' ')" d55e00 "stored electron colour (vermilion)"
}

# The window opens at the stored size, the picture area grown with it.  The
# info file is written back at exit into the start-up directory, even after
# the open dialog went to another one, with the new size and every other
# byte as it was read.
t_stored_size_and_info_at_exit() {
  mkdir -p "$CASE/start" "$CASE/pictures"
  local info="$CASE/start/info.\$\$\$"
  info_write "$info" width=700 height=450 title="kept title" background=0x102030 step=45
  cp "$info" "$CASE/info.before"
  cp "$DATA/standard.pic" "$CASE/pictures/a.pic"
  viewer_start
  expect_eq "$(drv window-rect)" "0 0 700 450" "window of the stored size"
  # The frame of the empty picture (background 0x102030) ends at x = 700 - 155
  # and y = 450 - 55.
  snap start
  expect_eq "$(bmpcheck count "$CASE/start.bmp" 6 6 538 388 302010 --not)" 0 \
    "pixels other than the background in the empty picture"
  expect_eq "$(bmpcheck pixel "$CASE/start.bmp" 545 200)" $BLACK "right frame, inner line"
  expect_eq "$(bmpcheck pixel "$CASE/start.bmp" 544 200)" $WHITE "right frame, outer line"
  expect_eq "$(bmpcheck pixel "$CASE/start.bmp" 547 200)" C0C0C0 "window background right of the frame"
  expect_eq "$(bmpcheck pixel "$CASE/start.bmp" 200 395)" $BLACK "bottom frame, inner line"
  open_picture "$CASE/pictures/a.pic"
  drv resize 820 530 + wait-idle
  expect_eq "$(drv window-rect)" "0 0 820 530" "window after resizing"
  viewer_close
  [ ! -e "$CASE/pictures/info.\$\$\$" ] || fail "info file written into the picture's directory"
  expect_eq "$(stat -c %s "$info")" 192 "size of the info file"
  expect_eq "$(info_read32 "$info" 124)" 820 "stored width"
  expect_eq "$(info_read32 "$info" 128)" 530 "stored height"
  cmp -n 124 "$info" "$CASE/info.before" || fail "bytes 0 to 123 of the info file changed"
  cmp -i 132 "$info" "$CASE/info.before" || fail "bytes 132 to 191 of the info file changed"
}

# A stored size below the minimum opens the window at the minimum; sizing it
# below the minimum in one direction or both snaps back, also from the X
# side (a window manager's, or xdotool's), on the X window itself and not
# only in the program's idea of its size; the size kept at exit is the
# window's.  Wine reports an X-side resize only for managed windows, so this
# case runs the viewer managed.
t_size_below_minimum() {
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d Y /f >/dev/null 2>&1
  trap "wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1" EXIT
  viewer_with_info width=600 height=380
  expect_eq "$(drv window-rect)" "0 0 640 400" "window from a stored size below the minimum"
  drv resize 500 300 + wait-idle
  expect_eq "$(drv window-rect)" "0 0 640 400" "window after sizing below the minimum"
  drv resize 900 300 + wait-idle
  expect_eq "$(drv window-rect)" "0 0 900 400" "window after sizing only the height too small"
  drv resize 520 480 + wait-idle
  expect_eq "$(drv window-rect)" "0 0 640 480" "window after sizing only the width too small"
  local xid x_size w h
  xid=$(xdotool search --name "^VOKA Graphic for Win32 V1.00\$" | head -n 1)
  [ -n "$xid" ] || fail "no X window of the viewer"
  x_size() { xdotool getwindowgeometry "$xid" | sed -n 's/.*Geometry: //p'; }
  # The X window is the client area with the menu: Wine draws the frame.
  IFS=x read -r w h < <(x_size)
  xdotool windowsize "$xid" 300 200
  # Wine sees the resize a moment later; wait until the window has answered.
  for _ in $(seq 1 50); do
    [ "$(x_size)" != 300x200 ] && break
    sleep 0.1
  done
  drv wait-idle
  expect_eq "$(drv window-rect | cut -d' ' -f3-)" "640 400" "window after an X-side resize to 300 x 200"
  expect_eq "$(x_size)" "${w}x$((h - 80))" "X window after the resize (640 x 480 before)"
  viewer_close
  expect_eq "$(info_read32 "$CASE/start/info.\$\$\$" 124)" 640 "stored width"
  expect_eq "$(info_read32 "$CASE/start/info.\$\$\$" 128)" 400 "stored height"
}
