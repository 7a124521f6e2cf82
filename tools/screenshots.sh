#!/usr/bin/env bash
# Takes every picture of the README from the real program (see
# src/app/shell/Screenshot.h), connected to tester-sim where a tester is
# needed, and the printed pages from its own PDF output. Writes
# docs/browser.png, docs/guide/*.png and docs/reports/*.png; nothing in them
# is edited by hand, and tests/docs/check_pictures.sh wants every picture in
# docs/ named here.
#
# The program runs as an installed one for a user "meister" whose home is
# /home/meister, in a mount namespace of its own with an empty /home, so the
# pictures show the paths a workshop sees and not a scratch folder. That and
# the user without the dialout group need root.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-build}")
if [[ -z ${GT_SHOTS_INSIDE:-} ]]; then
  [[ $(id -u) == 0 ]] || { echo "screenshots: braucht root (eigener Mount-Namensraum für /home)" >&2; exit 1; }
  cmake --build "$build" --target geraetetester tester-sim gt-initdb >/dev/null
  exec env GT_SHOTS_INSIDE=1 unshare --mount --propagation private bash "$PWD/tools/screenshots.sh" "$build"
fi

out=$PWD/docs
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8
unset XDG_CONFIG_HOME XDG_DATA_HOME
work=$(mktemp -d)
export XDG_RUNTIME_DIR=$work/run
mkdir -m 700 "$XDG_RUNTIME_DIR"
sim_pid=
# The mounts end with the namespace; only the scratch folder itself is left to remove.
devs=
trap '[[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null; [[ -n $devs ]] && umount -R /dev "$devs"; rm -rf "$work"' EXIT
mount -t tmpfs tmpfs /home
mkdir -p "$work/bin" /home/meister
cp "$build/src/app/geraetetester" "$build/tools/gt-initdb" "$work/bin/"
gt=$work/bin/geraetetester
export HOME=/home/meister
config=$HOME/.config/geraetetester
data=$HOME/.local/share/geraetetester

# shot FILE [VAR=VALUE ...]: one picture of the program, which ends by itself.
shot() {
  local file=$1
  shift
  rm -f "$out/$file"
  env GT_SCREENSHOT="$out/$file" "$@" "$gt" >/dev/null 2>"$work/err" </dev/null || true
  [[ -s $out/$file ]] || { echo "screenshots: $file fehlt" >&2; cat "$work/err" >&2; exit 1; }
  # A step that found nothing to click still leaves a picture, of the wrong window.
  ! grep -q "GT_SCREENSHOT" "$work/err" || { cat "$work/err" >&2; exit 1; }
  echo "screenshots: $file"
}
# page PDF PAGE FILE: one printed page as the reader sees it (A4 at 100 dpi).
page() {
  pdftoppm -png -r 100 -f "$2" -l "$2" -singlefile "$1" "$out/${3%.png}"
  echo "screenshots: $3"
}
sql() { sqlite3 "$data/VERIDA.db" "$@"; }

# First start: no settings, no database yet.
shot guide/erster-start.png GT_SCREENSHOT_DELAY=2500

# The tester: the simulator with twelve stored tests. Its keys come through
# a pipe that stays open, so any step can press one.
mkfifo "$work/sim-keys"
exec 3<>"$work/sim-keys"
"$build/sim/tester-sim" --records 12 <"$work/sim-keys" >"$work/sim-out" 2>/dev/null &
sim_pid=$!
for _ in $(seq 100); do [[ -s $work/sim-out ]] && break; sleep 0.1; done
read -r pty <"$work/sim-out" || { echo "tester-sim startete nicht" >&2; exit 1; }
mkdir -p "$data"
"$work/bin/gt-initdb" "$data/VERIDA.db" >/dev/null
ini() {
  mkdir -p "$config"
  printf '[Interface]\nPort=1\nAutoConnect=%s\n[Ports]\nCOM1=%s\n' "$1" "$pty" >"$config/geraetetester.ini"
  # The workshop's own lines for the protocols, as set in "Einstellungen...".
  printf '[Configuration]\nOperator=M. Meister\nAssessor=M. Meister\nTopLine1=Elektro Meister\nTopLine2=Werkstattweg 1\nTopLine3=79098 Freiburg\n' \
    >>"$config/geraetetester.ini"
}

ini 0
shot guide/schnittstelle.png GT_SCREENSHOT_ACTION=G_Schnittstelle GT_SCREENSHOT_DELAY=2500
shot guide/einstellungen.png GT_SCREENSHOT_ACTION=K_Einstellungen GT_SCREENSHOT_DELAY=2500
shot reports/barcdwahldlg.png GT_SCREENSHOT_ACTION=D_Barcode GT_SCREENSHOT_DELAY=2500

ini 1
shot guide/verbunden.png GT_SCREENSHOT_DELAY=5000
# A test under way: the simulator's start key a few seconds after connecting.
(sleep 4; echo s >&3; sleep 2; echo w >&3) &
shot guide/pruefung.png GT_SCREENSHOT_DELAY=10000
shot guide/messmodus.png GT_SCREENSHOT_ACTION=M_Einstellen GT_SCREENSHOT_DELAY=6000
# "Daten holen" in the retrieval window, then a few seconds for the line.
shot guide/datenabruf.png GT_SCREENSHOT_ACTION=G_Abrufen GT_SCREENSHOT_STEPS='BtnDatenHolen||||||' \
  GT_SCREENSHOT_DELAY=14000
[[ $(sql "SELECT count(*) FROM tblUebernahme") -gt 0 ]] || { echo "screenshots: nichts abgerufen" >&2; exit 1; }

# The workshop's customers and devices from an older installation, as an
# export of it: one line per device with its last test a year ago, carrying
# the barcodes of the tests just fetched so that they can be assigned.
customers=("Elektro Kaiser GmbH;Hauptstraße 12;79098;Freiburg"
  "Bäckerei Sonnenschein;Marktplatz 3;79183;Waldkirch"
  "Praxis Dr. Berger;Lindenweg 7;79100;Freiburg")
devices=("Bohrmaschine;PSB 750" "Kaffeemaschine;KM 2000" "Verlängerungskabel;10 m"
  "Wasserkocher;WK 17" "Ultraschallgerät;US 300" "Winkelschleifer;GWS 9" "Staubsauger;VC 5"
  "Laserdrucker;LJ 400" "Blutdruckmessgerät;BP 80" "Kühlschrank;KS 120")
{
  echo '"Name1";"KdStr";"KdPLZ";"KdOrt";"Bezeichnung";"Typ";"Inventarnummer";"Barcode";"Datum"'
  i=0
  while read -r code; do
    IFS=';' read -r name street zip town <<<"${customers[i % 3]}"
    IFS=';' read -r what type <<<"${devices[i % ${#devices[@]}]}"
    printf '"%s";"%s";"%s";"%s";"%s";"%s";"INV-%03d";"%s";"%s"\r\n' "$name" "$street" "$zip" "$town" \
      "$what" "$type" $((i + 1)) "$code" "$(date -d "-$((330 + 9 * i)) days" +%d.%m.%Y)"
    i=$((i + 1))
  done < <(sql "SELECT DISTINCT UNstrBarcode FROM tblUebernahme WHERE length(UNstrBarcode) >= 4 ORDER BY 1")
} >"$HOME/Altbestand.csv"
# The file dialog takes a moment to list the folder before the file is chosen.
shot guide/import.png GT_SCREENSHOT_ACTION=D_Import GT_SCREENSHOT_STEPS="|$HOME/Altbestand.csv||" \
  GT_SCREENSHOT_DELAY=6000
"$gt" --import-csv "$HOME/Altbestand.csv" >/dev/null
"$gt" --transfer >/dev/null

ini 0
shot browser.png GT_SCREENSHOT_ACTION=D_Oeffnen GT_SCREENSHOT_DELAY=3000
shot guide/etiketten-dialog.png GT_SCREENSHOT_ACTION=D_Oeffnen GT_SCREENSHOT_STEPS='BtnEtiketten|' \
  GT_SCREENSHOT_DELAY=4000
shot guide/prueffristen.png GT_SCREENSHOT_ACTION=D_Prueffristen GT_SCREENSHOT_DELAY=3000

# Printed pages. The 0751 protocol with inspection rows lists the visual
# inspection item by item, as the browser's second "Protokoll" records it:
# here every item of the catalogue, passed.
test0702=$(sql "SELECT min(PRintPruefungsNr) FROM tblPruefung WHERE PRintDINVDE <> 2 AND PRstrGTSeriennummer <> ''")
read -r test0751a test0751b < <(sql "SELECT group_concat(PRintPruefungsNr, ' ') FROM (SELECT PRintPruefungsNr
  FROM tblPruefung WHERE PRintDINVDE = 2 AND PRstrGTSeriennummer <> '' ORDER BY 1 LIMIT 2)")
[[ -n $test0702 && -n $test0751b ]] || { echo "screenshots: keine Prüfung nach 0701/0702 und zwei nach 0751" >&2; exit 1; }
sql "UPDATE tblPruefung SET PRintProtokolltyp = 1 WHERE PRintPruefungsNr = $test0751b;
  INSERT INTO tblSichtpruefung (SIintPruefungsNr, SIintZeileNr, SIintPruefteil, SIintBestanden)
    SELECT $test0751b, row_number() OVER (ORDER BY STintPruefteil), STintPruefteil, 1 FROM tblSichtTeil;"
"$gt" --protocol-pdf "$test0702" "$work/0702.pdf" >/dev/null
"$gt" --protocol-pdf "$test0751a" "$work/0751a.pdf" >/dev/null
"$gt" --protocol-pdf "$test0751b" "$work/0751b.pdf" >/dev/null
"$gt" --barcode-sheet steuer "$work/steuer.pdf" >/dev/null
"$gt" --barcode-sheet leser "$work/leser.pdf" >/dev/null
"$gt" --labels "$work/etiketten.pdf" --customer 1 --position 2 >/dev/null
page "$work/0702.pdf" 1 reports/pruefprot.png
page "$work/0751a.pdf" 1 reports/pruefprot0751a.png
page "$work/0751b.pdf" 2 reports/pruefprot0751b-2.png
page "$work/steuer.pdf" 1 reports/steuerbarcodes.png
page "$work/leser.pdf" 1 reports/configbarcodes.png
# The top two rows of the label sheet, the first label left free.
pdftoppm -png -r 100 -f 1 -l 1 -x 0 -y 0 -W 827 -H 300 -singlefile "$work/etiketten.pdf" "$out/guide/etiketten"
echo "screenshots: guide/etiketten.png"

# A trainee not in the group of the serial device gets the hint with its
# remedy. The user and the device node exist only in this namespace: a
# passwd and group with "lehrling" laid over the real ones, and /dev as a
# copy of the few nodes the program needs plus /dev/ttyUSB0.
cp /etc/passwd /etc/group "$work/"
echo "lehrling:x:1500:1500:Lehrling:/home/lehrling:/bin/bash" >>"$work/passwd"
echo "lehrling:x:1500:" >>"$work/group"
mount --bind "$work/passwd" /etc/passwd
mount --bind "$work/group" /etc/group
dev=$work/dev
mkdir -p "$dev" && mount -t tmpfs tmpfs "$dev"
for n in null zero random urandom tty; do
  touch "$dev/$n" && mount --bind "/dev/$n" "$dev/$n"
done
mknod "$dev/ttyUSB0" c 4 64
chgrp dialout "$dev/ttyUSB0" && chmod 660 "$dev/ttyUSB0"
mount --rbind "$dev" /dev
devs=$dev
lehrling=/home/lehrling
mkdir -p "$lehrling/.config/geraetetester" "$lehrling/.local/share/geraetetester" "$lehrling/.run"
printf '[Interface]\nPort=1\nAutoConnect=1\n[Ports]\nCOM1=/dev/ttyUSB0\n' >"$lehrling/.config/geraetetester/geraetetester.ini"
cp "$data/VERIDA.db" "$lehrling/.local/share/geraetetester/"
chown -R 1500:1500 "$lehrling" && chmod 700 "$lehrling/.run"
chmod 755 "$work" "$work/bin"
setpriv --reuid=1500 --regid=1500 --clear-groups env HOME="$lehrling" XDG_RUNTIME_DIR="$lehrling/.run" \
  GT_SCREENSHOT="$lehrling/shot.png" \
  GT_SCREENSHOT_DELAY=3000 "$gt" >/dev/null 2>&1 </dev/null || true
cp "$lehrling/shot.png" "$out/guide/dialout.png" || { echo "screenshots: guide/dialout.png fehlt" >&2; exit 1; }
echo "screenshots: guide/dialout.png"
