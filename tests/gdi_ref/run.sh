#!/usr/bin/env bash
# Records the GDI reference drawings in tests/data/gdi_ref again: builds
# voka_gdi_ref.exe (scripts/build.sh win), runs it under Wine on the scene
# script scenes.txt (edited by hand) and stores expected.txt and metrics.txt.
# Its Wine prefix (build/gdi_ref/wineprefix) has Wine's own fonts, so that
# the system font is Wine's "System"; no display is needed.
set -euo pipefail
cd "$(dirname "$0")/../.."
data=$PWD/tests/data/gdi_ref
out=$PWD/build/gdi_ref
mkdir -p "$out"
scripts/build.sh win >"$out/build.log" 2>&1 || { tail -n 20 "$out/build.log"; exit 1; }
# shellcheck source=../../scripts/wine_env.sh
. scripts/wine_env.sh
wine_prefix_ready "$out/wineprefix" "$out/wineboot.log" || { tail -n 20 "$out/wineboot.log"; exit 1; }
exe=$PWD/build/win/voka_gdi_ref.exe
(cd "$out" && wine "$exe" "$data/scenes.txt" expected.txt metrics.txt)
wineserver -w
cp "$out/expected.txt" "$out/metrics.txt" "$data/"
echo "tests/data/gdi_ref updated"
