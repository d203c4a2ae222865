// The flight report as a person opens it: Debian's chromium, headless, shows
// the report of a default flight at the start, an event (clicked), the top of
// the climb and the end. At each moment every gauge must show the animation
// state of the log's row for that moment and, where it shows something the
// flight model knows, agree with it within one unit of what it displays. The
// console must stay free of errors, and the panel must be drawn and change.
// Usage: node browser_test.js VMHOST AIRCRAFT WORKDIR; exit status 77: skipped.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');

const CHROMIUM = '/usr/bin/chromium';
const [vmhost, aircraft, work] =
    process.argv.slice(2).map((a, i) => (i === 1 ? a : path.resolve(a)));
const skip = (why) => (console.log(`skipped: ${why}`), process.exit(77));
if (!fs.existsSync(CHROMIUM)) skip(`no ${CHROMIUM} (Debian package chromium)`);
let puppeteer;
try {
    puppeteer = require('puppeteer-core');
} catch {
    skip('no puppeteer-core in tests/report/node_modules (sh scripts/deps.sh installs it)');
}

fs.rmSync(work, {recursive: true, force: true});
fs.mkdirSync(work, {recursive: true});
execFileSync(vmhost, ['fly', aircraft, '--report', 'r'], {cwd: work, stdio: 'ignore'});
const [head, ...lines] =
    fs.readFileSync(path.join(work, 'r', `${aircraft}.csv`), 'utf8').trim().split('\n');
const names = head.split(',');
const rows = lines.map((l) => Object.fromEntries(l.split(',').map((v, i) => [names[i], +v])));
const nearest = (t) =>
    rows.reduce((a, r) => (Math.abs(r.time_s - t) < Math.abs(a.time_s - t) ? r : a));
const wrap = (v, p) => (p > 0 ? ((v % p) + p) % p : v);
const apart = (a, b, p) =>
    Math.min(wrap(Math.abs(a - b), p), p > 0 ? p - wrap(Math.abs(a - b), p) : Infinity);

const failures = [];
let checks = 0;
const check = (ok, what) => (++checks, ok || failures.push(what));

async function checkGauges(page, moment, t) {
    const row = nearest(t);
    const [shown, listed] = await page.evaluate(
        () => [
            [...document.querySelectorAll('[data-column]')].map((e) => ({...e.dataset})),
            JSON.parse(document.querySelector('script.log').textContent)
                .panel.flatMap((g) => g.indicators)
                .length,
    ]);
    check(
        shown.length === listed,
        `${moment}: ${shown.length} of the panel's ${listed} indicators drawn`);
    for (const g of shown) {
        const state = row[g.column];
        const at = `${moment} (t=${row.time_s}): ${g.column}`;
        check(
            Math.abs(g.state - state) <= 1e-5 * Math.max(1, Math.abs(state)),
            `${at} uses state ${g.state}, the log has ${state}`);
        if (!g.model) continue;
        const want = wrap(row[g.model] * g.modelScale, +g.period);
        check(
            apart(+g.value, want, +g.period) <= g.step * 1.000001,
            `${at} shows ${g.value}, ${g.model} gives ${want}`);
    }
}

// Distinct colours of a PNG, counted by the page's own canvas.
const colours = (page, png) => page.evaluate(async (b64) => {
    const img = new Image();
    img.src = `data:image/png;base64,${b64}`;
    await img.decode();
    const c =
        Object.assign(document.createElement('canvas'), {width: img.width, height: img.height});
    c.getContext('2d').drawImage(img, 0, 0);
    const d = c.getContext('2d').getImageData(0, 0, img.width, img.height).data;
    const seen = new Set();
    for (let i = 0; i < d.length; i += 4) seen.add((d[i] << 16) | (d[i + 1] << 8) | d[i + 2]);
    return seen.size;
}, png);

(async () => {
    const browser = await puppeteer.launch({
        executablePath: CHROMIUM,
        headless: true,
        userDataDir: fs.mkdtempSync(path.join(work, 'profile-')),
        args: [
            '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
            '--disable-background-networking', '--disable-component-update', '--disable-sync'
        ],
    });
    const errors = [];
    const open = async (t) => {
        const page = await browser.newPage();
        page.on('console', (m) => m.type() === 'error' && errors.push(m.text()));
        page.on('pageerror', (e) => errors.push(e.message));
        await page.setViewport({width: 1200, height: 900});
        await page.goto(`file://${path.join(work, 'r', 'index.html')}#t=${t}`);
        return page;
    };
    try {
        const top = rows.reduce((a, r) => (r.altitude_m > a.altitude_m ? r : a));
        const shots = [];
        for (const [moment, t] of [
                 ['start', rows[0].time_s], ['top of climb', top.time_s],
                 ['end', rows.at(-1).time_s]]) {
            const page = await open(t);
            await checkGauges(page, moment, t);
            shots.push(await (await page.$('.panel')).screenshot({encoding: 'base64'}));
            if (moment !== 'start') continue;
            // The first event the log saw, clicked: the panel jumps there and the address follows.
            const event = await page.$('tr[data-t]:not(.pilot)');
            const t1 = +(await event.evaluate((e) => e.dataset.t));
            await event.click();
            await page.waitForFunction((h) => location.hash === h, {timeout: 5000}, `#t=${t1}`);
            await checkGauges(page, `event at ${t1} s`, t1);
            check((await colours(page, shots[0])) > 20, 'the panel at the start is blank');
        }
        check(
            shots[0] !== shots[1],
            'the panel looks the same at the start and the top of the climb');
    } finally {
        await browser.close();
    }
    check(errors.length === 0, `console errors: ${errors.join(' | ')}`);
    for (const f of failures.slice(0, 20)) console.log(`FAIL ${f}`);
    console.log(`${aircraft}: ${checks - failures.length} passed, ${failures.length} failed`);
    process.exit(failures.length ? 1 : 0);
})().catch((e) => {
    console.log(`FAIL ${e.stack}`);
    process.exit(1);
});
