// The flight report's cockpit replay. Each vessel's section carries its flight
// log and the panel of its aircraft (vmhost's aircraft table) as JSON; the
// panel is drawn by panel.js, shared with the live page, at the moment shown;
// charts (uPlot), a ground track and a profile show the whole flight. One
// time drives them all: the slider, Play, the keys, a click on an event or a
// chart. The address keeps the moment, the zoom and the units: #t=SECONDS or
// M:SS, &z=FROM-TO, &u=aviation. A section may carry a second log of the same
// vessel, its ghost (vmhost compare's OLD flight): its needles are drawn over
// the panel's, its readings given beside them, its lines dashed beside the
// section's in every chart and on the ground.
'use strict';
(() => {
    const {HUGE, svg, html, set, show, clampHuge, minutes, unitOf, withUnit, gauge, flightReadings} = VmPanel;

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
            if (VmPanel.aviation()) h += '&u=aviation';
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
        VmPanel.setAviation(value);
        unitsSelect.value = value ? 'aviation' : 'si';
        for (const tr of tracks) tr.units();
        player.go(now, {keepHash: true});
        writeHash();
    }

    const wanted = readHash();
    VmPanel.setAviation(wanted.u || 0);
    unitsSelect.value = wanted.u ? 'aviation' : 'si';
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
        if (h.u !== undefined && h.u !== VmPanel.aviation()) setUnits(h.u);
        if (h.z) player.zoomed(h.z[0], h.z[1]);
        if (h.t !== undefined) player.go(h.t, {keepHash: true});
    });
    if (wanted.z) player.zoomed(wanted.z[0], wanted.z[1]);
    player.go(wanted.t ?? start, {keepHash: true});
    // When the first panel is drawn (ms after the page started loading);
    // data-charts counts the sections whose charts are drawn.
    document.documentElement.dataset.ready = performance.now().toFixed(0);
})();
