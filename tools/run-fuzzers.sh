#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in their own build folder and runs each one. The folder's
# layers are built with the address and undefined-behaviour sanitizers, for the tests run there too.
# Usage: tools/run-fuzzers.sh [seconds per fuzzer, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-${VARNET_FUZZ_SECONDS:-20}}
build=${VARNET_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${VARNET_JOBS:-3}

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DPython3_EXECUTABLE=/usr/bin/python3 -DVARNET_BUILD_FUZZERS=ON -DVARNET_SANITIZE=ON
cmake --build "$build" -j "$jobs" --target varnet_fuzzers

status=0
for fuzzer in "$build"/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] || continue
    name=$(basename "$fuzzer")
    topic=${name#fuzz_}
    # New inputs go to a working corpus in the build folder; the checked-in seeds stay as they are.
    corpus="$build/fuzz/corpus-$topic"
    artifacts="$build/fuzz/artifacts-$topic/"
    mkdir -p "$corpus" "$artifacts"

    options=(-max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="$artifacts")
    [ -f "fuzz/$topic.dict" ] && options+=(-dict="fuzz/$topic.dict")

    echo "== $name for $seconds s"
    if ! "$fuzzer" "${options[@]}" "$corpus" "fuzz/corpus/$topic"; then
        echo "!! $name failed; reproducer in $artifacts" >&2
        status=1
    fi
done
exit $status
