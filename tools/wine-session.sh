#!/bin/sh
# start DIR: creates a wine prefix under DIR on first use, starts an Xvfb
# display for it and keeps its wineserver running, so that each test program
# starts in well under a second instead of several.
# stop DIR: ends the wineserver and the display that start began.
set -eu
. "$(dirname "$0")/wine-env.sh"
action=$1
dir=$2
export WINEPREFIX="$dir/prefix"

start() {
    mkdir -p "$dir"
    # What an interrupted run left behind would hold on to a dead display.
    stop
    rm -f "$dir/display"
    Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/xvfb.log" 2>&1 &
    echo $! >"$dir/xvfb.pid"
    for _ in $(seq 100); do
        [ -s "$dir/display" ] && break
        sleep 0.1
    done
    [ -s "$dir/display" ] || { echo "Xvfb did not start" >&2; exit 1; }
    export DISPLAY=":$(cat "$dir/display")"
    mkdir -p "$WINEPREFIX"
    # The virtual machine brings a prefix made in advance: creating one there
    # takes a minute.
    if [ -n "${BRIMSHADE_WINE_PREFIX_SEED:-}" ] && [ ! -e "$WINEPREFIX/system.reg" ]; then
        tar -xf "$BRIMSHADE_WINE_PREFIX_SEED" -C "$WINEPREFIX"
    fi
    wineserver --persistent >/dev/null 2>&1 </dev/null
    # Brings up the prefix (creating it on first use) and its service
    # processes now, with no descriptor of ctest's to inherit: they outlive
    # every test and would otherwise keep ctest waiting for the test's output.
    timeout 300 wine wineboot >"$dir/wineboot.log" 2>&1 </dev/null || true
    [ -d "$WINEPREFIX/drive_c/windows/system32" ] || { echo "wine prefix was not created; see $dir/wineboot.log" >&2; exit 1; }
    turn_off_wine_debugger "$dir/wineboot.log" ||
        { echo "could not turn off wine's debugger; see $dir/wineboot.log" >&2; exit 1; }
}

stop() {
    [ -d "$WINEPREFIX" ] && { timeout 30 wineserver --kill 2>/dev/null || true; }
    if [ -f "$dir/xvfb.pid" ]; then
        kill "$(cat "$dir/xvfb.pid")" 2>/dev/null || true
        rm -f "$dir/xvfb.pid"
    fi
}

case $action in
start) start ;;
stop) stop ;;
*) echo "usage: $0 start|stop DIR" >&2; exit 2 ;;
esac
