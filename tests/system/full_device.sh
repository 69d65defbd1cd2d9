#!/usr/bin/env bash
# A work directory on a device that fills up: the conversion must report
# "work file device not spase !!" with the system's reason and fail,
# leaving nothing on the device; and no output of render or import replaces
# a file of the device when the device is full.
# Needs root for a small tmpfs; skipped (77) otherwise.
set -u
tool=$1 data=$2
[ "$(id -u)" -eq 0 ] || { echo "not root: skipped"; exit 77; }
dir=$(mktemp -d /tmp/vkfull.XXXXXX)
trap 'umount "$dir/dev" 2>/dev/null; rm -rf "$dir"' EXIT
mkdir "$dir/dev"
mount -t tmpfs -o size=64k tmpfs "$dir/dev" 2>/dev/null || { echo "cannot mount a tmpfs here: skipped"; exit 77; }
# A picture of 10000 steps: 400000 bytes of records, far more than 64 KB.
{ head -n 7 "$data/small.pic"; echo "0    1"; yes 250000500005000010000 | head -n 10000; } >"$dir/big.pic"
cd "$dir"
out=$("$tool" convert big.pic --work-dir dev/ 2>&1)
status=$?
echo "$out"
[ $status -ne 0 ] || { echo "FAIL: conversion succeeded on a full device"; exit 1; }
echo "$out" | grep -q "Error status: work file device not spase !!" ||
  { echo "FAIL: message 9 not shown"; exit 1; }
echo "$out" | grep -q "dev/work.\$\$\$: .*: No space left on device" ||
  { echo "FAIL: the file and the system's reason not named"; exit 1; }
left=$(ls -A dev)
[ -z "$left" ] || { echo "FAIL: left on the device: $left"; exit 1; }
echo "ok: full device reported, nothing left behind"

# Every output format on a full device: the old file stays whole, the run
# fails with the system's reason, and no part file is left.  A track file
# to import, and the device filled to its last page.
python3 -c 'import struct, sys
v = b"".join(struct.pack("<4d", i, 0, 0, 1.0) for i in range(2000))
sys.stdout.buffer.write(struct.pack("<iii", 1, 2000, 0) + v)' >t.ptracks
outputs="out.bmp out.png out.svg out.pdf out.pic"
for f in $outputs; do echo old >"dev/$f"; done
dd if=/dev/zero of=dev/filler bs=4k >/dev/null 2>&1
failures=0
for f in $outputs; do
  case $f in
    *.pic) run=(import t.ptracks -o "dev/$f") ;;
    *) run=(render big.pic -o "dev/$f") ;;
  esac
  if "$tool" "${run[@]}" >/dev/null 2>err.txt; then
    echo "FAIL: $f: written on a full device"; failures=$((failures + 1))
  elif ! grep -q "dev/$f: cannot be .*: No space left on device" err.txt; then
    echo "FAIL: $f: no reason given:"; cat err.txt; failures=$((failures + 1))
  fi
  [ "$(cat "dev/$f")" = old ] || { echo "FAIL: $f: the old file replaced"; failures=$((failures + 1)); }
done
rm dev/filler
left=$(ls -A dev | grep -v -x -F -e out.bmp -e out.png -e out.svg -e out.pdf -e out.pic)
[ -z "$left" ] || { echo "FAIL: left on the device: $left"; failures=$((failures + 1)); }
[ $failures -eq 0 ] || exit 1
echo "ok: no output replaced the old file on a full device"
