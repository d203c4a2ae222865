// `vmhost live` as a pilot flies it: Debian's chromium, headless, on the
// page vmhost serves. For an aircraft: each of its keys the page lists
// pressed, and the throttle and stick moved, the gauges of its panel that
// show them answering (data-shown); pause, single step, resume; the time
// acceleration raised to 100, which the plug-in may cap; then
// the page closed, vmhost ending with 0, and the record replayed by
// `vmhost run` to a trace byte-identical to the live one. It prints what
// it measured: a key press to the lamp showing it, steps per second.
// `security` sends the requests of one table to a session a page flies
// (AIRCRAFT, any of the build's), each refused or answered with its error,
// the session unchanged after them. `crash` flies a plug-in that crashes on
// a key: vmhost dies of the crash and its record replays up to the step
// before.
// Usage: node live_test.js VMHOST AIRCRAFT|security|crash WORKDIR CRASHING_PLUGIN AIRCRAFT
// Exit status 77: skipped.
'use strict';
const {spawn, execFileSync} = require('child_process');
const fs = require('fs');
const http = require('http');
const path = require('path');

const {puppeteer, launch, failures, check, finish} = require('./chromium');

const [vmhost, what, work, crashPlugin, anyAircraft] =
    process.argv.slice(2).map((a, i) => (i === 1 || i === 4 ? a : a && path.resolve(a)));
if (what !== 'crash') puppeteer();
const sleep = (ms) => new Promise((r) => setTimeout(r, ms));
const percentile = (xs, p) => [...xs].sort((a, b) => a - b)[Math.floor((xs.length - 1) * p)];

// vmhost live, started; resolves with its address once it prints it.
function live(plugin, name) {
    const files = {record: path.join(work, `${name}.vms`), trace: path.join(work, `${name}.trace`)};
    const child = spawn(vmhost, ['live', plugin, '--record', files.record, '--trace', files.trace],
                        {cwd: work, stdio: ['ignore', 'pipe', 'inherit']});
    const exited = new Promise((r) => child.on('exit', (code, signal) => r({code, signal})));
    return new Promise((resolve, reject) => {
        let out = '';
        child.stdout.on('data', (d) => {
            out += d;
            const m = /open (http:\/\/127\.0\.0\.1:(\d+)\/\?token=([0-9a-f]+))/.exec(out);
            if (m) resolve({...files, url: m[1], port: +m[2], token: m[3], exited, child});
        });
        exited.then((e) => reject(new Error(`vmhost live ended before its address: ${JSON.stringify(e)}`)));
    });
}

// The record replayed: its trace must be the live session's, byte for byte.
function replays(session, name) {
    const again = path.join(work, `${name}-replay.trace`);
    execFileSync(vmhost, ['run', session.record, '--trace', again], {cwd: work, stdio: ['ignore', 'ignore', 'inherit']});
    const a = fs.readFileSync(session.trace), b = fs.readFileSync(again);
    check(a.equals(b), `${name}: the replay's trace (${b.length} bytes) differs from the live one (${a.length} bytes)`);
    return a.length;
}

function request(port, method, target, headers = {}, body = null) {
    if (body !== null) headers = {...headers, 'Content-Length': Buffer.byteLength(body)};
    return new Promise((resolve, reject) => {
        const q = http.request({host: '127.0.0.1', port, method, path: target, headers}, (r) => {
            if (r.headers['content-type'] === 'text/event-stream') return resolve({status: r.statusCode, text: '', stream: r, q});
            let text = '';
            r.on('data', (d) => (text += d));
            r.on('end', () => resolve({status: r.statusCode, text}));
        });
        q.on('error', reject);
        if (body !== null) q.write(body);
        q.end();
    });
}

// The page of a session, flying, watched: console messages, page errors and
// requests anywhere but vmhost fail the test. Resolves with the page's
// client id, which its first input carries.
async function open(browser, session) {
    const page = await browser.newPage();
    page.on('console', (m) => failures.push(`page console ${m.type()}: ${m.text()}`));
    page.on('pageerror', (e) => failures.push(`page error: ${e.message}`));
    let client = null;
    await page.setRequestInterception(true);
    page.on('request', (r) => {
        if (!r.url().startsWith(`http://127.0.0.1:${session.port}/`) && !r.url().startsWith('data:'))
            failures.push(`requested ${r.url()}`);
        client ??= r.headers()['x-vmhost-client'] || null;
        r.continue();
    });
    // A gamepad the test moves: window.testPad.
    await page.evaluateOnNewDocument(() => (navigator.getGamepads = () => [window.testPad || null]));
    await page.setViewport({width: 1400, height: 1000});
    await page.goto(session.url);
    await page.waitForFunction(() => document.documentElement.dataset.live === 'flying' &&
                               +document.documentElement.dataset.frames > 3, {timeout: 30000});
    await page.click('#deck');
    return {page, client: () => client};
}

const shown = (page, gauge) => page.$eval(`[data-gauge="${gauge}"]`, (e) => +e.dataset.shown);
// Waits for a gauge to show a value from lo to hi.
async function until(page, gauge, [lo, hi], text) {
    const ok = await page.waitForFunction((g, a, b) => {
        const v = +document.querySelector(`[data-gauge="${g}"]`).dataset.shown;
        return v >= a && v <= b;
    }, {timeout: 20000}, gauge, lo, hi).then(() => true, () => false);
    check(ok, `${text}: ${gauge} shows ${await shown(page, gauge)}, not ${lo} to ${hi}`);
}
const steps = (page) => page.evaluate(() => +document.documentElement.dataset.steps);

// The page's list of the aircraft's keys: [{key, gauge, kind}], kind that
// of the gauge showing the key on the ground, where one does.
const aircraftKeys = (page) => page.$$eval('#aircraft-keys li[data-key]', (lis) => lis.map((li) => ({
    key: li.dataset.key, gauge: li.dataset.gauge,
    kind: document.querySelector(`figure[aria-label="${li.dataset.gauge}"]`)?.dataset.kind,
})));
const keyCode = (name) => (/^[A-Z]$/.test(name) ? `Key${name}` : /^[0-9]$/.test(name) ? `Digit${name}` : name);
const hasGauge = (page, gauge) => page.$(`[data-gauge="${gauge}"]`).then(Boolean);

// Key presses of a key a lamp shows, each timed from the key event in the
// page to the lamp's data-shown changing.
async function latency(page, {key, gauge}, presses) {
    const code = keyCode(key);
    await page.evaluate((g, c) => {
        const lamp = document.querySelector(`[data-gauge="${g}"]`);
        let t0 = null, last = lamp.dataset.shown;
        window.latencies = [];
        window.addEventListener('keydown', (e) => e.code === c && (t0 = performance.now()), true);
        new MutationObserver(() => {
            if (lamp.dataset.shown === last) return;
            last = lamp.dataset.shown;
            if (t0 !== null) window.latencies.push(performance.now() - t0), (t0 = null);
        }).observe(lamp, {attributes: true, attributeFilter: ['data-shown']});
    }, gauge, code);
    for (let i = 0; i < presses; ++i) {
        await page.keyboard.press(code);
        await page.waitForFunction((n) => window.latencies.length > n, {timeout: 5000}, i).catch(() => {});
        await sleep(40 + ((i * 37) % 90));
    }
    return page.evaluate(() => window.latencies);
}

// Steps per second vmhost sustains over `seconds`, by its own count, and
// the frames the page draws a second.
async function pace(page, seconds) {
    const count = () => page.evaluate(() => [+document.documentElement.dataset.steps, +document.documentElement.dataset.frames]);
    const [s0, f0] = await count(), t0 = Date.now();
    await sleep(seconds * 1000);
    const behind = await page.$eval('#pace', (p) => p.classList.contains('behind'));
    const [s1, f1] = await count(), span = (Date.now() - t0) / 1000;
    return {rate: (s1 - s0) / span, frames: (f1 - f0) / span, behind};
}

async function flight(browser, aircraft) {
    const session = await live(aircraft, aircraft);
    const {page} = await open(browser, session);
    const atOne = await pace(page, 3);
    const vessel = await page.evaluate(() => document.documentElement.dataset.vessel);

    // Each of the aircraft's keys; a gauge that shows one moves.
    const keys = await aircraftKeys(page);
    check(keys.length > 0, 'the page lists the aircraft\'s keys');
    for (const {key, gauge} of keys) {
        const before = gauge && await page.$eval(`[data-gauge="${gauge}"]`, (e) => e.dataset.shown);
        await page.keyboard.press(keyCode(key));
        if (!gauge) continue;
        const moved = await page.waitForFunction((g, b) => document.querySelector(`[data-gauge="${g}"]`).dataset.shown !== b,
                                                 {timeout: 20000}, gauge, before).then(() => true, () => false);
        check(moved, `${key}: the ${gauge} gauge stays at ${before}`);
    }
    await page.$eval('#throttle', (t) => (t.value = 80, t.dispatchEvent(new Event('input'))));
    if (await hasGauge(page, 'throttle')) await until(page, 'throttle', [79.5, 80.5], 'the throttle slider at 80 %');
    await page.waitForFunction((v) => [...document.querySelectorAll('#events td')].some((td) => td.textContent === `pilot: throttle ${v} 0.8`),
                               {timeout: 5000}, vessel).catch(() => failures.push('the throttle among the events'));
    await page.click('#tracebox summary');
    await page.click('#trace');
    await page.waitForFunction(() => document.getElementById('trace-lines').textContent.trim().split('\n').length === 40, {timeout: 5000})
        .catch(() => failures.push("the trace's latest lines on request"));
    await page.click('#deck');
    if (await hasGauge(page, 'elevator')) {
        await page.keyboard.down('ArrowDown');
        await until(page, 'elevator', [0.1, 1], '↓ held pulls the elevator up');
        await page.keyboard.up('ArrowDown');
        await until(page, 'elevator', [-0.02, 0.02], '↓ let go: the elevator back to 0');
    }
    if (await hasGauge(page, 'right aileron')) {
        const stick = (axes) => page.evaluate((a) => (window.testPad = {connected: true, axes: a, buttons: []}), axes);
        await stick([0.5, 0, 0, 0]);
        await until(page, 'right aileron', [0.4, 0.6], 'the gamepad\'s left stick to the right');
        await stick([0, 0, 0, 0]);
        await until(page, 'right aileron', [-0.02, 0.02], 'the gamepad\'s stick back');
    }
    const lamp = keys.find((k) => k.kind === 'lamp');
    const waits = lamp ? await latency(page, lamp, 20) : [];
    if (lamp) check(waits.length === 20, `${lamp.key} answered by the ${lamp.gauge} lamp ${waits.length} times of 20`);
    const answered = await page.$eval('#answered', (l) => l.innerText);
    for (const {key} of keys)
        check(new RegExp(`^${key} \\(\\d+\\): answered`, 'm').test(answered), `${key} listed as answered: ${answered}`);

    // Pause holds the steps; Step takes one; Resume goes on.
    await page.click('#pause');
    await page.waitForFunction(() => document.getElementById('pace').textContent === 'paused');
    const held = await steps(page);
    await sleep(300);
    check((await steps(page)) === held, 'pause holds the simulation');
    await page.click('#step');
    await page.waitForFunction((n) => +document.documentElement.dataset.steps === n + 1, {timeout: 5000}, held)
        .catch(() => failures.push('Step takes one step'));
    await page.click('#pause');

    // A time acceleration of 100, or the plug-in's cap where it has one.
    // The session runs at what the plug-in allows once it has had a step.
    const warpShown = () => page.waitForFunction(() => {
        const m = /^×(\d+) /.exec(document.getElementById('pace').textContent);
        return m && +m[1] > 1 && +m[1];
    }, {timeout: 10000}).then((h) => h.jsonValue(), () => 0);
    await page.select('#warp', '100');
    await warpShown();
    await sleep(500);
    const warp = await warpShown();
    check(warp > 1, 'the time acceleration raised');
    const atCap = await pace(page, 3);
    await page.select('#warp', '1');
    const going = await steps(page);
    await page.waitForFunction((n) => +document.documentElement.dataset.steps > n, {timeout: 5000}, going)
        .catch(() => failures.push('back at time acceleration 1, the session goes on'));

    await page.close();  // ends the session
    const end = await session.exited;
    check(end.code === 0, `closing the page ends vmhost with 0, not ${JSON.stringify(end)}`);
    const bytes = replays(session, aircraft);
    console.log(`${aircraft}: ` +
                (lamp ? `key press to the lamp showing it, ${waits.length} presses: ` +
                        `p50 ${percentile(waits, 0.5).toFixed(1)} ms, p95 ${percentile(waits, 0.95).toFixed(1)} ms; ` : '') +
                `${atOne.frames.toFixed(1)} frames/s; ` +
                `steps/s at time acceleration 1: ${atOne.rate.toFixed(1)}${atOne.behind ? ' (behind)' : ''}, ` +
                `at ×${warp}: ${atCap.rate.toFixed(1)}${atCap.behind ? ' (behind)' : ''}; ` +
                `trace ${bytes} bytes, record ${fs.readFileSync(session.record, 'utf8').split('\n').length} lines`);
}

// Requests that must not drive the session: [what, method, target, headers,
// body, status, answer]. TOKEN, PORT, CLIENT and VESSEL are the session's own.
const REQUESTS = [
    ['no token', 'GET', '/', {}, null, 403, /refused: no valid token/],
    ['a wrong token', 'GET', '/events?token=00112233445566778899aabbccddeeff', {}, null, 403, /no valid token/],
    ['a token cut short', 'POST', '/input?token=TOKEN_SHORT', {'X-Vmhost-Client': 'CLIENT'}, 'throttle VESSEL 1', 403, /no valid token/],
    ['a wrong Host', 'GET', '/?token=TOKEN', {Host: 'attacker.example:PORT'}, null, 403, /Host is not this server/],
    ['Host localhost, not the address given', 'GET', '/?token=TOKEN', {Host: 'localhost:PORT'}, null, 403, /Host/],
    ['a wrong Origin', 'POST', '/input?token=TOKEN', {Origin: 'http://attacker.example', 'X-Vmhost-Client': 'CLIENT'},
     'throttle VESSEL 1', 403, /Origin is not this server's page/],
    ['an oversize message', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'x'.repeat(1 << 20), 413, /^$/],
    ['a message over 256 bytes', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'},
     `throttle VESSEL 1 ${' '.repeat(300)}`, 400, /at most 256 bytes/],
    ['two lines', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'throttle VESSEL 1\nunload', 400, /one line/],
    ['a malformed message', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'throttle VESSEL lots', 400,
     /error: 'lots' is not a number/],
    ['an unknown command', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'fly away', 400, /unknown command 'fly'/],
    ['no pilot\'s input', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'unload', 400, /no pilot's input/],
    ['an unknown vessel', 'POST', '/input?token=TOKEN', {'X-Vmhost-Client': 'CLIENT'}, 'throttle nobody 1', 400, /unknown vessel 'nobody'/],
    ['a second client\'s event stream', 'GET', '/events?token=TOKEN', {}, null, 409, /another page flies this session/],
    ['a second client\'s input', 'POST', '/input?token=TOKEN', {}, 'throttle VESSEL 1', 409, /another page/],
    ['a second client asks for the record', 'GET', '/record?token=TOKEN', {}, null, 409, /another page/],
];

async function security(browser) {
    const session = await live(anyAircraft, 'security');
    const {page, client} = await open(browser, session);
    await page.click('#pause');
    await page.waitForFunction(() => document.getElementById('pace').textContent === 'paused');
    const id = client();
    check(/^[0-9a-f]{32}$/.test(id || ''), `the page's first input carries its client id, not ${id}`);
    const vessel = await page.evaluate(() => document.documentElement.dataset.vessel);
    const fill = (s) => s.replace('TOKEN_SHORT', session.token.slice(0, 31)).replace('TOKEN', session.token)
        .replace('PORT', session.port).replace('CLIENT', id).replace('VESSEL', vessel);
    const before = {record: fs.readFileSync(session.record, 'utf8'), trace: fs.statSync(session.trace).size,
                    steps: await steps(page)};
    for (const [name, method, target, headers, body, status, answer] of REQUESTS) {
        const h = Object.fromEntries(Object.entries(headers).map(([k, v]) => [k, fill(v)]));
        const r = await request(session.port, method, fill(target), h, body && fill(body));
        if (r.stream) r.q.destroy();
        check(r.status === status && answer.test(r.text), `${name}: ${r.status} ${r.text.slice(0, 80)}`);
    }
    await sleep(300);
    const after = {record: fs.readFileSync(session.record, 'utf8'), trace: fs.statSync(session.trace).size,
                   steps: await steps(page)};
    check(JSON.stringify(after) === JSON.stringify(before),
          `the refused requests changed the session: ${JSON.stringify(before)} then ${JSON.stringify(after)}`);
    // The page's own input still goes: the refusals were no broken server.
    const ok = await request(session.port, 'POST', `/input?token=${session.token}`, {'X-Vmhost-Client': id}, `throttle ${vessel} 0.5`);
    check(ok.status === 200, `the page's own input: ${ok.status} ${ok.text}`);
    const kept = await request(session.port, 'GET', `/record?token=${session.token}`, {'X-Vmhost-Client': id});
    check(kept.text === fs.readFileSync(session.record, 'utf8'), `the page's record is the file's: ${kept.text}`);
    await request(session.port, 'POST', `/input?token=${session.token}`, {'X-Vmhost-Client': id}, 'step 2');
    await page.waitForFunction((n) => +document.documentElement.dataset.steps === n + 2, {timeout: 5000}, before.steps)
        .catch(() => failures.push('the page\'s own input takes two steps'));
    session.child.kill('SIGINT');  // Ctrl-C ends the session cleanly too
    const end = await session.exited;
    check(end.code === 0, `Ctrl-C ends vmhost with 0, not ${JSON.stringify(end)}`);
    check(fs.readFileSync(session.record, 'utf8').includes(`\nthrottle ${vessel} 0.5\nstep 2\n`),
          'the page\'s own input is kept in the record');
    replays(session, 'security');
    await page.close();
}

// A plug-in that crashes on a key: vmhost dies of it, and the record, up to
// the step before, replays.
async function crash() {
    const session = await live(crashPlugin, 'crash');
    const events = await request(session.port, 'GET', `/events?token=${session.token}`);
    const hello = await new Promise((r) => {
        let text = '';
        events.stream.on('data', (d) => {
            text += d;
            const m = /event: hello\ndata: (.*)\n\n/.exec(text);
            if (m) r(JSON.parse(m[1]));
        });
    });
    const send = (line) => request(session.port, 'POST', `/input?token=${session.token}`, {'X-Vmhost-Client': hello.client}, line);
    await send('pause');
    await send('step 7');
    await send('key v1 F');
    await send('step 3');
    send('key v1 0xE3 up shift ctrl alt').catch(() => {});
    const end = await session.exited;
    check(end.signal !== null || end.code !== 0, `the crash ends vmhost as it ends any run, not ${JSON.stringify(end)}`);
    const record = fs.readFileSync(session.record, 'utf8');
    check(/\nkey v1 F\nstep 3\n$/.test(record), `the record ends with the steps before the crash:\n${record}`);
    const again = path.join(work, 'crash-replay.trace');
    execFileSync(vmhost, ['run', session.record, '--trace', again], {cwd: work, stdio: ['ignore', 'ignore', 'inherit']});
    check(/> clbkPostStep/.test(fs.readFileSync(again, 'utf8')), 'the record replays');
    events.q.destroy();
}

(async () => {
    fs.rmSync(work, {recursive: true, force: true});
    fs.mkdirSync(work, {recursive: true});
    if (what === 'crash') {
        await crash();
    } else {
        const browser = await launch(work, ['--disable-renderer-backgrounding', '--disable-background-timer-throttling']);
        try {
            if (what === 'security') await security(browser); else await flight(browser, what);
        } finally {
            await browser.close();
        }
    }
    finish(`live ${what}`);
})().catch((e) => {
    console.log(`FAIL ${e.stack}`);
    process.exit(1);
});
