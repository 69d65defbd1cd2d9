#!/usr/bin/env bash
# The user guide's tool page (docs/guide/tools.html) lists the options of
# vokatool and vokasim as the programs themselves give them: the part
# between the two "generated" markers is their --help, made into HTML here.
# Usage: scripts/guide_tools.sh VOKATOOL VOKASIM [--check]
#   rewrites the page, or with --check (a test) fails when the page differs
#   from what the programs say now.
set -euo pipefail
cd "$(dirname "$0")/.."
tool=$1 sim=$2 page=docs/guide/tools.html
begin='<!-- generated from the programs'"'"' --help by scripts/guide_tools.sh: do not edit -->'
end='<!-- end of the generated part -->'
grep -qxF "$begin" "$page" && grep -qxF "$end" "$page" || { echo "$page: markers missing" >&2; exit 1; }

html() { sed -e 's/&/\&amp;/g' -e 's/</\&lt;/g' -e 's/>/\&gt;/g'; }
generated() {
  echo "$begin"
  echo '<h2>vokatool --help</h2>'
  printf '<pre>%s</pre>\n' "$("$tool" --help | html)"
  echo '<h2>vokasim --help</h2>'
  printf '<pre>%s</pre>\n' "$("$sim" --help | html)"
  echo "$end"
}

new=$(mktemp)
trap 'rm -f "$new"' EXIT
{ sed -n "1,/^$(printf '%s' "$begin" | sed 's/[][\.*^$/]/\\&/g')\$/p" "$page" | sed '$d'
  generated
  sed -n "/^$(printf '%s' "$end" | sed 's/[][\.*^$/]/\\&/g')\$/,\$p" "$page" | sed '1d'
} >"$new"
if [ "${3:-}" = --check ]; then
  diff -u "$page" "$new" || { echo "$page differs from the programs' --help (scripts/guide_tools.sh mends it)" >&2; exit 1; }
else
  cp "$new" "$page"
fi
