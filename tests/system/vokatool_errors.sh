#!/usr/bin/env bash
# vokatool render: every failure says why and exits non-zero, nothing is
# left in or overwritten in the current directory, OUT stays as it was;
# lines left out are listed, and refused under --strict.
# Usage: vokatool_errors.sh VOKATOOL DATA
set -u
tool=$1 data=$2
dir=$(mktemp -d /tmp/vkerr.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
echo keep >'work.$$$'
echo old >out.bmp
failures=0
# expect_fail WHAT PATTERN ARGS...: non-zero exit and PATTERN on stderr.
expect_fail() {
  local what=$1 pattern=$2; shift 2
  if "$tool" "$@" >/dev/null 2>err.txt; then
    echo "FAIL: $what: exit status 0"; failures=$((failures + 1))
  elif ! grep -q "$pattern" err.txt; then
    echo "FAIL: $what: no '$pattern' in:"; cat err.txt; failures=$((failures + 1))
  fi
}
head='        -1         1        -1         1        -1         1         1'
printf 'GSTA\nGEND\n' >geometry_only.pic
printf 'GSTA\nGEND\n%s\n0    1\n2nan  500005000012343\n2 inf 500005000012343\n250000500005000012343\n0    0\n250000500005000012343\n' "$head" >damaged.pic
printf 'GSTA\nGEND\n%s\n0    1\n250000500005000012343\n' "${head//1/0}" >flat.pic
long=$(printf 'd%.0s' $(seq 1 250))
mkdir -p "$long"
long=$long/../small.pic
cp "$data/small.pic" .
expect_fail "path over 255 characters" "longer than 255" render "$long" -o out.bmp
expect_fail "info file that is a directory" "cannot read info file" render small.pic -o out.bmp --info .
expect_fail "nothing after the geometry" "nothing after the geometry section" render geometry_only.pic -o out.bmp
expect_fail "scene without extent" "Cmtodot err" render flat.pic -o out.bmp
# Lines that cannot be read are left out and listed, one kind to a line
# (status 0); under --strict nothing is written (status 3).
left_out="damaged.pic:5: a field that is not a number (and 1 more line)
damaged.pic:8: a batch number outside 1..10000
damaged.pic:9: a step in a batch outside 1..10000"
"$tool" render damaged.pic -o good_damaged.bmp >/dev/null 2>err.txt
[ $? -eq 0 ] && [ "$(cat err.txt)" = "$left_out" ] || { echo "FAIL: lines left out by render:"; cat err.txt; failures=$((failures + 1)); }
mkdir strict
for run in "render damaged.pic -o out.bmp" "convert damaged.pic --work-dir strict/"; do
  # shellcheck disable=SC2086
  "$tool" $run --strict >/dev/null 2>err.txt
  status=$?
  [ $status -eq 3 ] && [ "$(cat err.txt)" = "$left_out" ] || { echo "FAIL: $run --strict: status $status"; cat err.txt; failures=$((failures + 1)); }
done
[ -z "$(ls strict)" ] || { echo "FAIL: convert --strict left a work file"; failures=$((failures + 1)); }
"$tool" info damaged.pic 2>/dev/null | grep -q "2: a field that is not a number, the first at line 5" ||
  { echo "FAIL: info does not list the lines left out"; failures=$((failures + 1)); }
{ printf 'GSTA\nCYLS\n     1     2\n%01100d\n' 1; printf '%15s%15s\nGEND\n' 0.0 1.0; } >long_line.geo
expect_fail "geometry line over the reader's buffer" "malformed geometry" render small.pic -o out.bmp --geometry long_line.geo
expect_fail "same in convert" "input file read error" convert long_line.geo
[ "$(cat out.bmp)" = old ] || { echo "FAIL: out.bmp overwritten by a failed run"; failures=$((failures + 1)); }
TMPDIR=$dir/$(dirname "$long") "$tool" render small.pic -o good.bmp >/dev/null || { echo "FAIL: render of small.pic"; failures=$((failures + 1)); }
[ "$(cat 'work.$$$')" = keep ] || { echo "FAIL: work.\$\$\$ of the current directory overwritten"; failures=$((failures + 1)); }
left=$(find . -mindepth 1 -maxdepth 1 -newer out.bmp ! -name err.txt ! -name 'good*.bmp' ! -name strict ! -name small.pic ! -name '*.pic' ! -name '*.geo' ! -name 'd*')
[ -z "$left" ] || { echo "FAIL: left behind: $left"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "ok: every failure reported" || exit 1
