#!/usr/bin/env bash
# Runs the viewer's main job on a sample picture shipped with the project.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
scripts/build.sh native >/dev/null
sample=$(ls examples/*.pic 2>/dev/null | head -n 1 || true)
[ -n "$sample" ] || sample=tests/data/small.pic
mkdir -p out
echo "== vokatool info $sample"
build/native/vokatool info "$sample"
echo "== vokatool convert $sample --work-dir out/"
build/native/vokatool convert "$sample" --work-dir out/ | head -n 20
