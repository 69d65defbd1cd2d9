#!/usr/bin/env bash
# Runs the viewer.  With a reachable X display: builds the Windows program,
# prepares a Wine prefix in build/wineprefix and starts vokagraphic.exe under
# Wine in out/viewer/, a folder holding the sample pictures (Data File Open
# shows them; the viewer keeps its info file there).  Without a display:
# renders a sample picture headlessly into out/sample.bmp instead.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

display_reachable() {
  [ -n "${DISPLAY:-}" ] && command -v xdpyinfo >/dev/null 2>&1 && xdpyinfo >/dev/null 2>&1
}

sample_pictures() {
  ls examples/*.pic tests/data/*.pic 2>/dev/null || true
}

headless() {
  echo "No reachable X display (DISPLAY=${DISPLAY:-unset}): the window cannot be shown."
  echo "Rendering a sample picture headlessly instead."
  scripts/build.sh native >/dev/null
  sample=$(sample_pictures | head -n 1 || true)
  if [ -z "$sample" ]; then
    echo "no sample picture found in examples/ or tests/data/" >&2
    exit 1
  fi
  mkdir -p out
  if ! build/native/vokatool render "$sample" -o out/sample.bmp; then
    echo "vokatool render failed" >&2
    exit 1
  fi
  echo "Picture of $sample written to $root/out/sample.bmp"
}

scripts/deps.sh build
if [ -n "${DISPLAY:-}" ]; then
  scripts/deps.sh run
fi
if ! display_reachable; then
  headless
  exit 0
fi

scripts/build.sh win >/dev/null
exe=build/win/app/vokagraphic.exe
[ -f "$exe" ] || { echo "$exe was not built" >&2; exit 1; }

. scripts/wine_env.sh
if [ ! -f "$root/build/wineprefix/.voka-ready" ]; then
  echo "Creating the Wine prefix $root/build/wineprefix (first start only, about 15 s)"
fi
wine_prefix_ready "$root/build/wineprefix" "$root/build/wineboot.log" ||
  { echo "wineboot failed; see build/wineboot.log" >&2; exit 1; }

mkdir -p out/viewer
sample_pictures | while read -r f; do cp -p "$f" out/viewer/; done
echo "Starting the viewer in $root/out/viewer (File > Data File Open lists the sample pictures)"
cd out/viewer
exec wine "$root/$exe"
