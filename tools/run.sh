#!/bin/sh
# Builds the program and shows it. The shipped build is the 32-bit one, which
# cannot run on this machine's kernel; what is shown is the x86_64 build of the
# same sources, under wine64.
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
cmake --preset win64 && cmake --build --preset win64

program=build/win64/brimshade.exe
# A visible pixel of the artwork, where the pointer rests so that the Escape
# key goes to the window (there is no window manager to give it the focus).
visible_point="244 158"
session=$PWD/build/run-session
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

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
cmake/wine-session.sh start "$session"
trap 'cmake/wine-session.sh stop "$session"' EXIT
export WINEPREFIX="$session/prefix" DISPLAY=":$(cat "$session/display")"
/usr/bin/python3 tests/e2e/desktop.py

rm -f "$session/exit-code"
(
    status=0
    wine "$program" >build/run-wine.log 2>&1 </dev/null || status=$?
    echo $status >"$session/exit-code"
) &
timeout 30 xdotool search --sync --onlyvisible --class brimshade.exe >/dev/null
sleep 1  # lets the first paint reach the screen
timeout 30 import -window root -crop 560x380+0+0 build/screenshot.png
echo "saved build/screenshot.png"

timeout 10 xdotool mousemove $visible_point key Escape
for _ in $(seq 100); do
    [ -s "$session/exit-code" ] && break
    sleep 0.1
done
[ -s "$session/exit-code" ] || { echo "brimshade.exe did not end on Escape" >&2; exit 1; }
echo "brimshade.exe ended on Escape with exit code $(cat "$session/exit-code")"
