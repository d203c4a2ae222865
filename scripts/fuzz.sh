#!/bin/sh
# Builds the libFuzzer targets with clang in build/fuzz and runs every one
# (build/fuzz/bin/fuzz_*), or those named, for a bounded time (SECONDS,
# default 60) from its checked-in corpus fuzz/corpus/NAME, where there is one;
# the scenario fuzzer also starts from every scenario of the repository, and
# first reads once each of the inputs made here (tokens of a megabyte). A
# crash, a sanitizer report, a leak or a hang fails the run. What a fuzzer
# finds is left in build/fuzz/work/NAME/ (crash-*, leak-*, timeout-*).
#
#     sh scripts/fuzz.sh [SECONDS [NAME...]]
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}
[ $# -gt 0 ] && shift

# Only the code under test gets libFuzzer's coverage instrumentation: the
# plug-in code (sdk/, frame/, kit/, sound/ and every aircraft's folder),
# vmhost's reader and the fuzzers. The host, its flight model and the rest of
# vmhost are sanitized but not instrumented: their counters would only slow
# every input down. Optimised, as fuzzers are: it is the number of inputs a
# second that finds faults.
aircraft=$(sed -n 's/^set(VM_AIRCRAFT \(.*\))$/\1/p' CMakeLists.txt)
mkdir -p build/fuzz
allow=$root/build/fuzz/coverage-allowlist.txt
{
    for folder in sdk frame kit sound fuzz $aircraft; do echo "src:$root/$folder/*"; done
    echo "src:$root/vmhost/reader.cpp"
    echo "fun:*"
} >"$allow"
cmake --preset fuzz -DCMAKE_CXX_FLAGS="-fsanitize-coverage-allowlist=$allow" >/dev/null
cmake --build --preset fuzz

# Inputs too big to keep in the repository or to mutate at speed, read once
# before fuzzing: a megabyte-long token where a name, a number, a path and a
# command go.
long_inputs=$root/build/fuzz/long-inputs
rm -rf "$long_inputs"
mkdir -p "$long_inputs"
long=$(head -c 1048576 /dev/zero | tr '\0' 7)
first=${aircraft%% *}
printf 'load %s\ncreate v1\nstep %s\n' "$first" "$long" >"$long_inputs/long-number.vms"
printf 'load %s\ncreate v%s\n' "$first" "$long" >"$long_inputs/long-name.vms"
printf 'sound /%s\n' "$long" >"$long_inputs/long-path.vms"
printf '%s\n' "$long" >"$long_inputs/long-command.vms"

if [ $# -gt 0 ]; then
    programs=""
    for name in "$@"; do programs="$programs $root/build/fuzz/bin/fuzz_$name"; done
else
    programs=$(ls "$root"/build/fuzz/bin/fuzz_*)
fi
status=0
for program in $programs; do
    target=${program##*/fuzz_}
    work=build/fuzz/work/$target
    rm -rf "$work"
    mkdir -p "$work/new"
    seeds="$root/fuzz/corpus/$target"
    [ -d "$seeds" ] || seeds=""
    case $target in
        scenario) extra="$root/tests/scenarios $root/examples"; max_len=256 ;;
        altitude_text) extra=""; max_len=16 ;;
        *) extra=""; max_len=256 ;;  # an aircraft: longer inputs are cut short
    esac
    echo "== fuzz_$target: $seconds s"
    if [ "$target" = scenario ] && ! (cd "$work" && "$program" "$long_inputs"/* >long.txt 2>&1); then
        status=1
        echo "fuzz_$target FAILED on a long input:"
        tail -n 60 "$work/long.txt"
    fi
    # New inputs go to new/; the checked-in corpus stays as it is.
    if (cd "$work" && "$program" -max_total_time="$seconds" \
            -timeout=10 -max_len=$max_len -print_final_stats=1 new $seeds $extra \
            >log.txt 2>&1); then
        grep -E '^stat::number_of_executed_units|^stat::average_exec_per_sec|^stat::new_units_added' \
            "$work/log.txt"
    else
        status=1
        echo "fuzz_$target FAILED:"
        tail -n 60 "$work/log.txt"
    fi
done
exit $status
