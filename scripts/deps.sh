#!/bin/sh
# Installs the Debian packages the build and the tests need, if any is missing.
set -e
cd "$(dirname "$0")/.."
missing=""
for p in $(grep -v '^#' scripts/debian-packages.txt); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
