#!/usr/bin/env bash
# Installs, configures, builds and runs every test under a virtual display.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

build=${VARNET_BUILD_DIR:-build}
jobs=${VARNET_JOBS:-$(nproc)}

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=/usr/bin/python3
cmake --build "$build" -j "$jobs"

# The parsers under libFuzzer with the sanitizers, briefly (longer: tools/run-fuzzers.sh 600).
VARNET_JOBS="$jobs" ./tools/run-fuzzers.sh "${VARNET_FUZZ_SECONDS:-10}"

# Tests write only below a temporary home of their own.
export HOME="$(mktemp -d)"
export TMPDIR="$HOME/tmp"
mkdir -p "$TMPDIR"
trap 'rm -rf "$HOME"' EXIT

xvfb-run -a -s "-screen 0 1280x1024x24" \
    ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs"
