#!/bin/sh
# check_fault.sh VMHOST PLUGIN CHECK SHOWS OUT ALONE NAMES
#
# VMHOST is the command that runs vmhost (words split at blanks: under wine,
# the emulator and vmhost.exe).
# Runs `vmhost validate PLUGIN` at strictness 10 with --out OUT and checks
# that it exits with 1, that CHECK failed and (ALONE: alone) every other check
# passed or was skipped, in the table and in validate.xml; that the table
# names the fault (NAMES, an extended regular expression) and, for a crash,
# marks the plug-in's frames in its stack; and that the scenario left in
# OUT/CHECK.vms has at most six lines and shows the fault when replayed with
# `vmhost run` (SHOWS: crash, hang, contract, nan, coefficient, differs,
# exit, cut) or with its check's oracle (judged).
vmhost=$1 plugin=$2 check=$3 shows=$4 out=$5 alone=$6 names=$7
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$out" && mkdir -p "$out" || exit 1
$vmhost validate "$plugin" --strictness 10 --out "$out" >"$out/table.txt" 2>&1
status=$?
cat "$out/table.txt"
[ $status -eq 1 ] || fail "validate exited with $status, not 1"
failed=$(awk '$2 == "FAIL" { print $1 }' "$out/table.txt")
echo "$failed" | grep -qx -- "$check" || fail "$check did not fail"
grep -Eq -- "$names" "$out/table.txt" || fail "the table does not say: $names"
if [ "$shows" = crash ]; then
    grep -q -- "<- the plug-in" "$out/table.txt" || fail "no frame of the plug-in is marked"
fi
xml=$(awk '/<testcase /{ name = $0 } /<failure /{ print name }' "$out/validate.xml")
case $xml in *"name=\"$check\""*) ;; *) fail "validate.xml has no failure for $check" ;; esac
if [ "$alone" = alone ]; then
    [ "$failed" = "$check" ] || fail "failed: '$failed', expected only '$check'"
    others=$(awk '$2 == "PASS" || $2 == "SKIP" { n++ } END { print n + 0 }' "$out/table.txt")
    total=$(awk '/^[0-9]+ checks:/ { print $1 }' "$out/table.txt")
    [ "$others" -eq $((total - 1)) ] || fail "$others checks passed or skipped, not $((total - 1))"
    [ "$(grep -c '<failure ' "$out/validate.xml")" -eq 1 ] || fail "validate.xml has more failures"
fi

repro=$out/$check.vms
lines=$(grep -cv '^#' "$repro")
[ "$lines" -le 6 ] || fail "$repro has $lines lines, more than six"
echo "--- $repro"; cat "$repro"

replay() { # FOLDER: runs the repro there; leaves trace.txt and its status
    mkdir -p "$out/$1" && cd "$out/$1" || exit 1
    timeout 5 $vmhost run "$repro" --trace trace.txt >/dev/null 2>&1
    echo $? >status.txt
    cd - >/dev/null || exit 1
}
replay run
status=$(cat "$out/run/status.txt")
trace=$out/run/trace.txt
case $shows in
    crash) [ $status -ne 0 ] && [ $status -ne 2 ] && [ $status -ne 3 ] && [ $status -ne 124 ] ;;
    hang) [ $status -eq 124 ] ;;
    contract) [ $status -eq 3 ] && grep -q '^! ' "$trace" ;;
    nan) grep -Eq '^[A-Za-z][^=]* -?nan( |$)' "$trace" ;;
    coefficient) grep -q '^< .*nan' "$trace" ;;
    differs) replay again && ! cmp -s "$trace" "$out/again/trace.txt" ;;
    exit) [ $status -eq 4 ] && tail -n 1 "$trace" | grep -q '^# the plug-in ended the process' ;;
    cut) [ $status -eq 0 ] && [ "$(tail -n 1 "$trace")" != "> unload" ] ;;
    judged)
        $vmhost validate "$plugin" --only "$check" --replay "$repro" >/dev/null 2>&1
        [ $? -eq 1 ] ;;
esac || fail "the replay of $repro does not show the fault ($shows; status $status)"
echo "replayed: $shows"
