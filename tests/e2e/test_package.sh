# The installer of scripts/package.sh under Wine: a silent install puts the
# programs, the guide and the samples under Program Files, the samples also
# into the user's folder, a Start-menu shortcut and the Add/Remove Programs
# entry; the viewer started through the shortcut opens a sample and writes
# its info file into the shortcut's start-in folder; a silent uninstall
# removes the programs, the shortcut and the entry, and leaves the user's
# folder.  Skipped when the installer has not been built.
t_install_start_uninstall() {
  local setup
  setup=$(ls "$PWD"/out/packages/vokagraphic-*-win64-setup.exe 2>/dev/null | head -n 1)
  [ -n "$setup" ] || skip "no installer in out/packages (scripts/package.sh)"
  local c=$WINEPREFIX/drive_c
  local program="$c/Program Files/VOKA Graphic" user="$c/users/$(id -un)/AppData/Roaming"
  local folder="$user/VOKA Graphic" link="$user/Microsoft/Windows/Start Menu/Programs/VOKA Graphic.lnk"
  local key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\VOKA Graphic'
  # What an earlier run may have left in the shared prefix.
  rm -rf "$folder" "$program" "$link"
  wine reg delete "$key" /f >/dev/null 2>&1 || true
  wine "$setup" /S
  wineserver -w
  for f in vokagraphic.exe vokatool.exe vokasim.exe uninstall.exe LICENSE.txt guide/index.html \
           examples/electrons_water.pic; do
    [ -f "$program/$f" ] || fail "not installed: $f"
  done
  [ -f "$link" ] || fail "no Start-menu shortcut"
  [ -f "$folder/electrons_water.pic" ] || fail "no samples in the user's folder"
  wine reg query "$key" /v UninstallString >/dev/null 2>&1 || fail "no Add/Remove Programs entry"

  # Started as the shortcut starts it: its target in its start-in folder.
  wine start "$(winepath -w "$link")" >/dev/null 2>&1
  drv wait-window 30 + wait-idle 20
  open_picture "$(winepath -w "$folder/electrons_water.pic")"
  snap installed
  at_least "$(in_picture installed "$WHITE")" 500 "track pixels of the sample"
  viewer_close
  [ -f "$folder/info.\$\$\$" ] || fail "no info file in the start-in folder"

  wine "$program/uninstall.exe" /S
  wineserver -w
  [ ! -e "$program" ] || fail "left in Program Files: $(ls -A "$program")"
  [ ! -e "$link" ] || fail "shortcut left"
  ! wine reg query "$key" >/dev/null 2>&1 || fail "Add/Remove Programs entry left"
  [ -f "$folder/info.\$\$\$" ] || fail "the user's folder was removed"
}
