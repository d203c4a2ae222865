// What the browser tests share: Debian's chromium, headless, driven by
// puppeteer-core (the test is skipped, exit status 77, without either), and
// their checks, counted, the failures kept for the end.
'use strict';
const fs = require('fs');
const path = require('path');

const CHROMIUM = '/usr/bin/chromium';
const skip = (why) => (console.log(`skipped: ${why}`), process.exit(77));

// puppeteer-core, or the test skipped.
function puppeteer() {
    if (!fs.existsSync(CHROMIUM)) skip(`no ${CHROMIUM} (Debian package chromium)`);
    try {
        return require('puppeteer-core');
    } catch {
        return skip('no puppeteer-core in tests/report/node_modules (sh scripts/deps.sh installs it)');
    }
}

// A headless chromium with a profile of its own in `work`.
function launch(work, extra = []) {
    return puppeteer().launch({
        executablePath: CHROMIUM,
        headless: true,
        userDataDir: fs.mkdtempSync(path.join(work, 'profile-')),
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
               '--disable-background-networking', '--disable-component-update', '--disable-sync',
               ...extra],
    });
}

const failures = [];
let checks = 0;
const check = (ok, text) => (++checks, ok || failures.push(text));
// Prints the first failures and the count; exits 1 when one failed.
function finish(what) {
    for (const f of failures.slice(0, 20)) console.log(`FAIL ${f}`);
    console.log(`${what}: ${checks - failures.length} passed, ${failures.length} failed`);
    process.exit(failures.length ? 1 : 0);
}

module.exports = {puppeteer, launch, failures, check, finish};
