#!/usr/bin/env bash
# vokatool render's output formats from the command line: the PNG holds the
# BMP's pixels, with the panels and without; an unknown extension is refused;
# a figure that cannot be written leaves nothing behind and an existing file
# as it was.
set -u
tool=$1
data=$2
. "$(dirname "$0")/../e2e/lib.sh"   # info_write, fail, skip
command -v compare >/dev/null || skip "no ImageMagick"
dir=$(mktemp -d /tmp/vkfig.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir"
info_write info electron=0x0000FF positron=0x00FF00 photon=0xFF8000 background=0x402010 \
  character=0x00FFFF
render() { "$tool" render "$data/small.pic" --info info --size 700x450 "$@" >out.txt 2>&1; }

for panel in "" --no-panel; do
  opts=(--title "Run 7" --title-pos 20,20 --guide 300,200 --angles 0,30,0 $panel)
  render -o a.bmp "${opts[@]}" && render -o a.png "${opts[@]}" || fail "render $panel: $(cat out.txt)"
  diff=$(compare -metric AE a.bmp a.png null: 2>&1)
  [ "$diff" = 0 ] || fail "PNG differs from BMP in $diff pixels ($panel)"
done
[ "$(identify -format %wx%h a.png)" = 540x390 ] || fail "--no-panel is not the picture area"

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
[ "$left" = "a.bmp a.png b.pdf b.png c.svg info out.txt " ] || fail "files here: $left"
echo "ok"
