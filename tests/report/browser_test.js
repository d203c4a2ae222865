// The flight report as a person opens it: Debian's chromium, headless, over
// pages vmhost writes. For a default flight it walks every sample with the
// keyboard, and every gauge reading's flag must be `ok` exactly when what it
// shows agrees with the flight model's value by the gauge's rule, that value
// being the flight model's own (the CSV's); then the rows of MOMENTS and
// ACTIONS, axe-core, a phone-sized screen and print. For `extremes` it flies
// a nan maximum thrust, readings of ±1e308 and, given `long`, a 2-hour
// flight, and prints what its page costs (size, first panel, time moves).
// For `compare:AIRCRAFT` it reads vmhost compare's page of the aircraft
// against itself: the flight with itself as its ghost.
// No page may make a request but its own file or write to the console.
// Usage: node browser_test.js VMHOST AIRCRAFT|extremes|compare:AIRCRAFT WORKDIR [FAULTY_NAN_PLUGIN [long]]
// Exit status 77: skipped.
'use strict';
const {execFileSync} = require('child_process');
const fs = require('fs');
const path = require('path');

const {puppeteer, launch, failures, check, finish} = require('./chromium');

const [vmhost, what, work, nanPlugin, long] =
    process.argv.slice(2).map((a, i) => (i === 1 || i === 4 ? a : a && path.resolve(a)));
puppeteer();

// vmhost writes a report into WORKDIR/NAME; the CSV's rows come back.
function report(name, args, scenario) {
    const dir = path.join(work, name);
    if (scenario) fs.writeFileSync(`${dir}.vms`, scenario);
    const t0 = Date.now();
    execFileSync(vmhost, [...(scenario ? ['run', `${dir}.vms`] : args), '--report', dir],
                 {cwd: work, stdio: ['ignore', 'ignore', 'inherit']});
    return {dir, seconds: (Date.now() - t0) / 1000};
}
function csv(file) {
    const [head, ...lines] = fs.readFileSync(file, 'utf8').trim().split('\n');
    const names = head.split(',');
    return lines.map((l) => Object.fromEntries(l.split(',').map((v, i) => [names[i], +v])));
}

// The gauge's rule, written again here: a reading with no flight value is
// ok, or off scale past an end of its face; else off scale when the flight
// value lies past an end and the reading stands at it, disagrees when the two
// differ by more than the tolerance (modulo the turn it is read modulo).
function expectedFlag(r) {
    const shown = +r.shown, flight = +r.flight, tol = +r.tolerance * 1.000001;
    const [lo, hi] = r.ends ? r.ends.split(' ').map(Number) : [-Infinity, Infinity];
    if (r.flight === '') return r.flag === 'off-scale' && r.ends ? 'off-scale' : 'ok';
    const end = flight > hi ? hi : flight < lo ? lo : null;
    if (end !== null && Math.abs(shown - end) <= tol) return 'off-scale';
    let d = Math.abs(shown - flight);
    if (r.modulo) d = Math.min(d % +r.modulo, +r.modulo - (d % +r.modulo));
    return d <= tol ? 'ok' : 'disagrees';
}

// Every [data-gauge] reading at the moment the page shows.
const readings = (page) => page.$$eval('[data-gauge]', (els) => els.map((e) => ({...e.dataset})));

// Walks every sample from Home with →; at each, every reading's flag by
// the rule above, its flight value the CSV's, and the current event row.
async function walk(page, rows) {
    const panel = JSON.parse(await page.$eval('script.log', (e) => e.textContent)).panel;
    const model = Object.fromEntries(panel.map((g) => [g.label, g.indicators[0]]));
    const seen = await page.evaluate(async (n) => {
        const out = [];
        const key = (k) => document.dispatchEvent(new KeyboardEvent('keydown', {key: k, bubbles: true}));
        key('Home');
        for (let i = 0; i < n; ++i) {
            if (i) key('ArrowRight');
            const current = [...document.querySelectorAll('.events tr')].filter((tr) => tr.getAttribute('aria-current'));
            out.push({t: +document.getElementById('time').value,
                      current: current.map((tr) => tr.rowIndex),
                      readings: [...document.querySelectorAll('[data-gauge]')].map((e) => ({...e.dataset}))});
        }
        return out;
    }, rows.length);
    const events = await page.$$eval('.events tr[data-t]', (trs) => trs.map((tr) => [+tr.dataset.t, tr.rowIndex]));
    seen.forEach((s, i) => {
        const row = rows[i];
        check(Math.abs(s.t - row.time_s) < 1e-6, `sample ${i}: the time is ${s.t}, the log's ${row.time_s}`);
        let want = null;
        for (const [t, index] of events) if (t <= s.t + 1e-9 && (want === null || t > want[0])) want = [t, index];
        check(s.current.length === (want ? 1 : 0) && (!want || s.current[0] === want[1]),
              `t=${s.t}: rows ${s.current} marked current, event row ${want && want[1]} expected`);
        for (const r of s.readings) {
            const at = `t=${s.t} ${r.gauge}${r.reading ? ` ${r.reading}` : ''}`;
            check(r.flag === expectedFlag(r), `${at}: shows ${r.shown}, flight ${r.flight}, flagged ${r.flag}`);
            const m = model[r.gauge];
            if (r.flight === '' || r.reading) continue;
            const want = row[m.model] * m.modelScale;
            check(Math.abs(+r.flight - want) <= +r.tolerance / 10 + 1e-6 * Math.abs(want),
                  `${at}: flight ${r.flight}, the flight model's ${m.model} gives ${want}`);
        }
    });
    return seen.length;
}

// A reading of a gauge at a moment: [flight, hash, gauge, expected data, what it shows].
const MOMENTS = [
    ['olumbra', '#t=206.02', 'altitude', {shown: '11000', flag: 'disagrees'},
     'the drums read 11000 m as one number while the flight model says 10000.8 m'],
    ['olumbra', '#t=366.02', 'angle of attack', {shown: '9.55', flag: 'off-scale'},
     'the angle-of-attack needle stops at the end of its face at 13.7°'],
    ['olumbra', '#t=367.82', 'angle of attack', {shown: '9.55', flag: 'off-scale'},
     'the angle-of-attack needle stops at the end of its face at 51.4°, never wraps round'],
    ['tarvik', '#t=215.32', 'altimeter', {shown: '964', flight: '6964', flag: 'ok'},
     "the altimeter's flight value is the altitude, compared modulo 1000 m"],
    ['olumbra', '#t=206.02', 'clock', {shown: '206', flight: '206', flag: 'ok'},
     "the clock's hands read together, its flight value the time"],
    ['olumbra', '#t=3:26.02', 'clock', {shown: '206'}, '#t= takes m:ss'],
];

// What a person does, and what must follow.
const ACTIONS = [
    ['a click on an event marks its row, also where several share its time', async (page) => {
        const times = await page.$$eval('.events tbody tr', (trs) => trs.map((tr) => tr.dataset.t));
        const i = times.findIndex((t, k) => times[k + 1] === t) + 1;  // the second of a shared time
        await (await page.$$('.events tbody tr'))[i].click();
        const marked = await page.$$eval('.events tbody tr', (trs) =>
            trs.flatMap((tr, k) => (tr.getAttribute('aria-current') ? [k] : [])));
        return i > 0 && marked.join() === String(i);
    }],
    ['an event is reached and activated by keyboard', async (page) => {
        await page.focus('.events tbody tr:last-child button');
        await page.keyboard.press('Enter');
        return page.$eval('.events tbody tr:last-child', (tr) => tr.getAttribute('aria-current') === 'true');
    }],
    ['Space plays and pauses', async (page) => {
        await page.focus('body');
        await page.keyboard.press('Home');
        await page.keyboard.press('Space');
        await new Promise((r) => setTimeout(r, 300));
        await page.keyboard.press('Space');
        return page.evaluate(() => +document.getElementById('time').value > +document.getElementById('time').min + 0.05 &&
            document.getElementById('play').textContent === 'Play');
    }],
    ['→ steps one sample, Shift+→ ten, End and Home', async (page) => {
        const t = [];
        const at = () => page.$eval('#time', (e) => +e.value);
        await page.keyboard.press('Home');
        t.push(await at());
        await page.keyboard.press('ArrowRight');
        t.push(await at());
        await page.keyboard.down('Shift');
        await page.keyboard.press('ArrowRight');
        await page.keyboard.up('Shift');
        t.push(await at());
        await page.keyboard.press('End');
        const end = await at();
        const max = await page.$eval('#time', (e) => +e.max);
        return Math.abs(t[1] - t[0] - 0.1) < 1e-6 && Math.abs(t[2] - t[1] - 1) < 1e-6 && end === max;
    }],
    ['the slider speaks the time', (page) =>
        page.$eval('#time', (e) => /s of /.test(e.getAttribute('aria-valuetext') || ''))],
    ['hovering a chart gives a value for every series', async (page) => {
        const box = await (await page.$('.chart .u-over')).boundingBox();
        await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
        return page.$eval('.chart .u-legend', (l) => ![...l.querySelectorAll('td')].some((td) => td.textContent === '–'));
    }],
    ['a click on a chart moves the time there; a drag zooms every chart, kept in the address; a double click shows all', async (page) => {
        await page.keyboard.press('Home');
        const box = await (await page.$('.chart .u-over')).boundingBox();
        const y = box.y + box.height / 2;
        await page.mouse.click(box.x + box.width / 2, y);
        const moved = await page.$eval('#time', (e) => +e.value > 0);
        await page.mouse.move(box.x + box.width * 0.2, y);
        await page.mouse.down();
        await page.mouse.move(box.x + box.width * 0.4, y, {steps: 5});
        await page.mouse.up();
        await page.waitForFunction(() => /&z=/.test(location.hash), {timeout: 3000});
        const lines = await page.$$eval('.timeline', (ls) => ls.map((l) => l.style.left + l.hidden));
        await page.mouse.click(box.x + box.width / 2, y, {clickCount: 2});
        await page.waitForFunction(() => !/&z=/.test(location.hash), {timeout: 3000});
        return moved && new Set(lines).size === 1;
    }],
    ['the units switch to aviation units and into the address', async (page) => {
        await page.select('#units', 'aviation');
        await page.waitForFunction(() => /u=aviation/.test(location.hash), {timeout: 3000});
        return page.$eval('.readings', (t) => / ft$/m.test(t.innerText) && / kt$/m.test(t.innerText));
    }],
];

// Loads a page and waits for its charts, drawn after the panel.
async function goto(page, url) {
    await page.goto(url);
    await page.waitForFunction(() => document.documentElement.dataset.charts, {timeout: 60000});
}

// A page of `dir`, watched: console messages and requests other than the file.
async function open(browser, dir, hash = '', size = [1400, 1000]) {
    const page = await browser.newPage();
    const file = `file://${path.join(dir, 'index.html')}`;
    page.on('console', (m) => failures.push(`${dir}: console ${m.type()}: ${m.text()}`));
    page.on('pageerror', (e) => failures.push(`${dir}: ${e.message}`));
    await page.setRequestInterception(true);
    page.on('request', (r) => {
        if (r.url().split('#')[0] !== file && !r.url().startsWith('data:'))
            failures.push(`${dir}: requested ${r.url()}`);
        r.continue();
    });
    await page.setViewport({width: size[0], height: size[1]});
    await goto(page, file + hash);
    return page;
}

// No coordinate of any drawing is nan or infinite, nor of the standalone SVG.
async function finiteDrawing(page, dir) {
    const bad = await page.$$eval('svg *', (els) => els.flatMap((e) => [...e.attributes])
        .filter((a) => /nan|infinity/i.test(a.value)).map((a) => `${a.name}=${a.value}`));
    check(bad.length === 0, `${dir}: drawn with ${bad.slice(0, 3).join(' ')}`);
    for (const f of fs.readdirSync(dir).filter((f) => f.endsWith('.svg')))
        check(!/="[^"]*(nan|inf)/i.test(fs.readFileSync(path.join(dir, f), 'utf8')), `${f}: nan or inf`);
}

// No serious or critical finding of axe-core.
async function accessible(page) {
    await page.evaluate(fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8'));
    const violations = await page.evaluate(async () => (await axe.run()).violations
        .filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id} (${v.nodes.length})`));
    check(violations.length === 0, `axe-core: ${violations.join(', ')}`);
}

async function defaultFlight(browser, aircraft) {
    const {dir} = report(aircraft, ['fly', aircraft]);
    const rows = csv(path.join(dir, `${aircraft}.csv`));
    let page = await open(browser, dir);
    const walked = await walk(page, rows);
    for (const [flight, hash, gauge, want, text] of MOMENTS) {
        if (flight !== aircraft) continue;
        await goto(page, `file://${dir}/index.html${hash}`);
        const r = (await readings(page)).find((x) => x.gauge === gauge) || {};
        for (const [k, v] of Object.entries(want))
            check(k === 'flag' ? r[k] === v : Math.abs(+r[k] - +v) < 0.5, `${text}: ${gauge} ${k}=${r[k]}, not ${v}`);
    }
    for (const [text, act] of ACTIONS) {
        await goto(page, `file://${dir}/index.html`);
        check(await act(page).catch((e) => failures.push(e.message) && false), text);
    }
    await goto(page, `file://${dir}/index.html`);
    await accessible(page);
    await finiteDrawing(page, dir);
    await page.close();

    // A phone: nothing wider than the screen. Print: no controls, the
    // panel with its background. Both kept for the documentation.
    page = await open(browser, dir, '#t=36', [400, 850]);
    check(await page.evaluate(() => document.documentElement.scrollWidth <= 400), 'wider than a 400 px phone');
    await page.screenshot({path: path.join(work, `${aircraft}-phone.png`)});
    await page.setViewport({width: 794, height: 1123});  // A4 at 96 dpi
    await page.emulateMediaType('print');
    check(await page.evaluate(() => getComputedStyle(document.getElementById('player')).display === 'none' &&
        getComputedStyle(document.querySelector('.panel')).getPropertyValue('-webkit-print-color-adjust') === 'exact'),
          'print layout');
    await page.pdf({path: path.join(work, `${aircraft}-print.pdf`), format: 'A4', printBackground: false});
    console.log(`${aircraft}: walked ${walked} samples`);
}

// Percentile p of a list of numbers.
const percentile = (xs, p) => [...xs].sort((a, b) => a - b)[Math.floor((xs.length - 1) * p)];

async function extremes(browser) {
    const steps = 200000;
    const nan = report('nan', null, `load ${nanPlugin}\ncreate v\nset v altitude -1\nstep ${steps}\n`);
    console.log(`nan maximum thrust, ${steps} steps: report in ${nan.seconds.toFixed(1)} s, ` +
                `${(nan.seconds / (steps / 10000)).toFixed(2)} s per 10,000 steps`);
    const huge = report('huge', null, 'load tarvik\ncreate p\nset p altitude 1e308\nset p airspeed -1e308\n' +
        'step 20\nset p pitch nan\nset p altitude -1e308\nset p fuel 1e308\nstep 20\n');
    for (const {dir} of [nan, huge]) {
        const page = await open(browser, dir, '#t=0.3');
        await finiteDrawing(page, dir);
        if (dir === nan.dir) {
            const events = await page.$$eval('.events tbody tr', (trs) => trs.map((tr) => tr.cells[2].textContent));
            check(events.filter((e) => /not a number/.test(e)).length === 1, `nan: events ${events.join(' | ')}`);
        }
        await page.close();
    }
    if (long !== 'long') return console.log('2-hour flight: measured with an optimised vmhost only');
    // A 2-hour flight: Olumbra's default flight, then on for 340,000 steps.
    const flight = fs.readFileSync(path.join(__dirname, '../../examples/fly-olumbra.vms'), 'utf8');
    const hours = report('long', null, `${flight}\nstep 340000\n`);
    const size = fs.statSync(path.join(hours.dir, 'index.html')).size;
    const page = await open(browser, hours.dir);
    const first = await page.evaluate(() => +document.documentElement.dataset.ready);
    const moves = await page.evaluate(() => {
        const out = [];
        const slider = document.getElementById('time');
        for (let i = 0; i < 200; ++i) {
            const t0 = performance.now();
            slider.value = (+slider.max * ((i * 37) % 200)) / 200;
            slider.dispatchEvent(new Event('input'));
            void document.body.offsetHeight;  // the layout it causes
            out.push(performance.now() - t0);
        }
        return out;
    });
    await page.close();
    console.log(`2-hour flight: page ${(size / 1e6).toFixed(2)} MB, first panel ${first} ms, ` +
                `time moves ${percentile(moves, 0.5).toFixed(1)} ms median, ${percentile(moves, 0.95).toFixed(1)} ms p95`);
}

// vmhost compare of an aircraft with itself: at every moment walked, each
// reading's OLD value is its own, OLD's needles are drawn and the charts
// have OLD's lines; identical builds make no group.
async function compared(browser, aircraft) {
    const dir = path.join(work, 'compare');
    execFileSync(vmhost, ['compare', aircraft, aircraft, '--steps', '0', '--report', dir],
                 {cwd: work, stdio: ['ignore', 'ignore', 'inherit']});
    const page = await open(browser, dir);
    const seen = (await page.evaluate(() => {
        const out = [];
        const slider = document.getElementById('time');
        for (let i = 0; i <= 40; ++i) {
            slider.value = +slider.min + ((+slider.max - +slider.min) * i) / 40;
            slider.dispatchEvent(new Event('input'));
            for (const e of document.querySelectorAll('[data-ghost]'))
                out.push([slider.value, e.dataset.gauge, e.dataset.shown, e.dataset.ghost]);
        }
        return out;
    }));
    check(seen.length > 0, 'no reading shows OLD');
    for (const [t, gauge, shown, ghost] of seen)
        check(shown === ghost, `t=${t} ${gauge}: NEW ${shown}, OLD ${ghost}, of the same build`);
    check(await page.$$eval('.ghost .needle', (n) => n.length) > 0, 'no OLD needle drawn');
    const legends = await page.$$eval('.chart .u-legend th', (ths) => ths.map((th) => th.textContent));
    check(legends.some((l) => l.includes('(OLD)')), 'no OLD line in the charts');
    check(await page.$$eval('details.group', (d) => d.length) === 0, 'groups between identical builds');
    await accessible(page);
    await finiteDrawing(page, dir);
    await page.close();
    console.log(`compare: ${seen.length} readings at 41 moments`);
}

(async () => {
    fs.rmSync(work, {recursive: true, force: true});
    fs.mkdirSync(work, {recursive: true});
    const browser = await launch(work);
    try {
        if (what === 'extremes') await extremes(browser);
        else if (what.startsWith('compare:')) await compared(browser, what.slice(8));
        else await defaultFlight(browser, what);
    } finally {
        await browser.close();
    }
    finish(what);
})().catch((e) => {
    console.log(`FAIL ${e.stack}`);
    process.exit(1);
});
