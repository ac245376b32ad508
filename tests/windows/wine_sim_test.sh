#!/usr/bin/env bash
# vesmor-sim.exe under Wine, asked by vesmor.exe under Wine and by the Linux vesmor; both tools
# must print the same bytes and exit alike, and the values written must be read back.
#
#   wine_sim_test.sh tcp    LINUX_VESMOR  vesmor-sim.exe --lan on 127.0.0.1: info, program,
#                                         readback and dump by both tools
#   wine_sim_test.sh com    LINUX_VESMOR  vesmor-sim.exe --port on a Wine COM port linked to one
#                                         end of a pty pair (socat), the Linux vesmor on the
#                                         other: info, program, readback; then Ctrl+C stops it
#   wine_sim_test.sh config LINUX_VESMOR  the configuration port (UDP 30718) in a private network
#                                         namespace: vesmor.exe and vesmor lan search and show
#
#   VESMOR_WINDOWS_BIN  folder with vesmor.exe, vesmor-sim.exe and libvesmor.dll (required)
# Exit 77: cannot run here (config: not root, or no network namespace).
set -u
mode=$1 linux=$2
bin=${VESMOR_WINDOWS_BIN:?VESMOR_WINDOWS_BIN names the folder of vesmor.exe}
export WINEDEBUG=-all
export WINEPREFIX=${VESMOR_WINE_PREFIX:-$bin/../wine-prefix}
work=$(mktemp -d)
pids=()
cleanup() {
  wineserver -k 2>/dev/null
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAILED $*"
  failures=$((failures + 1))
}

# Starts vesmor-sim.exe with the given options; sim_name gets the name to open (its first line),
# sim_pid its process id.
start_sim() {
  wine "$bin/vesmor-sim.exe" "$@" >"$work/sim.out" 2>"$work/sim.err" </dev/null &
  sim_pid=$!
  pids+=($sim_pid)
  for _ in $(seq 200); do
    [ -s "$work/sim.out" ] && break
    kill -0 "$sim_pid" 2>/dev/null || break
    sleep 0.05
  done
  sim_name=$(tr -d '\r' <"$work/sim.out" | head -1)
}

# Runs a command with the Linux tool (-p LINUX_NAME) and, when WINE_NAME is not "-", with
# vesmor.exe (-p WINE_NAME); both exit 0 with the same standard output, which holds EXPECTED.
compare() {
  local name=$1 linux_name=$2 wine_name=$3 expected=$4
  shift 4
  "$linux" "$@" -p "$linux_name" >"$work/linux.out" 2>"$work/linux.err"
  local linux_rc=$?
  if [ "$linux_rc" != 0 ] || ! grep -q -- "$expected" "$work/linux.out"; then
    fail "$name (Linux vesmor): exit $linux_rc, no \"$expected\""
    head -5 "$work/linux.out" "$work/linux.err"
    return
  fi
  if [ "$wine_name" = - ]; then
    echo "ok     $name"
    return
  fi
  wine "$bin/vesmor.exe" "$@" -p "$wine_name" 2>"$work/wine.err" | tr -d '\r' >"$work/wine.out"
  local wine_rc=${PIPESTATUS[0]}
  sed -i "s|$linux_name|PORT|g" "$work/linux.out"
  sed -i "s|$wine_name|PORT|g" "$work/wine.out"
  if [ "$wine_rc" != 0 ] || ! cmp -s "$work/linux.out" "$work/wine.out"; then
    fail "$name: exit $wine_rc (vesmor.exe)"
    diff "$work/linux.out" "$work/wine.out" | head -20
    head -5 "$work/wine.err"
  else
    echo "ok     $name"
  fi
}

# The wineserver of this prefix, its process id ("" when none runs): its working directory is
# the prefix's server directory, named after the prefix's device and inode.
wineserver_pid() {
  local dir
  dir=$(printf 'server-%x-%x' $(stat -c '%d %i' "$WINEPREFIX"))
  for p in /proc/[0-9]*; do
    [[ "$(readlink "$p/cwd" 2>/dev/null)" == */"$dir" ]] && { basename "$p"; return; }
  done
}

# One wineserver for the whole test: each Wine start is then cheaper.
wineserver -k 2>/dev/null
wineserver -w 2>/dev/null
case "$mode" in
  tcp)
    wineserver -p
    uid=E004010000000033
    start_sim --lan 127.0.0.1-0 --lan-no-config --tag nxp:$uid
    lan=$sim_name
    [[ "$lan" =~ ^127\.0\.0\.1-[0-9]+$ ]] || { fail "start: \"$lan\""; cat "$work/sim.err"; exit 1; }
    compare "lan info" "$lan" "$lan" "Firmware:" info
    compare "lan program" "$lan" "$lan" "" program --value 4711 --start 8 --bytes 4
    compare "lan readback" "$lan" "$lan" 4711 readback --start 8 --bytes 4
    compare "lan dump" "$lan" "$lan" "UID: $uid" dump
    ;;
  com)
    wineserver -p
    socat -d -d pty,raw,echo=0 pty,raw,echo=0 2>"$work/socat.err" &
    pids+=($!)
    for _ in $(seq 100); do
      [ "$(grep -c 'PTY is' "$work/socat.err")" = 2 ] && break
      sleep 0.05
    done
    mapfile -t ends < <(sed -n 's/.*PTY is \(.*\)$/\1/p' "$work/socat.err")
    [ ${#ends[@]} = 2 ] || { fail "socat made no pty pair"; cat "$work/socat.err"; exit 1; }
    # COM5.. are left to wine_vesmor.sh (pts number + 5); this one is past them.
    ln -sfn "${ends[0]}" "$WINEPREFIX/dosdevices/com256"
    start_sim --port COM256 --tag nxp:E004010000000044
    port=$sim_name
    [ "$port" = COM256 ] || { fail "start: \"$port\""; cat "$work/sim.err"; exit 1; }
    compare "com info" "${ends[1]}" - "Firmware:" info
    compare "com program" "${ends[1]}" - "" program --value 4711 --start 8 --bytes 4
    compare "com readback" "${ends[1]}" - 4711 readback --start 8 --bytes 4
    # Ctrl+C (Wine turns SIGINT into CTRL_C_EVENT) ends it with exit code 0.
    kill -INT "$sim_pid"
    for _ in $(seq 100); do
      kill -0 "$sim_pid" 2>/dev/null || break
      sleep 0.05
    done
    if kill -0 "$sim_pid" 2>/dev/null; then
      fail "Ctrl+C: still running after 5 s"
    else
      wait "$sim_pid"
      rc=$?
      [ "$rc" = 0 ] && echo "ok     Ctrl+C" || fail "Ctrl+C: exit $rc"
    fi
    rm -f "$WINEPREFIX/dosdevices/com256"
    ;;
  config)
    [ "$(id -u)" = 0 ] || { echo "needs root for a network namespace"; exit 77; }
    command -v unshare >/dev/null && command -v ip >/dev/null || { echo "no unshare or ip"; exit 77; }
    # The rest runs in a network namespace of its own: the loopback and a veth pair, the tool
    # on one end (10.77.0.1), the reader on the other (10.77.0.2), so that the tool's broadcasts
    # reach the reader and nothing else. Wine binds a datagram socket to an interface, not to
    # its address, and the two ends then talk over the pair: each end takes datagrams from the
    # other local address.
    export -f wineserver_pid start_sim compare fail
    export bin linux work
    unshare -n bash -c '
      set -u
      failures=0
      pids=()
      ip link set lo up && ip link add lan0 type veth peer name lan1 &&
        ip addr add 10.77.0.1/24 dev lan0 && ip addr add 10.77.0.2/24 dev lan1 &&
        ip link set lan0 up && ip link set lan1 up && ip route add default dev lan0 || exit 77
      for end in all lan0 lan1; do
        echo 1 >/proc/sys/net/ipv4/conf/$end/accept_local
        echo 0 >/proc/sys/net/ipv4/conf/$end/rp_filter
      done
      wineserver -p
      server=$(wineserver_pid)
      if [ -z "$server" ] || [ "$(readlink /proc/$server/ns/net)" != "$(readlink /proc/self/ns/net)" ]; then
        echo "FAILED the wineserver is not in the test namespace"; exit 1
      fi
      reader=10.77.0.2
      start_sim --lan $reader --tag nxp:E004010000000055
      lan=$sim_name
      [ "$lan" = $reader-10001 ] || { echo "FAILED start: \"$lan\""; cat "$work/sim.err"; exit 1; }
      tool() {
        "$@" >"$work/tool.out" 2>"$work/tool.err"
        rc=$?
        tr -d "\r" <"$work/tool.out" >"$work/tool.txt"
        return $rc
      }
      check() {
        local name=$1 expected=$2
        shift 2
        if tool "$@" && grep -qF -- "$expected" "$work/tool.txt"; then
          echo "ok     $name"
        else
          echo "FAILED $name: exit $rc, no \"$expected\""; head -5 "$work/tool.txt" "$work/tool.err"
          failures=$((failures + 1))
        fi
      }
      check "lan search (Linux vesmor)" "$lan" "$linux" lan search
      check "lan search (vesmor.exe)" "$lan" wine "$bin/vesmor.exe" lan search --readers
      check "lan show (vesmor.exe)" "TCP-Port:      ${lan#*-}" wine "$bin/vesmor.exe" lan show $reader
      check "lan show address (vesmor.exe)" "Adresse:       $reader" cat "$work/tool.txt"
      check "lan dump over TCP (vesmor.exe)" "UID: E004010000000055" wine "$bin/vesmor.exe" dump -p "$lan"
      wineserver -k
      kill "${pids[@]}" 2>/dev/null
      wait 2>/dev/null
      [ "$failures" = 0 ]
    '
    exit $?
    ;;
  *) echo "unknown mode $mode"; exit 2 ;;
esac
[ "$failures" = 0 ]
