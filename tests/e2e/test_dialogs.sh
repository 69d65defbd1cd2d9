# The settings dialogs, each opened from its menu command: their templates,
# the checks of OK and their messages, what OK commits and how the picture
# follows, Cancel, the colour pickers, and the settings they start from.

CMD_ENVIRONMENT=205 CMD_BATCH=206 CMD_TITLE_SET=209 CMD_SELECTION=210
ENV=Environment PICKER="Color select" LINE="Line select"
BATCH="Batch change" TITLE_SET="Title set" PARTICLE="Particle picture"
INFO="info.\$\$\$"

dialog_open() { drv command "$1" + dialog-wait "$2"; }   # COMMAND CAPTION
dialog_end() {   # CAPTION BUTTON: the dialog closes; the window settles
  drv --title "$1" button "$2" + wait-gone "$1"
  drv wait-idle
}
ok() { dialog_end "$1" 1; }
cancel() { dialog_end "$1" 2; }

fill() {   # CAPTION ID TEXT [ID TEXT...]
  local caption=$1 args=()
  shift
  while [ $# -gt 0 ]; do args+=(set-text "$1" "$2" +); shift 2; done
  drv --title "$caption" "${args[@]}"
}
values() { drv --title "$1" texts "${@:2}"; }   # CAPTION ID...: what they show, joined by |
# OK is refused with MESSAGE (the text, control 65535, of the box "Error
# Status") and the dialog stays open.
refused() {   # CAPTION MESSAGE
  drv --title "$1" button 1 + dialog-wait "Error Status"
  expect_eq "$(drv --title "Error Status" texts 65535 + button 1 + wait-gone "Error Status" | sed 's/ *$//')" \
    "$2" "message of OK in \"$1\""
  drv dialog-wait "$1"
}
# pick BUTTON X Y: Environment's colour button BUTTON opens the colour
# picker, where a click at the client point (X, Y) chooses the colour
# painted there; prints it as RRGGBB.
pick() {
  drv --title "$ENV" button "$1" + dialog-wait "$PICKER"
  drv --title "$PICKER" capture "$CASE/picker.bmp"
  bmpcheck pixel "$CASE/picker.bmp" "$2" "$3"
  drv --title "$PICKER" click "$2" "$3" + wait-gone "$PICKER"
}
bgr() { echo "0x${1:4:2}${1:2:2}${1:0:2}"; }   # RRGGBB as a colour value

# The dialog templates compiled into the viewer (kinds, ids, texts, places
# and sizes of the controls, styles, captions, font), as windres reads them
# back; every live dialog's controls as the window system reports them are
# checked against the same templates (check_controls) in the case of
# refused and cancelled input, the 16-colour picker's on the 8-bit display.
t_templates() {
  diff -u <(grep -v '^//' tests/data/e2e/dialog_templates.txt) \
    <(x86_64-w64-mingw32-windres -i "$VOKA_VIEWER" -O rc | awk '/^"?[A-Z0-9]+"? DIALOG/ { on = 1 } on; /^END/ { on = 0 }') ||
    fail "dialog templates"
}

# OK in every dialog: the window then shows what vokatool render draws from
# the same settings (the photons dash-dot-dotted), and the info file holds
# exactly what was chosen (which the dialogs show at the next start: see the
# case of refused and cancelled input).
t_ok_commits() {
  cp "$DATA/many_tracks.pic" "$CASE/tracks.pic"
  viewer_with_picture "$CASE/tracks.pic" styles=0,0,4
  drv command $CMD_TITLE + wait-idle + click 60 40 + wait-idle
  dialog_open $CMD_ENVIRONMENT "$ENV"
  # Of two samples clicked, the last counts (solid, width 3).
  drv --title "$ENV" button 310 + dialog-wait "$LINE"
  drv --title "$LINE" button 501 + button 506 + button 1 + wait-gone "$LINE"
  local positron background
  positron=$(pick 306 306 7)
  background=$(pick 779 12 57)
  fill "$ENV" 302 5. 303 2.5 304 1.5
  drv --title "$ENV" scroll 107 track 45 + dialog-wait "$ENV"
  # The dialog's samples show the chosen colours.
  drv --title "$ENV" capture "$CASE/env.bmp"
  at_least "$(bmpcheck count "$CASE/env.bmp" 0 0 446 291 "$positron")" 40 "positron sample line in the dialog"
  at_least "$(bmpcheck count "$CASE/env.bmp" 0 0 446 291 "$background")" 500 "background swatch in the dialog"
  ok "$ENV"
  dialog_open $CMD_BATCH "$BATCH"
  fill "$BATCH" 300 2 301 2
  ok "$BATCH"
  dialog_open $CMD_SELECTION "$PARTICLE"
  drv --title "$PARTICLE" button 802
  ok "$PARTICLE"
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  fill "$TITLE_SET" 309 "DIALOG TITLE"
  ok "$TITLE_SET"
  snap changed
  viewer_close

  info_write "$CASE/expected" "${COLOUR_KEYS[@]}" "positron=$(bgr "$positron")" \
    "background=$(bgr "$background")" styles=0,0,4 widths=3,1,1 scale=5.0 photon_cut=2.5 charged_cut=1.5 step=45 \
    "title=DIALOG TITLE"
  cmp "$CASE/expected" "$CASE/start/$INFO" || fail "info file after OK in every dialog"
  IGNORE_BOXES=("$(title_box 60 40)")
  compare_render changed "$CASE/tracks.pic" --batches 2-2 --particles e,g --title-pos 60,40
}

# What the dialogs refuse (tests/data/e2e/refused_input.txt): every check of
# OK, first failure first, with its message, the dialog staying open; the
# angle bar and its edit.  Then Cancel after changes, and OK without any, in
# every dialog.  No rebuild and the same picture throughout; the info file
# changed only by what OK stores before its checks (the rotation step and
# the work directory) and by a title typed before any title position.  The
# dialogs show the settings (not what Cancel dropped), the particle boxes
# all ticked, at the templates' sizes in MS Sans Serif 8 pt; on this
# true-colour display the colour buttons open the 256-colour grid.
t_refused_and_cancelled_input() {
  local start=(scale=2.5 step=60 photon_cut=0.01 charged_cut=1 title=START) given=tests/data/e2e/refused_input.txt
  local action shown fields message from to
  cp "$DATA/standard.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic" "${start[@]}"
  snap before
  # A rebuild after this reports the missing work file in a box, which the
  # next wait-idle finds: what follows must restore the picture only.
  rm "$WINEPREFIX/drive_c/work.\$\$\$"
  dialog_open $CMD_ENVIRONMENT "$ENV"
  check_controls ENVIRONMENT "$ENV"
  while read -r action shown; do
    if [[ $action == type:* ]]; then fill "$ENV" 703 "${action#type:}"; else drv --title "$ENV" scroll 107 ${action//:/ }; fi
    expect_eq "$(values "$ENV" 107 703)" "$shown" "angle bar and edit after $action"
  done < <(sed -n 's/^angle //p' "$given")
  while IFS='|' read -r fields message; do
    # shellcheck disable=SC2086
    fill "$ENV" $fields
    refused "$ENV" "$message"
  done < <(sed -n 's/^environment //p' "$given")
  pick 308 100 30 >/dev/null
  expect_eq "$(bmpcheck size "$CASE/picker.bmp")" "339 164" "client area of the 256-colour grid"
  drv --title "$ENV" button 311 + dialog-wait "$LINE"
  check_controls LINE "$LINE"
  drv --title "$LINE" button 507 + button 2 + wait-gone "$LINE"
  fill "$ENV" 302 7 303 1
  cancel "$ENV"
  dialog_open $CMD_BATCH "$BATCH"
  check_controls HISTORY "$BATCH"
  while IFS='|' read -r from to message; do
    fill "$BATCH" 300 "$from" 301 "$to"
    refused "$BATCH" "$message"
  done < <(sed -n 's/^batch //p' "$given")
  fill "$BATCH" 300 1 301 1
  cancel "$BATCH"
  dialog_open $CMD_SELECTION "$PARTICLE"
  check_controls PARTICLE "$PARTICLE"
  drv --title "$PARTICLE" button 800
  cancel "$PARTICLE"
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  check_controls TITLESET "$TITLE_SET"
  fill "$TITLE_SET" 309 "DROPPED"
  cancel "$TITLE_SET"

  dialog_open $CMD_ENVIRONMENT "$ENV"
  expect_eq "$(values "$ENV" 302 107 703 303 304 305)" '2.5|45|45|0.01|1|c:\windows\' "Environment's fields"
  ok "$ENV"
  dialog_open $CMD_BATCH "$BATCH"
  expect_eq "$(values "$BATCH" 300 301)" "2|3" "Batch change's limits, as the last refused OK left them"
  fill "$BATCH" 300 "" 301 ""   # all batches, as before
  ok "$BATCH"
  dialog_open $CMD_SELECTION "$PARTICLE"
  expect_eq "$(values "$PARTICLE" 800 802 804)" "1|1|1" "particle boxes"
  ok "$PARTICLE"
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  expect_eq "$(values "$TITLE_SET" 309)" START "title field"
  fill "$TITLE_SET" 309 "KEPT"
  ok "$TITLE_SET"
  snap after
  same_image before after "picture after refused input, Cancel and unchanged OK"
  viewer_close
  info_write "$CASE/expected" "${COLOUR_KEYS[@]}" "${start[@]}" step=45 'work_dir=c:\windows\' title=KEPT
  cmp "$CASE/expected" "$CASE/start/$INFO" || fail "info file after refused input, Cancel and unchanged OK"
}

# Batch numbers reach 10000: the dialog shows a five-digit count whole and
# takes five-digit limits, typed with the keyboard.
t_five_digit_batch() {
  sed 's/^0    1$/0 1000/' "$DATA/one_electron.pic" >"$CASE/b1000.pic"
  sed 's/^0    1$/010000/' "$DATA/one_electron.pic" >"$CASE/b10000.pic"
  viewer_with_picture "$CASE/b1000.pic"
  dialog_open $CMD_BATCH "$BATCH"
  drv --title "$BATCH" capture "$CASE/count1000.bmp"
  cancel "$BATCH"
  open_picture "$CASE/b10000.pic"
  dialog_open $CMD_BATCH "$BATCH"
  drv --title "$BATCH" capture "$CASE/count10000.bmp"
  ! bmpcheck diff "$CASE/count1000.bmp" "$CASE/count10000.bmp" >/dev/null || fail "same count for 1000 and 10000 batches"
  # The client area is 210 x 138 pixels; nothing but the face in its last column.
  expect_eq "$(bmpcheck count "$CASE/count10000.bmp" 209 0 1 138 "$(bmpcheck pixel "$CASE/count10000.bmp" 2 2)" \
    --not)" 0 "count drawn up to the dialog's edge"
  keys "$BATCH" ctrl+a 10000 Tab ctrl+a 10000
  expect_eq "$(values "$BATCH" 300 301)" "10000|10000" "limits typed"
  ok "$BATCH"
  viewer_close
}

