#!/bin/sh
# Builds the `coverage` preset (gcov, no sanitizers) in build/coverage, runs
# every test there (but the browser tests of the report and live pages,
# which the sanitizer build runs and which reach no line of the plug-ins
# that other tests do not) and prints the line and branch coverage of the plug-in
# code: sdk/, frame/, kit/, sound/ and every aircraft's folder. The report with
# every line is left in build/coverage/coverage.txt.
set -e
cd "$(dirname "$0")/.."
find build/coverage -name '*.gcda' -delete 2>/dev/null || true
cmake --workflow --preset coverage
# Branches the compiler adds for exceptions and for code it proved
# unreachable are no decisions of ours; the other platform's files are not
# built here.
# The aircraft as the top-level CMakeLists.txt lists them.
aircraft=$(sed -n 's/^set(VM_AIRCRAFT \(.*\))$/\1/p' CMakeLists.txt)
filters=""
for folder in sdk frame kit sound $aircraft; do filters="$filters -f $folder/"; done
gcovr -r . --object-directory build/coverage $filters -e '.*_win32\.cpp' \
    --exclude-throw-branches --exclude-unreachable-branches \
    --txt build/coverage/coverage.txt --print-summary
