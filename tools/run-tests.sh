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

# The editor opened and closed, and the strips and the timeline at every size, once more under the
# address and undefined-behaviour sanitizers, in the fuzzers' clang build (JUCE is compiled there
# already): a leak, a use after free (a timer or a delayed call reaching a closed editor) or
# undefined behaviour fails the run.
fuzz=${VARNET_FUZZ_BUILD_DIR:-build-fuzz}
cmake --build "$fuzz" -j "$jobs" --target varnet_editor_tests
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
    xvfb-run -a -s "-screen 0 1920x1200x24 -noreset" \
    "$fuzz/tests/editor/varnet_editor_tests" --gtest_filter='EditorLifecycle.*:TimelineCanvas*:CanvasFixture.*:SequenceStrip*:StripFixture.*'

# The screen holds the editor at its largest default size, so every control can be clicked; the
# server is never reset between test programs, or a program starting in that moment finds no display.
xvfb-run -a -s "-screen 0 1920x1200x24 -noreset" \
    ctest --test-dir "$build" --output-on-failure --no-tests=error -j "$jobs"
