#!/usr/bin/env bash
# Installs what is missing, builds, makes the data set into run/ and starts the game there.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh"
mkdir -p "$root/run"
if [[ -x "$root/build/tools/tolvi_makedata" ]]; then
    "$root/build/tools/tolvi_makedata" "$root/run"
fi
cd "$root/run"
exec "$root/build/tolvi"
