#!/bin/sh
# Builds the libFuzzer targets with clang in build/fuzz and runs every one
# (build/fuzz/bin/fuzz_*) for a bounded time (SECONDS, default 60) from its
# checked-in corpus fuzz/corpus/NAME, where there is one; the scenario fuzzer
# also starts from every scenario of the repository. A crash, a sanitizer
# report, a leak or a hang fails the run. What a fuzzer finds is left in
# build/fuzz/work/NAME/ (crash-*, leak-*, timeout-*).
#
#     sh scripts/fuzz.sh [SECONDS]
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
seconds=${1:-60}

CC=clang CXX=clang++ cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=Debug -DVM_FUZZ=ON >/dev/null
cmake --build build/fuzz -j2

status=0
for program in "$root"/build/fuzz/bin/fuzz_*; do
    target=${program##*/fuzz_}
    work=build/fuzz/work/$target
    rm -rf "$work"
    mkdir -p "$work/new"
    seeds="$root/fuzz/corpus/$target"
    [ -d "$seeds" ] || seeds=""
    case $target in
        scenario) extra="$root/tests/scenarios $root/examples"; max_len=4096 ;;
        altitude_text) extra=""; max_len=16 ;;
        *) extra=""; max_len=512 ;;  # an aircraft
    esac
    echo "== fuzz_$target: $seconds s"
    # New inputs go to new/; the checked-in corpus stays as it is.
    if (cd "$work" && "$program" -max_total_time="$seconds" \
            -timeout=10 -max_len=$max_len -print_final_stats=1 new $seeds $extra \
            >log.txt 2>&1); then
        grep -E '^stat::number_of_executed_units|^stat::new_units_added' "$work/log.txt"
    else
        status=1
        echo "fuzz_$target FAILED:"
        tail -n 60 "$work/log.txt"
    fi
done
exit $status
