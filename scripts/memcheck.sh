#!/bin/sh
# Runs every scenario test under valgrind's memcheck: vmhost and the plug-in
# must make no memory error and leak nothing. Needs a build without the
# sanitizers (valgrind and AddressSanitizer exclude each other); by default
# the coverage build.
#
#     sh scripts/memcheck.sh [BUILD_DIR]
set -e
cd "$(dirname "$0")/.."
root=$(pwd)
build=${1:-build/coverage}
bin="$root/$build/bin"
[ -x "$bin/vmhost" ] && [ -x "$bin/tracecheck" ] || { echo "no vmhost build in $build"; exit 2; }

# tracecheck runs this in vmhost's place; it sits beside vmhost, so that the
# scenarios' %{bin} still names the plug-ins' folder. Any error or leak ends
# valgrind with status 99, which no scenario expects. The host's own state is
# kept to the end of the process on purpose (a plug-in may call it while it
# unloads), so memory still reachable at exit is no leak.
cat >"$bin/vmhost-memcheck" <<WRAP
#!/bin/sh
exec valgrind -q --error-exitcode=99 --leak-check=full \
    --show-leak-kinds=definite,indirect,possible \
    --errors-for-leak-kinds=definite,indirect,possible --track-origins=yes "$bin/vmhost" "\$@"
WRAP
chmod +x "$bin/vmhost-memcheck"

work="$root/$build/tests/scenarios/work"  # where ctest runs them too
rm -rf "$work"
mkdir -p "$work"
find tests/scenarios -name "*.vms" | sort >"$work.list"
count=$(wc -l <"$work.list")
echo "memcheck: $count scenarios"
# Two at a time; each prints its failure in full.
xargs -P 2 -I{} sh -c '
    rel=${1#tests/scenarios/}
    if ! "$2/tracecheck" "$2/vmhost-memcheck" "$1" "$3/$rel" >"$3.$$.out" 2>&1; then
        echo "FAILED under memcheck: $1"; cat "$3.$$.out"; rm -f "$3.$$.out"; exit 255
    fi
    rm -f "$3.$$.out"' _ {} "$bin" "$work" <"$work.list"
echo "memcheck: no errors, no leaks"
