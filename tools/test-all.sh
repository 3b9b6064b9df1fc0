#!/bin/sh
# Builds every preset and runs every test; exits non-zero on the first failure.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
for preset in host win32 win64; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
echo "all tests passed"
