# The driver itself, against the stand-in window (build/win/voka_standin.exe).

standin_start() {
  mkdir -p "$CASE/start"
  (cd "$CASE/start" && exec wine "$E2E_ROOT/build/win/voka_standin.exe" >"$CASE/standin.log" 2>&1) &
  drv wait-window 30 + wait-idle 20
}

t_standin_dialogs() {
  standin_start
  pic_standard >"$CASE/a.pic"
  drv command $CMD_OPEN + dialog-open "$CASE/a.pic" + wait-idle + capture "$CASE/a.bmp"
  [ "$(bmpcheck count "$CASE/a.bmp" 5 5 480 350 FFFFFF)" -gt 100 ] || fail "no line drawn"
  drv button $CMD_CALC + wait-idle + check $CMD_CALC | grep -qx 1 || fail "CALC not checked"
  drv command $CMD_REDRAW
  expect_eq "$(drv message-box "Error status")" "Not Selected Redraw File." "message"
  drv wait-idle + close
}
