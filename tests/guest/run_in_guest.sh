#!/bin/sh
# In the guest: runs the i686 build's wine and e2e tests and leaves their
# outcomes and outputs in RESULTS (JUnit XML) for the host's tests to report.
# Fails only when no results came out.
set -u
build=$1
results=$2
rm -f "$results"
# The soak's full counts would take about half an hour under emulation.
export BRIMSHADE_SOAK_DIVISOR=40
# Within the e2e tests' own 60-second limit.
export BRIMSHADE_E2E_DEADLINE=40
ctest --test-dir "$build" --parallel 2 -L '^(wine|e2e)$' --output-on-failure --output-junit "$results" \
    --test-output-size-failed 1000000
[ -s "$results" ]
