#!/bin/sh
# Runs the snapshot program on the current X display, or on a virtual one when there is none,
# with a temporary home so that no user settings are read or written.
set -eu
program=$1
folder=$2
shift 2
mkdir -p "$folder"
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
mkdir -p "$home/tmp"
export HOME="$home" TMPDIR="$home/tmp"
if [ -n "${DISPLAY:-}" ]; then
    "$program" "$folder" "$@"
else
    xvfb-run -a -s "-screen 0 1920x1200x24" "$program" "$folder" "$@"
fi
