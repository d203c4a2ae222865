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
# reason). Such a run is tried once more; any other result stands. Standard
# output goes on as it comes, so a test that hangs shows how far it got;
# standard error follows at the end.
out=$(mktemp) && err=$(mktemp) && st=$(mktemp) || exit 125
trap 'rm -f "$out" "$err" "$st"' EXIT
run() {
    { wine "$@" 2>"$err"; echo $? >"$st"; } | tee "$out"
    status=$(cat "$st")
}
run "$@"
if [ "$status" -ne 0 ] && [ ! -s "$out" ] && [ ! -s "$err" ]; then
    run "$@"
fi
cat "$err" >&2
exit "$status"
