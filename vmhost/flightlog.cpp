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

void put_row(std::vector<double>& rows, const Sample& s) {
    const double v[kFixedColumns] = {s.time,   s.x,          s.z,    s.altitude, s.airspeed,
                                     s.climb,  s.pitch,      s.bank, s.heading,  s.aoa,
                                     s.thrust, s.thrust_max, s.fuel, s.ground,   s.gear,
                                     s.flaps,  s.lights};
    rows.insert(rows.end(), std::begin(v), std::end(v));
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

int FlightLog::add_vessel(const std::string& name, const std::string& plugin, int animations) {
    Track t;
    t.name = name;
    t.plugin = plugin;
    t.aircraft = find_aircraft(plugin);
    t.animations = std::max(animations, 0);
    // No room is reserved up front: the rows grow by doubling, so recording
    // rarely allocates, and a run with hundreds of vessels still fits.
    t.last_anims.assign(static_cast<std::size_t>(t.animations), 0.0);
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

void FlightLog::look_for_events(Track& t, const Sample& s) {
    const Sample& p = t.last;
    auto event = [&](const std::string& what) { t.events.push_back({s.time, what, false}); };
    if (p.ground != 0 && s.ground == 0) event("lifts off");
    if (p.ground == 0 && s.ground != 0) event("touches down");
    // Each maximum thrust the envelope sets, the first time it is seen.
    if (std::find(t.thrust_maxima.begin(), t.thrust_maxima.end(), s.thrust_max) ==
        t.thrust_maxima.end()) {
        t.thrust_maxima.push_back(s.thrust_max);
        event("maximum thrust " + fixed(s.thrust_max, 0) + " N");
    }
    if (p.gear == 0 && s.gear > 0) event("gear retracting");
    if (p.gear < 1 && s.gear >= 1) event("gear up");
    if (p.gear == 1 && s.gear < 1) event("gear extending");
    if (p.gear > 0 && s.gear <= 0) event("gear down");
    if (p.flaps < 1 && s.flaps >= 1) event("flaps out");
    if (p.flaps > 0 && s.flaps <= 0) event("flaps in");
    if (p.lights == 0 && s.lights > 0) event("lights on");
    if (p.lights > 0 && s.lights == 0) event("lights off");
}

void FlightLog::record(int v, const Sample& s, const double* anims, int count) {
    if (v < 0 || v >= vessel_count()) return;
    Track& t = tracks_[static_cast<std::size_t>(v)];
    if (!t.started) t.thrust_maxima.push_back(s.thrust_max);
    if (t.started) {
        look_for_events(t, s);
        t.distance +=
            std::sqrt((s.x - t.last.x) * (s.x - t.last.x) + (s.z - t.last.z) * (s.z - t.last.z));
    }
    for (int i = 0; i < t.animations; ++i)
        t.last_anims[static_cast<std::size_t>(i)] = anims && i < count ? anims[i] : 0.0;
    if (rows_ && (!t.started || t.steps % every_ == 0)) {
        put_row(t.rows, s);
        t.rows.insert(t.rows.end(), t.last_anims.begin(), t.last_anims.end());
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
                         e.pilot ? "pilot: " : "", e.what.c_str());
    }
    if (failures_.empty()) return;
    std::fprintf(out, tracks_.empty() ? "the flight failed:\n" : "\nthe flight failed:\n");
    for (const std::string& why : failures_) std::fprintf(out, "  %s\n", why.c_str());
}

}  // namespace vmhost
