#!/bin/sh
# Builds the program and shows it. The shipped build is the 32-bit one, which
# cannot run on this machine's kernel; what is shown is the x86_64 build of the
# same sources, under wine64.
#
# With --i686 the shipped build itself is shown, under wine32 in the virtual
# machine of tools/guest32.sh, on a virtual display there: photographed into
# build/screenshot-i686.png and ended with Escape (display and prefix in
# build/run-session-i686).
#
# With a reachable X display ($DISPLAY) the window appears there, to be dragged
# and ended with Escape (wine prefix build/run-prefix). Without one, the program
# is shown on a virtual display over a checker pattern, photographed into
# build/screenshot.png and ended with Escape (display and prefix in
# build/run-session).
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh
cmake --preset win32 && cmake --build --preset win32
if [ "${1:-}" = --i686 ]; then
    exec tools/guest32.sh run --share "$PWD" \
        tools/show-on-virtual-display.sh build/win32/brimshade.exe build/screenshot-i686.png "$PWD/build/run-session-i686"
fi
cmake --preset win64 && cmake --build --preset win64

program=build/win64/brimshade.exe
. tools/wine-env.sh

if [ -n "${DISPLAY:-}" ] && timeout 5 xdpyinfo >/dev/null 2>&1; then
    export WINEPREFIX="$PWD/build/run-prefix"
    # Creates the prefix on first use. wine's service processes outlive this
    # command, so they get the log rather than this script's output.
    timeout 300 wine wineboot >build/run-wine.log 2>&1 </dev/null
    echo "showing the program on $DISPLAY: drag it from any visible point; Escape ends it"
    status=0
    wine "$program" >>build/run-wine.log 2>&1 </dev/null || status=$?
    echo "brimshade.exe ended with exit code $status"
    exit 0
fi

# No display: a virtual one of its own, with a prefix of its own.
tools/show-on-virtual-display.sh "$program" build/screenshot.png "$PWD/build/run-session"
