#!/usr/bin/env bash
# The main job without hardware: a simulated reader/programmer on a pseudo-terminal, with a
# conveyor that brings a new transponder into its field every few seconds. With a display the
# window connects to it (press "Zyklisch" under "Schreiben" and it programs tag after tag);
# without one, the command-line tool runs the same write cycle for five tags and prints its
# status lines.
#
#   scripts/demo.sh [build-dir]
#
# VESMOR_DEMO_READER=hid or d2xx puts the simulated reader behind the fake hidapi or D2XX
# library of the test tree instead, as a USB reader in HID or FTDI D2XX mode.
# VESMOR_DEMO_DONGLE=1 puts the simulated reader behind a simulated Bluetooth dongle on the
# pseudo-terminal (connection name "DEVICE BT").
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$(cd "${1:-build}" && pwd)
sim_out=$(mktemp)
sim_pid=
sim_args=()
port_suffix=
if [ -n "${VESMOR_DEMO_DONGLE:-}" ]; then
  sim_args=(--dongle)
  port_suffix=" BT"
fi

cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null
  rm -f "$sim_out"
}
trap cleanup EXIT

# Starts the simulator with a conveyor EVERY:PRESENT (ms) and sets $port to its device and
# $shown to the name the interface window shows for it.
start_simulator() {
  shown=
  case "${VESMOR_DEMO_READER:-}" in
    hid)
      export VESMOR_HIDAPI_LIB="$dir/tests/fakes/libhidapi-hidraw.so.0"
      export VESMOR_FAKE_HID="serial=4211-0001 conveyor=$1"
      port="4211-0001 HID" shown="USB: 4211-0001 HID"
      echo "Simulierter HID-Leser $port, ein neuer Transponder alle ${1%%:*} ms"
      return ;;
    d2xx)
      export VESMOR_FTD2XX_LIB="$dir/tests/fakes/libftd2xx.so"
      export VESMOR_FAKE_D2XX="serial=4211-0001 conveyor=$1"
      port="4211-0001" shown="USB: 4211-0001"
      echo "Simulierter FTDI-Leser $port (D2XX), ein neuer Transponder alle ${1%%:*} ms"
      return ;;
  esac
  "$dir/sim/vesmor-sim" --type 0 --device 125 --firmware 7 --conveyor "$1" \
    --conveyor-kind nxp "${sim_args[@]}" >"$sim_out" &
  sim_pid=$!
  for _ in $(seq 50); do
    [ -s "$sim_out" ] && break
    sleep 0.1
  done
  port="$(head -n 1 "$sim_out")$port_suffix" shown=$port
  echo "Simulierter Leser an $port, ein neuer Transponder alle ${1%%:*} ms"
}

# The window keeps its settings in a profile of its own under the build directory, so that the
# demo leaves the user's profile alone; only the interface is set, to the simulator.
demo_profile() {
  local config="$dir/demo-profile"
  local profile="$config/Vek Applikationen/VESMOR Tagforge.conf"
  mkdir -p "$(dirname "$profile")"
  touch "$profile"
  awk '/^\[/ { skip = ($0 == "[Port]") } !skip' "$profile" >"$profile.new"
  printf '\n[Port]\nName=%s\nAdresse=1\n' "$shown" >>"$profile.new"
  mv "$profile.new" "$profile"
  echo "$config"
}

if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  start_simulator 4000:2500
  config=$(demo_profile)
  echo 'Im Fenster unter "Schreiben" auf "Zyklisch" drücken: jeder neue Transponder wird beschrieben.'
  XDG_CONFIG_HOME="$config" "$dir/app/ui/vesmor-tagforge"
else
  start_simulator 1500:1000
  echo "Keine Anzeige: der Schreibzyklus des Kommandozeilenwerkzeugs für fünf Transponder"
  "$dir/tools/vesmor" program -p "$port:1" --format 2 --value 1 --increment --cycle --count 5
fi
