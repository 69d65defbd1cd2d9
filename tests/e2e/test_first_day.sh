# The first day of a user who is not an administrator.  Windows lets such a
# user create no file in the root of drive C:; Wine does, so the case runs
# the viewer as another user (nobody) in a prefix of its own whose drive_c
# belongs to root (mode 755), as a standard user meets it.

# The user's prefix, made once by root (wineboot and Wine's fonts), then
# given to nobody except drive_c itself.
user_prefix() {
  USER_PREFIX=$E2E_WORK/userprefix
  if [ ! -f "$USER_PREFIX/.voka-ready" ]; then
    rm -rf "$USER_PREFIX"
    WINEPREFIX=$USER_PREFIX wineboot -i >/dev/null 2>&1 && WINEPREFIX=$USER_PREFIX wineserver -w ||
      skip "wineboot failed for the user's prefix"
    cp /usr/share/wine/fonts/* "$USER_PREFIX/drive_c/windows/Fonts/"
    WINEPREFIX=$USER_PREFIX wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    WINEPREFIX=$USER_PREFIX wineserver -w
    touch "$USER_PREFIX/.voka-ready"
  fi
  # The server folder that root's wineboot left for this prefix (root's
  # own, mode 700) would stop the user's Wine from starting.
  local server
  server=server-$(stat -c %D "$USER_PREFIX")-$(printf %x "$(stat -c %i "$USER_PREFIX")")
  WINEPREFIX=$USER_PREFIX wineserver -k >/dev/null 2>&1 || true
  rm -rf /tmp/wine-*/"$server" "$USER_PREFIX/wineserver"   # the latter names the former
  # The user's profile folders, which root's wineboot made for root only
  # (without a desktop folder the open dialog finds no folder to show).
  local folder
  for folder in Desktop Documents Downloads Music Pictures Videos Templates; do
    mkdir -p "$USER_PREFIX/drive_c/users/nobody/$folder"
  done
  chown -R nobody:nogroup "$USER_PREFIX"
  chown root:root "$USER_PREFIX/drive_c"
  chmod 755 "$USER_PREFIX/drive_c"
}
# The user's Wine started once alone: the viewer and the driver, started
# together, would race to make its server folder.
user_wine_up() { as_user wine reg query 'HKCU\Software\Wine' >/dev/null 2>&1 || true; }
# The user's wineserver ended (root's `wineserver -k` after each case does
# not reach it): one left from an earlier run would serve this one.
user_wine_down() { as_user wineserver -k >/dev/null 2>&1 || true; as_user wineserver -w >/dev/null 2>&1 || true; }

as_user() {
  runuser -u nobody -- env TMPDIR=/tmp HOME="$USER_HOME" WINEPREFIX="$USER_PREFIX" WINEARCH=win64 WINEDEBUG=-all \
    WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$DISPLAY" "$@"
}

# The driver and the viewer as that user (the same wineserver).
user_drv() { as_user wine "$USER_BIN/voka_driver.exe" "$@"; }
user_viewer_start() {
  (cd "$CASE/start" && exec runuser -u nobody -- env TMPDIR=/tmp HOME="$USER_HOME" WINEPREFIX="$USER_PREFIX" \
    WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$DISPLAY" \
    wine "$USER_BIN/vokagraphic.exe" >"$CASE/viewer.log" 2>&1) &
  viewer_pid=$!
  user_drv wait-window 30 + wait-idle 20
}
user_viewer_close() { user_drv close 20; wait "$viewer_pid" 2>/dev/null || true; }

# A first start, without an info file: the picture opens at once, its
# three kinds in three colours, the work file in the user's temporary
# folder, which the window removes when it closes; the info file names that
# folder by its token.  An info file of an earlier version naming c:\ gets
# the box that says which file, why and where to change it.
t_standard_user_first_day() {
  [ "$(id -u)" -eq 0 ] || skip "needs root to run the viewer as another user"
  user_prefix
  trap user_wine_down EXIT   # the user's viewer ended whatever happens
  USER_BIN=$CASE/bin USER_HOME=$CASE/home
  mkdir -p "$USER_BIN" "$CASE/start" "$USER_HOME"
  cp "$VOKA_VIEWER" "$VOKA_DRIVER" "$USER_BIN/"
  PIC_DIR=$(mktemp -d /tmp/vkfdXXXXXX)
  cp "$DATA/standard.pic" "$PIC_DIR/"
  chmod -R a+rX "$PIC_DIR"
  chown -R nobody:nogroup "$CASE"
  chmod 755 "$CASE"
  as_user touch "$USER_PREFIX/drive_c/probe" 2>/dev/null && fail "the user may write into the root of C:"
  user_wine_down
  user_wine_up

  user_viewer_start
  user_drv --timeout 30 command $CMD_OPEN + dialog-open "$PIC_DIR/standard.pic" + wait-idle ||
    { user_drv windows >&2; user_drv close 5 || true; user_wine_down
      fail "the first open"; }
  local boxes
  boxes=$(user_drv message-boxes 1 || true)
  [ -z "$boxes" ] || fail "boxes at the first open: $boxes"
  user_drv capture "$CASE/first.bmp"
  local colour
  for colour in D55E00 56B4E9 F0E442; do
    at_least "$(in_picture first $colour)" 20 "pixels of $colour (the three kinds apart)"
  done
  # The user's temporary folder as the system names it (GetTempPath: the
  # TEMP of the user's environment).
  # As vokatool render draws it without an info file: the same colours and
  # the automatic scale bar on its backing.
  compare_render first "$PIC_DIR/standard.pic"
  local temp
  temp=$(as_user wine cmd /c echo %TEMP% | tr -d '\r')
  temp=$(as_user winepath -u "$temp" | tr -d '\r')
  [ -s "$temp/work.\$\$\$" ] || fail "no work file in the user's temporary folder: $(ls "$temp" 2>&1)"
  user_viewer_close
  [ ! -e "$temp/work.\$\$\$" ] || fail "the work file stayed after the window closed"
  expect_eq "$(dd if="$CASE/start/info.\$\$\$" bs=1 skip=92 count=7 2>/dev/null)" '%TEMP%\' "work directory kept"

  info_write "$CASE/start/info.\$\$\$" 'work_dir=c:\'
  chown nobody:nogroup "$CASE/start/info.\$\$\$"
  user_viewer_start
  user_drv command $CMD_OPEN + dialog-open "$PIC_DIR/standard.pic"
  expect_eq "$(user_drv message-boxes 10 | tr -d '\r' | sed 's/ *$//')" "Error status: work path not found error !!

The work file cannot be created:
c:\\work.\$\$\$
(Permission denied)

The work directory is set in Environment." "box of a work directory the user may not write"
  user_viewer_close
  user_wine_down
  rm -rf "$PIC_DIR"
}
