#!/bin/sh
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under wine, in
# the wine prefix PREFIX (created on first use), for CTest.
#
# A run that finds no wine server starts one together with the prefix's
# background services, and those keep the caller's output pipes open until the
# server gives up three seconds after the program ends: every test would take
# three seconds. So the server is started here and kept for five minutes after
# its last client, and the services are booted with their output sent elsewhere.
WINEPREFIX=$1
shift
WINEDEBUG=${WINEDEBUG:--all}
export WINEPREFIX WINEDEBUG
mkdir -p "$WINEPREFIX"
wineserver -p300 </dev/null >/dev/null 2>&1
wine wineboot </dev/null >/dev/null 2>&1
exec wine "$@"
