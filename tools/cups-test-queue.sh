#!/usr/bin/env bash
# Throw-away print server with PDF queues for the printing tests: the default
# one, a second to choose, and one that refuses every job.
#   eval "$(tools/cups-test-queue.sh start)"   starts it, prints export lines
#   tools/cups-test-queue.sh stop              stops it and removes its directory
# The program finds it with CUPS_SERVER=$GT_CUPS_SERVER; the variable is not
# set for every test, so tests of the program without a printer still run.
# cupsd runs in the foreground in the background with its own configuration
# folder and listens on a socket of its own only, so it neither needs nor
# disturbs the system's print server. The queue's backend writes each job as
# a PDF file into GT_CUPS_OUT; it reads its settings from a file named after
# the queue's device URI in /etc/cups (needs root, as the backend does).
set -euo pipefail

QUEUE=GT-PDF-Test

start() {
  local bin
  for bin in /usr/sbin/cupsd /usr/sbin/lpadmin /usr/sbin/cupsreject /usr/lib/cups/backend/cups-pdf; do
    if [ ! -x "$bin" ]; then
      echo "cups-test-queue: $bin fehlt (Pakete cups, printer-driver-cups-pdf)" >&2
      exit 1
    fi
  done
  if [ "$(id -u)" != 0 ]; then
    echo "cups-test-queue: braucht root (der PDF-Treiber läuft nur als root)" >&2
    exit 1
  fi
  local dir inst ppd
  dir=$(mktemp -d /tmp/gt-cups.XXXXXX)
  chmod 755 "$dir"
  inst=gt${dir##*.}
  mkdir -p "$dir/etc/ppd" "$dir/spool/tmp" "$dir/cache" "$dir/state" "$dir/log" "$dir/out"
  chmod 1777 "$dir/out" "$dir/spool/tmp"
  chgrp -R lp "$dir/spool" "$dir/cache" "$dir/state" 2>/dev/null || true
  chmod 770 "$dir/spool" "$dir/cache" "$dir/state"
  chmod 1770 "$dir/spool/tmp"
  cat >"$dir/etc/cups-files.conf" <<EOF
ServerRoot $dir/etc
RequestRoot $dir/spool
TempDir $dir/spool/tmp
CacheDir $dir/cache
StateDir $dir/state
ErrorLog $dir/log/error_log
AccessLog $dir/log/access_log
PageLog $dir/log/page_log
EOF
  cat >"$dir/etc/cupsd.conf" <<EOF
Listen $dir/cups.sock
LogLevel warn
Browsing No
DefaultAuthType None
WebInterface No
JobRetryInterval 1
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
  cat >"/etc/cups/cups-pdf-$inst.conf" <<EOF
Out $dir/out
AnonDirName $dir/out
Label 1
Grp lp
EOF
  echo "$inst" >"$dir/instance"
  /usr/sbin/cupsd -f -c "$dir/etc/cupsd.conf" -s "$dir/etc/cups-files.conf" >"$dir/log/cupsd.out" 2>&1 &
  echo $! >"$dir/cupsd.pid"
  for _ in $(seq 1 100); do
    [ -S "$dir/cups.sock" ] && break
    sleep 0.1
  done
  ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd
  admin() { CUPS_SERVER="$dir/cups.sock" "$@" >>"$dir/log/lpadmin.out" 2>&1; }
  # A second queue to choose besides the default, a third that refuses jobs.
  if ! admin /usr/sbin/lpadmin -p "$QUEUE" -E -v "cups-pdf:/$inst" -P "$ppd" -o printer-error-policy=abort-job ||
    ! admin /usr/sbin/lpadmin -d "$QUEUE" ||
    ! admin /usr/sbin/lpadmin -p "$QUEUE-2" -E -v "cups-pdf:/$inst" -P "$ppd" ||
    ! admin /usr/sbin/lpadmin -p "$QUEUE-abweisend" -E -v "cups-pdf:/$inst" -P "$ppd" ||
    ! admin /usr/sbin/cupsreject "$QUEUE-abweisend"; then
    cat "$dir/log/lpadmin.out" "$dir/log/cupsd.out" "$dir/log/error_log" >&2 2>/dev/null || true
    stop "$dir"
    exit 1
  fi
  echo "export GT_CUPS_SERVER=$dir/cups.sock GT_CUPS_QUEUE=$QUEUE GT_CUPS_REFUSING=$QUEUE-abweisend" \
    "GT_CUPS_OUT=$dir/out GT_CUPS_DIR=$dir"
}

stop() {
  local dir=${1:-${GT_CUPS_DIR:-}}
  if [ -z "$dir" ] || [ ! -f "$dir/cupsd.pid" ]; then
    echo "cups-test-queue: kein Druckserver angegeben (GT_CUPS_DIR)" >&2
    exit 1
  fi
  local pid
  pid=$(cat "$dir/cupsd.pid")
  kill "$pid" 2>/dev/null || true
  for _ in $(seq 1 50); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -f "$dir/instance" ] && rm -f "/etc/cups/cups-pdf-$(cat "$dir/instance").conf"
  rm -rf "$dir"
}

case "${1:-}" in
  start) start ;;
  stop) stop "${2:-}" ;;
  *)
    echo "Aufruf: $0 start | stop [VERZEICHNIS]" >&2
    exit 2
    ;;
esac
