#!/usr/bin/env bash
# Builds the Debian package from a Release build, unpacks it into a scratch
# root (dpkg -x) and runs the installed programs there as a new user would,
# with an empty HOME: --help, --version, a wrong option, a start ended by
# SIGTERM that writes the INI under XDG_CONFIG_HOME, a CSV export against a
# database made by the installed gt-initdb, --ini, and the portable layout.
# The manual pages must format without a troff warning, and lintian must
# report no error and no missing hardening.
# Usage: tools/test-package.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}

fail() { echo "test-package: $*" >&2; exit 1; }
step() { echo "test-package: $*"; }

cmake --build "$build" --target geraetetester tester-sim gt-initdb barcode-render gt_package_docs >/dev/null
rm -f "$build"/geraetetester_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/geraetetester_*_amd64.deb)
step "Paket $deb"

scratch=$(mktemp -d)
pid=
cleanup() { [[ -n $pid ]] && kill "$pid" 2>/dev/null; rm -rf "$scratch"; }
trap cleanup EXIT
dpkg-deb -x "$deb" "$scratch/root"
bin=$scratch/root/usr/bin
for f in geraetetester tester-sim gt-initdb barcode-render; do [[ -x $bin/$f ]] || fail "$f fehlt im Paket"; done
for f in usr/share/applications/geraetetester.desktop usr/share/icons/hicolor/scalable/apps/geraetetester.svg \
         usr/share/geraetetester/schema-sqlite.sql usr/share/geraetetester/catalogue.sql \
         usr/share/doc/geraetetester/hilfe/index.html usr/share/man/man1/geraetetester.1.gz \
         usr/share/doc/geraetetester/docs/guide/erster-start.png; do
  [[ -f $scratch/root/$f ]] || fail "$f fehlt im Paket"
done

# A new user: nothing in HOME, no XDG variables, no display.
export HOME=$scratch/home
mkdir -p "$HOME"
unset XDG_CONFIG_HOME XDG_DATA_HOME DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
config=$HOME/.config/geraetetester
data=$HOME/.local/share/geraetetester

step "--help, --version, falsche Option"
help=$("$bin/geraetetester" --help) || fail "--help endete mit Fehler"
for c in export-csv fetch transfer protocol-pdf barcode-sheet ini version; do
  grep -q -- "--$c" <<<"$help" || fail "--help nennt --$c nicht"
done
grep -qF "$config/geraetetester.ini" <<<"$help" || fail "--help nennt den Ort der Einstellungen nicht"
"$bin/geraetetester" --version | grep -qE '^geraetetester [0-9]+\.[0-9]+' || fail "--version"
rc=0; "$bin/geraetetester" --gibt-es-nicht 2>"$scratch/err" || rc=$?
[[ $rc == 2 ]] || fail "unbekannte Option: Exit-Code $rc statt 2"
grep -q "Unbekannte Option" "$scratch/err" || fail "unbekannte Option ohne Meldung"

step "Start und SIGTERM schreiben die Einstellungen nach ~/.config"
# run_then_term FILE TEXT COMMAND...: starts the program in the background,
# waits (20 s at most) until TEXT stands in FILE, then ends it with SIGTERM
# and wants the orderly end (exit code 0).
run_then_term() {
  local file=$1 text=$2 deadline=$((SECONDS + 20))
  shift 2
  # The text of an earlier run must not count: the new process may not have
  # opened (and emptied) the file yet when the wait below first looks.
  rm -f "$file" "$scratch/err"
  "$@" >"$scratch/out" 2>"$scratch/err" &
  pid=$!
  until grep -q "$text" "$file" 2>/dev/null; do
    if ((SECONDS >= deadline)) || ! kill -0 "$pid" 2>/dev/null; then
      fail "„$text“ kam nicht: $(cat "$file" "$scratch/err" 2>/dev/null)"
    fi
    sleep 0.1
  done
  kill -TERM "$pid"
  local rc=0
  wait "$pid" || rc=$?
  pid=
  [[ $rc == 0 ]] || fail "Ende nach SIGTERM mit Exit-Code $rc"
}
run_then_term "$scratch/out" bereit env QT_QPA_PLATFORM=offscreen GT_STARTUP_REPORT=1 "$bin/geraetetester"
[[ -f $config/geraetetester.ini ]] || fail "keine INI unter $config"
grep -q '^\[Interface\]' "$config/geraetetester.ini" || fail "INI unvollständig"
[[ ! -e $bin/geraetetester.ini ]] || fail "INI neben dem Programm"
# The offer to make a database was not answered: nothing was made.
[[ ! -e $data/VERIDA.db ]] || fail "Datenbank ohne Zustimmung angelegt"

step "--export-csv mit einer Datenbank von gt-initdb"
mkdir -p "$data"
"$bin/gt-initdb" "$data/VERIDA.db" >/dev/null || fail "gt-initdb"
sqlite3 "$data/VERIDA.db" "INSERT INTO tblKunden (KDintKundenNr, KDstrName1) VALUES (1, 'Elektro O''Brien');
  INSERT INTO tblPruefling (PLintPrueflingNr, PLintKundenNr, PLstrBezeichnung, PLstrBarcode) VALUES (1, 1, 'Bohrmaschine', '4711');
  INSERT INTO tblPruefung (PRintPruefungsNr, PRintPrueflingNr, PRdtmUebernahme, PRstrGTSeriennummer)
    VALUES (1, 1, '2026-12-01 10:00:00', '123456');"
"$bin/geraetetester" --export-csv "$scratch/alle.csv" >/dev/null 2>"$scratch/err" ||
  fail "--export-csv: $(cat "$scratch/err")"
grep -q "Bohrmaschine" "$scratch/alle.csv" || fail "Export ohne die Prüfung"
grep -q "O'Brien" "$scratch/alle.csv" || fail "Export ohne den Kunden"

step "--ini wählt eine andere Konfiguration"
printf '[DataBase]\nConnectionString=Provider=SQLite;Data Source=%s\n' "$scratch/gibtsnicht.db" >"$scratch/andere.ini"
rc=0; "$bin/geraetetester" --ini "$scratch/andere.ini" --export-csv "$scratch/x.csv" 2>/dev/null || rc=$?
[[ $rc == 1 ]] || fail "--ini: die Datenbank der anderen INI wurde nicht genommen (Exit-Code $rc)"

step "Tragbar: Programm mit INI in einem beschreibbaren Ordner"
portable=$scratch/usb
mkdir -p "$portable"
cp "$bin/geraetetester" "$portable/"
printf '[Interface]\nPort=3\n' >"$portable/geraetetester.ini"
cp "$data/VERIDA.db" "$portable/VERIDA.db"
rm -rf "$config"
run_then_term "$scratch/out" bereit env QT_QPA_PLATFORM=offscreen GT_STARTUP_REPORT=1 "$portable/geraetetester"
grep -q '^\[Timing\]' "$portable/geraetetester.ini" || fail "tragbar: INI nicht neben dem Programm geschrieben"
grep -q '^Port=3' "$portable/geraetetester.ini" || fail "tragbar: Port verloren"
[[ ! -e $config ]] || fail "tragbar: Einstellungen unter ~/.config geschrieben"

# A user without the group of the serial device is told the remedy. Needs
# root to make the device node and to run the program as "nobody".
if [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null && getent group dialout >/dev/null &&
   mknod "$scratch/ttyX" c 4 64 2>/dev/null; then
  step "Schnittstelle ohne Berechtigung: Hinweis auf die Gruppe dialout"
  chgrp dialout "$scratch/ttyX"
  chmod 660 "$scratch/ttyX"
  chmod 755 "$scratch"
  lehrling=$scratch/lehrling
  mkdir -p "$lehrling/.config/geraetetester" "$lehrling/.local/share/geraetetester"
  printf '[Interface]\nPort=1\nAutoConnect=1\nPgmLog=%s\n[Ports]\nCOM1=%s\n' \
    "$lehrling/pgm.log" "$scratch/ttyX" >"$lehrling/.config/geraetetester/geraetetester.ini"
  cp "$data/VERIDA.db" "$lehrling/.local/share/geraetetester/"
  chown -R nobody:nogroup "$lehrling"
  run_then_term "$lehrling/pgm.log" "Keine Berechtigung für die Schnittstelle" \
    setpriv --reuid=nobody --regid=nogroup --clear-groups \
    env HOME="$lehrling" QT_QPA_PLATFORM=offscreen "$bin/geraetetester"
fi

# Every dependency must be one that apt can resolve (nothing is installed).
if [[ $(id -u) == 0 ]] && command -v apt-get >/dev/null; then
  step "Abhängigkeiten auflösbar"
  apt-get install -s --no-install-recommends "$PWD/$deb" >/dev/null 2>"$scratch/err" || fail "apt: $(cat "$scratch/err")"
fi

step "Handbuchseiten ohne troff-Warnungen, Umlaute lesbar"
for page in "$scratch"/root/usr/share/man/man1/*.1.gz; do
  # C as well: there troff falls back to ASCII and finds every character
  # that has no plain form.
  for loc in C.UTF-8 C; do
    warnings=$(LC_ALL=$loc MANWIDTH=80 man --warnings=all -l "$page" 2>&1 >/dev/null) ||
      fail "man -l ${page##*/} ($loc) endete mit Fehler: $warnings"
    [[ -z $warnings ]] || fail "${page##*/} ($loc): $warnings"
  done
done
LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$scratch/root/usr/share/man/man1/geraetetester.1.gz" 2>/dev/null |
  grep -q "Prüfung elektrischer Geräte" || fail "geraetetester(1): Umlaute unter C.UTF-8 nicht lesbar"

if command -v lintian >/dev/null; then
  step "lintian"
  lintian -I --fail-on error "$deb" >"$scratch/lintian" 2>&1 || { cat "$scratch/lintian"; fail "lintian meldet Fehler"; }
  cat "$scratch/lintian"
  # What is packaged is built hardened (cmake/Hardening.cmake): any hardening
  # tag, even an informational one, means a flag went missing.
  ! grep -q ': hardening-' "$scratch/lintian" || fail "lintian: Härtung fehlt ($(grep -o 'hardening-[a-z-]*' "$scratch/lintian" | sort -u | xargs))"
else
  fail "lintian fehlt (tools/install-deps.sh)"
fi
step "alles in Ordnung"
