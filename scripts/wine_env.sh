# Shared by the scripts that run the Windows programs under Wine (sourced,
# not run): an X server of its own and a prepared Wine prefix.
#
#   xvfb_start LOGFILE [DEPTH]  start Xvfb on a free display (DEPTH bits per
#                               pixel, default 24), export DISPLAY, set
#                               xvfb_pid; returns 1 when it does not start
#   xvfb_stop                   stop that Xvfb
#   wine_prefix_ready PREFIX LOGFILE
#                               export WINEPREFIX and Wine's settings; make the
#                               prefix on first use (wineboot, and Debian's
#                               Wine fonts copied in, which it does not find
#                               itself); returns 1 when wineboot fails

xvfb_pid=""

xvfb_start() {
  local log=$1 depth=${2:-24} display_file
  display_file=$(mktemp)
  # Xvfb picks a free display itself and reports it on a file descriptor.
  Xvfb -displayfd 3 -screen 0 "1024x768x$depth" -nolisten tcp 3>"$display_file" >"$log" 2>&1 &
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
