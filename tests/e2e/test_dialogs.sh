# The settings dialogs, each opened from its menu command: their templates,
# the checks of OK and their messages, what OK commits and how the picture
# follows, Cancel, the colour pickers, and the settings after a restart.

CMD_ENVIRONMENT=205 CMD_BATCH=206 CMD_TITLE_SET=209 CMD_SELECTION=210
ENV=Environment PICKER="Color select" LINE="Line select"
BATCH="Batch change" TITLE_SET="Title set" PARTICLE="Particle picture"
INFO="info.\$\$\$"

# A rebuild after this reports the missing work file in a box, which the
# next wait-idle finds: what follows must restore the picture only.
no_rebuild_from_here() { rm "$WINEPREFIX/drive_c/work.\$\$\$"; }

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
  while [ $# -gt 0 ]; do args+=(dialog-set "$caption" "$1" "$2" +); shift 2; done
  drv "${args[@]}"
}
values() {   # CAPTION ID...: what the controls show, joined by |
  local caption=$1 id out=()
  shift
  drv dialog-controls "$caption" >"$CASE/values.txt"
  for id in "$@"; do out+=("$(awk -v id="$id" -F'"' '$1 ~ " " id " $" { print $2 }' "$CASE/values.txt")"); done
  (IFS='|' && echo "${out[*]}")
}
message_text() { drv message-box "$1" | sed 's/ *$//'; }   # CAPTION: the box's text
# OK is refused with MESSAGE ("Error Status") and the dialog stays open.
refused() {   # CAPTION MESSAGE
  drv --title "$1" button 1
  expect_eq "$(message_text "Error Status")" "$2" "message of OK in \"$1\""
  drv dialog-wait "$1"
}
picker_open() { drv --title "$ENV" button "$1" + dialog-wait "$PICKER"; }   # BUTTON
# pick_at X Y: a click at the colour picker's client point (X, Y) chooses
# the colour painted there; prints it as RRGGBB.
pick_at() {
  drv --title "$PICKER" capture "$CASE/picker.bmp"
  bmpcheck pixel "$CASE/picker.bmp" "$1" "$2"
  drv --title "$PICKER" click "$1" "$2" + wait-gone "$PICKER"
}
pick() { picker_open "$1"; pick_at "$2" "$3"; }   # BUTTON X Y
bgr() { echo "0x${1:4:2}${1:2:2}${1:0:2}"; }   # RRGGBB as a colour value

# Each dialog's controls as the window system reports them; the Environment
# dialog's fields start from the settings, the particle boxes all ticked.
t_templates() {
  mkdir -p "$CASE/start"
  info_write "$CASE/start/$INFO" scale=2.5 step=45 photon_cut=0.01 charged_cut=1 'work_dir=d:\w\'
  viewer_start
  local list=$CASE/controls.txt entry
  dialog_open $CMD_ENVIRONMENT "$ENV"
  drv dialog-controls "$ENV" >"$list"
  # On this true-colour display the colour buttons open the 256-colour grid.
  picker_open 308
  drv dialog-controls "$PICKER" >>"$list"
  drv --title "$PICKER" command 2 + wait-gone "$PICKER"
  drv --title "$ENV" button 310 + dialog-wait "$LINE"
  drv dialog-controls "$LINE" >>"$list"
  drv --title "$LINE" button 2 + wait-gone "$LINE"
  cancel "$ENV"
  for entry in "$CMD_BATCH $BATCH" "$CMD_TITLE_SET $TITLE_SET" "$CMD_SELECTION $PARTICLE"; do
    dialog_open "${entry%% *}" "${entry#* }"
    drv dialog-controls "${entry#* }" >>"$list"
    cancel "${entry#* }"
  done
  viewer_close
  diff -u - "$list" <<'EOF' || fail "dialog templates"
dialog "Environment" 10 3 297 179
group 116 "" 5 -3 175 60
text -1 "Color select" 92 3 42 9
text -1 "Line select" 138 3 38 9
text -1 "electron" 15 15 26 9
text -1 "positron" 15 29 28 9
text -1 "photon" 15 43 23 9
push 308 "" 100 15 20 10
push 306 "" 100 29 20 10
push 307 "" 100 42 20 10
push 310 "" 145 15 20 10
push 311 "" 145 29 20 10
push 312 "" 145 42 20 10
group 115 "" 5 54 175 59
text -1 "Display scale value" 12 60 57 8
text -1 "Scale unit" 30 68 57 9
edit 302 "2.5" 30 76 85 12
text -1 "(cm)" 118 78 20 9
text -1 "Angle change value" 30 92 70 9
hscroll 107 "45" 30 100 85 8
edit 703 "45" 125 98 20 12
blackframe -1 "" 5 114 175 38
text -1 "Cut-off energy(kinetic in MeV)" 10 115 105 9
text -1 "Photon" 20 126 41 8
text -1 "Charged particle" 20 138 55 10
edit 303 "0.01" 80 125 70 12
edit 304 "1" 80 137 70 12
blackframe -1 "" 5 153 175 24
text -1 "Work area directory" 10 154 73 9
edit 305 "d:\w\" 30 162 104 12
push 1 "Ok" 205 160 30 14
push 2 "Cancel" 247 160 30 14
blackframe -1 "" 182 2 110 28
text -1 "Background color" 187 3 61 9
push 779 "Color Button" 238 15 47 10
blackframe -1 "" 182 31 110 28
text -1 "Geometry color" 187 32 61 9
push 778 "Color Button" 238 44 47 10
blackframe -1 "" 182 60 110 28
text -1 "Character color" 187 61 61 9
push 777 "Color Button" 238 73 47 10
dialog "Color select" 15 95 226 101
dialog "Line select" 18 18 170 92
blackframe -1 "" 68 7 35 15
push 500 "" 16 30 35 15
push 501 "" 50 30 35 15
push 502 "" 85 30 35 15
push 503 "" 120 30 35 15
push 504 "" 16 45 35 15
push 505 "" 50 45 35 15
push 506 "" 85 45 35 15
push 507 "" 120 45 35 15
push 1 "OK" 10 73 30 15
push 2 "Cancel" 42 73 30 15
dialog "Batch change" 18 18 140 85
text -1 "Number of batch" 10 10 70 10
text -1 "Display batch" 10 35 55 10
edit 300 "" 69 35 21 12
edit 301 "" 100 35 21 12
push 1 "OK" 10 65 30 14
push 2 "Cancel" 45 65 30 14
dialog "Title set" 18 18 142 63
text -1 "Title" 15 10 17 10
edit-hscroll 309 "" 15 20 90 12
push 1 "OK" 15 45 30 14
push 2 "Cancel" 50 45 30 14
dialog "Particle picture" 18 18 140 67
autocheck 800 "electron" 20 10 41 12 checked
autocheck 802 "positron" 20 28 40 12 checked
autocheck 804 "photon" 20 48 40 12 checked
push 1 "OK" 100 15 30 15
push 2 "Cancel" 100 40 30 15
EOF
}

# Every check of OK, first failure first; the angle bar; the dialogs stay
# open, the picture is not rebuilt, and after Cancel only the rotation step
# and the work directory, which OK stores before its checks, have changed.
t_refused_input() {
  cp "$DATA/standard.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic"
  snap before
  no_rebuild_from_here
  dialog_open $CMD_ENVIRONMENT "$ENV"
  local action bar_and_edit
  while read -r action bar_and_edit; do
    if [[ $action == type:* ]]; then
      fill "$ENV" 703 "${action#type:}"
    else
      drv dialog-scroll "$ENV" 107 ${action//:/ }
    fi
    expect_eq "$(values "$ENV" 107 703)" "$bar_and_edit" "angle bar and edit after $action"
  done <<'EOF'
track:89 89|89
line-right 90|90
line-right 90|90
page-left 90|90
type:5 5|5
line-left 4|4
type:-5 0|-5
type:120 90|120
EOF
  local fields message
  while IFS='|' read -r fields message; do
    # shellcheck disable=SC2086
    fill "$ENV" $fields
    refused "$ENV" "$message"
  done <<'EOF'
302 1000 303 -1|Input Scale unit ERROR!!
302 .5|Input Scale unit ERROR!!
302 999.99|Input angle change value error!!
703 45 305 d:\tmp\|Input photon cut-off energy error.
303 100000020|Input photon cut-off energy error.
303 100000001 304 1e3|Input charged particle cut-off  energy error.
EOF
  cancel "$ENV"

  # The standard picture has 2 batches.
  dialog_open $CMD_BATCH "$BATCH"
  local from to
  while IFS='|' read -r from to message; do
    fill "$BATCH" 300 "$from" 301 "$to"
    refused "$BATCH" "$message"
  done <<'EOF'
3||Input Batch(From) ERROR!!
1x|1|Input Batch(From) ERROR!!
-1|1|Input Batch(From) ERROR!!
2|1|Input Batch(To) ERROR!!
2|3|Input Batch(To) ERROR!!
EOF
  cancel "$BATCH"
  dialog_open $CMD_BATCH "$BATCH"
  expect_eq "$(values "$BATCH" 300 301)" "2|3" "batch limits shown again after a refused OK"
  cancel "$BATCH"
  snap after
  same_image before after "picture after refused input"
  viewer_close
  info_write "$CASE/expected" "${COLOUR_KEYS[@]}" step=45 'work_dir=d:\tmp\'
  cmp "$CASE/expected" "$CASE/start/$INFO" || fail "info file after refused input and Cancel"
}

# OK in every dialog: the window then shows what vokatool render draws from
# the same settings, the info file holds exactly what was chosen, and the
# dialogs show it again after a restart.
t_ok_commits() {
  cp "$DATA/many_tracks.pic" "$CASE/tracks.pic"
  viewer_with_picture "$CASE/tracks.pic"
  drv command $CMD_TITLE + wait-idle + click 60 40 + wait-idle
  dialog_open $CMD_ENVIRONMENT "$ENV"
  # Of two samples clicked, the last counts (solid, width 3).
  drv --title "$ENV" button 310 + dialog-wait "$LINE"
  drv --title "$LINE" button 501 + button 506 + button 1 + wait-gone "$LINE"
  local positron background
  positron=$(pick 306 306 7)
  background=$(pick 779 12 57)
  fill "$ENV" 302 5. 303 2.5 304 1.5
  drv dialog-scroll "$ENV" 107 track 45 + dialog-wait "$ENV"
  # The dialog's samples show the chosen colours.
  drv --title "$ENV" capture "$CASE/env.bmp"
  at_least "$(bmpcheck count "$CASE/env.bmp" 0 0 $(bmpcheck size "$CASE/env.bmp") "$positron")" 40 \
    "positron sample line in the dialog"
  at_least "$(bmpcheck count "$CASE/env.bmp" 0 0 $(bmpcheck size "$CASE/env.bmp") "$background")" 500 \
    "background swatch in the dialog"
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
    "background=$(bgr "$background")" widths=3,1,1 scale=5.0 photon_cut=2.5 charged_cut=1.5 step=45 \
    "title=DIALOG TITLE"
  cmp "$CASE/expected" "$CASE/start/$INFO" || fail "info file after OK in every dialog"
  IGNORE_BOXES=("$(title_box 60 40)")
  compare_render changed "$CASE/tracks.pic" --batches 2-2 --particles e,g --title-pos 60,40

  viewer_start
  dialog_open $CMD_ENVIRONMENT "$ENV"
  expect_eq "$(values "$ENV" 302 107 303 304)" "5.0|45|2.5|1.5" "Environment after a restart"
  cancel "$ENV"
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  expect_eq "$(values "$TITLE_SET" 309)" "DIALOG TITLE" "title after a restart"
  cancel "$TITLE_SET"
  viewer_close
}

# Cancel after changes, and OK without any, in every dialog: no rebuild, the
# same picture, the same info file.  A title typed before any title position
# is kept, without a rebuild.
t_cancel_changes_nothing() {
  cp "$DATA/standard.pic" "$CASE/a.pic"
  viewer_with_picture "$CASE/a.pic"
  snap before
  no_rebuild_from_here
  dialog_open $CMD_ENVIRONMENT "$ENV"
  pick 308 100 30 >/dev/null
  drv --title "$ENV" button 311 + dialog-wait "$LINE"
  drv --title "$LINE" button 507 + button 2 + wait-gone "$LINE"
  fill "$ENV" 302 7 303 1
  cancel "$ENV"
  dialog_open $CMD_BATCH "$BATCH"
  fill "$BATCH" 300 1 301 1
  cancel "$BATCH"
  dialog_open $CMD_SELECTION "$PARTICLE"
  drv --title "$PARTICLE" button 800
  cancel "$PARTICLE"
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  fill "$TITLE_SET" 309 "DROPPED"
  cancel "$TITLE_SET"
  local entry
  for entry in "$CMD_ENVIRONMENT $ENV" "$CMD_BATCH $BATCH" "$CMD_SELECTION $PARTICLE"; do
    dialog_open "${entry%% *}" "${entry#* }"
    ok "${entry#* }"
  done
  dialog_open $CMD_TITLE_SET "$TITLE_SET"
  fill "$TITLE_SET" 309 "KEPT"
  ok "$TITLE_SET"
  snap after
  same_image before after "picture after Cancel and unchanged OK"
  viewer_close
  info_write "$CASE/expected" "${COLOUR_KEYS[@]}" title=KEPT
  cmp "$CASE/expected" "$CASE/start/$INFO" || fail "info file after Cancel and unchanged OK"
}

# Batch numbers reach 10000: the dialog shows a five-digit count whole and
# takes five-digit limits.
t_five_digit_batch() {
  local n
  for n in 1000 10000; do
    printf -v line '0%5d' "$n"
    sed "s/^0    1\$/$line/" "$DATA/one_electron.pic" >"$CASE/b$n.pic"
  done
  viewer_with_picture "$CASE/b1000.pic"
  dialog_open $CMD_BATCH "$BATCH"
  drv --title "$BATCH" capture "$CASE/count1000.bmp"
  cancel "$BATCH"
  open_picture "$CASE/b10000.pic"
  dialog_open $CMD_BATCH "$BATCH"
  drv --title "$BATCH" capture "$CASE/count10000.bmp"
  different_image count1000 count10000 "count of batches 1000 and 10000"
  local width height face
  read -r width height < <(bmpcheck size "$CASE/count10000.bmp")
  face=$(bmpcheck pixel "$CASE/count10000.bmp" 2 2)
  expect_eq "$(bmpcheck count "$CASE/count10000.bmp" $((width - 1)) 0 1 "$height" "$face" --not)" 0 \
    "count drawn up to the dialog's edge"
  fill "$BATCH" 300 10000 301 10000
  ok "$BATCH"
  viewer_close
}

# On a 256-colour display the colour buttons open the 16-colour picker; a
# click on a colour button chooses the colour it shows.
t_palette_display() {
  # shellcheck source=../../scripts/wine_env.sh
  . scripts/wine_env.sh
  xvfb_start "$CASE/xvfb8.log" 8 || skip "no 8-bit X server"
  trap xvfb_stop EXIT
  viewer_start
  dialog_open $CMD_ENVIRONMENT "$ENV"
  picker_open 779
  drv dialog-controls "$PICKER" >"$CASE/controls.txt"
  diff -u - "$CASE/controls.txt" <<'EOF' || fail "controls of the 16-colour picker"
dialog "Color select" 18 18 205 68
ownerdraw 600 "" 10 5 20 15
ownerdraw 601 "" 30 5 20 15
ownerdraw 602 "" 50 5 20 15
ownerdraw 603 "" 70 5 20 15
ownerdraw 604 "" 90 5 20 15
ownerdraw 605 "" 110 5 20 15
ownerdraw 606 "" 130 5 20 15
ownerdraw 607 "" 150 5 20 15
ownerdraw 608 "" 10 20 20 15
ownerdraw 609 "" 30 20 20 15
ownerdraw 610 "" 50 20 20 15
ownerdraw 611 "" 70 20 20 15
ownerdraw 612 "" 90 20 20 15
ownerdraw 613 "" 110 20 20 15
ownerdraw 614 "" 130 20 20 15
ownerdraw 615 "" 150 20 20 15
push 2 "Cancel" 20 50 30 14
EOF
  # Button 612 covers client pixels (135, 32) to (165, 57).
  drv --title "$PICKER" capture "$CASE/picker.bmp"
  local shown
  shown=$(bmpcheck pixel "$CASE/picker.bmp" 150 45)
  drv --title "$PICKER" button 612 + wait-gone "$PICKER"
  ok "$ENV"
  viewer_close
  expect_eq "$(info_read32 "$CASE/start/$INFO" 112)" "$(($(bgr "$shown")))" "background chosen in the 16-colour picker"
}
