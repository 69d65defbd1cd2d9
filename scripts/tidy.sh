#!/usr/bin/env bash
# clang-tidy on the portable core and the command-line tools, with the checks
# of .clang-tidy, over the compile commands of the native build (made by
# scripts/build.sh native).  Exits non-zero on any finding.
set -euo pipefail
cd "$(dirname "$0")/.."
[ -f build/native/compile_commands.json ] || scripts/build.sh native >/dev/null
files=$(git ls-files 'picture/*.cpp' 'render/*.cpp' 'output/*.cpp' 'tools/*.cpp' \
          'tools/*/*.cpp' | grep -v -e render/gdi_surface.cpp -e tools/fontgen |
        while read -r f; do grep -q "\"file\": \".*/$f\"" build/native/compile_commands.json && echo "$f"; done)
printf '%s\n' $files | xargs -P "${JOBS:-2}" -n 4 clang-tidy -p build/native --quiet 2>/dev/null
echo "clang-tidy: $(echo $files | wc -w) files, no findings"
