#!/bin/sh
# Builds every preset and runs every test; exits non-zero on the first failure.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
# fuzz includes a minute of fuzzing the scan.
for preset in host fuzz win32 win64; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
# The benchmarks are only built here, so that they keep compiling; running them
# is described in BENCHMARKS.md.
cmake --preset bench
cmake --build --preset bench
echo "all tests passed"
