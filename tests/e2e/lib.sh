# Helpers for the end-to-end test cases; sourced by run.sh before a test file.
# Every case runs in its own bash with `set -euo pipefail`, in the repository
# root, with E2E_CASE_DIR as its scratch folder; exit status 77 means skipped.
# The driver (drv) and the viewer's start and end come from scripts/wine_env.sh.

# shellcheck source=../../scripts/wine_env.sh
. "$(dirname "${BASH_SOURCE[0]}")/../../scripts/wine_env.sh"
CASE=${E2E_CASE_DIR:-/tmp/e2e-case}

# Menu and strip command ids.
CMD_GUIDE=10 CMD_TITLE=20 CMD_EXPAND=30 CMD_NORMAL=40
CMD_X_PLUS=50 CMD_X_MINUS=60 CMD_Y_PLUS=70 CMD_Y_MINUS=80 CMD_Z_PLUS=90 CMD_Z_MINUS=100
CMD_CALC=101 CMD_REDRAW=102 CMD_OPEN=200 CMD_END=204 CMD_GEOMETRY_OPEN=207
CMD_GEOMETRY_HIDE=208

fail() { echo "FAIL: $*" >&2; exit 1; }
skip() { echo "skipped: $*"; exit 77; }
expect_eq() { [ "$1" == "$2" ] || fail "$3: got '$1', expected '$2'"; }   # ACTUAL EXPECTED WHAT
at_least() { [ "$1" -ge "$2" ] || fail "$3: $1, expected at least $2"; }   # VALUE MIN WHAT

# viewer_start [DIR]: the viewer started in DIR (default $CASE/start), where
# it reads and writes info.$$$, up and idle.  viewer_close ends it through
# its window.
viewer_start() { viewer_run "${1:-$CASE/start}" "$CASE/viewer.log"; }
viewer_close() { viewer_end 20; }

# --- info file -----------------------------------------------------------------

# info_write FILE [key=value...]: the 192-byte settings record of a first
# run, field by field, changed by the given keys (colours as 0x00BBGGRR;
# styles and widths as "E,P,G" for electron, positron, photon).
info_write() {
  local file=$1 kv; shift
  local width=640 height=410 work_dir='c:\' title='' background=0 geometry=0xFFFFFF
  local character=0xFFFFFF electron=0xFFFFFF positron=0xFFFFFF photon=0xFFFFFF step=30 scale=0.1
  local styles=0,0,0 widths=1,1,1 photon_cut=0 charged_cut=0
  for kv in "$@"; do
    [[ ${kv%%=*} =~ ^(width|height|work_dir|title|background|geometry|character|electron|positron|photon|step|scale|styles|widths|photon_cut|charged_cut)$ ]] ||
      fail "info_write: unknown key $kv"
    local "$kv"
  done
  # shellcheck disable=SC2086
  perl -e 'print pack("V9 Z10 x2 V Z20 Z20 Z20 V5 Z40 x20", @ARGV)' $((electron)) $((positron)) $((photon)) \
    ${styles//,/ } ${widths//,/ } "$scale" $((step)) "$photon_cut" "$charged_cut" "$work_dir" \
    $((background)) $((geometry)) $((character)) $((width)) $((height)) "$title" >"$file"
  expect_eq "$(stat -c %s "$file")" 192 "size of the written info file"
}

info_read32() { od -An -t d4 -j "$2" -N 4 "$1" | tr -d ' '; }   # FILE OFFSET: a signed 32-bit value

# The test pictures, described in tests/data/e2e/README.md.
DATA=$PWD/tests/data/e2e

# --- cases with a picture --------------------------------------------------------
# Distinct colours make the checks readable without a reference image:
# electrons red, positrons green, photons blue, geometry yellow, text white,
# on the default black background, in the window of a first run.
RED=FF0000 GREEN=00FF00 BLUE=0000FF YELLOW=FFFF00 WHITE=FFFFFF BLACK=000000
COLOUR_KEYS=(electron=0x0000FF positron=0x00FF00 photon=0xFF0000 geometry=0x00FFFF)

# Clicks the CALC box on, then closes the command interpreter window that it
# opens (it would cover the viewer on this screen without a window manager).
calc_on() {
  drv button $CMD_CALC + wait-class WineConsoleClass 20 + close-class WineConsoleClass + wait-idle
  expect_eq "$(drv texts $CMD_CALC)" 1 "CALC box after the click"
}

# keys TITLE INPUT...: real key presses into the window TITLE, through the X
# server: a key name (Tab, ctrl+a, Up) is pressed, anything else typed.
keys() {
  local xid input
  xid=$(xdotool search --name "^$1\$" | head -n 1)
  [ -n "$xid" ] || fail "no X window titled $1"
  xdotool windowfocus --sync "$xid"
  for input in "${@:2}"; do
    if [[ $input =~ ^([a-z]+\+)*[A-Z][A-Za-z_]*$|^ctrl\+ ]]; then xdotool key "$input"; else xdotool type --delay 10 "$input"; fi
  done
  if [ "$1" = "VOKA Graphic for Win32 V1.00" ]; then drv wait-idle; else drv dialog-wait "$1"; fi
}

# Chooses PICTURE through the real open-file dialog and waits for the picture.
open_picture() { drv command $CMD_OPEN + dialog-open "$1" + wait-idle; }

# viewer_with_info [info keys...]: the viewer started with an info file;
# viewer_with_picture PICTURE [info keys...]: with the test colours too, and
# the picture opened.
viewer_with_info() {
  mkdir -p "$CASE/start"
  info_write "$CASE/start/info.\$\$\$" "$@"
  viewer_start
}
viewer_with_picture() { viewer_with_info "${COLOUR_KEYS[@]}" "${@:2}"; open_picture "$1"; }

# --- images --------------------------------------------------------------------
# bmpcheck, with ImageMagick, on the captures and renders (BMP files):
#   bmpcheck size A.bmp                          "W H"
#   bmpcheck pixel A.bmp X Y                     the colour as RRGGBB
#   bmpcheck count A.bmp X Y W H RRGGBB [--not]  pixels of (--not: not of) that colour in the box
#   bmpcheck diff A.bmp B.bmp [--clip] [--ignore X Y W H]... [--only RRGGBB] [--out D.bmp]
#       prints "N pixels differ" (any channel) between B and the same part
#       of A, fails unless N is 0.  --clip: only the part of B inside A;
#       --only: just the pixels of that colour in A or B (the geometry,
#       drawn over all else); --out writes the differing pixels in white.
DIFFERING=(-alpha off -compose difference -composite -separate -evaluate-sequence max
           -fill white +opaque black)
bmpcheck() {
  local what=$1 a=$2 b=${3:-}; shift $(($# < 3 ? $# : 3))
  case $what in
    size) identify -format '%w %h\n' "$a" ;;
    pixel) convert "$a" -format "%[hex:u.p{$b,$1}]" info: | cut -c1-6 ;;
    count) # B is X; $1..$5: Y W H RRGGBB [--not]
      local share='1-mean'
      [ "${5:-}" != --not ] || share=mean
      convert "$a" -crop "$2x$3+$b+$1" +repage \( +clone -fill "#$4" -colorize 100 \) "${DIFFERING[@]}" \
        -format "%[fx:round(($share)*w*h)]\n" info: ;;
    diff)
      local edits=() out=() w h aw ah n
      read -r w h < <(identify -format '%w %h' "$b")
      while [ $# -gt 0 ]; do
        case $1 in
          --clip) read -r aw ah < <(identify -format '%w %h' "$a")
                  w=$((w < aw ? w : aw)) h=$((h < ah ? h : ah)); shift ;;
          --ignore) edits+=(-fill black -draw "rectangle $2,$3 $(($2 + $4 - 1)),$(($3 + $5 - 1))"); shift 5 ;;
          --only) edits+=(-fill black +opaque "#$2"); shift 2 ;;
          --out) out=(-write "$2"); shift 2 ;;
          *) fail "bmpcheck diff: bad argument $1" ;;
        esac
      done
      n=$(convert \( "$a" -crop "${w}x$h+0+0" +repage "${edits[@]}" \) \
                  \( "$b" -crop "${w}x$h+0+0" +repage "${edits[@]}" \) "${DIFFERING[@]}" "${out[@]}" \
                  -format '%[fx:round(mean*w*h)]' info:)
      echo "$n pixels differ"
      [ "$n" = 0 ] ;;
  esac
}

# snap NAME: captures the client area to $CASE/NAME.bmp; snap_after NAME
# STEPS...: the driver's steps, then wait-idle and the capture.
snap() { drv capture "$CASE/$1.bmp"; }
snap_after() { local name=$1; shift; drv "$@" + wait-idle + capture "$CASE/$name.bmp"; }

# in_picture NAME COLOUR: pixels of COLOUR inside the frame of the picture area.
in_picture() { bmpcheck count "$CASE/$1.bmp" 7 7 476 346 "$2"; }

same_image() { # NAME1 NAME2 WHAT [bmpcheck diff options]
  bmpcheck diff "$CASE/$1.bmp" "$CASE/$2.bmp" "${@:4}" --out "$CASE/diff-$1-$2.bmp" >"$CASE/diff-$1-$2.txt" ||
    { cat "$CASE/diff-$1-$2.txt"; fail "$3: $1 and $2 differ"; }
}

# compare_render NAME PICTURE [render options...]: the capture $CASE/NAME.bmp
# against vokatool render of the same state (this case's info file, the
# window of RENDER_SIZE, default the first run's 640x410: the client area
# from (0, 0) to the strip; its last row lies below the client area), pixel
# for pixel outside the boxes of text, which the window draws in Wine's
# system font: the scale label's band and IGNORE_BOXES ("X Y W H" in client
# coordinates).
IGNORE_BOXES=()
RENDER_SIZE=640x410
compare_render() {
  local name=$1 picture=$2; shift 2
  local info_args=() ignore_args=() box w=${RENDER_SIZE%x*} h=${RENDER_SIZE#*x}
  [ -f "$CASE/start/info.\$\$\$" ] && info_args=(--info "$CASE/start/info.\$\$\$")
  for box in "${IGNORE_BOXES[@]}"; do
    # shellcheck disable=SC2206
    ignore_args+=(--ignore $box)
  done
  "$E2E_VOKATOOL" render "$picture" -o "$CASE/$name-ref.bmp" "${info_args[@]}" --size "$RENDER_SIZE" "$@" \
    >"$CASE/$name-ref.txt" 2>&1 || { cat "$CASE/$name-ref.txt"; fail "vokatool render failed for $name"; }
  bmpcheck diff "$CASE/$name.bmp" "$CASE/$name-ref.bmp" --clip --ignore 0 $((h - 92)) $((w - 150)) 19 "${ignore_args[@]}" \
    --out "$CASE/$name-refdiff.bmp" >"$CASE/$name-refdiff.txt" ||
    { cat "$CASE/$name-refdiff.txt"; fail "$name differs from the reference render"; }
}

# Text boxes of the title (at selection point X, Y) and of the guide mark's
# labels, in client coordinates.
title_box() { echo "$(($1 + 4)) $(($2 + 4)) 120 20"; }
guide_labels_box() { echo "$(($1 + 71)) $(($2 + 7)) 70 66"; }

# --- dialog templates ------------------------------------------------------------
# check_controls TEMPLATE CAPTION: the open dialog CAPTION as the window
# system reports it (driver step `controls`: client size, then class, id,
# place, size and text of each control) against TEMPLATE of
# tests/data/e2e/dialog_templates.txt, converted from dialog units to pixels
# as the dialog manager converts them, with the base units that make the
# template's size the live client size.
check_controls() {
  local live w h
  live=$(drv --title "$2" controls | tr -d '\r')
  read -r _ w h <<<"${live%%$'\n'*}"
  diff <(awk -v name="\"$1\"" -v W="$w" -v H="$h" '
      function md(a, b, c) { return a * b >= 0 ? int((a * b + int(c / 2)) / c) : -int((-a * b + int(c / 2)) / c) }
      function du(v) { return v > 32767 ? v - 65536 : v }
      $1 == name && $2 == "DIALOG" {
        gsub(",", ""); on = 1
        for (bx = 1; bx < 40 && md($5, bx, 4) != W; bx++);
        for (by = 1; by < 40 && md($6, by, 8) != H; by++);
        print "client", md($5, bx, 4), md($6, by, 8); next }
      on && /^END/ { on = 0 }
      on && /^  [A-Z]/ {
        kw = $1; rest = $0; sub(/^  [A-Z]+ /, "", rest); text = ""
        if (rest ~ /^"/) { match(rest, /^"[^"]*", /); text = substr(rest, 2, RLENGTH - 4); rest = substr(rest, RLENGTH + 1) }
        split(rest, f, ", ")
        if (kw == "CONTROL") { cls = f[2]; gsub(/"/, "", cls); i = 4 }
        else { cls = kw == "EDITTEXT" ? "edit" : kw == "SCROLLBAR" ? "scrollbar" : kw ~ /TEXT$/ ? "static" : "button"; i = 2 }
        print tolower(cls), f[1], md(du(f[i]), bx, 4), md(du(f[i + 1]), by, 8), md(f[i + 2], bx, 4), md(f[i + 3], by, 8), text
      }' tests/data/e2e/dialog_templates.txt | awk '{ $1 = $1 } 1') <(awk '{ $1 = tolower($1) } 1' <<<"$live") \
    >"$CASE/controls-$1.diff" ||
    { cat "$CASE/controls-$1.diff"; fail "controls of $1 against its template"; }
}

