#!/usr/bin/env bash
# vokatool animate: every frame of the GIF is, pixel for pixel, what render
# draws at the frame's angles, with the same options; the GIF and the MP4
# open in real readers (ImageMagick, ffprobe) with their frames and delays;
# without ffmpeg an MP4 is refused with a message naming it.
# Usage: animate.sh VOKATOOL
set -u
tool=$1
. "$(dirname "$0")/../e2e/lib.sh" # info_write, fail, skip, expect_eq
data=$(cd "$(dirname "$0")/../../examples" && pwd)
command -v identify >/dev/null || skip "no ImageMagick"
dir=$(mktemp -d /tmp/vkanim.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1

info_write info electron=0x0000FF positron=0x00FF00 photon=0xFF8000 geometry=0x00FFFF charged_cut=0.05
options=(--info info --size 700x451 --particles e,p,g --batches 2-7 --title "Lead" --title-pos 30,30 --zoom 60,40,420,300)
"$tool" animate "$data/photons_lead.pic" -o turn.gif "${options[@]}" --angles 20,35,-10 --axis y \
  --degrees 300 --frames 5 --fps 8 >gif.txt 2>err.txt ||
  { grep -q "without giflib" err.txt && skip "built without giflib"; fail "animate to .gif: $(cat err.txt)"; }

# The frames' angles: the start view turned about the screen's vertical
# axis as the window's drag turns it, which changes the y angle alone.
expect_eq "$(grep '^frame ' gif.txt | cut -d' ' -f4 | xargs)" \
  "20,35,-10 20,95,-10 20,155,-10 20,-145,-10 20,-85,-10" "angles of the frames"
expect_eq "$(identify -format '%T %wx%h\n' turn.gif | sort | uniq -c | xargs)" "5 13 550x401" \
  "GIF frames, delays (1/100 s) and size"
while read -r _ k _ angles; do
  k=${k%:}
  "$tool" render "$data/photons_lead.pic" -o "still$k.bmp" "${options[@]}" --angles "$angles" >/dev/null ||
    fail "render at $angles"
  convert "turn.gif[$k]" "frame$k.png"
  differ=$(compare -metric AE "still$k.bmp" "frame$k.png" null: 2>&1)
  expect_eq "$differ" 0 "pixels of frame $k that differ from render --angles $angles"
done < <(grep '^frame ' gif.txt)

if command -v ffprobe >/dev/null; then
  "$tool" animate "$data/photons_lead.pic" -o turn.mp4 "${options[@]}" --frames 7 \
    --fps 12 >/dev/null 2>err.txt || fail "animate to .mp4: $(cat err.txt)"
  got=$(ffprobe -v error -count_frames -select_streams v:0 -of csv=p=0 \
    -show_entries stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames turn.mp4)
  # An odd size gets a row and a column for yuv420p.
  expect_eq "$got" "h264,550,402,yuv420p,12/1,7" "MP4 stream"
  # Its first frame is render's, but for H.264's losses on thin lines:
  # close when both are blurred a little (red and blue swapped: 22 dB).
  ffmpeg -v error -i turn.mp4 -vf crop=550:401:0:0 -frames:v 1 mp4-0.png
  "$tool" render "$data/photons_lead.pic" -o start.bmp "${options[@]}" >/dev/null
  convert start.bmp -blur 0x1.5 still0-blur.png
  convert mp4-0.png -blur 0x1.5 mp4-0-blur.png
  psnr=$(compare -metric PSNR still0-blur.png mp4-0-blur.png null: 2>&1)
  awk "BEGIN{exit !($psnr > 28)}" || fail "MP4 frame 0 against render: $psnr dB"
fi
# Without the ffmpeg program: a message that names it, status 2, no file.
PATH=/nonexistent "$tool" animate "$data/photons_lead.pic" -o none.mp4 >/dev/null 2>err.txt
expect_eq "$?" 2 "status without ffmpeg"
grep -q "needs the ffmpeg program" err.txt || fail "message without ffmpeg: $(cat err.txt)"
[ ! -e none.mp4 ] || fail "none.mp4 written without ffmpeg"
echo "animate: GIF frames equal render; GIF and MP4 read by ImageMagick and ffprobe"
