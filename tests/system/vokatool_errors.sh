#!/usr/bin/env bash
# vokatool render: every failure says why and exits non-zero, nothing is
# left in or overwritten in the current directory, OUT stays as it was;
# lines left out are listed, and refused under --strict; an output that is
# an input is refused, and a device, link or FIFO is written through.
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
expect_fail "geometry line over the reader's buffer" "long_line.geo:4: malformed geometry section: a line longer" render small.pic -o out.bmp --geometry long_line.geo
printf 'GSTA\nXXXX\n' >kind.geo
expect_fail "geometry of an unknown kind" "kind.geo:2: malformed geometry section: a kind line" render small.pic -o out.bmp --geometry kind.geo
expect_fail "same in convert" "input file read error" convert long_line.geo
# info gives each refused file's own reason, never a stale "No such file".
: >empty.pic
printf 'text\n' >text.pic
expect_fail "info of an empty file" "empty.pic: the file is empty" info empty.pic
expect_fail "info of a text file" "text.pic:1: the geometry section" info text.pic
expect_fail "info of a folder" ": Is a directory" info strict
for f in empty.pic text.pic; do
  "$tool" info $f 2>&1 | grep -q "No such file" && { echo "FAIL: info $f: a stale reason"; failures=$((failures + 1)); }
done
expect_fail "output in a missing folder" "no/x.bmp: cannot be written: No such file or directory" render small.pic -o no/x.bmp
grep -q part err.txt && { echo "FAIL: the part file named: $(cat err.txt)"; failures=$((failures + 1)); }

# An output that is one of the inputs is refused before anything is
# written, whatever name or link leads to it; an existing output that is no
# plain file is written through (a link: its target replaced).
python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("<iii", 1, 2, 0) + struct.pack("<8d", 0, 0, 0, 1, 1, 0, 0, 1))' >a.ptracks
cp small.pic 'strict/work.$$$'
ln -s small.pic to_small.bmp
echo info >info.bmp
W='strict/work.$$$'
for run in 'import a.ptracks -o a.ptracks' 'render small.pic -o to_small.bmp' 'render small.pic -o info.bmp --info info.bmp' \
  'convert "$W" --work-dir strict/' 'render small.pic -o x.bmp --work-dir strict/ --info "$W"'; do
  eval expect_fail "'$run'" "'is the input'" "$run"
done
cmp -s small.pic 'strict/work.$$$' && cmp -s small.pic "$data/small.pic" && [ "$(cat info.bmp)" = info ] &&
  [ "$(head -c 4 a.ptracks | od -An -t d4 | tr -d ' ')" = 1 ] || { echo "FAIL: an input written over"; failures=$((failures + 1)); }
rm 'strict/work.$$$'
ln -s /dev/null null.bmp
ln -s /dev/full full.pdf
echo before >target.bmp
ln -s target.bmp link.bmp
mkfifo fifo.bmp
"$tool" import a.ptracks -o /dev/null >/dev/null 2>err.txt || { echo "FAIL: import to /dev/null: $(cat err.txt)"; failures=$((failures + 1)); }
"$tool" render small.pic -o null.bmp >/dev/null 2>err.txt || { echo "FAIL: render to a link to /dev/null: $(cat err.txt)"; failures=$((failures + 1)); }
"$tool" render small.pic -o link.bmp >/dev/null 2>err.txt || { echo "FAIL: render to a link: $(cat err.txt)"; failures=$((failures + 1)); }
expect_fail "a link to /dev/full" "full.pdf: cannot be written: No space left on device" render small.pic -o full.pdf
timeout 20 cat fifo.bmp >from_fifo.txt &
timeout 20 "$tool" render small.pic -o fifo.bmp >/dev/null 2>err.txt || { echo "FAIL: render to a FIFO: $(cat err.txt)"; failures=$((failures + 1)); }
wait
[ -c /dev/null ] && [ -L null.bmp ] && [ -L full.pdf ] && [ -L link.bmp ] && [ -p fifo.bmp ] &&
  [ "$(head -c 2 target.bmp)" = BM ] && [ "$(head -c 2 from_fifo.txt)" = BM ] ||
  { echo "FAIL: a device, link or FIFO replaced:"; ls -l /dev/null null.bmp full.pdf link.bmp target.bmp fifo.bmp; failures=$((failures + 1)); }
[ "$(cat out.bmp)" = old ] || { echo "FAIL: out.bmp overwritten by a failed run"; failures=$((failures + 1)); }
TMPDIR=$dir/$(dirname "$long") "$tool" render small.pic -o good.bmp >/dev/null || { echo "FAIL: render of small.pic"; failures=$((failures + 1)); }
TMPDIR=$dir/$(dirname "$long") "$tool" render a.ptracks -o good_tracks.bmp >/dev/null 2>err.txt || { echo "FAIL: render of a track file with a long TMPDIR: $(cat err.txt)"; failures=$((failures + 1)); }
[ "$(cat 'work.$$$')" = keep ] || { echo "FAIL: work.\$\$\$ of the current directory overwritten"; failures=$((failures + 1)); }
left=$(find . -mindepth 1 -maxdepth 1 -newer out.bmp ! -name '*.txt' ! -name '*.bmp' ! -name strict ! -name '*.pic' ! -name '*.geo' ! -name 'd*' ! -name a.ptracks ! -name full.pdf)
[ -z "$left" ] || { echo "FAIL: left behind: $left"; failures=$((failures + 1)); }
[ $failures -eq 0 ] && echo "ok: every failure reported" || exit 1
