#!/bin/sh
# trace_diff.sh LINUX_BIN WINDOWS_BIN WINE_RUN WINE_PREFIX WORKDIR SCENARIO [WINDOWS_SCENARIO]
#
# Runs SCENARIO with the Linux vmhost (in LINUX_BIN) and with vmhost.exe (in
# WINDOWS_BIN) under wine, each in a fresh folder below WORKDIR, and compares
# what they leave behind (WINDOWS_SCENARIO, if given, is the same scenario
# naming the Windows file of a test plug-in):
#   - the traces, line for line and byte for byte (LF line ends on both);
#   - the exit statuses;
#   - the error output, up to line ends, without the "note:" lines that give
#     the operating system's own reason for a failure;
#   - the sound logs, up to line ends (a text file: CRLF on Windows).
# The Linux vmhost writes its trace to a file (--trace), vmhost.exe to its
# standard output: both ways must give "\n" line ends. "%{bin}" in the
# scenario stands for the folder of the vmhost that runs it.
# Exit status 0 when everything is equal, 77 when there is no Linux vmhost to
# compare with.
linux_bin=$1 windows_bin=$2 wine_run=$3 wine_prefix=$4 work=$5 scenario=$6
windows_scenario=${7:-$6}
if [ ! -x "$linux_bin/vmhost" ]; then
    echo "skipped: no Linux vmhost in $linux_bin (build it first)"
    exit 77
fi
name=$(basename "$scenario")
args=$(sed -n 's/^#ARGS: *//p' "$scenario" | tr '\n' ' ')

# run_one SIDE BIN SCENARIO TRACE_OPTION COMMAND...: runs SCENARIO in
# WORKDIR/SIDE; TRACE_OPTION "file" traces with --trace, "stdout" without.
run_one() {
    side=$1 bin=$2 file=$3 to=$4
    shift 4
    rm -rf "${work:?}/$side"
    mkdir -p "$work/$side"
    sed "s|%{bin}|$bin|g" "$file" >"$work/$side/$name"
    (
        cd "$work/$side" || exit 1
        # shellcheck disable=SC2086 # the scenario's extra arguments are words
        if [ "$to" = file ]; then
            "$@" run "$name" $args --trace trace.txt >stdout.txt 2>stderr.txt
        else
            "$@" run "$name" $args >trace.txt 2>stderr.txt
        fi
        echo $? >status.txt
    )
    # Line ends and the folder of vmhost aside, error output must agree.
    tr -d '\r' <"$work/$side/stderr.txt" | grep -v ': note: ' |
        sed "s|$bin|%{bin}|g" >"$work/$side/errors.txt"
    if [ -f "$work/$side/VelmoraSound_Log.txt" ]; then
        tr -d '\r' <"$work/$side/VelmoraSound_Log.txt" >"$work/$side/log.txt"
    else
        echo "(no sound log)" >"$work/$side/log.txt"
    fi
}

run_one linux "$linux_bin" "$scenario" file "$linux_bin/vmhost"
run_one windows "$windows_bin" "$windows_scenario" stdout \
    sh "$wine_run" "$wine_prefix" "$windows_bin/vmhost.exe"

status=0
for f in status.txt trace.txt errors.txt log.txt; do
    if ! cmp -s "$work/linux/$f" "$work/windows/$f"; then
        echo "$scenario: $f differs between Linux and Windows:"
        diff "$work/linux/$f" "$work/windows/$f" | head -n 20
        status=1
    fi
done
if [ -f "$work/windows/VelmoraSound_Log.txt" ] &&
    grep -q -v "$(printf '\r')\$" "$work/windows/VelmoraSound_Log.txt"; then
    echo "$scenario: the Windows sound log has a line without CRLF"
    status=1
fi
[ $status -eq 0 ] && echo "$scenario: the same on Linux and Windows ($(wc -l <"$work/linux/trace.txt") trace lines)"
exit $status
