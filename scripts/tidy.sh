#!/bin/sh
# Runs clang-tidy (the checks of .clang-tidy) over the plug-in code: the
# frame, the kit, the sound client and every aircraft of the top-level
# CMakeLists.txt. Needs a configured build with compile_commands.json (by
# default the dev build). Any finding fails the run.
#
#     sh scripts/tidy.sh [BUILD_DIR]
set -e
cd "$(dirname "$0")/.."
build=${1:-build/dev}
[ -f "$build/compile_commands.json" ] || cmake --preset dev >/dev/null
aircraft=$(sed -n 's/^set(VM_AIRCRAFT \(.*\))$/\1/p' CMakeLists.txt)
files=""
for folder in frame kit sound $aircraft; do
    # The other platform's files are not in this build's compile commands.
    files="$files $(ls $folder/*.cpp | grep -v '_win32\.cpp$')"
done
# The headers checked with them: those of the SDK and of the same folders,
# in this tree (a header's path as the compile commands give it).
root=$(pwd | sed 's/[].[\\*^$()+?{|]/\\&/g')
header_filter="^$root/($(echo sdk frame kit sound $aircraft | tr ' ' '|'))/"
echo "clang-tidy: $(echo $files | wc -w) files"
# Two at a time; clang-tidy prints nothing for a clean file with --quiet.
echo $files | tr ' ' '\n' |
    xargs -P 2 -n 4 clang-tidy -p "$build" --quiet --header-filter="$header_filter" 2>/dev/null
echo "clang-tidy: no findings"
