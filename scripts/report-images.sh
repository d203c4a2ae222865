#!/bin/sh
# Makes the pictures of docs/report.md with the browser test's own chromium:
# for each default flight, the page on a 400x850 phone at 36 s and the first
# page of its print, as PNG (pdftoppm, Debian's poppler-utils); and the
# README's, Tarvik's page on a 1280x800 screen at 36 s.
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
node -e '
const {launch} = require("./tests/report/chromium");
(async () => {
    const browser = await launch(process.argv[1]);
    const page = await browser.newPage();
    await page.setViewport({width: 1280, height: 800});
    await page.goto(`file://${process.argv[1]}/tarvik/tarvik/index.html#t=36`, {waitUntil: "load"});
    await new Promise((r) => setTimeout(r, 1000));
    await page.screenshot({path: "docs/report-panel.png"});
    await browser.close();
})();
' "$work"
ls -l docs/report-*.png
