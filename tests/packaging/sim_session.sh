# Sourced by the packaging tests: starts a simulated reader (program $1, further arguments for
# it) with one transponder in its field, sets $port to its pseudo-terminal and stops it on exit.
start_simulator() {
  local program=$1
  shift
  sim_out=$(mktemp)
  "$program" --tag nxp "$@" >"$sim_out" &
  sim_pid=$!
  trap 'kill $sim_pid 2>/dev/null; rm -f "$sim_out"; cleanup' EXIT
  for _ in $(seq 50); do
    port=$(head -1 "$sim_out")
    [ -n "$port" ] && return 0
    sleep 0.1
  done
  echo "the simulator did not start" >&2
  return 1
}
