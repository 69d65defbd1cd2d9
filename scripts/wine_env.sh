# Shared by the scripts that run the Windows programs under Wine (sourced,
# not run): an X server of its own and a prepared Wine prefix.
#
#   xvfb_start LOGFILE [DEPTH] [WxH]
#                               start Xvfb on a free display (DEPTH bits per
#                               pixel, default 24; a screen of WxH pixels,
#                               default 1024x768), export DISPLAY, set
#                               xvfb_pid; returns 1 when it does not start
#   xvfb_stop                   stop that Xvfb
#   wine_prefix_ready PREFIX LOGFILE
#                               export WINEPREFIX and Wine's settings; make the
#                               prefix on first use (wineboot, and Debian's
#                               Wine fonts copied in, which it does not find
#                               itself); returns 1 when wineboot fails

xvfb_pid=""

xvfb_start() {
  local log=$1 depth=${2:-24} size=${3:-1024x768} display_file
  display_file=$(mktemp)
  # Xvfb picks a free display itself and reports it on a file descriptor.
  Xvfb -displayfd 3 -screen 0 "${size}x$depth" -nolisten tcp 3>"$display_file" >"$log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do
    [ -s "$display_file" ] && break
    kill -0 "$xvfb_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$display_file" ]; then
    rm -f "$display_file"
    return 1
  fi
  export DISPLAY=":$(tr -d '[:space:]' <"$display_file")"
  rm -f "$display_file"
}

xvfb_stop() {
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" >/dev/null 2>&1 || true
    wait "$xvfb_pid" 2>/dev/null || true
    xvfb_pid=""
  fi
}

wine_prefix_ready() {
  export WINEPREFIX=$1
  export WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local log=$2
  [ -f "$WINEPREFIX/.voka-ready" ] && return 0
  rm -rf "$WINEPREFIX"
  mkdir -p "$(dirname "$WINEPREFIX")"
  if ! wineboot -i >"$log" 2>&1 || ! wineserver -w; then
    return 1
  fi
  # Without Wine's own fonts dialogs and text come out in other fonts and sizes.
  cp /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
  touch "$WINEPREFIX/.voka-ready"
}

# Sessions of the viewer, for the end-to-end tests and the open benchmark:
#
#   wine_session WORK           Xvfb and the prefix WORK/wineprefix (logs in
#                               WORK/logs), both ended when the script exits;
#                               exits 1 with the log when either fails
#   wine_windows_managed Y|N    whether Wine's windows wait for a window
#                               manager (Wine's default) or not
#   drv ARGS...                 $VOKA_DRIVER under Wine, with --timeout
#                               $VOKA_DRIVER_TIMEOUT when set; a failure is
#                               reported on stderr and returned
#   viewer_run DIR LOG          start $VOKA_VIEWER in DIR (where it keeps its
#                               info file) with no work file left in c:\,
#                               wait until its window is up and idle; sets
#                               viewer_pid
#   viewer_end [SEC]            close the viewer through its window and wait
#                               for it; when it does not close, end Wine and
#                               return the failure

wine_session() {
  local work=$1
  mkdir -p "$work/logs"
  trap wine_session_end EXIT
  trap 'exit 130' INT TERM
  if ! xvfb_start "$work/logs/xvfb.log" 24 "${WINE_SCREEN:-1024x768}"; then
    echo "Xvfb did not start:" >&2
    cat "$work/logs/xvfb.log" >&2
    exit 1
  fi
  if ! wine_prefix_ready "$work/wineprefix" "$work/logs/wineboot.log"; then
    echo "wineboot failed:" >&2
    tail -n 20 "$work/logs/wineboot.log" >&2
    exit 1
  fi
}

wine_session_end() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k; wineserver -w; fi >/dev/null 2>&1 || true
  xvfb_stop
}

wine_windows_managed() {
  if [ "$1" = N ]; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f
  else
    wine reg delete 'HKCU\Software\Wine\X11 Driver' /v Managed /f
  fi >/dev/null 2>&1 || true
  wineserver -w
}

drv() {
  local status=0
  wine "$VOKA_DRIVER" ${VOKA_DRIVER_TIMEOUT:+--timeout "$VOKA_DRIVER_TIMEOUT"} "$@" || status=$?
  [ $status -eq 0 ] || echo "voka_driver $* : status $status" >&2
  return $status
}

viewer_pid=""

viewer_run() {
  mkdir -p "$1"
  rm -f "$WINEPREFIX/drive_c/work.\$\$\$"
  (cd "$1" && exec wine "$VOKA_VIEWER" >"$2" 2>&1) &
  viewer_pid=$!
  drv wait-window 30 + wait-idle 20
}

viewer_end() {
  local status=0
  drv close "${1:-20}" || status=$?
  if [ $status -ne 0 ]; then wineserver -k; wineserver -w; fi >/dev/null 2>&1 || true
  [ -z "$viewer_pid" ] || wait "$viewer_pid" 2>/dev/null || true
  viewer_pid=""
  return $status
}
