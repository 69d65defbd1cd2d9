# Every message box the main window can raise, with its exact text and
# caption, and the window still working after it.

# expect_boxes "CAPTION: TEXT"...: the message boxes that come up, in the
# order in which they reach the top, each answered with OK; then the window
# is idle with no box left.
expect_boxes() {
  local got want
  got=$(drv message-boxes 10 | sed 's/ *$//')
  want=$(printf '%s\n' "$@")
  if [ "$got" != "$want" ]; then
    printf 'message boxes:\n%s\nexpected:\n%s\n' "$got" "$want" >&2
    fail "unexpected message boxes"
  fi
  drv wait-idle
}

lock_file() { # PATH: held without sharing by the driver for 20 s
  drv hold-file "$1" 20 >"$CASE/hold.out" &
  HOLDER=$!
  for _ in $(seq 1 50); do grep -q held "$CASE/hold.out" 2>/dev/null && break; sleep 0.1; done
  grep -q held "$CASE/hold.out" || fail "could not lock $1"
}
unlock_file() { kill "$HOLDER" 2>/dev/null || true; }

# The work file cannot be created: the conversion says so, once; no rebuild
# of the first picture follows its failure.  Correcting the directory alone
# (typed, and held to the 19 characters of the setting) brings the picture.
t_work_path_not_found() {
  local dir='c:\abcdefghijklmno\'
  mkdir -p "$WINEPREFIX/drive_c/abcdefghijklmno"
  viewer_with_info "${COLOUR_KEYS[@]}" 'work_dir=c:\no\such\dir\'
  drv command $CMD_OPEN + dialog-open "$DATA/standard.pic"
  expect_boxes "Error status: work path not found error !!"
  drv command 205 + dialog-wait Environment
  drv --title Environment focus 305
  keys Environment ctrl+a "${dir}more"
  expect_eq "$(drv --title Environment texts 305)" "$dir" "work directory typed"
  drv --title Environment button 1 + wait-gone Environment
  snap_after corrected wait-idle
  [ -s "$WINEPREFIX/drive_c/abcdefghijklmno/work.\$\$\$" ] || fail "no work file in the corrected directory"
  compare_render corrected "$DATA/standard.pic"
  viewer_close
}

# A file that is no picture.  As the first file of a run it gives the read
# error alone and leaves the window as it was.  After a good picture, too,
# only the read error comes up, and the picture stays; so it does when the
# picture file exists (the dialog accepts it) but cannot be opened: the
# driver keeps it open without sharing.
t_not_a_picture_file() {
  printf 'this is not a picture\n' >"$CASE/text.pic"
  : >"$CASE/empty.pic"
  cp "$DATA/standard.pic" "$CASE/a.pic"
  cp "$DATA/standard.pic" "$CASE/locked.pic"
  viewer_with_info "${COLOUR_KEYS[@]}"
  snap empty
  drv command $CMD_OPEN + dialog-open "$CASE/text.pic"
  expect_boxes "Error status: input file read error !!" \
    "Warning: Line 1, in the geometry section: the file does not begin with GSTA."
  snap after_first
  same_image empty after_first "window after a failed first open"
  open_picture "$CASE/a.pic"
  snap loaded
  drv command $CMD_OPEN + dialog-open "$CASE/empty.pic"
  expect_boxes "Error status: input file read error !!"
  drv command $CMD_OPEN + dialog-open "$CASE/text.pic"
  expect_boxes "Error status: input file read error !!" \
    "Warning: Line 1, in the geometry section: the file does not begin with GSTA."
  snap after
  same_image loaded after "picture after failed opens"
  lock_file "$CASE/locked.pic"
  drv command $CMD_OPEN + dialog-open "$CASE/locked.pic"
  expect_boxes "Error status: input file open error !!"
  unlock_file
  snap after_locked
  same_image loaded after_locked "picture after a failed open"
  viewer_close
}

# Lines that cannot be read are left out: the picture shows the rest, and
# one box after the conversion says how many lines, the first one's number
# and why.
t_lines_left_out() {
  { head -n 4 "$DATA/one_electron.pic"
    printf '250000300003000020000\n250000700007000020000\n2nan  500005000020000\n0    0\n250000500005000020000\n'
  } >"$CASE/damaged.pic"
  viewer_with_info "${COLOUR_KEYS[@]}"
  drv command $CMD_OPEN + dialog-open "$CASE/damaged.pic"
  expect_boxes "Warning: 3 lines of the picture file were left out.
The first, line 7: a field that is not a number."
  snap damaged
  compare_render damaged "$CASE/damaged.pic"
  at_least "$(in_picture damaged "$RED")" 10 "electron pixels"
  viewer_close
}

# A scene without extent cannot be scaled.  A file name longer than the
# dialog's 256-byte buffer makes the dialog fail with FNERR_BUFFERTOOSMALL
# (0x3003).
t_flat_scene_and_open_dialog_failure() {
  local dir=$CASE/long file
  mkdir -p "$dir"
  # Z: + the Linux path: 258 characters, which Wine still accepts as a path.
  local name_length=$((256 - ${#dir} - 1 - 4))
  [ "$name_length" -gt 0 ] || skip "scratch folder path too long for this case"
  file=$dir/$(printf 'n%.0s' $(seq 1 "$name_length")).pic
  cp "$DATA/standard.pic" "$file"
  viewer_start
  drv command $CMD_OPEN + dialog-open "$DATA/flat.pic"
  expect_boxes "Error Status: Cmtodot err!"
  drv command $CMD_OPEN + dialog-open "$file"
  expect_boxes "WARNING: Error No #12291 From GetOpenFileName"
  viewer_close
}

# Redraw in CALC mode before an output file is named; the output file of a
# calculation that cannot be created, and one that has gone when Redraw
# reads it.
t_calc_output_file_errors() {
  mkdir -p "$CASE/calc"
  : >"$CASE/calc/locked.out"
  viewer_start
  calc_on
  drv command $CMD_REDRAW
  expect_boxes "Error status: Not Selected Redraw File."
  lock_file "$CASE/calc/locked.out"
  drv command $CMD_OPEN + dialog-open "$CASE/calc/locked.out"
  expect_boxes "Error status: work path not found error !!"
  unlock_file

  drv command $CMD_OPEN + dialog-open "$CASE/calc/gone.out" --yes + wait-idle
  [ -f "$CASE/calc/gone.out" ] || fail "the output file was not created"
  rm "$CASE/calc/gone.out"
  drv command $CMD_REDRAW
  expect_boxes "Error status: input file open error !!"
  viewer_close
}

# The work directory on a device that fills up during the conversion (a
# 64 KB tmpfs; needs root): the conversion says the device is full.
t_work_device_full() {
  [ "$(id -u)" -eq 0 ] || skip "needs root for a tmpfs"
  local dir
  dir=$(mktemp -d /tmp/vkwXXXXXX)
  mount -t tmpfs -o size=64k tmpfs "$dir" 2>/dev/null || { rmdir "$dir"; skip "cannot mount a tmpfs here"; }
  # shellcheck disable=SC2064
  trap "umount -l '$dir' 2>/dev/null; rmdir '$dir' 2>/dev/null" EXIT
  # Z:\tmp\vkwXXXXXX\ : 17 characters, within the 19 of the setting.
  local work_dir="z:${dir//\//\\}\\"
  mkdir -p "$CASE/start"
  info_write "$CASE/start/info.\$\$\$" "work_dir=$work_dir"
  # 2000 tracks of 5 steps and a separator: 480 KB of records.
  { head -n 4 "$DATA/one_electron.pic"
    for _ in $(seq 1 2000); do
      printf '%s\n' 250000500001000010000 250000525003000010000 250000550005000010000 \
        250000575007000010000 250000600009000010000 -
    done; } >"$CASE/big.pic"
  viewer_start
  drv command $CMD_OPEN + dialog-open "$CASE/big.pic"
  expect_boxes "Error status: work file device not spase !!"
  [ -s "$dir/work.\$\$\$" ] || fail "no records kept in the work file"
  viewer_close
}
