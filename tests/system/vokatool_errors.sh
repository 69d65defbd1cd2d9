#!/usr/bin/env bash
# vokatool render: every failure says why and exits non-zero, nothing is
# left in or overwritten in the current directory, OUT stays as it was.
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
printf 'GSTA\nGEND\n%s\n0    1\n2nan  500005000012343\n250000500005000012343\n' "$head" >nan.pic
printf 'GSTA\nGEND\n%s\n0    1\n250000500005000012343\n' "${head//1/0}" >flat.pic
long=$(printf 'd%.0s' $(seq 1 250))
mkdir -p "$long"
long=$long/../small.pic
cp "$data/small.pic" .
expect_fail "path over 255 characters" "longer than 255" render "$long" -o out.bmp
expect_fail "info file that is a directory" "cannot read info file" render small.pic -o out.bmp --info .
expect_fail "nothing after the geometry" "nothing after the geometry section" render geometry_only.pic -o out.bmp
expect_fail "unreadable step line" "line 5: a number that is not finite" render nan.pic -o out.bmp
expect_fail "scene without extent" "Cmtodot err" render flat.pic -o out.bmp
expect_fail "unreadable line in info" "line 5" info nan.pic
{ printf 'GSTA\nCYLS\n     1     2\n%01100d\n' 1; printf '%15s%15s\nGEND\n' 0.0 1.0; } >long_line.geo
expect_fail "geometry line over the reader's buffer" "malformed geometry" render small.pic -o out.bmp --geometry long_line.geo
expect_fail "same in convert" "input file read error" convert long_line.geo
[ "$(cat out.bmp)" = old ] || { echo "FAIL: out.bmp overwritten by a failed run"; failures=$((failures + 1)); }
TMPDIR=$dir/$(dirname "$long") "$tool" render small.pic -o good.bmp >/dev/null || { echo "FAIL: render of small.pic"; failures=$((failures + 1)); }
[ "$(cat 'work.$$$')" = keep ] || { echo "FAIL: work.\$\$\$ of the current directory overwritten"; failures=$((failures + 1)); }
left=$(find . -mindepth 1 -maxdepth 1 -newer out.bmp ! -name err.txt ! -name good.bmp ! -name small.pic ! -name '*.pic' ! -name '*.geo' ! -name 'd*')
[ -z "$left" ] || { echo "FAIL: left behind: $left"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "ok: every failure reported" || exit 1
