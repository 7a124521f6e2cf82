#!/usr/bin/env bash
# Takes the user guide's pictures from the real program (see
# src/app/Screenshot.h), connected to tester-sim where a tester is needed.
# Writes docs/guide/*.png; nothing in them is edited by hand.
# Usage: tools/screenshots.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
out=$PWD/docs/guide
mkdir -p "$out"
cmake --build "$build" --target geraetetester tester-sim gt-initdb >/dev/null
export QT_QPA_PLATFORM=offscreen
unset XDG_CONFIG_HOME XDG_DATA_HOME

work=/tmp/gt-anleitung
rm -rf "$work"
mkdir -p "$work/bin" "$work/home/meister" "$work/pruefplatz"
sim_pid=
trap '[[ -n $sim_pid ]] && kill "$sim_pid" 2>/dev/null; rm -rf "$work"' EXIT

# shot FILE [VAR=VALUE ...] PROGRAM: one picture, the program ends by itself.
shot() {
  local file=$1
  shift
  env GT_SCREENSHOT="$out/$file" "$@" >/dev/null 2>&1 </dev/null || true
  [[ -s $out/$file ]] || { echo "screenshots: $file fehlt" >&2; exit 1; }
  echo "screenshots: $file"
}

# First start of an installed program: no settings, no database yet.
cp "$build/src/app/geraetetester" "$work/bin/"
shot erster-start.png HOME="$work/home/meister" GT_SCREENSHOT_DELAY=2500 "$work/bin/geraetetester"

# A workstation with the simulator on COM1 (a portable copy, as tools/demo.sh makes it).
# Its keys come through a pipe that stays open, so any step can press one.
mkfifo "$work/sim-keys"
exec 3<>"$work/sim-keys"
"$build/sim/tester-sim" --records 12 <"$work/sim-keys" >"$work/sim-out" 2>/dev/null &
sim_pid=$!
for _ in $(seq 100); do [[ -s $work/sim-out ]] && break; sleep 0.1; done
read -r pty <"$work/sim-out" || { echo "tester-sim startete nicht" >&2; exit 1; }
station=$work/pruefplatz
cp "$build/src/app/geraetetester" "$station/"
"$build/tools/gt-initdb" "$station/VERIDA.db" >/dev/null
ini() { printf '[Interface]\nPort=1\nAutoConnect=%s\n[Ports]\nCOM1=%s\n' "$1" "$pty" >"$station/geraetetester.ini"; }

ini 0
shot schnittstelle.png GT_SCREENSHOT_ACTION=G_Schnittstelle GT_SCREENSHOT_DELAY=2500 "$station/geraetetester"
shot einstellungen.png GT_SCREENSHOT_ACTION=K_Einstellungen GT_SCREENSHOT_DELAY=2500 "$station/geraetetester"

ini 1
shot verbunden.png GT_SCREENSHOT_DELAY=5000 "$station/geraetetester"
# A test under way: the simulator's start key a few seconds after connecting.
( sleep 4; echo s >&3; sleep 2; echo w >&3 ) &
shot pruefung.png GT_SCREENSHOT_DELAY=10000 "$station/geraetetester"
shot messmodus.png GT_SCREENSHOT_ACTION=M_Einstellen GT_SCREENSHOT_DELAY=6000 "$station/geraetetester"

# A user without the group of the serial device (needs root for the device
# node and to run as "nobody"): the hint with its remedy.
if [[ $(id -u) == 0 ]] && command -v setpriv >/dev/null && getent group dialout >/dev/null &&
   mknod "$work/ttyUSB0" c 4 64 2>/dev/null; then
  chgrp dialout "$work/ttyUSB0"
  chmod 660 "$work/ttyUSB0"
  lehrling=$work/home/lehrling
  mkdir -p "$lehrling/.config/geraetetester" "$lehrling/.local/share/geraetetester"
  printf '[Interface]\nPort=1\nAutoConnect=1\n[Ports]\nCOM1=%s\n' "$work/ttyUSB0" \
    >"$lehrling/.config/geraetetester/geraetetester.ini"
  cp "$station/VERIDA.db" "$lehrling/.local/share/geraetetester/"
  chown -R nobody:nogroup "$lehrling"
  chmod 755 "$work" "$work/home" "$work/bin"
  setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$lehrling" GT_SCREENSHOT="$lehrling/shot.png" \
    GT_SCREENSHOT_DELAY=3000 "$work/bin/geraetetester" >/dev/null 2>&1 </dev/null || true
  cp "$lehrling/shot.png" "$out/dialout.png" || { echo "screenshots: dialout.png fehlt" >&2; exit 1; }
  echo "screenshots: dialout.png"
fi
