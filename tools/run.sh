#!/bin/sh
# Builds the program. It has no window yet, so there is nothing to show.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 && cmake --build --preset win32
cmake --preset win64 && cmake --build --preset win64
echo "built build/win32/brimshade.exe and build/win64/brimshade.exe; the window is not written yet"
