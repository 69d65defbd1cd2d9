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

# The work file cannot be created: the conversion says so, once, naming
# the file, the system's reason and where to change the folder; no rebuild
# of the first picture follows its failure.  In Environment a folder longer
# than the setting's 19 characters and one that does not exist are refused
# with a word; a folder typed without its backslash gets one, and brings the
# picture by itself.  Closing the window removes the work file.
env_refused() {   # MESSAGE: OK in Environment refused with it, the dialog kept
  drv --title Environment button 1 + dialog-wait "Error Status"
  expect_eq "$(drv --title "Error Status" texts 65535 + button 1 + wait-gone "Error Status" | tr -d '\r' | sed 's/ *$//')" \
    "$1" "message of OK in Environment"
  drv dialog-wait Environment
  drv --title Environment focus 305
}
t_work_path_not_found() {
  local dir='c:\abcdefghijklmno'
  mkdir -p "$WINEPREFIX/drive_c/abcdefghijklmno"
  viewer_with_info "${COLOUR_KEYS[@]}" 'work_dir=c:\no\such\dir\'
  drv command $CMD_OPEN + dialog-open "$DATA/standard.pic"
  expect_boxes "Error status: work path not found error !!" "" "The work file cannot be created:" \
    'c:\no\such\dir\work.$$$' "(No such file or directory)" "" "The work directory is set in Environment."
  drv command $CMD_X_PLUS + wait-idle + command $CMD_Y_PLUS + wait-idle
  ! drv message-boxes 1 2>/dev/null | grep -q . || fail "a box after turning the view"
  drv command 205 + dialog-wait Environment
  drv --title Environment focus 305
  keys Environment ctrl+a "${dir}\more"
  env_refused $'The work area directory may have at most 19 characters:\nc:\\abcdefghijklmno\\more\\\n\nChoose a shorter folder, or %TEMP%\\ for your temporary folder.'
  keys Environment ctrl+a 'c:\nosuch'
  env_refused $'The work area directory does not exist:\nc:\\nosuch\\'
  keys Environment ctrl+a "$dir"
  drv --title Environment button 1 + wait-gone Environment
  snap_after corrected wait-idle
  [ -s "$WINEPREFIX/drive_c/abcdefghijklmno/work.\$\$\$" ] || fail "no work file in the corrected directory"
  compare_render corrected "$DATA/standard.pic" --angles 30,30,0   # the turns above
  viewer_close
  expect_eq "$(tr -d '\0' <"$CASE/start/info.\$\$\$" | grep -ao 'c:.abcdefghijklmno.' | head -n 1)" "$dir\\" \
    "work directory kept, with its backslash"
  [ ! -e "$WINEPREFIX/drive_c/abcdefghijklmno/work.\$\$\$" ] || fail "the work file stayed after the window closed"
}

# A file that is no picture.  As the first file of a run it gives the read
# error alone, with the line and the reason, and leaves the window as it was.  After a good picture, too,
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
  local text_box=("Error status: input file read error !!" ""
    "$(winepath -w "$CASE/text.pic") is not a picture file that can be read."
    "Line 1, in the geometry section: the file does not begin with GSTA.")
  drv command $CMD_OPEN + dialog-open "$CASE/text.pic"
  expect_boxes "${text_box[@]}"
  snap after_first
  same_image empty after_first "window after a failed first open"
  open_picture "$CASE/a.pic"
  snap loaded
  drv command $CMD_OPEN + dialog-open "$CASE/empty.pic"
  expect_boxes "Error status: input file read error !!" "" "$(winepath -w "$CASE/empty.pic") is empty."
  drv command $CMD_OPEN + dialog-open "$CASE/text.pic"
  expect_boxes "${text_box[@]}"
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

# A vertex of a track file that the reader leaves out (far outside the
# rest) is named by track and vertex.  A track file that cannot be imported
# names the track where it breaks and leaves the picture of the one
# imported before (ptracks.$$$ of the work directory) and the window as
# they were, with no part file beside them.
t_damaged_track_file_keeps_the_last_import() {
  python3 - "$CASE" <<'PY'
import struct, sys
def tracks(n, slope, far=None):
    t = [struct.pack('<ii', 4, -1) + b''.join(struct.pack('<4d', 1e30 if (k, i) == far else 0.5 * k, slope * k * i, 0.4 * i, 2.5 - 0.2 * i) for i in range(4))
         for k in range(1, n + 1)]
    return b''.join(t)
open(sys.argv[1] + '/good.ptracks', 'wb').write(struct.pack('<i', 4) + tracks(4, 0.3, (3, 2)))
open(sys.argv[1] + '/cut.ptracks', 'wb').write(struct.pack('<i', 9) + tracks(3, -0.5))
PY
  local work=$WINEPREFIX/drive_c/ptracks.\$\$\$ boxes
  viewer_with_info "${COLOUR_KEYS[@]}"
  drv command $CMD_OPEN + dialog-open "$CASE/good.ptracks"
  expect_boxes "Warning: 1 vertex of the track file was left out.
Track 3, vertex 3: a coordinate far outside the rest of the picture."
  snap imported
  at_least "$(in_picture imported "$RED")" 20 "electron pixels"
  cp "$work" "$CASE/imported.pic"
  drv command $CMD_OPEN + dialog-open "$CASE/cut.ptracks"
  boxes=$(drv message-boxes 10)
  [[ $boxes == "Error status: "*'cut.ptracks: cut short in track 4' ]] || fail "box: $boxes"
  drv wait-idle
  cmp -s "$work" "$CASE/imported.pic" || fail "the picture imported before was written over"
  ! ls "$WINEPREFIX/drive_c/" | grep -q '\.part$' || fail "a part file left: $(ls "$WINEPREFIX/drive_c/")"
  snap after
  same_image imported after "picture after a failed import"
  viewer_close
}

# A conversion that fails after Geometry File Open (the picture gone)
# keeps the old work file with its batch counts cleared:
# the batches chosen are drawn still, not those below them.
t_failed_conversion_keeps_the_batch_range() {
  cp "$DATA/many_tracks.pic" "$CASE/tracks.pic"
  cp "$DATA/many_tracks.pic" "$CASE/geometry.pic"
  viewer_with_picture "$CASE/tracks.pic"
  drv command 206 + dialog-wait "Batch change"
  drv --title "Batch change" set-text 300 2 + set-text 301 2 + button 1 + wait-gone "Batch change"
  drv wait-idle
  snap batch2
  mv "$CASE/tracks.pic" "$CASE/away.pic"
  drv command $CMD_GEOMETRY_OPEN + dialog-open "$CASE/geometry.pic"
  expect_boxes "Error status: input file open error !!"
  snap after
  same_image batch2 after "batches after a failed conversion"
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
  expect_boxes "Error status: work path not found error !!" "" "The calculation's output file cannot be created:" \
    "$(winepath -w "$CASE/calc/locked.out")" "(Permission denied)"
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
