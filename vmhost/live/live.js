// The live page: vmhost flies the plug-in in real time and streams a frame
// of it many times a second (server-sent events); the page draws the frame
// with the report's panel (panel.js), the flight model's readings, a strip
// chart of the last minutes and the events, and sends the pilot's inputs
// back as scenario lines, which vmhost carries out between two steps and
// keeps in the record. Its state is on <html> for tests and tools:
// data-live (connecting, flying, ended, refused), data-vessel, data-steps,
// data-frames; the aircraft's keys are #aircraft-keys li[data-key], with
// data-gauge naming the gauge that shows one.
'use strict';
(() => {
    const {html, set, show, gauge, flightReadings} = VmPanel;
    const $ = (id) => document.getElementById(id);
    const state = document.documentElement.dataset;
    const token = new URLSearchParams(location.search).get('token') || '';
    const query = `token=${encodeURIComponent(token)}`;
    const DEG = 180 / Math.PI;
    const STRIP = 180;  // s of simulated time the charts keep
    let client = '', vessel = '', names = {}, map = {};
    let paused = false, over = false;
    const col = {};
    let draws = [];

    function status(text, error = false) {
        $('status').textContent = text;
        $('status').classList.toggle('error', error);
    }

    // ---- Talking to vmhost ----

    // One line: a scenario line or pause, resume, stop. vmhost answers with
    // the reader's error when it cannot be carried out.
    async function send(line) {
        if (!client || over) return;
        try {
            const r = await fetch(`/input?${query}`, {method: 'POST', body: line,
                                                     headers: {'X-Vmhost-Client': client}});
            if (!r.ok) status(`${line}: ${await r.text()}`, true);
        } catch (e) {
            status(`${line}: ${e.message}`, true);
        }
    }
    const get = (path) => fetch(`${path}${path.includes('?') ? '&' : '?'}${query}`,
                                {headers: {'X-Vmhost-Client': client}}).then((r) => r.text());

    // A control's level, sent when it changes by a hundredth, at most ten
    // times a second (the last level always goes).
    const controls = {};
    function control(name, level) {
        const c = controls[name] ??= {sent: null, at: 0, timer: 0, level: 0};
        c.level = Math.round(level * 100) / 100;
        if (c.timer) return;
        const go = () => {
            c.timer = 0;
            if (c.level === c.sent) return;
            c.sent = c.level;
            c.at = performance.now();
            send(`${name} ${vessel} ${c.level}`);
            if (name === 'throttle') $('throttle').value = Math.round(c.level * 100);
        };
        const wait = c.at + 100 - performance.now();
        if (wait > 0) c.timer = setTimeout(go, wait); else go();
    }

    // ---- The pilot's keys, stick and throttle ----

    // The arrows fly: their axis moves at one full deflection a second
    // while held, and springs back when let go (the throttle stays).
    const ARROWS = {
        ArrowUp: ['elevator', -1, 'throttle', 1], ArrowDown: ['elevator', 1, 'throttle', -1],
        ArrowLeft: ['aileron', -1, 'rudder', -1], ArrowRight: ['aileron', 1, 'rudder', 1],
    };
    const held = new Map();  // key code -> [axis, direction]
    const level = {elevator: 0, aileron: 0, rudder: 0, throttle: 0};
    let last = performance.now();
    function fly(now) {
        const dt = Math.min((now - last) / 1000, 0.1);
        last = now;
        for (const [axis, dir] of held.values())
            level[axis] = Math.min(Math.max(level[axis] + dir * dt, axis === 'throttle' ? 0 : -1), 1);
        gamepad(dt);
        for (const axis of Object.keys(level)) if (controls[axis] || level[axis]) control(axis, level[axis]);
        set($('surfaces'), 'textContent',
            ['elevator', 'aileron', 'rudder'].map((a) => `${a} ${show(level[a], 2)}`).join(' · '));
        requestAnimationFrame(fly);
    }

    // The first gamepad (the browser's standard mapping): left stick
    // elevator and ailerons, right stick rudder and, while pushed, the
    // throttle; the left trigger the brakes. A stick takes its axis when it
    // moves, so that the arrows still fly beside a gamepad left alone.
    const dead = (v) => (Math.abs(v) < 0.1 ? 0 : v);
    const STICKS = ['aileron', 'elevator', 'rudder'];
    const pad0 = {aileron: 0, elevator: 0, rudder: 0, brake: 0};
    function gamepad(dt) {
        const pad = [...(navigator.getGamepads ? navigator.getGamepads() : [])].find((p) => p && p.connected);
        if (!pad || pad.axes.length < 4) return;
        STICKS.forEach((axis, i) => {
            const v = dead(pad.axes[i]);
            if (v !== pad0[axis]) level[axis] = pad0[axis] = v;
        });
        level.throttle = Math.min(Math.max(level.throttle - dead(pad.axes[3]) * dt * 0.5, 0), 1);
        const brake = pad.buttons[6] ? Math.round(pad.buttons[6].value * 10) / 10 : 0;
        if (brake !== pad0.brake) control('brake', (pad0.brake = brake));
    }

    function key(e, down) {
        const arrow = ARROWS[e.code];
        if (arrow) {
            e.preventDefault();
            const [axis, dir] = e.shiftKey ? arrow.slice(2) : arrow.slice(0, 2);
            if (down) {
                held.set(e.code, [axis, dir]);
            } else {
                const [was] = held.get(e.code) || [];
                held.delete(e.code);
                if (was && was !== 'throttle' && ![...held.values()].some(([a]) => a === was)) level[was] = 0;
            }
            return;
        }
        const code = map[e.code];
        if (code === undefined) return;
        e.preventDefault();
        if (e.repeat) return;
        const mods = ['shift', 'ctrl', 'alt'].filter((m) => e[`${m}Key`]).map((m) => ` ${m}`).join('');
        send(`key ${vessel} ${code}${down ? '' : ' up'}${mods}`);
    }

    // ---- What a frame shows ----

    function chartsFor(box) {
        const defs = [
            ['Altitude (m)', [['altitude_m', 'altitude', 1, '#1f77b4']]],
            ['Airspeed (m/s), climb (m/s)', [['airspeed_ms', 'airspeed', 1, '#d62728'], ['climb_ms', 'climb', 1, '#2ca02c']]],
            ['Attitude (°)', [['pitch_rad', 'pitch', DEG, '#1f77b4'], ['bank_rad', 'bank', DEG, '#e65100'],
                              ['aoa_rad', 'angle of attack', DEG, '#9467bd']]],
        ];
        const width = () => Math.max(box.clientWidth, 280);
        const data = defs.map(([, series]) => [[], ...series.map(() => [])]);
        const plots = defs.map(([title, series], i) => {
            const holder = html(box, 'div', '', 'chart');
            holder.setAttribute('role', 'img');
            holder.setAttribute('aria-label', `${title} over the last ${STRIP / 60} minutes`);
            return new uPlot({title, width: width(), height: 140, scales: {x: {time: false}}, legend: {live: false},
                              series: [{label: 'time (s)'},
                                       ...series.map(([, label, , stroke]) => ({label, stroke, width: 1.5, points: {show: false}}))],
                              axes: [{}, {size: 60}]}, data[i], holder);
        });
        new ResizeObserver(() => plots.forEach((u) => u.setSize({width: width(), height: 140}))).observe(box);
        let sampled = -Infinity, drawn = 0;
        return (t) => {
            if (t < sampled) sampled = -Infinity;  // never, but a clock gone back starts afresh
            if (t - sampled < 0.1) return;
            sampled = t;
            defs.forEach(([, series], i) => {
                const d = data[i];
                d[0].push(t);
                series.forEach(([column, , factor], k) => d[k + 1].push(col[column] ? col[column][0] * factor : null));
                while (d[0].length && d[0][0] < t - STRIP) d.forEach((s) => s.shift());
            });
            const now = performance.now();
            if (now - drawn < 100) return;
            drawn = now;
            plots.forEach((u, i) => u.setData(data[i]));
        };
    }

    // Events as the log sees them; a later frame may change one (a span,
    // a range), by its number.
    function showEvents(list) {
        const body = $('events');
        for (const [index, t, text, pilot, end] of list) {
            let tr = body.rows[index];
            while (!tr) {
                tr = html(body, 'tr');
                for (let k = 0; k < 3; ++k) html(tr, 'td');
                tr.cells[0].textContent = body.rows.length;
                tr.cells[1].className = 'n';
                tr = body.rows[index];
            }
            set(tr.cells[1], 'textContent', end === null ? show(t, 2) : `${show(t, 2)}–${show(end, 2)}`);
            set(tr.cells[2], 'textContent', `${pilot ? 'pilot: ' : ''}${text}`);
            set(tr, 'className', pilot ? 'pilot' : '');
        }
    }

    // Each key pressed, and how often the aircraft took it.
    const answers = {};
    function showKeys(list) {
        for (const [code, down, answer] of list) {
            if (!down) continue;
            const name = names[code] || String(code);
            const a = answers[name] ??= {presses: 0, answered: 0, li: null};
            ++a.presses;
            a.answered += answer ? 1 : 0;
            if (!a.li) {
                $('answered').querySelector('.none')?.remove();
                a.li = html($('answered'), 'li');
                a.li.dataset.key = name;
            }
            a.li.dataset.answered = a.answered;
            a.li.textContent = `${name} (${code}): ${a.answered ? `answered ${a.answered} of ${a.presses}` : `not answered (${a.presses})`}`;
        }
    }

    // What the aircraft's own keys do, from vmhost's table of aircraft.
    function listKeys(keys) {
        if (keys.length) $('aircraft-keys').replaceChildren();
        for (const [name, does, gauge] of keys) {
            const li = html($('aircraft-keys'), 'li');
            html(li, 'kbd', name);
            li.append(`: ${does}${gauge ? ` (the ${gauge} gauge shows it)` : ''}`);
            li.dataset.key = name;
            if (gauge) li.dataset.gauge = gauge;
        }
    }

    let strip = null;
    function frame(f) {
        state.frames = +(state.frames || 0) + 1;
        state.steps = f.steps;
        const columns = Object.keys(col);
        f.values.forEach((v, i) => {
            if (columns[i]) col[columns[i]][0] = v ?? NaN;
        });
        if (f.values.length) {
            for (const draw of draws) draw(0);
            strip(f.t);
        }
        set($('clock'), 'textContent', `${show(f.t, 2)} s`);
        const pace = f.paused ? 'paused' :
            `×${show(f.warp, f.warp < 10 ? 1 : 0)} · ${show(f.rate, 0)} of ${show(f.asked, 0)} steps/s` +
            (f.behind ? ` · behind real time, ${show(f.dropped, 1)} s given up` : '');
        set($('pace'), 'textContent', pace);
        set($('pace'), 'className', f.behind ? 'behind' : '');
        if (f.paused !== paused) {
            paused = f.paused;
            $('pause').textContent = paused ? 'Resume' : 'Pause';
            $('step').disabled = !paused;
        }
        showEvents(f.events);
        showKeys(f.keys);
    }

    function hello(h) {
        client = h.client;
        vessel = state.vessel = h.vessel;
        ({map, names} = h.keys);
        $('title').textContent = `· ${h.vessel} (${h.plugin})`;
        for (const name of h.columns) col[name] = new Float64Array(1).fill(NaN);
        const panel = document.querySelector('.panel');
        draws = h.panel.map((g) => gauge(g, col, panel)).filter(Boolean);
        if (!draws.length) html(panel, 'p', 'No cockpit panel is known for this plug-in.');
        draws.push(...flightReadings(document.querySelector('.readings'), col));
        listKeys(h.aircraft_keys);
        strip = chartsFor($('charts'));
        const kept = [h.record && `the record goes to ${h.record}`, h.trace && `the trace to ${h.trace}`].filter(Boolean);
        status(`Flying ${h.vessel}${kept.length ? `; ${kept.join(', ')}` : ''}. Click the panel to fly with the keys.`);
        state.live = 'flying';
        requestAnimationFrame(fly);
    }

    function ended(e) {
        over = true;
        state.live = 'ended';
        state.status = e.status;
        source.close();
        status(`The session has ended after ${e.steps} steps (vmhost's status ${e.status}).`);
        document.querySelectorAll('#bar button, #controls input, #controls button').forEach((b) => (b.disabled = true));
    }

    // ---- The page's own controls ----

    const deck = $('deck');
    deck.addEventListener('keydown', (e) => key(e, true));
    deck.addEventListener('keyup', (e) => key(e, false));
    deck.addEventListener('blur', () => {
        for (const code of [...held.keys()]) key({code, shiftKey: false, preventDefault() {}}, false);
    });
    $('pause').addEventListener('click', () => send(paused ? 'resume' : 'pause'));
    $('step').addEventListener('click', () => send('step'));
    $('end').addEventListener('click', () => send('stop'));
    $('warp').addEventListener('change', (e) => send(`set warp ${e.target.value}`));
    for (const [id, name, scale] of [['throttle', 'throttle', 100], ['brake', 'brake', 100], ['trim', 'trim', 100]]) {
        $(id).addEventListener('input', (e) => {
            const v = +e.target.value / scale;
            if (name === 'throttle') level.throttle = v;
            $(`${id}-out`).textContent = name === 'trim' ? show(v, 2) : `${e.target.value} %`;
            control(name, v);
        });
    }
    $('ap-hold').addEventListener('click', () => {
        const mode = $('ap-mode').value;
        const v = +$('ap-value').value;
        if (Number.isFinite(v)) send(`autopilot ${vessel} ${mode} ${mode === 'climb' ? v : v / DEG}`);
    });
    $('ap-off').addEventListener('click', () => send(`autopilot ${vessel} off`));
    $('trace').addEventListener('click', async () => {
        $('trace-lines').textContent = await get('/trace?lines=40');
    });
    $('save').addEventListener('click', async () => {
        const a = html(document.body, 'a');
        a.href = URL.createObjectURL(new Blob([await get('/record')], {type: 'text/plain'}));
        a.download = `${vessel}-live.vms`;
        a.click();
        a.remove();
    });

    state.live = 'connecting';
    const source = new EventSource(`/events?${query}`);
    source.addEventListener('hello', (e) => hello(JSON.parse(e.data)));
    source.addEventListener('end', (e) => ended(JSON.parse(e.data)));
    source.onmessage = (e) => frame(JSON.parse(e.data));
    source.onerror = () => {
        if (over) return;
        source.close();
        over = true;
        if (state.live === 'connecting') {
            state.live = 'refused';
            status('vmhost refused this page: another page flies this session, or it has ended.', true);
        } else {
            state.live = 'ended';
            status('The connection to vmhost is lost.', true);
        }
    };
})();
