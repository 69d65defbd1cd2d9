#!/usr/bin/env bash
# vokatool render's output formats from the command line: the PNG holds the
# BMP's pixels, with the panels and without; the PDF, read back by poppler,
# shows the BMP's picture to anti-aliasing, with the title as text where the
# BMP has it; the SVG's tracks are paths of the right pens and ends; an
# unknown extension is refused; a figure that cannot be written leaves
# nothing behind and an existing file as it was.
set -u
tool=$1
data=$2
. "$(dirname "$0")/../e2e/lib.sh"   # info_write, fail, skip
# Under the leak sanitizer: fontconfig keeps its caches to the end.
export LSAN_OPTIONS="${LSAN_OPTIONS:+$LSAN_OPTIONS:}suppressions=$(cd "$(dirname "$0")" && pwd)/fontconfig.supp"
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

# Coloured by energy, every format carries the colour bar: the PNG the
# BMP's pixels, the SVG and PDF the bar's energies as text.
for f in bmp png svg pdf; do
  render -o e.$f --colour-by energy --energy-range 0.25,40 || fail "render --colour-by energy: $(cat out.txt)"
done
[ "$(compare -metric AE e.bmp e.png null: 2>&1)" = 0 ] || fail "energy PNG differs from the BMP"
grep -q '>40 MeV</text>' e.svg || fail "no energies of the colour bar in the SVG"
pdftotext e.pdf - | grep -q "40 MeV" || fail "no energies of the colour bar in the PDF"
rm e.*

# A title beyond ASCII: Unicode text in the PDF and the SVG; in the BMP the
# glyphs of Windows-1252, the same from UTF-8 and from Latin-1 bytes, and
# not those of "e" or "?".
mkdir t
for title in "é" $'\xe9' "e" "?"; do
  n=$(ls t | wc -l)
  render -o t/$n.bmp --no-panel --title "$title" || fail "render of title $title: $(cat out.txt)"
done
render -o t/u.pdf --title "Run 7 é ü µ °" && render -o t/u.svg --title "Run 7 é ü µ °" || fail "render: $(cat out.txt)"
same() { [ "$(compare -metric AE "t/$1.bmp" "t/$2.bmp" null: 2>&1)" = 0 ]; }
same 0 1 || fail "UTF-8 and Latin-1 titles differ"
same 0 2 && fail "é drawn as e"
same 0 3 && fail "é drawn as ?"
pdftotext t/u.pdf - | grep -q "Run 7 é ü µ °" || fail "no Unicode title in the PDF"
grep -q ">Run 7 é ü µ °</text>" t/u.svg || fail "no Unicode title in the SVG"
rm -r t

# SVG, the picture area alone at quarter size, of tests/data/figure.pic (a
# scene of 5 x 4 cm in a 500 x 400 picture: an electron of four points, a
# positron that leaves the picture, a photon, and an electron of 200 steps
# 0.025 cm apart): every track one path piece in its particle's colour,
# width and dashes (not scaled with the figure) from its first point to its
# last, the centre of the client pixel (X, Y) at (X - 4.5, Y - 4.5) / 4; a
# track that stays within one device pixel for 200 steps adds no points; the
# title is text.
info_write svg.info electron=0x0000FF positron=0x00FF00 photon=0xFF0000 styles=0,1,2 widths=1,1,3 scale=0
"$tool" render "$data/figure.pic" -o f.svg --info svg.info --size 660x460 --no-panel --scale 0.25 --title "Shower 1" \
  --title-pos 10,20 >out.txt 2>&1 || fail "render svg: $(cat out.txt)"
grep -q '>Shower 1</text>' f.svg || fail "no title text in the SVG"
# COLOUR PEN X1 Y1 X2 Y2 POINTS: a piece from client pixel 1 to 2, of at most POINTS points.
awk 'function abs(v) { return v < 0 ? -v : v }
     function check(style, x1, y1, x2, y2, count,   k, w) {
       for (k = 1; k <= n; k++) {
         split(want[k], w, " ")
         if (found[k] || !index(style, "stroke:" w[1] ";") || abs(x1 - (w[3] - 4.5) / 4) > 0.25 ||
             abs(y1 - (w[4] - 4.5) / 4) > 0.25)
           continue
         found[k] = 1
         if (!index(style, w[2]) || (index(style, "dasharray") > 0) != (index(w[2], "dash") > 0) ||
             abs(x2 - (w[5] - 4.5) / 4) > 0.25 || abs(y2 - (w[6] - 4.5) / 4) > 0.25 || count > w[7])
           bad = bad "\n" want[k] ": " style " " x1 "," y1 " to " x2 "," y2 ", " count " points"
       }
     }
     FNR == NR { want[++n] = $0; next }
     /<path style="fill:none;/ {
       split($0, q, "\""); m = split(q[4], t, " ")
       for (i = 1; i <= m; i += 3) {
         if (t[i] == "M" && c) check(q[2], x1, y1, x, y, c)
         if (t[i] == "M") { x1 = t[i + 1]; y1 = t[i + 2]; c = 0 }
         x = t[i + 1]; y = t[i + 2]; c++
       }
       check(q[2], x1, y1, x, y, c); c = 0
     }
     END { for (k = 1; k <= n; k++) if (!found[k]) bad = bad "\nno piece " want[k]
           if (bad) print "SVG tracks:" bad; exit bad != "" }' - f.svg <<'EOF' || fail "tracks of the SVG"
rgb(100%,0%,0%) stroke-width:1; 155 105 355 305 4
rgb(0%,100%,0%) stroke-dasharray:18,6; 45 355 655 355 2
rgb(0%,0%,100%) stroke-width:3; 55 25 55 175 2
rgb(100%,0%,0%) stroke: 307 255 305 255 2
EOF

render -o a.gif; [ $? -eq 2 ] && grep -q "unknown output format" out.txt && [ ! -e a.gif ] ||
  fail "unknown extension: $(cat out.txt)"
render -o a.bmp --scale 2; [ $? -eq 2 ] || fail "--scale taken for a bitmap"
render -o no/such/dir/a.svg; [ $? -eq 1 ] && grep -q "a.svg: cannot be written: No such file or directory" out.txt ||
  fail "unwritable path: $(cat out.txt)"
mkdir b.pdf b.png
for f in b.pdf b.png; do
  render -o $f; [ $? -eq 1 ] && [ -d $f ] || fail "$f written over a folder"
done
echo old >c.svg
"$tool" render missing.pic -o c.svg >/dev/null 2>&1 && fail "missing picture rendered"
[ "$(cat c.svg)" = old ] || fail "c.svg changed by a failed run"
left=$(ls | tr '\n' ' ')
[ "$left" = "a.bmp a.pdf a.png b.pdf b.png c.svg f.svg info out.txt p.png svg.info " ] || fail "files here: $left"
echo "ok"
