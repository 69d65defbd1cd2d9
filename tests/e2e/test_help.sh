# Help hands the user guide beside the program to the web browser.  Wine's
# ShellExecute, as Windows', opens a page with the program that the registry
# names for .html; a stand-in browser recording its argument takes that
# place here, so that no browser of the machine is started.
t_help_opens_guide_in_browser() {
  local record=$CASE/browser.txt
  wine reg add 'HKCR\.html' /ve /d VokaTestPage /f >/dev/null 2>&1
  wine reg add 'HKCR\VokaTestPage\shell\open\command' /ve \
    /d "cmd.exe /c echo %1> $(winepath -w "$record")" /f >/dev/null 2>&1
  viewer_start
  drv command 211 + wait-idle
  for _ in $(seq 1 100); do [ -s "$record" ] && break; sleep 0.1; done
  [ -s "$record" ] || fail "Help started no browser"
  grep -qi 'guide\\index.html' "$record" || fail "the browser got: $(cat "$record")"
  viewer_close
}

# Without a browser (Wine's winebrowser, with none behind it, counts as
# none), Help answers with a box that names the guide's full path.
t_help_without_browser_names_the_guide() {
  wine reg delete 'HKCR\.html' /f >/dev/null 2>&1 || true
  viewer_start
  local guide
  guide=$(winepath -w "$(dirname "$VOKA_VIEWER")/guide/index.html")
  drv command 211
  expect_eq "$(drv message-boxes 10 | tr -d '\r' | sed 's/ *$//')" "VOKA Graphic for Win32 V1.00: No web browser opens the user guide.  It is at
$guide

Open it in a web browser." "Help's box"
  viewer_close
}
