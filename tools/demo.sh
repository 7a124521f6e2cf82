#!/usr/bin/env bash
# The newcomer's first minute: starts the tester simulator on a pseudo-terminal
# and the program connected to it (COM1 is mapped to the simulator's terminal).
# The program runs as a copy in build/demo so its INI file and database there
# never touch a real installation. Extra arguments go to tester-sim.
# Usage: tools/demo.sh [BUILD_DIR] [-- tester-sim options]
set -euo pipefail
cd "$(dirname "$0")/.."
build=build
if [[ $# -gt 0 && $1 != -- ]]; then build=$1; shift; fi
[[ ${1:-} == -- ]] && shift
demo="$build/demo"
mkdir -p "$demo"
demo=$(cd "$demo" && pwd)
cp -f "$build/src/app/geraetetester" "$demo/geraetetester"

# The simulator prints its terminal path as the first line and ends with its stdin.
coproc SIM { exec "$build/sim/tester-sim" --records 12 "$@"; }
sim_pid=$SIM_PID
trap 'kill "$sim_pid" 2>/dev/null || true' EXIT
read -r -t 10 pty <&"${SIM[0]}" || { echo "tester-sim startete nicht" >&2; exit 1; }

ini="$demo/geraetetester.ini"
if [[ ! -f $ini ]]; then
  printf '[Interface]\nPort=1\nAutoConnect=1\nPgmLog=%s\n' "$demo/programm.log" > "$ini"
fi
# Only the mapping changes from run to run; everything else the user set stays.
if grep -q '^\[Ports\]' "$ini"; then
  sed -i "s|^COM1=.*|COM1=$pty|" "$ini"
  grep -q '^COM1=' "$ini" || sed -i "s|^\[Ports\]|[Ports]\nCOM1=$pty|" "$ini"
else
  printf '\n[Ports]\nCOM1=%s\n' "$pty" >> "$ini"
fi
if [[ ! -f $demo/VERIDA.db && -x $build/tools/gt-initdb ]]; then
  "$build/tools/gt-initdb" "$demo/VERIDA.db" >/dev/null
fi
echo "Simulator auf $pty (COM1); Programm: $demo/geraetetester"
"$demo/geraetetester"
