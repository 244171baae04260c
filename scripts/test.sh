#!/usr/bin/env bash
# Installs what is missing, checks the formatting of every tracked C++ file
# and the include layering of src/ (only the platform layer includes SDL, GL,
# socket, OS and codec headers; only the physics and tank sources ODE's), then
# builds with warnings as errors and runs every test headless (SDL's
# offscreen video driver over Mesa's EGL and an audio driver that needs no
# sound card), twice: once in the normal build in build/, once built with
# AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/, where any
# report fails the test that met it. In each build the suite also runs once in
# a single process in a shuffled order. TOLVI_JOBS sets the parallel jobs.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
jobs=${TOLVI_JOBS:-$(nproc)}
export TOLVI_JOBS=$jobs

step() {
    echo "== $1 ($(date +%T))"
}

# The whole suite once more in a single process of the build given, in a
# shuffled order with a fixed seed, in the environment ctest gives each test:
# a test that depends on what an earlier one left behind fails, and in the
# sanitizer build so does anything one test drops unreleased. A hang ends
# after 15 minutes.
shuffled() {
    (cd "$root/$1" && . ./tolvi_tests_environment.sh &&
        GTEST_BRIEF=1 timeout 900 ./tolvi_tests --gtest_shuffle --gtest_random_seed=1)
}

step "dependencies"
"$root/scripts/deps.sh"

step "formatting"
"$root/scripts/format-check.sh"

step "layering"
"$root/scripts/layering-check.sh"

export SDL_VIDEODRIVER=offscreen
export SDL_AUDIODRIVER=dummy

step "build"
TOLVI_BUILD_DIR=build "$root/scripts/build.sh" -DTOLVI_WERROR=ON
step "tests"
(cd "$root/build" && ctest --output-on-failure --parallel "$jobs" --timeout 300)
step "tests shuffled in one process"
shuffled build

# The benchmarks are left out here: they do not run in the suite.
step "sanitizer build"
TOLVI_BUILD_DIR=build-sanitize "$root/scripts/build.sh" -DTOLVI_WERROR=ON -DTOLVI_SANITIZE=ON \
    -DTOLVI_BUILD_BENCH=OFF
step "sanitizer tests"
(cd "$root/build-sanitize" && ctest --output-on-failure --parallel "$jobs" --timeout 600)
step "sanitizer tests shuffled in one process"
shuffled build-sanitize
step "done"
