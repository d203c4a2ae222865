#!/bin/sh
# Builds everything and runs every test: the sanitizer build on Linux.
set -e
cd "$(dirname "$0")/.."
cmake --workflow --preset dev
