#!/usr/bin/env bash
# Sets up a fresh machine, builds, lays an application folder and runs the program on it.
# The application folder is $QUORVEL_HOME when set, else build/app-folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset dev >/dev/null
cmake --build --preset dev -j "$(nproc)" --target quorvel-tool

tool=build/dev/src/cli/quorvel-tool
"$tool" --version
app=${QUORVEL_HOME:-build/app-folder}
if [ ! -f "$app/config.dat" ]; then
    "$tool" init "$app"
fi
# Until the desktop application exists, show what the program loads from that folder.
"$tool" config show --app-folder "$app"
"$tool" project show --app-folder "$app" > "$app/project-show.json"
echo "project settings as loaded: $app/project-show.json"
