# File > Save Animation: the view turning once about the screen's vertical
# axis, written as an animated GIF through the Windows Imaging Component;
# Cancel in its progress dialog leaves no file.

CMD_SAVE_ANIMATION=214
PROGRESS="Saving the animation"

# Frame k is the window's view turned by 10 k degrees, drawn as vokatool
# render draws it (whose text is drawn in its own font, not the window's):
# frames 0 and 9 against render at those angles, pixel for pixel; 36 frames
# of 490 x 360.  The frame delays are checked where the platform sets
# them (Wine's encoder may not: the viewer then says so).
t_save_animation() {
  cp "$DATA/many_tracks.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic"
  drv command $CMD_SAVE_ANIMATION + dialog-open "$CASE/turn.gif" --caption "Save Animation" \
    + dialog-wait "$PROGRESS" 20 + wait-gone "$PROGRESS" 120
  local boxes
  boxes=$(drv message-boxes 5)
  [ -s "$CASE/turn.gif" ] || fail "no animation written; message boxes: $boxes"
  identify -format '%T %wx%h\n' "$CASE/turn.gif" >"$CASE/frames.txt"
  expect_eq "$(cut -d' ' -f2 "$CASE/frames.txt" | sort | uniq -c | xargs)" "36 490x360" "frames and their size"
  # Windows sets the delays; Wine's encoder cannot, and the viewer says so.
  if [ -n "$boxes" ]; then
    expect_eq "$boxes" "Warning: The animation is saved, but this system cannot set the time of its frames or make them loop: readers show them at their own pace." "message"
  else
    expect_eq "$(cut -d' ' -f1 "$CASE/frames.txt" | sort -u | xargs)" 10 "frame delays (1/100 s)"
  fi
  local k
  for k in 0 9; do
    "$E2E_VOKATOOL" render "$CASE/a.pic" --info "$CASE/start/info.\$\$\$" --angles 0,$((k * 10)),0 \
      -o "$CASE/render$k.bmp" >/dev/null
    convert "$CASE/turn.gif[$k]" "$CASE/frame$k.png"
    expect_eq "$(compare -metric AE "$CASE/render$k.bmp" "$CASE/frame$k.png" null: 2>&1)" 0 \
      "pixels of frame $k unlike render at $((k * 10)) degrees"
  done
  viewer_close
}

t_save_animation_cancelled() {
  # A million steps: the frames take long enough to be cancelled.
  "$(dirname "$E2E_VOKATOOL")/vokasim"  -n 40 -e 1000 -m lead,water -o "$CASE/big.pic" >/dev/null
  viewer_with_picture "$CASE/big.pic"
  drv command $CMD_SAVE_ANIMATION + dialog-open "$CASE/cancel.gif" --caption "Save Animation" + dialog-wait "$PROGRESS" 30
  drv --title "$PROGRESS" button 2
  drv wait-gone "$PROGRESS" 30 + wait-idle
  [ ! -e "$CASE/cancel.gif" ] || fail "cancel.gif written after Cancel"
  [ -z "$(find "$CASE" -name '*.part')" ] || fail "a partial file was left behind"
  viewer_close
}
