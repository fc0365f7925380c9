#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing Varne-T.
set -euo pipefail

packages=(build-essential cmake ninja-build pkg-config libgtest-dev libbenchmark-dev juce-modules-source
          libcurl4-openssl-dev xvfb xauth python3 python3-mido clang libclang-rt-14-dev
          libx11-dev libxcb1-dev xdotool xclip x11-apps fonts-dejavu-core)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    sudo_cmd=""
    [ "$(id -u)" -ne 0 ] && sudo_cmd="sudo"
    $sudo_cmd apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo_cmd apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
