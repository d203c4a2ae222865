#!/bin/sh
# Installs the Debian packages the build and the tests need, if any is missing,
# Node.js and npm from Debian where the machine has none, and the report's
# browser test driver (puppeteer-core, as locked; it drives Debian's chromium
# and downloads no browser).
set -e
cd "$(dirname "$0")/.."
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
install() {
    echo "installing: $*"
    $SUDO apt-get update
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y "$@"
}
missing=""
for p in $(grep -v '^#' scripts/debian-packages.txt); do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
[ -z "$missing" ] || install $missing
command -v npm >/dev/null 2>&1 || install nodejs npm
[ tests/report/node_modules/.package-lock.json -nt tests/report/package-lock.json ] ||
    (cd tests/report && npm ci --no-audit --no-fund)
