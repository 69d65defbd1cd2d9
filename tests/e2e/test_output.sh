# Print, Printer Setup and Bitmap File Save against real files and the run's
# own PDF printer (CUPS with cups-pdf, started by run.sh), on a true-colour
# and on a 256-colour display.

CMD_PRINT=201 CMD_PRINTER_SETUP=202 CMD_BITMAP_SAVE=203
SAVE_DIALOG="Bitmap file save"

# bmp_fields FILE: "FILE-SIZE SIZE OFFSET WIDTH HEIGHT BITS", the first from
# the file system, the others from the file's headers.
bmp_fields() {
  echo "$(stat -c %s "$1") $(od -An -tu4 -j2 -N4 "$1") $(od -An -tu4 -j10 -N4 "$1")" \
    "$(od -An -tu4 -j18 -N8 "$1") $(od -An -tu2 -j28 -N2 "$1")" | tr -s ' ' | sed 's/^ //'
}

# save_bitmap NAME: Bitmap File Save into $CASE/NAME.bmp through the save
# dialog; ImageMagick's reading of the file becomes $CASE/NAME-rgb.bmp.
save_bitmap() {
  drv command $CMD_BITMAP_SAVE + dialog-open "$CASE/$1.bmp" --yes --caption "$SAVE_DIALOG" + wait-idle
  convert "$CASE/$1.bmp" -type TrueColor "BMP3:$CASE/$1-rgb.bmp"
}

# boxes "CAPTION: TEXT"...: exactly these message boxes come up, each
# answered with its first button.
boxes() {
  local got want
  got=$(drv message-boxes 10)
  want=$(printf '%s\n' "$@")
  [ "$got" == "$want" ] || fail "message boxes: got '$got', expected '$want'"
}

# printed NAME PAPER portrait|landscape [W H]: Print sends one page of a
# document named "VOKA Print" on PAPER (as pdfinfo names it) in that
# orientation to the printer; rendered at 300 dots per inch (a printer dot a
# pixel) as $CASE/NAME.png, it holds the W x H pixels (default 490 x 360) of
# $CASE/shown.bmp from client (0, 0), scaled to the page: from the page's
# top-left corner, as large as the page allows on one side, in their
# proportions, and the same pixel for pixel when sampled back to W x H.
printed() {
  local pdf="" page=$CASE/$1.png pw ph ew eh ex ey _ w=${4:-490} h=${5:-360}
  drv command $CMD_PRINT + wait-idle
  for _ in $(seq 1 100); do
    pdf=$(find "$PRINTER_PDF_DIR" -name '*.pdf' | head -n 1)
    [ -n "$pdf" ] && [ -z "$(lpstat -o 2>/dev/null)" ] && break
    sleep 0.2
  done
  [ -n "$pdf" ] || fail "no PDF came from the printer"
  mv "$pdf" "$CASE/$1.pdf"
  pdfinfo "$CASE/$1.pdf" >"$CASE/$1.txt"
  expect_eq "$(sed -n 's/^Pages: *//p' "$CASE/$1.txt")" 1 "pages of the job"
  expect_eq "$(sed -n 's/^Title: *//p' "$CASE/$1.txt")" "VOKA Print" "document name of the job"
  grep -q "^Page size:.*($2)" "$CASE/$1.txt" || fail "paper of $1: $(cat "$CASE/$1.txt")"
  pdftoppm -r 300 -singlefile -png "$CASE/$1.pdf" "$CASE/$1"
  read -r pw ph < <(identify -format '%w %h\n' "$page")
  case $3 in portrait) ((ph > pw)) ;; landscape) ((pw > ph)) ;; esac || fail "$3 page is ${pw}x$ph"
  IFS='x+' read -r ew eh ex ey < <(convert "$page" -fill black +opaque white \
    -bordercolor white -border 1 -format '%@\n' info:)
  expect_eq "$ex $ey" "1 1" "top-left corner of the printed picture (after a border of 1)"
  ((ew * 100 >= pw * 95 || eh * 100 >= ph * 95)) ||
    fail "printed picture ${ew}x$eh does not fill the page ${pw}x$ph on either side"
  local skew=$((ew * h - eh * w))
  ((100 * ${skew#-} <= ew * h)) || fail "printed picture ${ew}x$eh is out of proportion to ${w}x$h"
  convert "$page" -crop "${ew}x$eh+0+0" +repage -sample "${w}x$h!" -type TrueColor "BMP3:$CASE/$1-sampled.bmp"
  same_image shown "$1-sampled" "printed picture"
}

# Print and Bitmap File Save without a picture say so; without any printer
# (no print server to ask) Print says so and the viewer goes on as before.
# The saved file: headers and size for the window, the picture as the window
# shows it, the name offered again, and a file that cannot be replaced keeps
# what it had.  The tracks in the dash styles: the window's drawing surface
# (one pen kept while it does not change, thin solid lines gathered into
# polylines, a memory bitmap copied to the window) draws what the raster
# surface, checked against recorded GDI output, draws.
t_no_printer_and_bitmap_file_save() {
  export CUPS_SERVER=$CASE/no-server.sock
  cp "$DATA/many_tracks.pic" "$CASE/a.pic"
  viewer_with_info "${COLOUR_KEYS[@]}" styles=1,2,3
  drv command $CMD_PRINT
  boxes "Error status: Not Selected Print File."
  drv command $CMD_BITMAP_SAVE
  boxes "Error status: Not Selected Capture File."
  open_picture "$CASE/a.pic"
  snap shown
  drv command $CMD_PRINT
  boxes "Error: No Default Printer."
  snap_after after wait-idle
  same_image shown after "picture after a print without a printer"
  save_bitmap saved
  expect_eq "$(bmp_fields "$CASE/saved.bmp")" "529974 529974 54 490 360 24" "24-bit file of a 640 x 410 window"
  same_image shown saved-rgb "saved file against the window"
  compare_render saved-rgb "$CASE/a.pic"

  mv "$CASE/saved.bmp" "$CASE/first.bmp"
  drv command $CMD_BITMAP_SAVE + dialog-wait "$SAVE_DIALOG"
  # The file name field (cmb13) offers the name, which OK takes.
  expect_eq "$(drv --title "$SAVE_DIALOG" texts 0x47c + dialog-open "" --caption "$SAVE_DIALOG")" saved.bmp \
    "name offered again"
  drv wait-idle
  cmp "$CASE/first.bmp" "$CASE/saved.bmp" || fail "the offered name did not get the same file"

  echo previous >"$CASE/held.bmp"
  drv hold-file "$CASE/held.bmp" 20 >"$CASE/hold.out" &
  for _ in $(seq 1 50); do grep -q held "$CASE/hold.out" && break; sleep 0.1; done
  drv command $CMD_BITMAP_SAVE + dialog-open "$CASE/held.bmp" --caption "$SAVE_DIALOG"
  boxes "Warning: Can't Save file"
  expect_eq "$(cat "$CASE/held.bmp")" previous "file that could not be replaced"
  [ -z "$(find "$CASE" -name 'held.bmp.*part')" ] || fail "a partial file was left behind"
  viewer_close
}

# Print scales the picture to the page of the default printer; Printer
# Setup's orientation and paper reach the printer's stored settings, so the
# next print comes out on them.  The printer's name is longer than a
# device mode's name field.  A taller window prints down to the bottom of
# its picture area, in whole strips of 10 rows.
t_print_and_setup() {
  [ -n "${PRINTER_PDF_DIR:-}" ] || skip "no PDF printer in this run"
  cp "$DATA/many_tracks.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic"
  drv command $CMD_PRINTER_SETUP + page-setup portrait A4 + wait-idle
  snap shown
  printed portrait A4 portrait
  snap_after after_setup command $CMD_PRINTER_SETUP + page-setup landscape A5
  same_image shown after_setup "picture after Printer Setup"
  printed landscape A5 landscape
  drv resize 640 437 + wait-idle
  snap shown
  printed tall A5 landscape 490 390
  viewer_close
}

# A 256-colour display: the file has 8 bits per pixel and the program's own
# colour table, the printer gets the same picture; Environment's colour
# buttons open the 16-colour picker, where a click on a button chooses the
# colour it shows.
t_palette_display() {
  # shellcheck source=../../scripts/wine_env.sh
  . scripts/wine_env.sh
  xvfb_start "$CASE/xvfb.log" 8 || skip "no 8-bit X display"
  trap xvfb_stop EXIT
  cp "$DATA/many_tracks.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic"
  snap shown
  save_bitmap saved
  expect_eq "$(bmp_fields "$CASE/saved.bmp")" "178198 178198 1078 490 360 8" "8-bit file of a 640 x 410 window"
  # Entry 164 of the program's table, where the display's own palette differs.
  expect_eq "$(od -An -tx1 -j710 -N4 "$CASE/saved.bmp" | tr -d ' ')" 9f5e5100 "colour table entry 164"
  same_image shown saved-rgb "saved file against the window"
  if [ -n "${PRINTER_PDF_DIR:-}" ]; then
    drv command $CMD_PRINTER_SETUP + page-setup portrait A4 + wait-idle
    printed palette A4 portrait
  fi
  drv command 205 + dialog-wait Environment
  drv --title Environment button 779 + dialog-wait "Color select"
  # Button 612 covers client pixels (135, 32) to (165, 57).
  check_controls COLOR "Color select"
  drv --title "Color select" capture "$CASE/picker.bmp"
  local shown
  shown=$(bmpcheck pixel "$CASE/picker.bmp" 150 45)
  drv --title "Color select" button 612 + wait-gone "Color select"
  drv --title Environment button 1 + wait-gone Environment
  drv wait-idle
  viewer_close
  expect_eq "$(info_read32 "$CASE/start/info.\$\$\$" 112)" "$((0x${shown:4:2}${shown:2:2}${shown:0:2}))" \
    "background chosen in the 16-colour picker"
}
