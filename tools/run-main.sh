#!/usr/bin/env bash
# Sets up, builds, installs the VST3 into ~/.vst3 and plays the default project through the built
# bundle against a held C major seventh chord, printing the MIDI the plug-in produces.
set -euo pipefail
cd "$(dirname "$0")/.."

./tools/setup.sh

build=${VARNET_BUILD_DIR:-build}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPython3_EXECUTABLE=/usr/bin/python3 -DVARNET_COPY_PLUGIN=ON
cmake --build "$build" -j "$(nproc)" --target VarneT_All varnet-probe

bundle="$HOME/.vst3/Varne-T.vst3"
"$build/tools/probe/varnet-probe" info "$bundle"
"$build/tools/probe/varnet-probe" render "$bundle" --bpm 120 --rate 48000 --block 512 --beats 8 --chord 48,60,64,67,71
