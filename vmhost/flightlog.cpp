// The flight log itself: the tracks it keeps, the events it finds in them
// and the summary table.
#include "flightlog.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <iterator>

#include "aircraft.h"

namespace vmhost {
namespace {

// The CSV names of the fixed columns.
const char* const kColumnNames[kFixedColumns] = {
    "time_s",    "x_m",      "z_m",         "altitude_m", "airspeed_ms",  "climb_ms",
    "pitch_rad", "bank_rad", "heading_rad", "aoa_rad",    "thrust_level", "thrust_max_n",
    "fuel_kg",   "ground",   "gear",        "flaps",      "lights"};

// The fixed columns of a sample, in their order.
void fixed_values(const Sample& s, double (&v)[kFixedColumns]) {
    const double values[kFixedColumns] = {s.time,   s.x,          s.z,    s.altitude, s.airspeed,
                                          s.climb,  s.pitch,      s.bank, s.heading,  s.aoa,
                                          s.thrust, s.thrust_max, s.fuel, s.ground,   s.gear,
                                          s.flaps,  s.lights};
    std::copy(std::begin(values), std::end(values), std::begin(v));
}

int fixed_column(const std::string& name) {
    for (int c = 0; c < kFixedColumns; ++c)
        if (name == kColumnNames[c]) return c;
    return -1;
}

// The events of leaving the ground: once, or again and again.
constexpr char kLiftsOff[] = "lifts off";
constexpr char kGroundRange[] = "lifting off and touching down";

// Changes of one quantity closer together than this make one range event.
constexpr double kBurstGap = 10;  // s

// The same state: nan is the same as nan.
bool same(double a, double b) {
    return a == b || (std::isnan(a) && std::isnan(b));
}

// Widens an event's range of values by v; nan takes no room in it.
void widen(FlightLog::Event& e, double v) {
    if (std::isnan(v)) return;
    e.lo = std::isnan(e.lo) ? v : std::min(e.lo, v);
    e.hi = std::isnan(e.hi) ? v : std::max(e.hi, v);
}

// A limit passed upwards: "NAME above LIMIT UNIT (WHY)" and the like.
FlightLog::Limit upper(const std::string& name, double limit, const std::string& unit, int column,
                       const char* why) {
    const std::string at = fixed(limit, limit == std::round(limit) ? 0 : 1) + unit + why;
    return {name + " above " + at,
            name + " back below " + at,
            name + " crossing " + at,
            column,
            0,
            1,
            limit,
            true};
}

// What the log watches beyond the fixed quantities: the ends of the
// aircraft's flight envelope, the stall, and the end of scale of every
// gauge that has one (a needle that does not turn round, a bar).
std::vector<FlightLog::Limit> limits_of(const Aircraft& a) {
    std::vector<FlightLog::Limit> out;
    for (double l : a.airspeed_limits)
        out.push_back(upper("airspeed", l, " m/s", kAirspeed, " (envelope)"));
    for (double l : a.altitude_limits)
        out.push_back(upper("altitude", l, " m", kAltitude, " (envelope)"));
    if (a.stall_aoa > 0) {
        FlightLog::Limit stall =
            upper("angle of attack", a.stall_aoa * kDegrees, "°", kAoa, " (stall)");
        stall.scale = kDegrees;
        stall.airborne = true;
        out.push_back(stall);
    }
    for (const Gauge& g : a.panel) {
        if (g.kind != GaugeKind::dial && g.kind != GaugeKind::bar) continue;
        for (const Indicator& i : g.indicators) {
            const auto anim = std::find(a.animations.begin(), a.animations.end(),
                                        std::string_view(i.column).substr(5));
            if (i.period > 0 || i.column.rfind("anim_", 0) != 0 || anim == a.animations.end())
                continue;
            const std::string unit =
                *g.unit && std::string_view(g.unit) != "°" ? std::string(" ") + g.unit : g.unit;
            for (bool up : {true, false}) {
                const double end = up ? g.face.hi : g.face.lo;
                const std::string name = std::string(g.label) + " gauge";
                const std::string at = " (" + fixed(end, g.decimals) + unit + ")";
                FlightLog::Limit l{name + " past its " + (up ? "top" : "bottom") + " end" + at,
                                   name + " back on its scale",
                                   name + " passing its end" + at,
                                   kFixedColumns + static_cast<int>(anim - a.animations.begin()),
                                   i.offset,
                                   i.scale,
                                   end,
                                   up};
                l.column2 = i.model ? fixed_column(i.model) : -1;
                l.scale2 = i.model_scale;
                out.push_back(l);
            }
        }
    }
    return out;
}

}  // namespace

std::string fixed(double v, int decimals) {
    char buf[64];
    if (!(std::fabs(v) < 1e15))
        return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
    std::snprintf(buf, sizeof buf, "%.*f", decimals, v);
    return buf;
}

std::string FlightLog::Track::column_name(int c) const {
    if (c < kFixedColumns) return kColumnNames[c];
    const int a = c - kFixedColumns;
    if (aircraft && a < static_cast<int>(aircraft->animations.size()))
        return std::string("anim_") + aircraft->animations[static_cast<std::size_t>(a)];
    return "anim_" + std::to_string(a);
}

std::vector<double> FlightLog::Track::latest() const {
    double values[kFixedColumns];
    fixed_values(last, values);
    std::vector<double> out(std::begin(values), std::end(values));
    out.insert(out.end(), last_anims.begin(), last_anims.end());
    return out;
}

double FlightLog::Track::lift_off() const {
    for (const Event& e : events)
        if (!e.pilot && (e.what == kLiftsOff || e.what == kGroundRange)) return e.time;
    return std::nan("");
}

int FlightLog::add_vessel(const std::string& name, const std::string& plugin, int animations) {
    Track t;
    t.name = name;
    t.plugin = plugin;
    t.aircraft = find_aircraft(plugin);
    t.animations = std::max(animations, 0);
    // No room is reserved up front: the rows grow by doubling, so recording
    // rarely allocates, and a run with hundreds of vessels still fits.
    t.last_anims.assign(static_cast<std::size_t>(t.animations), 0.0);
    if (t.aircraft) t.limits = limits_of(*t.aircraft);
    tracks_.push_back(std::move(t));
    return static_cast<int>(tracks_.size()) - 1;
}

int FlightLog::gear_animation(int v) const {
    if (v < 0 || v >= vessel_count()) return -1;
    const Track& t = tracks_[static_cast<std::size_t>(v)];
    return t.aircraft ? t.aircraft->gear : -1;
}

void FlightLog::note(int v, double time, const std::string& what) {
    if (v < 0 || v >= vessel_count()) return;
    tracks_[static_cast<std::size_t>(v)].events.push_back({time, what, true});
}

std::string FlightLog::Event::text() const {
    if (!range()) return what;
    if (changes == 2) return what + ", " + fixed(time, 2) + "-" + fixed(end, 2) + " s";
    std::string t = what;
    if (values && !std::isnan(lo)) t += " between " + fixed(lo, 0) + " and " + fixed(hi, 0) + " N";
    return t + ", " + fixed(time, 2) + "-" + fixed(end, 2) + " s, " + std::to_string(changes) +
           " changes";
}

namespace {

// A change of a watched quantity of track `t` at `time` into `state`: a new
// event, described by `describe()` only then, or one more change of the range
// its latest events make. A change back within kBurstGap makes the event a
// span ("lights on, 10.00-12.00 s"); a third change a range, named `range`.
template <class Describe>
void change(FlightLog::Track& t, FlightLog::Watch& w, double time, double state, const char* range,
            bool values, Describe describe) {
    std::vector<FlightLog::Event>& events = t.events;
    const double from = w.state;
    w.state = state;
    if (w.last >= 0) {
        FlightLog::Event& last = events[static_cast<std::size_t>(w.last)];
        if (time - last.end <= kBurstGap) {
            if (last.range() || same(state, w.from)) {
                if (++last.changes == 3) last.what = range, last.values = values;
                last.end = time;
                widen(last, state);
                w.before = -1;
                return;
            }
            if (w.before >= 0) {
                // The third change in quick succession: the first of them
                // becomes the range, the second goes.
                FlightLog::Event& first = events[static_cast<std::size_t>(w.before)];
                first.what = range;
                first.end = time;
                first.changes = 3;
                first.values = values;
                widen(first, last.lo), widen(first, last.hi), widen(first, state);
                const int gone = w.last;
                events.erase(events.begin() + gone);
                auto renumber = [gone](FlightLog::Watch& o) {
                    if (o.last > gone) --o.last;
                    if (o.before > gone) --o.before;
                };
                for (FlightLog::Watch& o : t.watches) renumber(o);
                for (FlightLog::Limit& o : t.limits) renumber(o.watch);
                w.last = w.before;
                w.before = -1;
                return;
            }
            w.before = w.last;
        } else {
            w.before = -1;
        }
    }
    FlightLog::Event e{time, describe(), false, time};
    e.lo = e.hi = std::nan("");
    widen(e, from);
    widen(e, state);
    events.push_back(std::move(e));
    w.last = static_cast<int>(events.size()) - 1;
    w.from = from;
}

}  // namespace

namespace {

// Whether a limit is passed in a step: the fixed columns' values and the
// states of the vessel's `count` animations (an animation it lacks is nan).
bool passed(const FlightLog::Limit& l, const Sample& s, const double (&values)[kFixedColumns],
            const double* anims, int count) {
    auto column = [&](int c) {
        return c < kFixedColumns           ? values[c]
               : c - kFixedColumns < count ? anims[c - kFixedColumns]
                                           : std::nan("");
    };
    auto past = [&](double v) { return l.upward ? v > l.limit : v < l.limit; };
    return (!l.airborne || s.ground == 0) &&
           (past(l.offset + l.scale * column(l.column)) ||
            (l.column2 >= 0 && past(l.scale2 * column(l.column2))));
}

// The flaps' state: 1 out, 0 in, and in between the state they last reached.
double flaps_state(double flaps, double last) {
    return flaps >= 1 ? 1 : flaps <= 0 ? 0 : last;
}

}  // namespace

void FlightLog::start_watching(Track& t, const Sample& s) {
    t.watches[Track::kWatchGround].state = s.ground != 0;
    t.watches[Track::kWatchThrustMax].state = s.thrust_max;
    // A maximum thrust that is not a number from the start is an event too.
    if (std::isnan(s.thrust_max)) {
        t.watches[Track::kWatchThrustMax].state = 0;
        change(t, t.watches[Track::kWatchThrustMax], s.time, s.thrust_max,
               "maximum thrust switching", true,
               [] { return std::string("maximum thrust not a number"); });
    }
    t.watches[Track::kWatchFlaps].state = flaps_state(s.flaps, s.flaps);
    t.watches[Track::kWatchLights].state = s.lights > 0;
    double values[kFixedColumns];
    fixed_values(s, values);
    for (Limit& l : t.limits)
        l.watch.state = passed(l, s, values, t.last_anims.data(), t.animations);
}

void FlightLog::look_for_events(Track& t, const Sample& s) {
    auto watch = [&](int which, double state, const char* range, auto describe) {
        Watch& w = t.watches[which];
        if (!same(w.state, state))
            change(t, w, s.time, state, range, which == Track::kWatchThrustMax, describe);
    };
    watch(Track::kWatchGround, s.ground != 0, kGroundRange,
          [&] { return std::string(s.ground != 0 ? "touches down" : kLiftsOff); });
    watch(Track::kWatchThrustMax, s.thrust_max, "maximum thrust switching", [&] {
        return std::isnan(s.thrust_max) ? std::string("maximum thrust not a number")
                                        : "maximum thrust " + fixed(s.thrust_max, 0) + " N";
    });
    // The gear: 0 down, 1 up, and in between on its way. Its state counts
    // its events.
    const Sample& p = t.last;
    const char* gear = nullptr;
    if (p.gear == 0 && s.gear > 0) gear = "gear retracting";
    if (p.gear < 1 && s.gear >= 1) gear = "gear up";
    if (p.gear == 1 && s.gear < 1) gear = "gear extending";
    if (p.gear > 0 && s.gear <= 0) gear = "gear down";
    if (gear)
        watch(Track::kWatchGear, t.watches[Track::kWatchGear].state + 1, "gear moving",
              [&] { return std::string(gear); });
    watch(Track::kWatchFlaps, flaps_state(s.flaps, t.watches[Track::kWatchFlaps].state),
          "flaps moving", [&] { return std::string(s.flaps >= 1 ? "flaps out" : "flaps in"); });
    watch(Track::kWatchLights, s.lights > 0, "lights switching",
          [&] { return std::string(s.lights > 0 ? "lights on" : "lights off"); });

    double values[kFixedColumns];
    fixed_values(s, values);
    for (Limit& l : t.limits) {
        const bool state = passed(l, s, values, t.last_anims.data(), t.animations);
        if (same(l.watch.state, state)) continue;
        change(t, l.watch, s.time, state, l.range.c_str(), false,
               [&] { return state ? l.past : l.back; });
    }
}

void FlightLog::record(int v, const Sample& s, const double* anims, int count) {
    if (v < 0 || v >= vessel_count()) return;
    Track& t = tracks_[static_cast<std::size_t>(v)];
    for (int i = 0; i < t.animations; ++i)
        t.last_anims[static_cast<std::size_t>(i)] = anims && i < count ? anims[i] : 0.0;
    if (t.started) {
        look_for_events(t, s);
        t.distance +=
            std::sqrt((s.x - t.last.x) * (s.x - t.last.x) + (s.z - t.last.z) * (s.z - t.last.z));
    } else {
        start_watching(t, s);
    }
    t.thrust_lo = t.started ? std::fmin(t.thrust_lo, s.thrust_max) : s.thrust_max;
    t.thrust_hi = t.started ? std::fmax(t.thrust_hi, s.thrust_max) : s.thrust_max;
    if (rows_ && (!t.started || t.steps % every_ == 0)) {
        double values[kFixedColumns];
        fixed_values(s, values);
        t.rows.insert(t.rows.end(), std::begin(values), std::end(values));
        t.rows.insert(t.rows.end(), t.last_anims.begin(), t.last_anims.end());
        t.thrust_range.insert(t.thrust_range.end(), {t.thrust_lo, t.thrust_hi});
        t.thrust_lo = t.thrust_hi = s.thrust_max;
    }
    t.top_altitude = t.started ? std::max(t.top_altitude, s.altitude) : s.altitude;
    t.top_airspeed = t.started ? std::max(t.top_airspeed, s.airspeed) : s.airspeed;
    t.end_time = s.time;
    t.last = s;
    t.started = true;
    ++t.steps;
}

std::string FlightLog::file_stem(std::size_t i) const {
    auto lower = [](std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    const std::string name = lower(tracks_[i].name);
    int same = 1;
    for (std::size_t j = 0; j < i; ++j) same += lower(tracks_[j].name) == name;
    return same == 1 ? tracks_[i].name : tracks_[i].name + "-" + std::to_string(same);
}

bool FlightLog::all_finite() const {
    for (const Track& t : tracks_)
        for (double x : t.rows)
            if (!std::isfinite(x)) return false;
    return true;
}

void FlightLog::summary(std::FILE* out) const {
    for (const Track& t : tracks_) {
        // A blank line between the vessels; the plug-in where the name does
        // not say it.
        std::fprintf(out, &t == &tracks_.front() ? "%s" : "\n%s", t.name.c_str());
        std::fprintf(out, t.plugin == t.name ? "\n" : " (%s)\n", t.plugin.c_str());
        const struct {
            const char* name;
            double value;
            int decimals;
            const char* unit;
        } rows[] = {{"flight time", t.end_time, 1, "s"},
                    {"distance", t.distance / 1000, 2, "km"},
                    {"top altitude", t.top_altitude, 0, "m"},
                    {"top airspeed", t.top_airspeed, 1, "m/s"},
                    {"fuel left", t.last.fuel, 0, "kg"}};
        for (const auto& r : rows)
            std::fprintf(out, "  %-14s %10s %s\n", r.name, fixed(r.value, r.decimals).c_str(),
                         r.unit);
        if (t.events.empty()) continue;
        std::fprintf(out, "  events\n");
        for (const Event& e : t.events)
            std::fprintf(out, "  %12s s  %s%s\n", fixed(e.time, 2).c_str(),
                         e.pilot ? "pilot: " : "", e.text().c_str());
    }
    if (failures_.empty()) return;
    std::fprintf(out, tracks_.empty() ? "the flight failed:\n" : "\nthe flight failed:\n");
    for (const std::string& why : failures_) std::fprintf(out, "  %s\n", why.c_str());
}

}  // namespace vmhost
