#!/usr/bin/env bash
# Builds ToranCal and starts it against the simulated instrument: toran-sim serves a
# pseudo-terminal linked as COM1 in a private port directory, and the calibrator opens it.
# Extra arguments go to the calibrator ("expert" switches expert mode on, "--language en" shows
# the window in English).
# Type commands for the simulator (for example "load 1.25") into this terminal while it runs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/setup-deps.sh

cmake --preset dev >/dev/null
cmake --build --preset dev --target torancal toran-sim torancal-cli

ports=$(mktemp -d)
sim_pid=""
cleanup() {
    [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true
    rm -rf "$ports"
}
trap cleanup EXIT

# A script's background job would read /dev/null, and the simulator ends at the end of its
# input: hand it this terminal.
build/bin/toran-sim --link "$ports/COM1" <&0 &
sim_pid=$!
for _ in $(seq 50); do
    [ -e "$ports/COM1" ] && break
    sleep 0.1
done

echo "Simulated Toran R-40 on COM1. Type 'help' for the simulator's commands."
cli="$PWD/build/bin/torancal-cli"
echo "The command line, in another terminal while the calibrator shows its port page:"
echo "  $cli read --port $ports/COM1"
echo "  $cli backup --port $ports/COM1 -o /tmp/toran-backup.json"
echo "  $cli verify --port $ports/COM1 /tmp/toran-backup.json"
echo "  $cli restore --port $ports/COM1 /tmp/toran-backup.json"
TORANCAL_PORT_DIR="$ports" build/bin/torancal "$@"
