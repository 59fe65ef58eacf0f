#!/usr/bin/env bash
# Sets up a fresh machine, builds, lays a demo application folder and runs the program on it
# with the virtual instrument behind the configured serial port.
# The application folder is $QUORVEL_HOME when set, else build/app-folder; a folder without
# config.dat gets the installation data and a demo project on port $QV_DEMO_PORT (default 4).
# Arguments are passed to the program (for example /run).
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset dev >/dev/null
targets=(quorvel quorvel-tool)
if [ -f src/cli/sim_main.cpp ]; then
    targets+=(quorvel-sim)
fi
cmake --build --preset dev -j "$(nproc)" --target "${targets[@]}"

bin=build/dev/src
tool=$bin/cli/quorvel-tool
app=${QUORVEL_HOME:-build/app-folder}
if [ ! -f "$app/config.dat" ]; then
    "$tool" init --app-folder "$app" >/dev/null
    "$tool" demo-project --app-folder "$app" --port "${QV_DEMO_PORT:-4}" >/dev/null
    echo "laid a demo application folder in $app"
fi
# The port the program will look at first: Serial_COM, the third number of config.dat.
port=$(awk -F, 'NR == 2 { gsub(/[^0-9]/, "", $3); print $3 }' "$app/config.dat")
port=${port:-4}

if [ -x "$bin/cli/quorvel-sim" ]; then
    mkdir -p build/run
    link="$PWD/build/run/COM$port"
    "$bin/cli/quorvel-sim" --link "$link" &
    sim=$!
    trap 'kill "$sim" 2>/dev/null || true' EXIT
    for _ in $(seq 50); do
        [ -e "$link" ] && break
        sleep 0.1
    done
    export "QUORVEL_COM$port=$link"
    echo "virtual instrument on COM$port ($link)"
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
    echo "run.sh: no display here; run it from a desktop session (or under xvfb-run)" >&2
    exit 2
fi
QUORVEL_HOME="$app" "$bin/app/quorvel" "$@"
