// The flight log as text and back: how a child process that flew hands its
// log to its parent (`vmhost compare` runs each build's flight in a child).
// One record a line, fields separated by tabs, each number as the shortest
// text that reads back the same, so the log comes back bit for bit:
//   every N
//   track NAME PLUGIN ANIMATIONS STEPS DISTANCE TOP_ALTITUDE TOP_AIRSPEED END_TIME FUEL_LEFT
//   event TIME END CHANGES PILOT VALUES LO HI WHAT
//   row VALUES... THRUST_LO THRUST_HI
//   failed WHY
// Only what the summary and the report show comes back; a restored log
// records no further steps.
#include <charconv>
#include <cmath>

#include "aircraft.h"
#include "flightlog.h"

namespace vmhost {
namespace {

void put(std::string& s, double v) {
    char buf[32];
    s += '\t';
    s.append(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

std::vector<std::string_view> fields(std::string_view line) {
    std::vector<std::string_view> out;
    for (std::size_t at = 0;;) {
        const std::size_t tab = line.find('\t', at);
        out.push_back(line.substr(at, tab - at));
        if (tab == std::string_view::npos) return out;
        at = tab + 1;
    }
}

bool number(std::string_view s, double* v) {
    // from_chars reads no '-' before nan on every library; to_chars writes one.
    const bool minus = s.starts_with('-');
    const char* end = s.data() + s.size();
    const auto r = std::from_chars(s.data() + minus, end, *v);
    if (minus) *v = -*v;
    return r.ec == std::errc() && r.ptr == end;
}

// Reads fields[from...] as numbers into `out`, one per pointer.
bool numbers(const std::vector<std::string_view>& f, std::size_t from,
             std::initializer_list<double*> out) {
    if (f.size() < from + out.size()) return false;
    for (double* v : out)
        if (!number(f[from++], v)) return false;
    return true;
}

}  // namespace

std::string FlightLog::saved() const {
    std::string s = "every\t" + std::to_string(every_) + "\n";
    for (const Track& t : tracks_) {
        s += "track\t" + t.name + '\t' + t.plugin;
        for (double v : {static_cast<double>(t.animations), static_cast<double>(t.steps),
                         t.distance, t.top_altitude, t.top_airspeed, t.end_time, t.last.fuel})
            put(s, v);
        s += '\n';
        for (const Event& e : t.events) {
            s += "event";
            for (double v : {e.time, e.end, static_cast<double>(e.changes), e.pilot ? 1.0 : 0.0,
                             e.values ? 1.0 : 0.0, e.lo, e.hi})
                put(s, v);
            s += '\t' + e.what + '\n';
        }
        const auto columns = static_cast<std::size_t>(t.columns());
        for (std::size_t r = 0; r < t.row_count(); ++r) {
            s += "row";
            for (std::size_t c = 0; c < columns; ++c) put(s, t.rows[r * columns + c]);
            put(s, t.thrust_range[2 * r]);
            put(s, t.thrust_range[2 * r + 1]);
            s += '\n';
        }
    }
    for (const std::string& why : failures_) s += "failed\t" + why + '\n';
    return s + "end\n";  // a log cut short is not a shorter flight
}

bool FlightLog::restore(std::string_view text, const Aircraft* aircraft) {
    tracks_.clear();
    failures_.clear();
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        const std::vector<std::string_view> f = fields(text.substr(at, end - at));
        at = end + 1;
        double v[7] = {};
        if (f[0] == "every" && f.size() == 2 && number(f[1], v)) {
            every_ = std::max(1, static_cast<int>(v[0]));
        } else if (f[0] == "track" &&
                   numbers(f, 3, {v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6}) && v[0] >= 0 &&
                   v[0] < 1e4) {
            Track t;
            t.name = f[1];
            t.plugin = f[2];
            t.aircraft = find_aircraft(t.plugin);
            if (!t.aircraft) t.aircraft = aircraft;
            t.animations = static_cast<int>(v[0]);
            t.steps = static_cast<long long>(v[1]);
            t.distance = v[2];
            t.top_altitude = v[3];
            t.top_airspeed = v[4];
            t.end_time = v[5];
            t.last.fuel = v[6];
            t.started = true;
            tracks_.push_back(std::move(t));
        } else if (f[0] == "event" && !tracks_.empty() && f.size() == 9 &&
                   numbers(f, 1, {v, v + 1, v + 2, v + 3, v + 4, v + 5, v + 6})) {
            Event e{v[0],
                    std::string(f[8]),
                    v[3] != 0,
                    v[1],
                    static_cast<long long>(v[2]),
                    v[4] != 0,
                    v[5],
                    v[6]};
            tracks_.back().events.push_back(std::move(e));
        } else if (f[0] == "row" && !tracks_.empty() &&
                   f.size() == static_cast<std::size_t>(tracks_.back().columns()) + 3) {
            Track& t = tracks_.back();
            for (std::size_t c = 1; c < f.size(); ++c) {
                double x = 0;
                if (!number(f[c], &x)) return false;
                (c + 2 < f.size() ? t.rows : t.thrust_range).push_back(x);
            }
        } else if (f[0] == "failed" && f.size() == 2) {
            failures_.emplace_back(f[1]);
        } else if (f[0] == "end" && f.size() == 1) {
            return at >= text.size();
        } else {
            return false;
        }
    }
    return false;  // no end
}

}  // namespace vmhost
