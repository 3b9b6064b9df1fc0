#!/bin/sh
# Builds every preset and runs every test; exits non-zero on the first failure.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
# The win32 preset's tests run in a virtual machine, whose first preparation
# takes about 8 minutes, mostly downloading; it goes on while the other
# presets build and test.
mkdir -p build
# In a process group of its own, so that a failure before the wait below ends
# it with everything it started; a half-made guest is made anew next time.
setsid tools/guest32.sh prepare >build/guest-prepare.log 2>&1 &
prepare=$!
trap 'kill -- -$prepare 2>/dev/null || true' EXIT
# An interrupt or a termination would end this shell without its EXIT trap;
# exiting from theirs runs it.
trap 'exit 130' INT
trap 'exit 143' TERM
# fuzz includes a minute of fuzzing each of its targets; system-libs is the
# host build linked with the system's libpng and zlib, as distributors may
# build it.
for preset in host system-libs fuzz; do
    cmake --preset "$preset"
    cmake --build --preset "$preset"
    ctest --preset "$preset"
done
# The web page carries the win32 program as make's template, and the win32
# build's release test holds the release's page to the page tested here.
cmake --preset win32
cmake --build --preset win32
cmake --preset web
cmake --build --preset web
ctest --preset web
wait $prepare || { cat build/guest-prepare.log; echo "preparing the virtual machine failed" >&2; exit 1; }
# The preparation has ended: its number may now be another process's.
trap - EXIT INT TERM
ctest --preset win32
cmake --preset win64
cmake --build --preset win64
ctest --preset win64
# The benchmarks are only built here, so that they keep compiling; running them
# is described in BENCHMARKS.md.
cmake --preset bench
cmake --build --preset bench
echo "all tests passed"
