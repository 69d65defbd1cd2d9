# vokatool.exe interrupted by Ctrl-C: Wine hands a SIGINT of the process to
# it as the console's Ctrl-C event, as Windows does for Ctrl-C in a console.
# Its private work folder and its partial output are removed, the run ends
# with STATUS_CONTROL_C_EXIT (its low byte: 58), and an older output stays.
t_windows_tool_interrupted() {
  local tool=$PWD/build/win/vokatool.exe temp
  temp="$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')")"
  { head -n 7 tests/data/small.pic; echo "0    1"
    awk 'BEGIN { for (i = 0; i < 3000000; i++) print "250000500005000010000" }'; } >"$CASE/big.pic"
  echo old >"$CASE/big.bmp"
  rm -rf "$temp"/vokatool-*   # left by an earlier run in the shared prefix
  (cd "$CASE" && exec wine "$tool" render big.pic -o big.bmp) >"$CASE/out.txt" 2>&1 &
  local pid=$! work="" _
  for _ in $(seq 1 200); do
    work=$(find "$temp" -path '*vokatool-*' -name 'work.$$$' -size +1M 2>/dev/null | head -n 1)
    [ -n "$work" ] && break
    sleep 0.05
  done
  [ -n "$work" ] || fail "no work file grew in $temp"
  local exe
  exe=$(pgrep -f "vokatool.exe render big.pic" | head -n 1)
  [ -n "$exe" ] || fail "vokatool.exe ended before the interrupt"
  kill -INT "$exe"
  local status=0
  wait "$pid" || status=$?
  expect_eq "$status" 58 "exit status after Ctrl-C"
  [ ! -e "$(dirname "$work")" ] || fail "work folder left: $(dirname "$work")"
  expect_eq "$(ls "$CASE" | tr '\n' ' ')" "big.bmp big.pic out.txt " "files of the case"
  expect_eq "$(cat "$CASE/big.bmp")" old "the older output"
}

# vokatool.exe writes through a device name (NUL) instead of replacing it,
# and refuses an output that is its input under another name (the same
# file index).
t_windows_tool_device_and_input() {
  local tool=$PWD/build/win/vokatool.exe
  python3 -c 'import struct, sys
sys.stdout.buffer.write(struct.pack("<iii", 1, 2, 0) + struct.pack("<8d", 0, 0, 0, 1, 1, 0, 0, 1))' >"$CASE/t.ptracks"
  cp "$CASE/t.ptracks" "$CASE/before"
  (cd "$CASE" && wine "$tool" import t.ptracks -o NUL) >"$CASE/out.txt" 2>&1 || fail "import to NUL: $(cat "$CASE/out.txt")"
  (cd "$CASE" && wine "$tool" import t.ptracks -o T.PTRACKS) >"$CASE/out.txt" 2>&1 && fail "the input written over"
  grep -q "is the input" "$CASE/out.txt" || fail "refusal: $(cat "$CASE/out.txt")"
  cmp -s "$CASE/t.ptracks" "$CASE/before" || fail "the track file changed"
  expect_eq "$(ls "$CASE" | tr '\n' ' ')" "before out.txt t.ptracks " "files of the case"
}
