# Shared by the scripts that print from the viewer under Wine (sourced, not
# run): a CUPS server of their own with one PDF printer as its default, so
# that printing touches no printer of the machine and no other user's jobs.
#
#   printer_start DIR   start cupsd with its configuration, spool and logs in
#                       DIR, add the printer $PRINTER_NAME (cups-pdf, writing
#                       a PDF file per job into DIR/pdf) and make it the
#                       default; export CUPS_SERVER, which Wine and lp
#                       follow, and PRINTER_PDF_DIR.  Start Wine programs
#                       only afterwards: Wine takes the printers over from
#                       CUPS when a program starts.  Needs root (cups-pdf
#                       reads its configuration from /etc/cups); returns 1
#                       when the printer cannot be had
#   printer_stop        stop that cupsd and remove its cups-pdf configuration
#
# The name is longer than the 32 characters that a device mode holds: a
# program that takes the printer's name from there cannot open it.
PRINTER_NAME=VOKA_Graphic_test_printer_with_a_long_name
printer_pid=""
printer_conf=""

printer_start() {
  local dir=$1
  [ "$(id -u)" -eq 0 ] && command -v cupsd >/dev/null && command -v lpadmin >/dev/null &&
    [ -x /usr/lib/cups/backend/cups-pdf ] || return 1
  rm -rf "$dir"
  mkdir -p "$dir/conf" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log" "$dir/tmp" "$dir/pdf"
  chmod 755 "$dir" "$dir/conf" "$dir/spool" "$dir/cache" "$dir/state" "$dir/log"
  chmod 1777 "$dir/tmp"
  chmod 777 "$dir/pdf"
  cat >"$dir/conf/cups-files.conf" <<EOF
SystemGroup root
ServerRoot $dir/conf
RequestRoot $dir/spool
CacheDir $dir/cache
StateDir $dir/state
TempDir $dir/tmp
AccessLog $dir/log/access_log
ErrorLog $dir/log/error_log
PageLog $dir/log/page_log
Printcap $dir/printcap
EOF
  cat >"$dir/conf/cupsd.conf" <<EOF
LogLevel info
Listen $dir/cups.sock
Browsing No
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
EOF
  # cups-pdf reads /etc/cups/cups-pdf-INSTANCE.conf for the URI cups-pdf:/INSTANCE.
  local instance=voka-$$
  printer_conf=/etc/cups/cups-pdf-$instance.conf
  printf 'Out %s\nAnonDirName %s\nLog %s\n' "$dir/pdf" "$dir/pdf" "$dir/log" >"$printer_conf"
  cupsd -f -c "$dir/conf/cupsd.conf" -s "$dir/conf/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  printer_pid=$!
  export CUPS_SERVER=$dir/cups.sock
  for _ in $(seq 1 50); do
    [ -S "$CUPS_SERVER" ] && break
    sleep 0.1
  done
  lpadmin -p "$PRINTER_NAME" -E -v "cups-pdf:/$instance" \
    -P /usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd >>"$dir/log/cupsd.out" 2>&1 &&
    lpadmin -d "$PRINTER_NAME" >>"$dir/log/cupsd.out" 2>&1 || { printer_stop; return 1; }
  export PRINTER_PDF_DIR=$dir/pdf
}

printer_stop() {
  if [ -n "$printer_pid" ]; then
    kill "$printer_pid" >/dev/null 2>&1 || true
    wait "$printer_pid" 2>/dev/null || true
    printer_pid=""
  fi
  [ -z "$printer_conf" ] || rm -f "$printer_conf"
  printer_conf=""
}
