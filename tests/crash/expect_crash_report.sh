#!/bin/sh
# usage: expect_crash_report.sh EMULATOR PROGRAM
# Runs a program that crashes and passes when the wine session ended it at
# once, with a non-zero status and the exception and its address in the
# output, and left none of its processes (nor a debugger) running.
set -u
emulator=$1
program=$2
name=$(basename "$program")

# Far below ctest's timeout: a debugger that waits would only end here.
output=$(timeout --kill-after=5 30 "$emulator" "$program" 2>&1)
status=$?
printf '%s\n' "$output"
fail() { echo "FAIL: $*"; exit 1; }

[ $status -ne 124 ] && [ $status -ne 137 ] || fail "$name did not end within 30 s"
[ $status -ne 0 ] || fail "$name crashed but exited with 0"
# An access violation is 0xC0000005; a Unix status keeps its low byte.
[ $status -eq 5 ] || fail "$name exited with $status, not 5 (0xC0000005 & 0xFF)"
printf '%s\n' "$output" | grep -Eq "Unhandled page fault on write access to 0+ at address [0-9A-F]+" ||
    fail "the output does not name the exception and its address"

command -v pgrep >/dev/null || fail "pgrep is missing: cannot tell what is left running"
# This script's own command line names the program too.
left_running() { pgrep -af "$name|winedbg" | grep -v "^$$ "; }
for _ in $(seq 50); do
    left_running >/dev/null || exit 0
    sleep 0.1
done
fail "left running: $(left_running)"
