#!/bin/sh
# Regenerates the GDI reference drawings in tests/data/gdi_ref: writes the
# scene script, builds gdi_ref.exe with mingw, runs it under Wine (a prefix
# in build/wineprefix, with Wine's own fonts installed so that the system
# font is Wine's "System") and stores its output.  Needs mingw-w64, wine and
# fonts-wine; no display.  Run from the top of the source tree.
set -e
top=$(pwd)
out="$top/build/gdi_ref"
data="$top/tests/data/gdi_ref"
mkdir -p "$out" "$data"
python3 tests/gdi_ref/make_scenes.py > "$data/scenes.txt"
x86_64-w64-mingw32-g++ -O2 -Wall -Wextra -static -o "$out/gdi_ref.exe" \
    tests/gdi_ref/gdi_ref.cpp -lgdi32
export WINEDEBUG=-all WINEARCH=win64 WINEPREFIX="$top/build/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
    wineboot -i
    wineserver -w
fi
cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
cd "$out"
wine gdi_ref.exe "$data/scenes.txt" expected.txt metrics.txt
wineserver -w
cp expected.txt metrics.txt "$data/"
echo "tests/data/gdi_ref updated"
