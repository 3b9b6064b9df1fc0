#!/bin/sh
# show-on-virtual-display.sh PROGRAM SCREENSHOT SESSION
# Shows a build of the program under wine on a virtual display of its own over
# a checker pattern, photographs it into SCREENSHOT and ends it with Escape.
# SESSION is the directory for the display and the wine prefix. Run from the
# top of the checkout.
set -eu
program=$1
screenshot=$2
session=$3
# A visible pixel of the artwork, where the pointer rests so that the Escape
# key goes to the window (there is no window manager to give it the focus).
visible_point="244 158"
log=$session/program.log
. tools/wine-env.sh

tools/wine-session.sh start "$session"
trap 'tools/wine-session.sh stop "$session"' EXIT
export WINEPREFIX="$session/prefix" DISPLAY=":$(cat "$session/display")"
/usr/bin/python3 tests/e2e/desktop.py

rm -f "$session/exit-code"
(
    status=0
    wine "$program" >"$log" 2>&1 </dev/null || status=$?
    echo $status >"$session/exit-code"
) &
timeout 60 xdotool search --sync --onlyvisible --class "$(basename "$program")" >/dev/null
sleep 1  # lets the first paint reach the screen
timeout 60 import -window root -crop 560x380+0+0 "$screenshot"
echo "saved $screenshot"

timeout 10 xdotool mousemove $visible_point key Escape
for _ in $(seq 300); do
    [ -s "$session/exit-code" ] && break
    sleep 0.1
done
[ -s "$session/exit-code" ] || { echo "$(basename "$program") did not end on Escape" >&2; exit 1; }
echo "$(basename "$program") ended on Escape with exit code $(cat "$session/exit-code")"
