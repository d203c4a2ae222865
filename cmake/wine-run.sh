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

# Now and then wine fails to start a program at all: it exits non-zero having
# printed nothing, and the program never ran (every program run here prints
# something when it fails: a test program its name at once, vmhost its
# reason). Such a run is tried once more; any other result stands.
out=$(mktemp) && err=$(mktemp) || exit 125
trap 'rm -f "$out" "$err"' EXIT
wine "$@" >"$out" 2>"$err"
status=$?
if [ $status -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
    wine "$@" >"$out" 2>"$err"
    status=$?
fi
cat "$out"
cat "$err" >&2
exit $status
