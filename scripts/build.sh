#!/usr/bin/env bash
# Configures and builds into build/ (or the folder named by TOLVI_BUILD_DIR,
# relative to the checkout). Extra arguments go to cmake. TOLVI_TARGETS names
# the targets to build, separated by blanks (default: every target).
# TOLVI_JOBS sets the number of parallel jobs (default: every core).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/${TOLVI_BUILD_DIR:-build}"
targets=()
if [[ -n "${TOLVI_TARGETS:-}" ]]; then
    read -ra names <<<"$TOLVI_TARGETS"
    targets=(--target "${names[@]}")
fi
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@"
cmake --build "$build" --parallel "${TOLVI_JOBS:-$(nproc)}" "${targets[@]}"
