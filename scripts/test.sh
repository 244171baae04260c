#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors and runs every test
# headless: SDL's offscreen video driver (OpenGL through Mesa's EGL) and an
# audio driver that needs no sound card.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/deps.sh"
"$root/scripts/build.sh" -DTOLVI_WERROR=ON
export SDL_VIDEODRIVER=offscreen
export SDL_AUDIODRIVER=dummy
cd "$root/build"
ctest --output-on-failure --parallel "$(nproc)" --timeout 300
