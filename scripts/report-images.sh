#!/bin/sh
# Makes the pictures of docs/report.md with the browser test's own chromium:
# for each default flight, the page on a 400x850 phone at 36 s and the first
# page of its print, as PNG (pdftoppm, Debian's poppler-utils).
#
#     sh scripts/report-images.sh [BUILD_DIR]
set -e
cd "$(dirname "$0")/.."
build=${1:-build/release}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for aircraft in tarvik olumbra; do
    node tests/report/browser_test.js "$build/bin/vmhost" $aircraft "$work/$aircraft" >/dev/null
    cp "$work/$aircraft/$aircraft-phone.png" docs/report-$aircraft-phone.png
    pdftoppm -png -r 50 -f 1 -l 1 -singlefile "$work/$aircraft/$aircraft-print.pdf" \
        docs/report-$aircraft-print
done
ls -l docs/report-*.png
