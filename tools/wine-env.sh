# The wine settings every program of this project runs with, in one place.
# The shell scripts source this file; the Python ones read its two exports
# through tools/wine_session.py, so each stays one plain NAME=VALUE line.
#
# No wine debug channels: a test's output is the program's own. No Mono or
# Gecko: the program needs neither, and a new prefix would offer to install
# them.
export WINEDEBUG=-all
export WINEDLLOVERRIDES=mscoree,mshtml=

# A program that crashes would start wine's debugger, which by default opens
# a dialog that nobody will ever close and keeps the program alive; without
# the dialog it ends the program with a status that varies from run to run.
# With no debugger to start, wine prints the exception and its address and
# ends the program at once with the exception code as its status, of which
# Unix keeps the low byte. Sets it in $WINEPREFIX; the output goes to $1.
turn_off_wine_debugger() {
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
        >>"$1" 2>&1 </dev/null
}
