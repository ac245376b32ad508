#!/usr/bin/env bash
# vesmor.exe under Wine and the Linux vesmor against the same Linux simulator give the same
# bytes on standard output and the same exit code: info, inventory, program, dump and readback
# over a Wine COM port linked to the simulator's pseudo-terminal, and info and dump over TCP to
# the simulator's --lan on loopback.
#
#   same_output_test.sh LINUX_VESMOR VESMOR_SIM WINE_VESMOR_WRAPPER
set -u
linux=$1 sim=$2 wine_vesmor=$3
work=$(mktemp -d)
sims=()
cleanup() {
  # The wineserver goes first: a pty that hangs up under it makes it print its whole state.
  wineserver -k 2>/dev/null
  for pid in "${sims[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0

# Starts a simulator with the given options; prints the name to open (the first line of its
# standard output; what it says on standard error, such as a refused runtime directory, is not).
start_sim() {
  local out="$work/sim$#$RANDOM"
  "$sim" "$@" >"$out" 2>"$out.err" &
  sims+=($!)
  for _ in $(seq 100); do
    [ -s "$out" ] && break
    sleep 0.05
  done
  head -1 "$out"
}

# Runs one command with both tools and compares exit code and standard output.
compare() {
  local name=$1 port=$2
  shift 2
  "$linux" "$@" -p "$port" >"$work/linux.out" 2>"$work/linux.err"
  local linux_rc=$?
  "$wine_vesmor" "$@" -p "$port" >"$work/wine.out" 2>"$work/wine.err"
  local wine_rc=$?
  # The port is named as each tool was given it: /dev/pts/N there, COMn here.
  sed -i "s|$port|PORT|g" "$work/linux.out"
  sed -i -E "s/COM[0-9]+/PORT/g; s|$port|PORT|g" "$work/wine.out"
  if [ "$linux_rc" != "$wine_rc" ] || ! cmp -s "$work/linux.out" "$work/wine.out" ||
     [ ! -s "$work/linux.out" ]; then
    echo "FAILED $name: exit $linux_rc (Linux) / $wine_rc (Wine)"
    diff "$work/linux.out" "$work/wine.out" | head -20
    head -5 "$work/wine.err"
    failures=$((failures + 1))
  else
    echo "ok     $name"
  fi
}

fields=$(start_sim --tag nxp:E004010000000011 --tag em:E016040000000022)
compare "serial inventory" "$fields" inventory
pty=$(start_sim --tag nxp:E004010000000011)
compare "serial info" "$pty" info
compare "serial dump" "$pty" dump
compare "serial program" "$pty" program --value 4711 --start 8 --bytes 4
compare "serial readback" "$pty" readback --start 8 --bytes 4

lan=$(start_sim --lan 127.0.0.1-0 --lan-no-config --tag nxp:E004010000000033)
compare "lan info" "$lan" info
compare "lan dump" "$lan" dump

[ "$failures" = 0 ]
