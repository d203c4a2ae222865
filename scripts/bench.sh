#!/bin/sh
# Builds the benchmarks of the release configuration and runs them all
# (bench_frame, bench_vmhost and one bench_NAME per aircraft). Each program
# prints its table, then its targets with the ratio or rate measured in this
# run (medians of the repetitions) and whether each is met.
# Arguments go to every benchmark program instead of the default repetitions,
# e.g. --benchmark_filter=floor or --benchmark_min_time=2.
set -e
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j2 --target benchmarks
[ $# -gt 0 ] || set -- --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
# The aircraft log the missing sound add-on in the working folder.
mkdir -p build/release/bench-work
cd build/release/bench-work
for program in ../bin/bench_*; do
    echo "== ${program##*/}"
    "$program" "$@"
done
