#!/bin/sh
# A command that fails in the guest: its status and its output must come back.
set -u
guest32=$1
output=$("$guest32" run sh -c 'echo marker-from-the-guest; exit 3' 2>&1)
status=$?
echo "$output"
[ "$status" = 3 ] || { echo "expected status 3, got $status"; exit 1; }
echo "$output" | grep -qx marker-from-the-guest || { echo "the command's output did not come back"; exit 1; }
