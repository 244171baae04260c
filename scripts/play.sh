#!/usr/bin/env bash
# Installs what is missing, builds the game and the data set maker, makes the
# data set into run/ and starts the game there. A run/level.txt that the player
# changed is kept (the maker says so); the made one is run/level.default.txt.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
TOLVI_TARGETS="tolvi tolvi_makedata" "$root/scripts/build.sh"
mkdir -p "$root/run"
"$root/build/tools/tolvi_makedata" "$root/run"
cd "$root/run"
exec "$root/build/tolvi"
