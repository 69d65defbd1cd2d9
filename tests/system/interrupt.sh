#!/usr/bin/env bash
# vokatool interrupted: SIGTERM during render and SIGINT during convert
# leave no work folder, no work file and no partial output behind, and a
# file of the user's named OUT.part, like the old work file, stays as it was;
# what SIGKILL leaves, the next run removes.
# Usage: interrupt.sh VOKATOOL DATA
set -u
tool=$1 data=$2
dir=$(mktemp -d /tmp/vkint.XXXXXX)
trap 'rm -rf "$dir"' EXIT
cd "$dir" || exit 1
mkdir tmp
export TMPDIR=$dir/tmp
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
# Three million steps: seconds of work, a work file of 120 MB.
{ head -n 7 "$data/small.pic"; echo "0    1"; yes 250000500005000010000 | head -n 3000000; } >big.pic
echo mine >out.bmp.part
echo old >'work.$$$'

# interrupt SIGNAL FILE ARGS...: start vokatool, send SIGNAL once FILE has
# grown past a megabyte, and check that the run was still going then.
interrupt() {
  local signal=$1 file=$2; shift 2
  # A background job starts with SIGINT ignored; Ctrl-C reaches a
  # foreground run with it in place.
  python3 -c 'import os, signal, sys
signal.signal(signal.SIGINT, signal.SIG_DFL)
os.execv(sys.argv[1], sys.argv[1:])' "$tool" "$@" >/dev/null 2>err.txt &
  local pid=$!
  for _ in $(seq 1 200); do
    # shellcheck disable=SC2086
    [ -n "$(find $file -size +1M 2>/dev/null)" ] && break
    sleep 0.05
  done
  kill -0 "$pid" 2>/dev/null || { fail "$*: finished before the signal"; return; }
  kill "-$signal" "$pid"
  wait "$pid" && fail "$*: exit status 0 after SIG$signal"
}
interrupt TERM "tmp/*/work.\$\$\$" render big.pic -o out.bmp
[ -z "$(ls -A tmp)" ] || fail "render left in TMPDIR: $(ls -A tmp)"
interrupt INT "work.\$\$\$.*.part" convert big.pic
"$tool" render "$data/small.pic" -o out.bmp >/dev/null || fail "render of small.pic"
[ "$(cat out.bmp.part)" = mine ] || fail "the user's out.bmp.part changed"
[ "$(cat 'work.$$$')" = old ] || fail "the old work file changed"
left=$(ls -A | grep -v -x -F -e big.pic -e err.txt -e tmp -e out.bmp.part -e out.bmp -e 'work.$$$')
[ -z "$left" ] || fail "left behind: $left"

# SIGKILL leaves the private folder and the part file; the next run that
# uses the same folder or output removes them, but not those of a process
# that still runs (this shell's).
interrupt KILL "tmp/*/work.\$\$\$" render big.pic -o out.bmp
[ -n "$(ls -A tmp)" ] || fail "no private folder after SIGKILL"
interrupt KILL "work.\$\$\$.*.part" convert big.pic
ls ./work.\$\$\$.*.part >/dev/null 2>&1 || fail "no part file after SIGKILL"
mkdir "tmp/vokatool-$$-1"
echo live >"work.\$\$\$.$$-abcdef.part"
"$tool" render "$data/small.pic" -o out.bmp >/dev/null || fail "render after SIGKILL"
"$tool" convert "$data/small.pic" >/dev/null || fail "convert after SIGKILL"
[ "$(ls -A tmp)" = "vokatool-$$-1" ] || fail "private folders after the next run: $(ls -A tmp)"
[ "$(ls ./work.\$\$\$.*.part)" = "./work.\$\$\$.$$-abcdef.part" ] || fail "part files after the next run: $(ls ./*.part)"
[ $failures -eq 0 ] && echo "ok: nothing left behind after SIGTERM, SIGINT and SIGKILL" || exit 1
