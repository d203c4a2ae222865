#!/bin/sh
# Builds everything and runs every test: the sanitizer build on Linux, then
# the Windows build with its tests under wine.
set -e
cd "$(dirname "$0")/.."
cmake --workflow --preset dev

# Windows: the plug-ins as DLLs cross-built with mingw-w64, every test under
# wine, and every shipped scenario's trace compared with the dev build's.
# The wine server that the tests start is stopped when they are done.
stop_wine() { WINEPREFIX="$PWD/build/windows/wine" wineserver -k 2>/dev/null || true; }
trap stop_wine EXIT
cmake --workflow --preset windows
stop_wine
