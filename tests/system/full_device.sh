#!/usr/bin/env bash
# A work directory on a device that fills up: the conversion must report
# "work file device not spase !!" with the system's reason and fail,
# leaving nothing on the device.
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
