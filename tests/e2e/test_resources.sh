# The window's resources over a long session: 200 rebuilds must not grow the
# viewer's GDI objects, USER objects or memory.

# The viewer's resident memory in KB, from its Unix process (the Wine
# process whose command line names the viewer).
viewer_rss() {
  local pid
  pid=$(pgrep -f "$(basename "$VOKA_VIEWER")" | head -n 1)
  [ -n "$pid" ] || fail "viewer process not found"
  awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"
}

# One measure: "gdi N user N rss N".
measure() { echo "$(drv resources) rss $(viewer_rss)"; }

# Rotations, Expand with a rectangle and Normal, resizes and Geometry Hide:
# each a rebuild of the picture.
session_round() {
  local w=$((640 + $1 % 3 * 40)) h=$((410 + $1 % 2 * 30))
  drv command $CMD_X_PLUS + wait-idle + command $CMD_Y_MINUS + wait-idle \
    + command $CMD_EXPAND + drag 100 100 300 250 + wait-idle + command $CMD_NORMAL + wait-idle \
    + resize $w $h + wait-idle + command $CMD_GEOMETRY_HIDE + wait-idle \
    + command $CMD_GEOMETRY_HIDE + wait-idle
  # Every seventh round each settings dialog is opened and cancelled.
  [ $(($1 % 7)) -eq 0 ] || return 0
  local dialog
  for dialog in "205 Environment" "206 Batch change" "209 Title set" "210 Particle picture"; do
    drv wait-idle + command "${dialog%% *}" + dialog-wait "${dialog#* }"
    drv --title "${dialog#* }" button 2 + wait-gone "${dialog#* }"
  done
  drv wait-idle
}

t_no_growth_over_200_rebuilds() {
  viewer_with_picture "$DATA/many_tracks.pic"
  # A warm-up round: caches of the window system fill once.
  session_round 0
  local before after
  before=$(measure)
  # 28 rounds of 7 rebuilds, after the warm-up's 7: 203 rebuilds in all.
  for i in $(seq 1 28); do session_round "$i"; done
  after=$(measure)
  echo "before: $before"
  echo "after:  $after"
  read -r _ gdi0 _ user0 _ rss0 <<<"$before"
  read -r _ gdi1 _ user1 _ rss1 <<<"$after"
  [ "$gdi1" -le $((gdi0 + 5)) ] || fail "GDI objects grew from $gdi0 to $gdi1"
  [ "$user1" -le $((user0 + 2)) ] || fail "USER objects grew from $user0 to $user1"
  [ "$rss1" -le $((rss0 + 4096)) ] || fail "memory grew from $rss0 KB to $rss1 KB"
  viewer_close
}
