#!/bin/sh
# pair.sh VMHOST OLD NEW STATUS GROUP DIR
#
# VMHOST is the command that runs vmhost (words split at blanks: under wine,
# the emulator and vmhost.exe). Runs `vmhost compare OLD NEW` on the pairs'
# scenario (compare_test.cpp's: F pressed at step 500 of 1000) in DIR and
# checks that it exits with STATUS and that its JSON holds GROUP ("CALL
# KIND COUNT"), or no group for an empty GROUP.
vmhost=$1 old=$2 new=$3 status=$4 group=$5 dir=$6
fail() { echo "FAIL: $*"; exit 1; }
rm -rf "$dir" && mkdir -p "$dir" && cd "$dir" || exit 1
printf 'load variant\ncreate v1\nset v1 altitude 1234.5\nstep 500\nkey v1 F\nstep 500\nunload\n' >s.vms
$vmhost compare "$old" "$new" --scenario s.vms --json r.json
s=$?
[ $s -eq "$status" ] || fail "compare exited with $s, not $status"
seen=$(sed -n 's/.*{"call": "\([^"]*\)", "kind": "\([a-z]*\)", "count": \([0-9]*\),.*/\1 \2 \3/p' r.json)
[ "$seen" = "$group" ] || fail "groups '$seen', not '$group'"
