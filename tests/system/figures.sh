#!/usr/bin/env bash
# vokatool render's output formats from the command line: the PNG holds the
# BMP's pixels, with the panels and without; the PDF, read back by poppler,
# shows the BMP's picture to anti-aliasing, with the title as text where the
# BMP has it; an unknown extension is refused; a figure that cannot be
# written leaves nothing behind and an existing file as it was.
set -u
tool=$1
data=$2
. "$(dirname "$0")/../e2e/lib.sh"   # info_write, fail, skip
command -v compare >/dev/null && command -v pdftoppm >/dev/null || skip "no ImageMagick or poppler-utils"
dir=$(mktemp -d /tmp/vkfig.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
# Yellow text, the positrons dashed, no scale bar.
info_write info electron=0x0000FF positron=0x00FF00 photon=0xFF8000 background=0x402010 \
  character=0x00FFFF styles=0,1,0 scale=0
render() { "$tool" render "$data/small.pic" --info info --size 700x450 --title "Run 7" --title-pos 20,20 "$@" >out.txt 2>&1; }

for panel in --no-panel ""; do
  opts=(--guide 300,200 --angles 0,30,0 $panel)
  render -o a.bmp "${opts[@]}" && render -o a.png "${opts[@]}" || fail "render $panel: $(cat out.txt)"
  diff=$(compare -metric AE a.bmp a.png null: 2>&1)
  [ "$diff" = 0 ] || fail "PNG differs from BMP in $diff pixels ($panel)"
  [ -n "$panel" ] && [ "$(identify -format %wx%h a.png)" != 540x390 ] && fail "--no-panel is not the picture area"
done

# The PDF at a pixel a point: 4 x 4 blocks agree in mean colour with the
# BMP's but for the title, drawn in another font, whose ink (yellow) starts
# where the BMP's does.
render -o a.bmp --angles 0,30,0 && render -o a.pdf --angles 0,30,0 || fail "render: $(cat out.txt)"
pdftoppm -r 72 -singlefile -png a.pdf p
[ "$(identify -format %wx%h p.png)" = "$(identify -format %wx%h a.bmp)" ] || fail "size of the PDF's page"
blocks=$(convert \( a.bmp -fill black -draw 'rectangle 0,0 99,47' -scale 25% \) \
                 \( p.png -fill black -draw 'rectangle 0,0 99,47' -scale 25% \) \
                 -compose difference -composite -separate -evaluate-sequence max -threshold 12.5% \
                 -format '%[fx:round(mean*w*h)]' info:)
[ "$blocks" = 0 ] || fail "$blocks blocks of the PDF differ from the BMP"
ink() { convert "$1" -crop 100x48+0+0 +repage -fx 'r > 0.5 && b < 0.5' -format %@ info: | cut -d+ -f2-; }
IFS=+ read -r x1 y1 <<<"$(ink a.bmp)"
IFS=+ read -r x2 y2 <<<"$(ink p.png)"
((${x1:-99} - x2 <= 3 && x2 - x1 <= 3 && y1 - y2 <= 2 && y2 - y1 <= 2)) || fail "title at $x2,$y2, not $x1,$y1"
pdftotext a.pdf - | grep -q "Run 7" || fail "no title text in the PDF"

render -o a.gif; [ $? -eq 2 ] && grep -q "unknown output format" out.txt && [ ! -e a.gif ] ||
  fail "unknown extension: $(cat out.txt)"
render -o a.bmp --scale 2; [ $? -eq 2 ] || fail "--scale taken for a bitmap"
render -o no/such/dir/a.svg; [ $? -eq 1 ] && grep -q "cannot write" out.txt ||
  fail "unwritable path: $(cat out.txt)"
mkdir b.pdf b.png
for f in b.pdf b.png; do
  render -o $f; [ $? -eq 1 ] && [ -d $f ] || fail "$f written over a folder"
done
echo old >c.svg
"$tool" render missing.pic -o c.svg >/dev/null 2>&1 && fail "missing picture rendered"
[ "$(cat c.svg)" = old ] || fail "c.svg changed by a failed run"
left=$(ls | tr '\n' ' ')
[ "$left" = "a.bmp a.pdf a.png b.pdf b.png c.svg info out.txt p.png " ] || fail "files here: $left"
echo "ok"
