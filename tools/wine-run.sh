#!/bin/sh
# Runs a Windows program of this build under wine64, in the build's own prefix
# and on the build's own X display, both set up by wine-session.sh.
set -eu
. "$(dirname "$0")/wine-env.sh"
session=${BRIMSHADE_WINE_SESSION:?run through ctest, which starts the wine session}
WINEPREFIX=$session/prefix
DISPLAY=:$(cat "$session/display")
export WINEPREFIX DISPLAY
exec timeout --kill-after=10 600 wine "$@"
