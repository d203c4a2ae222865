#!/bin/sh
# Builds everything and runs every test: the formatting and clang-tidy
# checks, the sanitizer build on Linux, the Windows build with its tests under
# wine, then the fuzzers, the coverage build and the memory checks.
set -e
cd "$(dirname "$0")/.."
# Each stage says when it starts, so a slow one shows in CI's log.
start=$(date +%s)
stage() { echo "== test.sh: $1 (at $(($(date +%s) - start)) s)"; }

stage "format and the sanitizer build"
sh scripts/format-check.sh
cmake --workflow --preset dev
stage clang-tidy
sh scripts/tidy.sh build/dev

# Windows: the plug-ins as DLLs cross-built with mingw-w64, every test under
# wine, and every shipped scenario's trace compared with the dev build's.
# The wine server that the tests start is stopped when they are done.
stop_wine() { WINEPREFIX="$PWD/build/windows/wine" wineserver -k 2>/dev/null || true; }
trap stop_wine EXIT
stage Windows
cmake --workflow --preset windows
stop_wine

# The plug-ins built against an installed copy of our SDK alone, as against
# the host's own (VELMORA_SDK_DIR), on Linux and Windows.
stage "SDK check"
sh scripts/sdk-check.sh

# A new aircraft added from the template in the places the README lists, in a
# scratch copy: it builds, flies, validates, passes its tests and is packaged.
stage "template aircraft"
sh scripts/template-check.sh

# Hardening: each fuzzer for a bounded time (VM_FUZZ_SECONDS, default 20),
# the coverage build with its figures, and the scenario suite under
# valgrind's memcheck in that build (valgrind needs one without sanitizers).
stage fuzzing
sh scripts/fuzz.sh "${VM_FUZZ_SECONDS:-20}"
stage coverage
sh scripts/coverage.sh
stage memcheck
sh scripts/memcheck.sh build/coverage
stage "all passed"
