// The flight report's cockpit replay. Each vessel's section carries its flight
// log and the panel of its aircraft (vmhost's aircraft table) as JSON; every
// gauge is drawn here from the animation state the plug-in set, and the flight
// model's readings stand beside the panel. One time slider drives them all,
// with play, pause and speed; an event jumps to its moment, a cursor runs
// through the charts, and the address keeps the moment as #t=SECONDS.
'use strict';
(() => {
    const NS = 'http://www.w3.org/2000/svg';
    const DEG = 180 / Math.PI;
    const C = 75, R = 68;  // centre and radius of a round gauge
    const PX = 1.5;        // the horizon moves 1.5 px per degree of pitch
    // The flight model's readings: column, label, factor, unit, decimals.
    const READINGS = [
        ['time_s', 'time', 1, 's', 2],
        ['altitude_m', 'altitude', 1, 'm', 1],
        ['airspeed_ms', 'airspeed', 1, 'm/s', 1],
        ['climb_ms', 'climb', 1, 'm/s', 1],
        ['pitch_rad', 'pitch', DEG, '°', 1],
        ['bank_rad', 'bank', DEG, '°', 1],
        ['heading_rad', 'heading', DEG, '°', 1],
        ['aoa_rad', 'angle of attack', DEG, '°', 1],
        ['thrust_level', 'throttle', 100, '%', 0],
        ['fuel_kg', 'fuel', 1, 'kg', 0],
        ['gear', 'gear (1 up)', 1, '', 2],
        ['flaps', 'flaps', 1, '', 2],
        ['lights', 'lights on', 1, '', 0],
        ['ground', 'on the ground', 1, '', 0],
    ];

    function svg(parent, tag, attrs = {}, text = '') {
        const e = document.createElementNS(NS, tag);
        for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
        if (text !== '') e.textContent = text;
        return parent.appendChild(e);
    }
    const html = (parent, tag, text = '') => {
        const e = parent.appendChild(document.createElement(tag));
        e.textContent = text;
        return e;
    };
    const wrap = (v, period) => (period > 0 ? ((v % period) + period) % period : v);
    // How far apart two values are, the short way round when they wrap.
    const apart = (a, b, period) => {
        const d = wrap(Math.abs(a - b), period);
        return period > 0 ? Math.min(d, period - d) : d;
    };
    const show = (v, decimals) =>
        Number.isFinite(v) ? v.toFixed(decimals).replace(/^-(0\.?0*)$/, '$1') : '–';
    const polar = (deg, r) => [C + r * Math.sin(deg / DEG), C - r * Math.cos(deg / DEG)];

    // The kinds of gauge. Each draws its fixed parts into `s` and gives, per
    // indicator, the element that moves and how it shows a value.
    const KINDS = {
        dial: {size: [150, 150], draw: dial},
        horizon: {size: [150, 150], draw: horizon},
        drum: {size: [150, 52], draw: drum},
        bar: {size: [150, 44], draw: bar},
        lamp: {size: [70, 44], draw: lamp},
    };

    function dial(g, s, inds) {
        const at = (v) => g.start + (g.sweep * (v - g.lo)) / (g.hi - g.lo);
        svg(s, 'circle', {cx: C, cy: C, r: R, class: 'face'});
        // A full circle's last tick would fall on its first.
        const last = g.sweep >= 360 ? g.hi - g.tick / 2 : g.hi + 1e-9;
        for (let v = Math.ceil(g.lo / g.tick - 1e-9) * g.tick; g.tick > 0 && v < last;
             v += g.tick) {
            const major = g.labels > 0 && Math.abs(v / g.labels - Math.round(v / g.labels)) < 1e-6;
            const [x1, y1] = polar(at(v), R - (major ? 10 : 5));
            const [x2, y2] = polar(at(v), R);
            svg(s, 'line', {x1, y1, x2, y2, class: 'tick'});
            if (major) {
                const [x, y] = polar(at(v), R - 20);
                svg(s, 'text', {x, y: y + 4, class: 'num'}, String(+v.toFixed(2)));
            }
        }
        svg(s, 'text', {x: C, y: C + 32, class: 'unit'}, g.unit);
        const parts = inds.map((ind, i) => {
            const y2 = C - R * [0.85, 0.6, 0.42][i % 3];
            const node = svg(s, 'line', {x1: C, y1: C + 10, x2: C, y2, class: `needle n${i}`});
            const angle = (v) => (ind.period > 0 ? g.start + (360 * v) / ind.period : at(v));
            return {
                node,
                draw: (v) => node.setAttribute('transform', `rotate(${angle(v)} ${C} ${C})`)
            };
        });
        svg(s, 'circle', {cx: C, cy: C, r: 4, class: 'hub'});
        return parts;
    }

    let clips = 0;
    function horizon(g, s, inds) {
        const id = `horizon${++clips}`;
        svg(svg(s, 'clipPath', {id}), 'circle', {cx: C, cy: C, r: R});
        const bank = svg(svg(s, 'g', {'clip-path': `url(#${id})`}), 'g');
        const pitch = svg(bank, 'g');
        svg(pitch, 'rect', {x: -300, y: C - 1000, width: 750, height: 1000, class: 'sky'});
        svg(pitch, 'rect', {x: -300, y: C, width: 750, height: 1000, class: 'ground'});
        for (let p = -90; inds.some((i) => i.name === 'pitch') && p <= 90; p += 10) {
            const half = p === 0 ? 300 : p % 30 ? 8 : 18;
            svg(pitch, 'line',
                {x1: C - half, x2: C + half, y1: C - p * PX, y2: C - p * PX, class: 'ladder'});
        }
        svg(bank, 'path', {d: `M ${C} ${C - R + 1} l -6 10 h 12 z`, class: 'pointer'});
        svg(s, 'circle', {cx: C, cy: C, r: R, class: 'rim'});
        for (const a of [-60, -30, 0, 30, 60]) {
            const [x1, y1] = polar(a, R - 7);
            const [x2, y2] = polar(a, R);
            svg(s, 'line', {x1, y1, x2, y2, class: 'tick'});
        }
        svg(s, 'path', {d: `M ${C - 42} ${C} h 26 l 8 8 l 8 -8 h 26`, class: 'wings'});
        return inds.map((ind) => {
            const node = ind.name === 'pitch' ? pitch : bank;
            const move = node === pitch ? (v) => `translate(0 ${v * PX})` :
                                          (v) => `rotate(${0 - v} ${C} ${C})`;
            return {node, draw: (v) => node.setAttribute('transform', move(v))};
        });
    }

    function drum(g, s, inds) {
        const w = 24;
        return inds.map((ind, k) => {
            const x = C + (inds.length / 2 - k - 1) * (w + 2);
            svg(s, 'rect', {x, y: 6, width: w, height: 38, rx: 3, class: 'window'});
            const node = svg(s, 'text', {x: x + w / 2, y: 34, class: 'digit'});
            return {node, draw: (v) => (node.textContent = String(Math.round(v) % 10))};
        });
    }

    function bar(g, s, inds) {
        const x = (v) => 12 + (126 * (Math.min(Math.max(v, g.lo), g.hi) - g.lo)) / (g.hi - g.lo);
        svg(s, 'rect', {x: 12, y: 14, width: 126, height: 10, class: 'rail'});
        const fill = svg(s, 'rect', {y: 14, height: 10, class: 'fill'});
        svg(s, 'line', {x1: x(0), x2: x(0), y1: 10, y2: 28, class: 'zero'});
        svg(s, 'text', {x: 12, y: 40, class: 'num'}, String(g.lo));
        svg(s, 'text', {x: 138, y: 40, class: 'num'}, String(g.hi));
        const node = svg(s, 'path', {d: 'M 0 8 l -5 -8 h 10 z', class: 'marker'});
        const draw = (v) => {
            fill.setAttribute('x', Math.min(x(0), x(v)));
            fill.setAttribute('width', Math.abs(x(v) - x(0)));
            node.setAttribute('transform', `translate(${x(v)} 6)`);
        };
        return inds.map(() => ({node, draw}));
    }

    function lamp(g, s, inds) {
        const node = svg(s, 'circle', {cx: 35, cy: 22, r: 13, class: 'lamp'});
        return inds.map(() => ({node, draw: (v) => node.classList.toggle('on', v > 0)}));
    }

    // A gauge in `panel`; gives the function that shows it at a row of the log.
    function gauge(g, col, panel) {
        const inds = g.indicators.filter((i) => col[i.column] && (!i.model || col[i.model]));
        const kind = KINDS[g.kind];
        if (!kind || !inds.length) return null;
        const fig = html(panel, 'figure');
        fig.className = 'gauge';
        fig.dataset.kind = g.kind;
        const [w, h] = kind.size;
        const s = svg(fig, 'svg', {width: w, height: h, viewBox: `0 0 ${w} ${h}`});
        const parts = kind.draw(g, s, inds);
        const caption = html(fig, 'figcaption');
        html(caption, 'div', g.label).className = 'label';
        const step = 10 ** -g.decimals;
        parts.forEach((p, i) => {
            const ind = inds[i];
            Object.assign(p.node.dataset, {column: ind.column, period: ind.period, step});
            if (ind.model)
                Object.assign(p.node.dataset, {model: ind.model, modelScale: ind.modelScale});
        });
        // Drums read as one number; other gauges give a line per indicator.
        const lines = (g.kind === 'drum' ? inds.slice(0, 1) : inds).map(() => html(caption, 'div'));
        const unit = g.unit && g.unit !== '°' ? ` ${g.unit}` : g.unit;
        return (row) => {
            let reading = 0;  // of the drums
            let off = false;
            inds.forEach((ind, i) => {
                const state = col[ind.column][row];
                const value = wrap(ind.offset + ind.scale * state, ind.period);
                const p = parts[i];
                if (Number.isFinite(value)) p.draw(value);
                Object.assign(p.node.dataset, {state, value});
                // 59.7 on a face of 60 reads 0, as it points there.
                const shown = (v) => show(wrap(+v.toFixed(g.decimals), ind.period), g.decimals);
                let text = `${ind.name ? `${ind.name} ` : ''}${shown(value)}${unit}`;
                const model = ind.model && wrap(ind.modelScale * col[ind.model][row], ind.period);
                const wrong =
                    Boolean(ind.model) && !(apart(value, model, ind.period) <= step * 1.000001);
                if (ind.model) text += ` · flight ${shown(model)}`;
                p.node.classList.toggle('off', wrong);
                off = off || wrong;
                reading += (Math.round(value) % 10) * 10 ** i;
                if (g.kind !== 'drum') {
                    lines[i].textContent = text;
                    lines[i].classList.toggle('off', wrong);
                }
            });
            if (g.kind === 'drum') {
                const first = inds[0];
                const flight = first.model ?
                    ` · flight ${show(first.modelScale * col[first.model][row], 1)}` :
                    '';
                lines[0].textContent = `${show(reading, 0)}${unit}${flight}`;
                lines[0].classList.toggle('off', off);
            }
        };
    }

    // A column as embedded: its values, or {v: values, n: rows each holds}.
    function expand(c, rows) {
        const out = new Float64Array(rows).fill(NaN);
        const values = Array.isArray(c) ? c : c.v;
        for (let k = 0, r = 0; k < values.length; ++k) {
            const n = Array.isArray(c) ? 1 : c.n[k];
            out.fill(values[k] ?? NaN, r, r + n);
            r += n;
        }
        return out;
    }

    // The row of the log nearest to time t.
    function nearest(time, t) {
        let lo = 0, hi = time.length - 1;
        while (lo < hi) {
            const mid = (lo + hi) >> 1;
            if (time[mid] < t)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo > 0 && t - time[lo - 1] <= time[lo] - t ? lo - 1 : lo;
    }

    function track(section) {
        const log = JSON.parse(section.querySelector('script.log').textContent);
        if (!log.rows) return null;
        const col = {};
        log.columns.forEach((name, i) => (col[name] = expand(log.data[i], log.rows)));
        const time = col.time_s;
        const panel = section.querySelector('.panel');
        const gauges = log.panel.map((g) => gauge(g, col, panel)).filter(Boolean);
        if (!gauges.length) html(panel, 'p', 'No cockpit panel is known for this plug-in.');

        const table = section.querySelector('.readings');
        html(html(table, 'tr'), 'th', 'flight model').colSpan = 2;
        const readings = READINGS.filter(([c]) => col[c]).map(([c, label, factor, unit, dec]) => {
            const tr = html(table, 'tr');
            html(tr, 'td', label);
            const td = html(tr, 'td');
            td.className = 'n';
            return (row) => {
                td.textContent = `${show(col[c][row] * factor, dec)} ${unit}`;
            };
        });

        const chart = section.querySelector('.chart');
        const frame = chart && chart.querySelector('svg');
        const f = chart ? chart.dataset : {};
        const cursor = frame && svg(frame, 'line', {y1: f.y0, y2: f.y1, class: 'cursor'});
        const events = [...section.querySelectorAll('tr[data-t]')];
        return {
            start: time[0],
            end: time[log.rows - 1],
            show(t) {
                const row = nearest(time, t);
                for (const update of [...gauges, ...readings]) update(row);
                if (cursor) {
                    const x = +f.x0 + ((f.x1 - f.x0) * time[row]) / (f.t1 || 1);
                    cursor.setAttribute('x1', x);
                    cursor.setAttribute('x2', x);
                }
                const passed = events.filter((e) => +e.dataset.t <= t + 1e-9);
                events.forEach((e) => e.classList.toggle('now', e === passed[passed.length - 1]));
            },
        };
    }

    const tracks = [...document.querySelectorAll('section.track')].map(track).filter(Boolean);
    if (!tracks.length) return;
    const start = Math.min(...tracks.map((t) => t.start));
    const end = Math.max(...tracks.map((t) => t.end));

    const player = document.createElement('div');
    player.id = 'player';
    player.innerHTML =
        '<button type=button>Play</button> <select title=speed><option value=1>1×</option>' +
        '<option value=10>10×</option><option value=60>60×</option></select> ' +
        '<input type=range step=any title=time> <output></output>';
    document.querySelector('h1').after(player);
    const [button, speed, slider, clock] = player.children;
    slider.min = start;
    slider.max = end;

    let now = start;
    let hashTimer = 0;
    // The moment goes into the address at most four times a second, replacing
    // the entry rather than adding one.
    function go(t, {fromSlider = false, keepHash = false} = {}) {
        now = Math.min(Math.max(t, start), end);
        if (!fromSlider) slider.value = now;
        clock.textContent = `${now.toFixed(1)} s`;
        for (const tr of tracks) tr.show(now);
        if (keepHash || hashTimer) return;
        hashTimer = setTimeout(() => {
            hashTimer = 0;
            history.replaceState(null, '', `#t=${Number(now.toFixed(2))}`);
        }, 250);
    }

    let playing = false;
    let last = 0;
    function frame(ts) {
        if (!playing) return;
        go(now + (Math.max(ts - last, 0) / 1000) * speed.value);
        last = ts;
        if (now >= end)
            pause();
        else
            requestAnimationFrame(frame);
    }
    function pause() {
        playing = false;
        button.textContent = 'Play';
    }
    button.addEventListener('click', () => {
        if (playing) return pause();
        if (now >= end) go(start);
        playing = true;
        button.textContent = 'Pause';
        last = performance.now();
        requestAnimationFrame(frame);
    });
    slider.addEventListener('input', () => go(+slider.value, {fromSlider: true}));
    for (const tr of document.querySelectorAll('tr[data-t]'))
        tr.addEventListener('click', () => go(+tr.dataset.t));

    const hashTime = () => {
        const m = /^#t=([-+]?[0-9.]+(?:e[-+]?[0-9]+)?)$/i.exec(location.hash);
        return m ? +m[1] : NaN;
    };
    window.addEventListener('hashchange', () => Number.isFinite(hashTime()) && go(hashTime()));
    go(Number.isFinite(hashTime()) ? hashTime() : start, {keepHash: true});
})();
