# CALC mode: the check box starts a command interpreter window, Data File
# Open then names the calculation's output file, and Redraw reads that file
# again and draws its newest batch only.

t_calc_redraw_newest_batch() {
  viewer_with_info "${COLOUR_KEYS[@]}"
  calc_on
  local out=$CASE/calc/run.out
  mkdir -p "$CASE/calc"
  # A new name: the dialog asks whether to create the file, the viewer
  # creates it empty.
  drv command $CMD_OPEN + dialog-open "$out" --yes + wait-idle
  expect_eq "$(stat -c %s "$out")" 0 "size of the new output file"
  snap named
  expect_eq "$(bmpcheck count "$CASE/named.bmp" 6 6 478 348 $BLACK --not)" 0 \
    "pixels drawn after naming the output file"

  # The calculation writes its first batch (a positron), then its second (two
  # electrons): each Redraw draws the newest batch alone.
  cp "$DATA/calc_batch1.pic" "$out"
  snap_after batch1 command $CMD_REDRAW
  compare_render batch1 "$out" --batches 1-1
  cat "$DATA/calc_batch2.part" >>"$out"
  snap_after batch2 command $CMD_REDRAW
  compare_render batch2 "$out" --batches 2-2

  # A Redraw with nothing new draws the same.
  snap_after batch2_again command $CMD_REDRAW
  same_image batch2 batch2_again "Redraw without new batches"

  # A line the calculation has not finished yet is left out without a word
  # (no box comes up: wait-idle would fail), and read whole at the next Redraw.
  printf '250000800008000010000\n' >>"$out"
  cp "$out" "$CASE/calc/complete.out"
  printf '2500009000090' >>"$out"
  snap_after unfinished command $CMD_REDRAW
  compare_render unfinished "$CASE/calc/complete.out" --batches 2-2
  printf '00010000\n-\n' >>"$out"
  snap_after finished command $CMD_REDRAW
  compare_render finished "$out" --batches 2-2
  viewer_close
}

# The interpreter window covers the viewer; a click on CALC while it is open
# leaves the box checked and brings that window to the front.  Once it is
# closed the picture is back (restored from the off-screen copy), the next
# click leaves CALC mode without starting another interpreter, and Data File
# Open loads pictures again.
t_calc_while_console_open_and_off_again() {
  viewer_with_picture "$DATA/standard.pic"
  snap opened
  drv button $CMD_CALC + wait-class WineConsoleClass 20 + wait-idle
  drv raise + wait-idle
  drv windows >"$CASE/before.txt"
  [[ $(head -n 1 "$CASE/before.txt") == "VOKA Graphic"* ]] || fail "the viewer did not come to the front"
  drv button $CMD_CALC + wait-idle
  expect_eq "$(drv texts $CMD_CALC)" 1 "CALC box clicked while the interpreter is open"
  drv windows >"$CASE/after.txt"
  [[ $(head -n 1 "$CASE/after.txt") == WineConsoleClass* ]] ||
    { cat "$CASE/after.txt"; fail "the interpreter window was not brought to the front"; }
  drv close-class WineConsoleClass + wait-idle
  snap after_console
  same_image after_console opened "picture after the interpreter window closed" --ignore 488 330 70 24
  drv button $CMD_CALC + wait-idle
  expect_eq "$(drv texts $CMD_CALC)" 0 "CALC box clicked after the interpreter was closed"
  drv windows | grep -q WineConsoleClass && fail "a command interpreter was started when CALC went off"
  # The closed interpreter window left a restore pending; the rebuild of the
  # second picture must not show the first one under it.
  open_picture "$DATA/one_electron.pic"
  snap b
  compare_render b "$DATA/one_electron.pic"
  viewer_close
}
