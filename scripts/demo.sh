#!/usr/bin/env bash
# The main job without hardware: a simulated reader on a pseudo-terminal, and the command-line
# tool identifying it.
set -euo pipefail
dir=${1:-build}
sim_out=$(mktemp)
"$dir/sim/vesmor-sim" --type 0 --device 125 --firmware 7 >"$sim_out" &
sim_pid=$!
trap 'kill $sim_pid 2>/dev/null; rm -f "$sim_out"' EXIT
for _ in $(seq 50); do
  [ -s "$sim_out" ] && break
  sleep 0.1
done
port=$(head -n 1 "$sim_out")
echo "Simulierter Leser an $port"
"$dir/tools/vesmor" info -p "$port"
