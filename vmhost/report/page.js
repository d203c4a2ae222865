// The flight report's cockpit replay. Each vessel's section carries its flight
// log and the panel of its aircraft (vmhost's aircraft table) as JSON. Every
// gauge is drawn here from the animation states the plug-in set and read as a
// pilot reads it, beside the flight model's own quantity, with a flag where
// the two disagree; charts (uPlot), a ground track and a profile show the
// whole flight. One time drives them all: the slider, Play, the keys, a click
// on an event or a chart. The address keeps the moment, the zoom and the
// units: #t=SECONDS or M:SS, &z=FROM-TO, &u=aviation. A section may carry a
// second log of the same vessel, its ghost (vmhost compare's OLD flight):
// its needles are drawn over the panel's, its readings given beside them,
// its lines dashed beside the section's in every chart and on the ground.
'use strict';
(() => {
    const NS = 'http://www.w3.org/2000/svg';
    const DEG = 180 / Math.PI;
    const C = 75, R = 68;  // centre and radius of a round gauge
    const PX = 1.5;        // the horizon moves 1.5 px per degree of pitch
    const HUGE = 1e15;     // readings beyond are drawn at the edge, and marked

    // ---- Helpers ----

    function svg(parent, tag, attrs = {}, text = '') {
        const e = document.createElementNS(NS, tag);
        for (const [k, v] of Object.entries(attrs)) e.setAttribute(k, v);
        if (text !== '') e.textContent = text;
        return parent.appendChild(e);
    }
    const html = (parent, tag, text = '', cls = '') => {
        const e = parent.appendChild(document.createElement(tag));
        e.textContent = text;
        if (cls) e.className = cls;
        return e;
    };
    // Writes a property only when it changes: the page then lays out and
    // restyles no more than what moved.
    const set = (object, key, value) => {
        if (object[key] !== value) object[key] = value;
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
    const clampHuge = (v) => Math.min(Math.max(v, -HUGE), HUGE);
    const minutes = (t) =>
        t >= 60 ? `${Math.floor(t / 60)} min ${show(t % 60, 1)} s` : `${show(t, 1)} s`;

    // ---- Units ----

    // Per kind of quantity, SI and aviation: unit, factor from SI, decimals.
    const UNITS = {
        altitude: [['m', 1, 0], ['ft', 1 / 0.3048, 0]],
        speed: [['m/s', 1, 1], ['kt', 3600 / 1852, 1]],
        climb: [['m/s', 1, 1], ['ft/min', 60 / 0.3048, 0]],
        distance: [['km', 1, 2], ['NM', 1 / 1.852, 2]],  // from km
        time: [['s', 1, 1], ['s', 1, 1]],
        mass: [['kg', 1, 0], ['kg', 1, 0]],
        angle: [['°', DEG, 1], ['°', DEG, 1]],
        thrust: [['kN', 1e-3, 0], ['kN', 1e-3, 0]],
        percent: [['%', 100, 0], ['%', 100, 0]],
        plain: [['', 1, 2], ['', 1, 2]],
    };
    let aviation = 0;
    const unitOf = (kind) => UNITS[kind][aviation];
    const withUnit = (kind, si) => {
        const [u, f, d] = unitOf(kind);
        return `${show(si * f, d)}${u && u !== '°' && u !== '%' ? ' ' : ''}${u}`;
    };

    // Encoded states in words.
    const WORDS = {
        gear: (v) => (v <= 0 ? 'down' : v >= 1 ? 'up' : `moving, ${show(v * 100, 0)} % up`),
        flaps: (v) => (v <= 0 ? 'in' : v >= 1 ? 'out' : `${show(v * 100, 0)} % out`),
        lights: (v) => (v > 1 ? `${v} lights switched on` : v === 1 ? '1 light switched on' : 'all off'),
        ground: (v) => (v ? 'on the ground' : 'in the air'),
    };
    // The flight model's readings beside the panel: column, label, kind or words.
    const READINGS = [
        ['time_s', 'time', 'time'],
        ['altitude_m', 'altitude', 'altitude'],
        ['airspeed_ms', 'airspeed', 'speed'],
        ['climb_ms', 'climb', 'climb'],
        ['pitch_rad', 'pitch', 'angle'],
        ['bank_rad', 'bank', 'angle'],
        ['heading_rad', 'heading', 'angle'],
        ['aoa_rad', 'angle of attack', 'angle'],
        ['thrust_level', 'throttle', 'percent'],
        ['thrust_max_n', 'maximum thrust', 'thrust'],
        ['fuel_kg', 'fuel', 'mass'],
        ['gear', 'gear', WORDS.gear],
        ['flaps', 'flaps', WORDS.flaps],
        ['lights', 'lights', WORDS.lights],
        ['ground', 'ground contact', WORDS.ground],
    ];

    // ---- The embedded log ----

    // A column as page.cpp encodes it: "ORDER:EXPONENT:TOKENS", integer
    // differences (of differences for ORDER 2) of the values in units of
    // 10^EXPONENT, "D*N" for a token repeated, n, i, -i for nan and infinities.
    function decode(text, rows) {
        const out = new Float64Array(rows).fill(NaN);
        const [order, exponent, body] = text.split(':');
        const unit = 10 ** Math.abs(+exponent);
        const real = +exponent < 0 ? (n) => n / unit : (n) => n * unit;
        const special = {n: NaN, i: Infinity, '-i': -Infinity};
        let value = 0, step = 0, r = 0;
        for (const token of body ? body.split(',') : []) {
            const star = token.indexOf('*');
            const t = star < 0 ? token : token.slice(0, star);
            const count = star < 0 ? 1 : +token.slice(star + 1);
            for (let k = 0; k < count && r < rows; ++k, ++r) {
                if (t in special) {
                    out[r] = special[t];
                    continue;
                }
                if (+order === 2) step += +t; else step = +t;
                value += step;
                out[r] = real(value);
            }
        }
        return out;
    }

    // The row of the log nearest to time t.
    function nearest(time, t) {
        let lo = 0, hi = time.length - 1;
        while (lo < hi) {
            const mid = (lo + hi) >> 1;
            if (time[mid] < t) lo = mid + 1; else hi = mid;
        }
        return lo > 0 && t - time[lo - 1] <= time[lo] - t ? lo - 1 : lo;
    }

    // ---- Gauges ----

    // The kinds of gauge. Each draws its fixed parts into `s` and gives, per
    // indicator, how the part that moves shows a value.
    const KINDS = {
        dial: {size: [150, 150], draw: dial},
        horizon: {size: [150, 150], draw: horizon},
        bank: {size: [150, 100], draw: bankIndicator},
        drum: {size: [150, 52], draw: drum},
        bar: {size: [150, 44], draw: bar},
        lamp: {size: [70, 44], draw: lamp},
    };
    const partCircle = (g, ind) => (g.kind === 'dial' || g.kind === 'bar') && !(ind.period > 0);

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
            return (v) => node.setAttribute('transform', `rotate(${angle(v)} ${C} ${C})`);
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
        for (let p = -90; p <= 90; p += 10) {
            const half = p === 0 ? 300 : p % 30 ? 8 : 18;
            svg(pitch, 'line', {x1: C - half, x2: C + half, y1: C - p * PX, y2: C - p * PX,
                                class: p === 0 ? 'ladder level' : 'ladder'});
        }
        svg(bank, 'path', {d: `M ${C} ${C - R + 1} l -6 10 h 12 z`, class: 'pointer'});
        svg(s, 'circle', {cx: C, cy: C, r: R, class: 'rim'});
        for (const a of [-60, -30, 0, 30, 60]) {
            const [x1, y1] = polar(a, R - 7);
            const [x2, y2] = polar(a, R);
            svg(s, 'line', {x1, y1, x2, y2, class: 'tick'});
        }
        svg(s, 'path', {d: `M ${C - 42} ${C} h 26 l 8 8 l 8 -8 h 26`, class: 'wings'});
        return inds.map((ind) => ind.name === 'pitch' ?
            (v) => pitch.setAttribute('transform', `translate(0 ${clampHuge(v) * PX})`) :
            (v) => bank.setAttribute('transform', `rotate(${-wrap(v, 360)} ${C} ${C})`));
    }

    // Bank only: a scale over the top and an aircraft that rolls against it.
    function bankIndicator(g, s, inds) {
        const cy = 88;
        svg(s, 'path', {d: `M ${C - R} ${cy} A ${R} ${R} 0 0 1 ${C + R} ${cy}`, class: 'rim'});
        for (const a of [-60, -45, -30, -20, -10, 0, 10, 20, 30, 45, 60]) {
            const r = a % 30 ? 6 : 11;
            const rad = a / DEG;
            svg(s, 'line', {x1: C + (R - r) * Math.sin(rad), y1: cy - (R - r) * Math.cos(rad),
                            x2: C + R * Math.sin(rad), y2: cy - R * Math.cos(rad), class: 'tick'});
        }
        const plane = svg(s, 'g');
        svg(plane, 'path', {d: `M ${C} ${cy - R + 14} l -6 10 h 12 z`, class: 'pointer'});
        svg(plane, 'path', {d: `M ${C - 40} ${cy} h 30 l 10 -8 l 10 8 h 30`, class: 'wings'});
        return inds.map(() => (v) => plane.setAttribute('transform', `rotate(${wrap(v, 360)} ${C} ${cy})`));
    }

    function drum(g, s, inds) {
        const w = 24;
        return inds.map((ind, k) => {
            const x = C + (inds.length / 2 - k - 1) * (w + 2);
            svg(s, 'rect', {x, y: 6, width: w, height: 38, rx: 3, class: 'window'});
            const node = svg(s, 'text', {x: x + w / 2, y: 34, class: 'digit'});
            return (v) => (node.textContent = String(Math.round(v) % 10));
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
        return inds.map(() => (v) => {
            fill.setAttribute('x', Math.min(x(0), x(v)));
            fill.setAttribute('width', Math.abs(x(v) - x(0)));
            node.setAttribute('transform', `translate(${x(v)} 6)`);
        });
    }

    function lamp(g, s, inds) {
        const node = svg(s, 'circle', {cx: 35, cy: 22, r: 13, class: 'lamp'});
        return inds.map(() => (v) => node.classList.toggle('on', v > 0));
    }

    // How a gauge's indicators are read: one reading for drums, for needles
    // that show one quantity together (fastest first), for a bar or a lamp;
    // one per indicator otherwise. Each reading: its indicators, the flight
    // model's column and scale, the turn it is read modulo, its face's ends.
    function readings(g, inds) {
        const whole = (list, period) => {
            const first = list[0];
            return {name: list.length > 1 ? '' : first.name, inds: list, model: first.model,
                    modelScale: first.modelScale, period,
                    ends: partCircle(g, first) ? [g.lo, g.hi] : null};
        };
        if (g.kind === 'drum') return [whole(inds, 10 ** inds.length)];
        if (g.kind !== 'dial') return inds.map((i) => whole([i], i.period));
        const out = [];
        for (const ind of inds) {
            const prev = out[out.length - 1];
            if (prev && ind.model && ind.model === prev.model && ind.period > prev.period) {
                prev.inds.push(ind);
                prev.period = ind.period;
                prev.name = '';
            } else {
                out.push(whole([ind], ind.period));
            }
        }
        return out;
    }

    // What a reading shows at a row, as a pilot reads it: drums as one
    // number, needles that turn at different rates as one number, a needle
    // past the end of its face at the stop.
    function shownValue(g, reading, values) {
        if (g.kind === 'drum')
            return values.reduce((sum, v, i) => sum + (Math.round(v) % 10) * 10 ** i, 0);
        const inds = reading.inds;
        let r = wrap(values[0], inds[0].period);
        // A slower needle that moves on smoothly gives the turns of the one
        // before it with that one's part of a turn; one that steps gives
        // whole turns alone.
        for (let k = 1; k < inds.length; ++k) {
            const p = inds[k - 1].period;
            const v = wrap(values[k], inds[k].period);
            r = wrap(r + p * Math.round((inds[k].stepped ? v : v - r) / p), inds[k].period);
        }
        return reading.ends ? Math.min(Math.max(r, reading.ends[0]), reading.ends[1]) : r;
    }

    // The flag of a reading: off-scale when the flight model's value lies past
    // an end of the face and the needle stands at that stop (or, with no
    // flight value, when the needle would run past it); disagrees when the
    // two differ by more than the gauge's resolution, modulo its turn.
    function flagOf(reading, shown, flight, raw, tolerance) {
        const ends = reading.ends;
        if (!reading.model)
            return ends && (raw < ends[0] || raw > ends[1]) ? 'off-scale' : 'ok';
        if (ends) {
            const end = flight > ends[1] ? ends[1] : flight < ends[0] ? ends[0] : null;
            if (end !== null && Math.abs(shown - end) <= tolerance) return 'off-scale';
        }
        return apart(shown, flight, reading.period) <= tolerance ? 'ok' : 'disagrees';
    }

    const FLAG_WORDS = {'ok': '', 'off-scale': ' · off scale', 'disagrees': ' · disagrees'};

    // A length of time or a turn in words: 360000 s is 100 h.
    const turn = (p, unit) => (unit === 's' && p >= 3600 ? `${p / 3600} h` : `${p}${unit === '°' ? '' : ' '}${unit}`);

    // A reading in words: what it shows (and means), the flight model's value,
    // the turn it is read modulo, the flag.
    function describe(g, reading, several, shown, flight, flag) {
        const unit = g.unit && g.unit !== '°' ? ` ${g.unit}` : g.unit;
        if (g.kind === 'lamp') return shown > 0 ? `on: ${WORDS.lights(shown)}` : 'off';
        const m = g.meanings.find(([value]) => Math.abs(shown - value) < 10 ** -g.decimals / 2);
        const meaning = m ? ` (${m[1]})` : g.meanings.length ? ' (on its way)' : '';
        let text = `${several && reading.name ? `${reading.name} ` : ''}${show(shown, g.decimals)}${unit}${meaning}`;
        if (reading.model) text += ` · flight ${show(flight, g.decimals + 1)}${unit}`;
        if (reading.model && reading.period > 0) text += ` (read modulo ${turn(reading.period, g.unit)})`;
        return text + FLAG_WORDS[flag];
    }

    // The gauges whose moving parts a ghost's can be drawn over.
    const GHOSTED = new Set(['dial', 'bar', 'bank', 'horizon']);

    // A gauge in `panel`; gives the function that shows it at a row of the
    // log (and of the ghost's columns, where there is a ghost).
    function gauge(g, col, panel, ghost) {
        const inds = g.indicators.filter((i) => col[i.column] && (!i.model || col[i.model]));
        const kind = KINDS[g.kind];
        if (!kind || !inds.length) return null;
        const fig = html(panel, 'figure', '', 'gauge');
        fig.dataset.kind = g.kind;
        fig.setAttribute('role', 'group');
        fig.setAttribute('aria-label', g.label);
        const [w, h] = kind.size;
        const s = svg(fig, 'svg', {viewBox: `0 0 ${w} ${h}`, 'aria-hidden': 'true'});
        const draw = kind.draw(g, s, inds);
        const ghosts = ghost && inds.every((ind) => ghost[ind.column]) ? inds : [];
        const ghostDraw = ghosts.length && GHOSTED.has(g.kind) ?
            kind.draw(g, svg(s, 'g', {class: 'ghost'}), ghosts) : null;
        const caption = html(fig, 'figcaption');
        html(caption, 'div', g.label, 'label');
        const tolerance = 10 ** -g.decimals;
        const reads = readings(g, inds).map((reading) => {
            const line = html(caption, 'div', '', 'reading');
            Object.assign(line.dataset, {gauge: g.label, tolerance});
            if (reading.name) line.dataset.reading = reading.name;
            if (reading.model && reading.period > 0) line.dataset.modulo = reading.period;
            if (reading.ends) line.dataset.ends = reading.ends.join(' ');
            return {reading, line};
        });
        const place = (parts, values) => values.forEach((v, i) => {
            const ind = inds[i];
            if (Number.isFinite(v))
                parts[i](partCircle(g, ind) ? Math.min(Math.max(v, g.lo), g.hi) : wrap(v, ind.period));
        });
        return (row) => {
            const values = inds.map((ind) => ind.offset + ind.scale * col[ind.column][row]);
            const old = ghosts.map((ind) => ind.offset + ind.scale * ghost[ind.column][row]);
            place(draw, values);
            if (ghostDraw) place(ghostDraw, old);
            let worst = 'ok';
            for (const {reading, line} of reads) {
                const own = reading.inds.map((ind) => values[inds.indexOf(ind)]);
                const shown = +shownValue(g, reading, own).toFixed(g.decimals + 1);
                const flight = reading.model ?
                    +(reading.modelScale * col[reading.model][row]).toFixed(g.decimals + 1) : NaN;
                const flag = flagOf(reading, shown, flight, own[0], tolerance);
                if (flag !== 'ok') worst = flag;
                set(line.dataset, 'shown', String(shown));
                set(line.dataset, 'flight', reading.model ? String(flight) : '');
                set(line.dataset, 'flag', flag);
                let text = describe(g, reading, reads.length > 1, shown, flight, flag);
                if (ghosts.length) {
                    const was = reading.inds.map((ind) => old[inds.indexOf(ind)]);
                    const shownOld = +shownValue(g, reading, was).toFixed(g.decimals + 1);
                    set(line.dataset, 'ghost', String(shownOld));
                    text += ` · OLD ${show(shownOld, g.decimals)}`;
                }
                set(line, 'textContent', text);
                set(line, 'className', `reading ${flag}`);
            }
            set(fig.dataset, 'flag', worst);
        };
    }

    // ---- Charts ----

    // Series of a chart: column, label, colour; `times` multiplies by another.
    const PALETTE = ['#1f77b4', '#d62728', '#2ca02c', '#e65100', '#9467bd', '#8c564b', '#c2185b', '#00838f'];
    const CHARTS = [
        {title: 'Altitude', kind: 'altitude', limits: 'altitude',
         series: [['altitude_m', 'altitude']]},
        {title: 'Airspeed', kind: 'speed', limits: 'airspeed', series: [['airspeed_ms', 'airspeed']]},
        {title: 'Climb', kind: 'climb', series: [['climb_ms', 'climb']]},
        {title: 'Thrust', kind: 'thrust', thrust: true,
         series: [['thrust_max_n', 'thrust', 'thrust_level', 'rgba(31, 119, 180, 0.6)']]},
        {title: 'Attitude', kind: 'angle', stall: true,
         series: [['pitch_rad', 'pitch'], ['bank_rad', 'bank'], ['aoa_rad', 'angle of attack']]},
        {title: 'Gear, flaps, lights, ground', kind: 'plain',
         series: [['gear', 'gear (1 up)'], ['flaps', 'flaps (1 out)'],
                  ['lights', 'lights on'], ['ground', 'on the ground']]},
    ];

    // Values as a chart draws them: in the chosen units, nan and infinities
    // left out and huge ones at the edge, both marked below the plot.
    function chartValues(values, factor, marks) {
        const out = new Array(values.length);
        for (let r = 0; r < values.length; ++r) {
            const v = values[r] * factor;
            if (Number.isFinite(v) && Math.abs(v) <= HUGE) {
                out[r] = v;
            } else {
                out[r] = Number.isFinite(v) ? clampHuge(v) : null;
                marks.push(r);
            }
        }
        return out;
    }

    // ---- A vessel's section ----

    // The flight model's readings beside the panel, in the chosen units;
    // with a ghost, its readings beside them.
    function flightReadings(table, col, ghost) {
        html(table, 'caption', 'Flight model');
        if (ghost) {
            const head = html(html(table, 'thead'), 'tr');
            html(head, 'td');
            for (const side of ['NEW', 'OLD']) html(head, 'th', side).scope = 'col';
        }
        const text = (kind, v) => (typeof kind === 'function' ? kind(v) : withUnit(kind, v));
        return READINGS.filter(([c]) => col[c]).map(([c, label, kind]) => {
            const tr = html(table, 'tr');
            html(tr, 'th', label).scope = 'row';
            const td = html(tr, 'td', '', 'n');
            const old = ghost && ghost[c] ? html(tr, 'td', '', 'n ghost') : null;
            return (row) => {
                set(td, 'textContent', text(kind, col[c][row]));
                if (old) set(old, 'textContent', text(kind, ghost[c][row]));
            };
        });
    }

    // The columns of a log, decoded.
    function columns(log) {
        const col = {};
        log.columns.forEach((name, i) => (col[name] = decode(log.data[i], log.rows)));
        col.thrust = log.thrust.map((c) => decode(c, log.rows));
        return col;
    }

    // Both logs on one time axis, every time either has: where one flight
    // lasted longer, the other has no values (nan) there.
    function oneAxis(col, ghost) {
        const a = col.time_s, b = ghost.time_s;
        const axis = [];
        for (let i = 0, j = 0; i < a.length || j < b.length;) {
            const t = j >= b.length || (i < a.length && a[i] <= b[j]) ? a[i] : b[j];
            axis.push(t);
            while (i < a.length && a[i] === t) ++i;
            while (j < b.length && b[j] === t) ++j;
        }
        const onto = (time, values) => {
            const out = new Float64Array(axis.length).fill(NaN);
            for (let r = 0, k = 0; r < axis.length; ++r) {
                while (k < time.length && time[k] < axis[r]) ++k;
                if (k < time.length && time[k] === axis[r]) out[r] = values[k];
            }
            return out;
        };
        for (const c of [col, ghost]) {
            const time = c.time_s;
            for (const name of Object.keys(c))
                c[name] = name === 'thrust' ? c[name].map((v) => onto(time, v)) : onto(time, c[name]);
            c.time_s = Float64Array.from(axis);
        }
        return axis.length;
    }

    // The events, from the section's table, and the row of the moment: the
    // last event at or before it (the first of several at one time), or the
    // one clicked while the time stays where the click put it.
    function eventRows(section, player) {
        const list = [...section.querySelectorAll('.events tr[data-t]')].map((tr, i) => ({
            tr, number: i + 1, t: +tr.dataset.t, end: tr.dataset.end ? +tr.dataset.end : null,
            pilot: tr.classList.contains('pilot'),
        }));
        let chosen = null;
        let current = null;
        for (const e of list) {
            e.tr.addEventListener('click', () => {
                chosen = {event: e, at: null};
                player.go(e.t);
            });
        }
        return {
            list,
            mark(t) {
                let i = -1;
                for (let k = 0; k < list.length && list[k].t <= t + 1e-9; ++k) i = k;
                while (i > 0 && list[i - 1].t === list[i].t) --i;
                let e = i >= 0 ? list[i] : null;
                if (chosen) {
                    chosen.at ??= t;
                    if (Math.abs(chosen.at - t) < 1e-9) e = chosen.event; else chosen = null;
                }
                if (e === current) return;
                if (current) current.tr.removeAttribute('aria-current');
                if (e) e.tr.setAttribute('aria-current', 'true');
                current = e;
            },
        };
    }

    function track(section, player) {
        const log = JSON.parse(section.querySelector('script.log').textContent);
        if (!log.rows) return null;
        const col = columns(log);
        const ghostLog = section.querySelector('script.ghost');
        const ghost = ghostLog && columns(JSON.parse(ghostLog.textContent));
        if (ghost && ghost.time_s.length) log.rows = oneAxis(col, ghost);
        const time = col.time_s;
        const panel = section.querySelector('.panel');
        const gauges = log.panel.map((g) => gauge(g, col, panel, ghost)).filter(Boolean);
        if (!gauges.length) html(panel, 'p', 'No cockpit panel is known for this plug-in.');

        const rows = flightReadings(section.querySelector('.readings'), col, ghost);
        const events = eventRows(section, player);

        const charts = makeCharts(section.querySelector('.charts'), log, col, ghost, events.list,
                                  player);
        const where = groundTrack(section.querySelector('.where'), col, ghost, events.list);
        const summary = () => section.querySelectorAll('.summary td[data-kind]').forEach((td) => {
            td.textContent = withUnit(td.dataset.kind, +td.dataset.si);
        });
        summary();

        return {
            time,
            start: time[0],
            end: time[log.rows - 1],
            show(t) {
                const row = nearest(time, t);
                for (const update of gauges) update(row);
                for (const update of rows) update(row);
                events.mark(t);
                charts.show(t, row);
                where.show(row);
            },
            zoom: charts.zoom,
            units() {
                summary();
                charts.rebuild();
                where.rebuild();
            },
        };
    }

    // The charts of a section, drawn with uPlot; the time line in each, the
    // zoom shared by all of them (and the other sections).
    function makeCharts(box, log, col, ghost, events, player) {
        const [thrustLo, thrustHi] = col.thrust;
        const time = Array.from(col.time_s);
        let plots = [];
        let row = 0, now = time[0];
        const sync = uPlot.sync(`charts${box.closest('section').dataset.index}`);

        // Event lines through every chart, a band over a range, their numbers
        // over the first chart, one label for events too close to tell apart.
        function drawEvents(u, labels) {
            const ctx = u.ctx;
            const top = u.bbox.top, bottom = u.bbox.top + u.bbox.height;
            const [x0, x1] = [u.scales.x.min, u.scales.x.max];
            const px = (t) => u.valToPos(Math.min(Math.max(t, x0), x1), 'x', true);
            ctx.save();
            ctx.lineWidth = devicePixelRatio;
            for (const e of events) {
                if (e.t > x1 || (e.end ?? e.t) < x0) continue;
                ctx.strokeStyle = e.pilot ? '#9e9e9e' : '#d05050';
                ctx.setLineDash([3 * devicePixelRatio, 3 * devicePixelRatio]);
                if (e.end !== null) {
                    ctx.fillStyle = 'rgba(208, 80, 80, 0.12)';
                    ctx.fillRect(px(e.t), top, px(e.end) - px(e.t), bottom - top);
                }
                if (e.t >= x0) {
                    ctx.beginPath();
                    ctx.moveTo(px(e.t), top);
                    ctx.lineTo(px(e.t), bottom);
                    ctx.stroke();
                }
            }
            if (labels) {
                ctx.setLineDash([]);
                ctx.font = `${10 * devicePixelRatio}px sans-serif`;
                ctx.textAlign = 'center';
                let free = -Infinity;
                const shown = events.filter((e) => e.t >= x0 && e.t <= x1);
                for (let i = 0; i < shown.length;) {
                    let j = i + 1;
                    while (j < shown.length && px(shown[j].t) - px(shown[i].t) < 16 * devicePixelRatio) ++j;
                    const label = j > i + 1 ? `${shown[i].number}–${shown[j - 1].number}` : `${shown[i].number}`;
                    const width = ctx.measureText(label).width;
                    const x = Math.max(px(shown[i].t), free + width / 2);
                    ctx.fillStyle = shown[i].pilot ? '#595959' : '#b02020';
                    ctx.fillText(label, x, top - 4 * devicePixelRatio);
                    free = x + width / 2 + 4 * devicePixelRatio;
                    i = j;
                }
            }
            ctx.restore();
        }

        // Readings left out or drawn at the edge: red ticks under the plot.
        function drawMarks(u, marks) {
            if (!marks.length) return;
            const ctx = u.ctx;
            ctx.save();
            ctx.fillStyle = '#d32f2f';
            const y = u.bbox.top + u.bbox.height - 4 * devicePixelRatio;
            for (const r of marks) {
                if (time[r] < u.scales.x.min || time[r] > u.scales.x.max) continue;
                ctx.fillRect(u.valToPos(time[r], 'x', true) - devicePixelRatio, y, 2 * devicePixelRatio,
                             4 * devicePixelRatio);
            }
            ctx.restore();
        }

        function definitions() {
            const defs = CHARTS.map((c) => {
                const marks = [];
                const [u, f] = unitOf(c.kind);
                const series = [];
                const data = [];
                const valuesOf = (from, column, times) =>
                    times ? from[column].map((v, r) => v * from[times][r]) : from[column];
                for (const [column, label, times, colour] of c.series) {
                    if (!col[column] || (times && !col[times])) continue;
                    const stroke = colour || PALETTE[series.length % PALETTE.length];
                    series.push({label, stroke});
                    data.push(chartValues(valuesOf(col, column, times), f, marks));
                    if (!ghost || !ghost[column] || (times && !ghost[times])) continue;
                    series.push({label: `${label} (OLD)`, stroke, dash: [5, 4], width: 1});
                    data.push(chartValues(valuesOf(ghost, column, times), f, []));
                }
                if (c.thrust) {
                    series.push({label: 'maximum (highest)', stroke: '#6d4c41', dash: [6, 3]});
                    data.push(chartValues(thrustHi, f, marks));
                    series.push({label: 'maximum (lowest)', stroke: '#a1887f', dash: [2, 3]});
                    data.push(chartValues(thrustLo, f, marks));
                }
                // Limits as dashed lines, named in the title.
                const lines = ((c.limits && log.limits[c.limits]) || []).map((l) => l * f);
                if (c.stall && log.limits.stall) lines.push(log.limits.stall * f);
                const named = lines.length ?
                    `, dashed: ${c.stall ? 'the stall at ' : 'limits '}${lines.map((l) => show(l, 0)).join(', ')}` : '';
                return {title: `${c.title}${u && u !== '%' ? ` (${u})` : ''}${named}`, unit: u, series,
                        data, marks, lines, bands: c.thrust, decimals: unitOf(c.kind)[2]};
            }).filter((d) => d.series.length);
            const anims = log.columns.filter((n) => n.startsWith('anim_'));
            if (anims.length) defs.push(strips(anims));
            return defs;
        }

        // The animation states, one strip each, scaled to its own range; the
        // readout gives the state itself.
        function strips(anims) {
            const marks = [];
            const n = anims.length;
            const series = [], data = [];
            anims.forEach((name, k) => {
                const raw = col[name];
                const old = ghost && ghost[name];
                let lo = Infinity, hi = -Infinity;
                for (const v of old ? [...raw, ...old] : raw) {
                    if (!(Math.abs(v) <= HUGE)) continue;
                    lo = Math.min(lo, v);
                    hi = Math.max(hi, v);
                }
                if (lo > hi) lo = hi = 0;
                const span = hi > lo ? hi - lo : 1;
                const base = n - 1 - k;
                const scaled = (values, m) => chartValues(values, 1, m).map(
                    (v) => (v === null ? null : base + 0.1 + (0.8 * (Math.min(Math.max(v, lo), hi) - lo)) / span));
                const stroke = PALETTE[k % PALETTE.length];
                series.push({label: name.slice(5), stroke, raw, width: 1});
                data.push(scaled(raw, marks));
                if (!old) return;
                series.push({label: `${name.slice(5)} (OLD)`, stroke, raw: old, width: 1, dash: [5, 4]});
                data.push(scaled(old, []));
            });
            return {title: 'Animation states (each scaled to its own range)', unit: '', series, data,
                    marks, lines: [], strips: anims.map((a) => a.slice(5)), height: 24 * n + 60,
                    decimals: 4};
        }

        // Dashed lines at the limits of a chart.
        function drawLimits(u, lines) {
            const ctx = u.ctx;
            ctx.save();
            ctx.strokeStyle = '#c62828';
            ctx.setLineDash([8, 4]);
            for (const y of lines) {
                const py = u.valToPos(y, 'y', true);
                if (!(py >= u.bbox.top && py <= u.bbox.top + u.bbox.height)) continue;
                ctx.beginPath();
                ctx.moveTo(u.bbox.left, py);
                ctx.lineTo(u.bbox.left + u.bbox.width, py);
                ctx.stroke();
            }
            ctx.restore();
        }

        // uPlot's options for chart `d`, the first one (index 0) with the
        // events' numbers. Every chart has the same room for its y axis, so
        // that their times line up.
        function options(d, index, width) {
            const value = (s) => (u, v, si, idx) => {
                if (idx == null) return '–';
                const raw = s.raw ? s.raw[idx] : v;
                return raw == null ? '–' : show(raw, d.decimals);
            };
            const n = d.strips && d.strips.length;
            const opts = {
                title: d.title,
                width,
                height: d.height || 150,
                cursor: {sync: {key: sync.key}, drag: {x: true, y: false, setScale: true}},
                scales: {x: {time: false}},
                legend: {live: true},
                axes: [{}, d.strips ?
                    {size: 110, splits: () => d.strips.map((_, k) => n - 1 - k + 0.5),
                     values: (u, splits) => splits.map((y) => d.strips[n - 1 - Math.round(y - 0.5)] || '')} :
                    {size: 110, values: (u, splits) => splits.map((y) => show(y, 0))}],
                series: [
                    {label: 'time (s)', value: (u, v) => (v == null ? '–' : show(v, 2))},
                    ...d.series.map((s) => ({label: s.label, stroke: s.stroke, width: s.width || 1.5,
                                             dash: s.dash, value: value(s)})),
                ],
                hooks: {
                    draw: [(u) => {
                        drawEvents(u, index === 0);
                        drawMarks(u, d.marks);
                        drawLimits(u, d.lines);
                    }],
                    setScale: [(u, key) => {
                        if (key !== 'x') return;
                        placeLine(u, u.root.querySelector('.timeline'));
                        const [lo, hi] = [u.scales.x.min, u.scales.x.max];
                        player.zoomed(lo, hi, lo <= time[0] && hi >= time[time.length - 1]);
                    }],
                },
            };
            if (d.bands) opts.bands = [{series: [d.series.length - 1, d.series.length], fill: 'rgba(121, 85, 72, 0.18)'}];
            if (d.lines.length) opts.scales.y = {range: (u, lo, hi) => {
                const top = Math.max(hi, ...d.lines.map((l) => l * 1.05));
                const bottom = Math.min(lo, 0);
                return [bottom, top > bottom ? top : bottom + 1];
            }};
            if (d.strips) opts.scales.y = {range: () => [0, n]};
            return opts;
        }

        function build() {
            for (const p of plots) p.u.destroy();
            box.textContent = '';
            const width = Math.max(box.clientWidth, 280);
            plots = definitions().map((d, index) => {
                const holder = html(box, 'div', '', 'chart');
                holder.setAttribute('role', 'img');
                holder.setAttribute('aria-label', `${d.title} against time; the readout below gives the values at the cursor`);
                const u = new uPlot(options(d, index, width), [time, ...d.data], holder);
                if (d.marks.length)
                    html(holder, 'p', `${d.marks.length} readings not finite or beyond ±1e15: red marks under the plot`, 'marked');
                const line = html(u.over, 'div', '', 'timeline');
                interact(u, line);
                return {u, line};
            });
            applyZoom();
            place(now, row);
        }

        // Click a chart to move the time there, drag its time line to move
        // the time along; dragging elsewhere zooms (uPlot), a double click
        // shows the whole flight again.
        function interact(u, line) {
            let down = null;
            const wrapEl = u.root.querySelector('.u-wrap');
            const timeAt = (e) => u.posToVal(e.clientX - u.over.getBoundingClientRect().left, 'x');
            wrapEl.addEventListener('mousedown', (e) => {
                const x = e.clientX - u.over.getBoundingClientRect().left;
                if (e.button !== 0) return;
                if (Math.abs(x - parseFloat(line.style.left)) <= 6) {
                    e.stopPropagation();
                    e.preventDefault();
                    const move = (m) => player.go(timeAt(m));
                    const up = () => {
                        window.removeEventListener('mousemove', move);
                        window.removeEventListener('mouseup', up);
                    };
                    window.addEventListener('mousemove', move);
                    window.addEventListener('mouseup', up);
                    return;
                }
                down = e.clientX;
            }, true);
            u.over.addEventListener('mouseup', (e) => {
                if (down !== null && Math.abs(e.clientX - down) < 3) player.go(timeAt(e));
                down = null;
            });
            u.over.addEventListener('mouseleave', () => queueMicrotask(() => u.setLegend({idx: row}, false)));
        }

        let zoom = null;
        function applyZoom() {
            const [lo, hi] = zoom || [time[0], time[time.length - 1]];
            for (const {u} of plots)
                if (u.scales.x.min !== lo || u.scales.x.max !== hi) u.setScale('x', {min: lo, max: hi});
        }

        function placeLine(u, line) {
            if (!line) return;
            line.style.left = `${u.valToPos(now, 'x')}px`;
            line.hidden = !(now >= u.scales.x.min && now <= u.scales.x.max);
        }
        function place(t, r) {
            now = t;
            row = r;
            for (const {u, line} of plots) {
                placeLine(u, line);
                if (!u.cursor.event) u.setLegend({idx: r}, false);
            }
        }

        function resize(width) {
            for (const {u} of plots) if (u.width !== width) u.setSize({width, height: u.height});
            place(now, row);
        }
        // The charts come once the panel is on the screen: it shows first.
        setTimeout(() => {
            build();
            new ResizeObserver(() => resize(Math.max(box.clientWidth, 280))).observe(box);
            const done = document.documentElement.dataset;
            done.charts = +(done.charts || 0) + 1;
        });
        // A printed page is about 680 CSS pixels wide, whatever the screen.
        window.addEventListener('beforeprint', () => resize(680));
        window.addEventListener('afterprint', () => resize(Math.max(box.clientWidth, 280)));
        return {
            show: place,
            rebuild: build,
            zoom(range) {
                zoom = range;
                applyZoom();
                place(now, row);
            },
        };
    }

    // Where it flew: the ground track (east and north of the start) and the
    // altitude against the distance flown, each with the moment and the
    // events marked. Nothing not finite or huge reaches a coordinate.
    function groundTrack(box, col, ghost, events) {
        const n = col.time_s.length;
        const flown = (c) => {
            const dist = new Float64Array(n);
            for (let r = 1; r < n; ++r) {
                const d = Math.hypot(c.x_m[r] - c.x_m[r - 1], c.z_m[r] - c.z_m[r - 1]);
                dist[r] = dist[r - 1] + (Number.isFinite(d) && d <= HUGE ? d : 0);
            }
            return dist;
        };
        const dist = flown(col);
        const W = 320, H = 220, M = 28;
        // The ghost's line (dashed, behind) where there is one: [xs, ys] of it.
        function plot(title, [xs, ys], old, xKind, yKind, label) {
            const fig = html(box, 'figure', '', 'where-fig');
            const ok = (v) => Number.isFinite(v) && Math.abs(v) <= HUGE;
            let x0 = Infinity, x1 = -Infinity, y0 = Infinity, y1 = -Infinity;
            for (const [a, b] of old ? [[xs, ys], old] : [[xs, ys]]) {
                for (let r = 0; r < n; ++r) {
                    if (!ok(a[r]) || !ok(b[r])) continue;
                    x0 = Math.min(x0, a[r]), x1 = Math.max(x1, a[r]);
                    y0 = Math.min(y0, b[r]), y1 = Math.max(y1, b[r]);
                }
            }
            if (x0 > x1) x0 = x1 = y0 = y1 = 0;
            const equal = xKind === yKind;
            let sx = (W - 2 * M) / Math.max(x1 - x0, 1e-9), sy = (H - 2 * M) / Math.max(y1 - y0, 1e-9);
            if (equal) sx = sy = Math.min(sx, sy);
            // Equal scales leave room on one side: the track goes in the middle.
            const mx = (W - 2 * M - (x1 - x0) * sx) / 2, my = (H - 2 * M - (y1 - y0) * sy) / 2;
            const px = (v) => +(M + mx + (Math.min(Math.max(v, x0), x1) - x0) * sx).toFixed(1);
            const py = (v) => +(H - M - my - (Math.min(Math.max(v, y0), y1) - y0) * sy).toFixed(1);
            const s = svg(fig, 'svg', {viewBox: `0 0 ${W} ${H}`, role: 'img', 'aria-label': label});
            svg(s, 'rect', {x: M, y: M, width: W - 2 * M, height: H - 2 * M, class: 'where-frame'});
            const stride = Math.max(1, Math.ceil(n / 2000));
            const path = (a, b, cls) => {
                let d = '', pen = 'M';
                for (let r = 0; r < n; r += stride) {
                    if (!ok(a[r]) || !ok(b[r])) {
                        pen = 'M';
                        continue;
                    }
                    d += `${pen}${px(a[r])} ${py(b[r])}`;
                    pen = 'L';
                }
                svg(s, 'path', {d: d || 'M0 0', class: cls});
            };
            if (old) path(old[0], old[1], 'where-line where-ghost');
            path(xs, ys, 'where-line');
            const labels = {};
            const axis = (kind, v) => withUnit(kind, kind === 'distance' ? v / 1000 : v);
            labels.x = svg(s, 'text', {x: W - M, y: H - 8, class: 'where-axis', 'text-anchor': 'end'});
            labels.y = svg(s, 'text', {x: M, y: M - 8, class: 'where-axis'});
            const relabel = () => {
                labels.x.textContent = `${title[0]}: ${axis(xKind, x0)} to ${axis(xKind, x1)}`;
                labels.y.textContent = `${title[1]}: ${axis(yKind, y0)} to ${axis(yKind, y1)}`;
            };
            relabel();
            const at = (r) => [px(ok(xs[r]) ? xs[r] : x0), py(ok(ys[r]) ? ys[r] : y0)];
            for (const e of events) {
                const [x, y] = at(nearest(col.time_s, e.t));
                const dot = svg(s, 'circle', {cx: x, cy: y, r: 3, class: e.pilot ? 'where-pilot' : 'where-event'});
                svg(dot, 'title', {}, `${e.number}: ${e.tr.cells[2].textContent}`);
            }
            const here = svg(s, 'circle', {r: 5, class: 'where-now'});
            html(fig, 'figcaption', label);
            return {
                show: (r) => {
                    const [x, y] = at(r);
                    here.setAttribute('cx', x);
                    here.setAttribute('cy', y);
                },
                relabel,
            };
        }
        const also = ghost ? ', OLD dashed' : '';
        const parts = [
            plot(['east', 'north'], [col.x_m, col.z_m], ghost && [ghost.x_m, ghost.z_m], 'distance',
                 'distance', `Ground track: east and north of the start (plan view), events as dots${also}`),
            plot(['distance', 'altitude'], [dist, col.altitude_m],
                 ghost && [flown(ghost), ghost.altitude_m], 'distance', 'altitude',
                 `Altitude against the distance flown, events as dots${also}`),
        ];
        return {
            show: (r) => parts.forEach((p) => p.show(r)),
            rebuild: () => parts.forEach((p) => p.relabel()),
        };
    }

    // ---- The time controls ----

    const sections = [...document.querySelectorAll('section.track')];
    sections.forEach((s, i) => (s.dataset.index = i));
    const playerBox = document.getElementById('player');
    const [button, speed, slider, clock, unzoom, unitsSelect] =
        ['play', 'speed', 'time', 'clock', 'unzoom', 'units'].map((id) => document.getElementById(id));

    let now = 0, start = 0, end = 0, zoom = null;
    let hashTimer = 0;
    const tracks = [];
    const player = {
        go(t, {keepHash = false} = {}) {
            if (!Number.isFinite(t)) return;
            now = Math.min(Math.max(t, start), end);
            slider.value = now;
            slider.setAttribute('aria-valuetext', `${minutes(now)} of ${minutes(end)}`);
            clock.textContent = `${now.toFixed(2)} s`;
            for (const tr of tracks) tr.show(now);
            if (!keepHash) writeHash();
        },
        // A chart's time axis now runs from lo to hi: all of its own log when
        // `whole`.
        zoomed(lo, hi, whole = false) {
            const range = whole || (lo <= start + 1e-9 && hi >= end - 1e-9) ? null : [lo, hi];
            if (JSON.stringify(range) === JSON.stringify(zoom)) return;
            zoom = range;
            for (const tr of tracks) tr.zoom(zoom);
            unzoom.disabled = !zoom;
            writeHash();
        },
    };

    // The address: the moment, the zoom, the units; written at most four
    // times a second, replacing the entry rather than adding one.
    function writeHash() {
        if (hashTimer) return;
        hashTimer = setTimeout(() => {
            hashTimer = 0;
            let h = `#t=${Number(now.toFixed(2))}`;
            if (zoom) h += `&z=${Number(zoom[0].toFixed(2))}-${Number(zoom[1].toFixed(2))}`;
            if (aviation) h += '&u=aviation';
            history.replaceState(null, '', h);
        }, 250);
    }
    // #t=90, #t=1:30 or #t=1:01:30; &z=FROM-TO; &u=aviation.
    function readHash() {
        const out = {};
        for (const part of location.hash.replace(/^#/, '').split('&')) {
            const [key, value = ''] = part.split('=');
            if (key === 't') {
                const parts = value.split(':');
                const whole = parts.slice(0, -1).every((p) => /^\d+$/.test(p)) && parts.length <= 3;
                if (whole && /^(\d+(\.\d*)?|\.\d+)$/.test(parts[parts.length - 1]))
                    out.t = parts.reduce((acc, p) => acc * 60 + +p, 0);
                else if (parts.length === 1 && /^[-+]?[0-9.]+(e[-+]?[0-9]+)?$/i.test(value))
                    out.t = +value;
            }
            if (key === 'z') {
                const m = /^([0-9.]+)-([0-9.]+)$/.exec(value);
                if (m && +m[2] > +m[1]) out.z = [+m[1], +m[2]];
            }
            if (key === 'u') out.u = value === 'aviation' ? 1 : 0;
        }
        return out;
    }

    let playing = false;
    let last = 0;
    function frame(ts) {
        if (!playing) return;
        player.go(now + (Math.max(ts - last, 0) / 1000) * speed.value);
        last = ts;
        if (now >= end) pause(); else requestAnimationFrame(frame);
    }
    function pause() {
        playing = false;
        button.textContent = 'Play';
    }
    function play() {
        if (playing) return pause();
        if (now >= end) player.go(start);
        playing = true;
        button.textContent = 'Pause';
        last = performance.now();
        requestAnimationFrame(frame);
    }

    // One sample on, or back: the rows of the first vessel's log.
    function step(n) {
        const time = tracks[0].time;
        let r = nearest(time, now);
        if (n > 0 && time[r] < now - 1e-9) --n;
        if (n < 0 && time[r] > now + 1e-9) ++n;
        r = Math.min(Math.max(r + n, 0), time.length - 1);
        player.go(time[r]);
    }

    function keys(e) {
        const tag = e.target.tagName;
        if (e.altKey || e.ctrlKey || e.metaKey || tag === 'SELECT' || tag === 'TEXTAREA') return;
        if (e.key === ' ' && tag !== 'BUTTON' && tag !== 'A') play();
        else if (e.key === 'ArrowRight' || e.key === 'ArrowLeft')
            step((e.key === 'ArrowRight' ? 1 : -1) * (e.shiftKey ? 10 : 1));
        else if (e.key === 'Home') player.go(start);
        else if (e.key === 'End') player.go(end);
        else return;
        e.preventDefault();
    }

    function setUnits(value) {
        aviation = value;
        unitsSelect.value = aviation ? 'aviation' : 'si';
        for (const tr of tracks) tr.units();
        player.go(now, {keepHash: true});
        writeHash();
    }

    const wanted = readHash();
    aviation = wanted.u || 0;
    unitsSelect.value = aviation ? 'aviation' : 'si';
    for (const s of sections) {
        const tr = track(s, player);
        if (!tr) continue;
        tracks.push(tr);
        start = tracks.length === 1 ? tr.start : Math.min(start, tr.start);
        end = tracks.length === 1 ? tr.end : Math.max(end, tr.end);
    }
    if (!tracks.length) {
        playerBox.hidden = true;
        return;
    }
    slider.min = start;
    slider.max = end;
    button.addEventListener('click', play);
    slider.addEventListener('input', () => player.go(+slider.value));
    unzoom.addEventListener('click', () => player.zoomed(start, end));
    unzoom.disabled = true;
    unitsSelect.addEventListener('change', () => setUnits(unitsSelect.value === 'aviation' ? 1 : 0));
    document.addEventListener('keydown', keys);
    window.addEventListener('hashchange', () => {
        const h = readHash();
        if (h.u !== undefined && h.u !== aviation) setUnits(h.u);
        if (h.z) player.zoomed(h.z[0], h.z[1]);
        if (h.t !== undefined) player.go(h.t, {keepHash: true});
    });
    if (wanted.z) player.zoomed(wanted.z[0], wanted.z[1]);
    player.go(wanted.t ?? start, {keepHash: true});
    // When the first panel is drawn (ms after the page started loading);
    // data-charts counts the sections whose charts are drawn.
    document.documentElement.dataset.ready = performance.now().toFixed(0);
})();
