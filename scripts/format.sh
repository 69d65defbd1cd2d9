#!/usr/bin/env bash
# The C++ sources in the style of .clang-format: scripts/format.sh rewrites
# them, scripts/format.sh --check (the test command) lists the files that
# differ and fails.  render/font_data.cpp is generated (tools/fontgen).
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v -x 'render/font_data.cpp')
if [ "${1:-}" = --check ]; then
  differ=$(clang-format --dry-run --Werror "${files[@]}" 2>&1 | grep -o '^[^:]*:' | sort -u | sed 's/:$//' || true)
  if [ -n "$differ" ]; then
    echo "clang-format: not in the style of .clang-format (scripts/format.sh mends them):"
    echo "$differ"
    exit 1
  fi
  echo "clang-format: ${#files[@]} files in style"
else
  clang-format -i "${files[@]}"
fi
