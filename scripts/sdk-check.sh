#!/bin/sh
# Builds every plug-in against an installed copy of our SDK, as a user who has
# the host's own SDK would build them against that: installs the SDK component
# (the vmapi headers and the stand-in host's import library) into a temporary
# folder, configures a build with VELMORA_SDK_DIR naming that folder alone,
# builds the plug-ins, and checks that each still exports exactly
# vmvcInit, vmvcExit and GetModuleVersion. Once for Linux and once for Windows
# (mingw-w64). The builds stay in build/sdk-check/.
set -e
cd "$(dirname "$0")/.."
work=build/sdk-check
sdk=$(mktemp -d)
trap 'rm -rf "$sdk"' EXIT
mkdir -p "$work"
# The plug-ins: each aircraft of the top-level CMakeLists.txt, with a capital.
plugins_list=$(sed -n 's/^set(VM_AIRCRAFT \(.*\))$/\1/p' CMakeLists.txt |
    awk '{ for (i = 1; i <= NF; i++) printf "%s%s ", toupper(substr($i, 1, 1)), substr($i, 2) }')

# quiet LOG COMMAND...: runs COMMAND, showing its output only when it fails.
quiet() {
    log=$1
    shift
    "$@" >"$log" 2>&1 || { tail -n 40 "$log"; echo "failed: $*"; exit 1; }
}

# check PLATFORM [CMAKE_OPTION...]
check() {
    platform=$1
    shift
    host=$work/$platform-host plugins=$work/$platform-plugins dir=$sdk/$platform
    echo "== $platform: our SDK installed into $dir"
    quiet "$work/$platform-host.log" cmake -S . -B "$host" -DCMAKE_BUILD_TYPE=Release \
        -DVM_BUILD_TESTS=OFF -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@"
    quiet "$work/$platform-host.log" cmake --build "$host" -j2 --target velmora
    quiet "$work/$platform-install.log" cmake --install "$host" --component sdk --prefix "$dir"
    (cd "$dir" && find . -type f | LC_ALL=C sort)
    echo "== $platform: $plugins_list built against $dir alone"
    rm -rf "$plugins"
    quiet "$work/$platform-plugins.log" cmake -S . -B "$plugins" -DCMAKE_BUILD_TYPE=Release \
        -DVELMORA_SDK_DIR="$dir" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON "$@"
    grep 'Plug-ins built against' "$work/$platform-plugins.log"
    quiet "$work/$platform-plugins.log" cmake --build "$plugins" -j2 --target $plugins_list
}

check linux
for plugin in $plugins_list; do
    sh tests/windows/check_exports.sh elf nm "$work/linux-plugins/bin/$plugin.so" \
        vmvcInit vmvcExit GetModuleVersion
done

check windows --toolchain cmake/mingw-w64.cmake
for plugin in $plugins_list; do
    sh tests/windows/check_dll.sh x86_64-w64-mingw32-objdump \
        "$work/windows-plugins/bin/$plugin.dll" libvelmora.dll
done
echo "sdk-check: every plug-in builds against the installed SDK alone, on Linux and Windows"
