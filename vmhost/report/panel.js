// The cockpit panel, shared by the flight report (page.js) and the live page
// (live/live.js): each gauge of an aircraft's panel (vmhost's aircraft table,
// as JSON) drawn from the animation states the plug-in set and read as a
// pilot reads it, beside the flight model's own quantity, with a flag where
// the two disagree; the flight model's readings beside the panel; units, SI
// or aviation. A page gives a gauge its columns, each an array of values by
// row, and shows a row: the report a moment of its log, the live page the
// latest frame.
'use strict';
const VmPanel = (() => {
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
    // log (and of the ghost's columns, where there is a ghost: vmhost
    // compare's OLD flight, its needles drawn over the panel's).
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


    return {
        HUGE, svg, html, set, wrap, show, clampHuge, minutes, unitOf, withUnit, gauge, flightReadings,
        aviation: () => aviation,
        setAviation: (v) => (aviation = v),
    };
})();
