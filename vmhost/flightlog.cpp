// The flight log itself: the tracks it keeps, the events it finds in them
// and the summary table.
#include "flightlog.h"

#include <algorithm>
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
    // Room for an hour of flight, so that recording rarely allocates.
    t.rows.reserve(static_cast<std::size_t>(3600 * 50 / every_ + 1) *
                   static_cast<std::size_t>(t.columns()));
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
    if (!t.started || t.steps % every_ == 0) {
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

bool FlightLog::all_finite() const {
    for (const Track& t : tracks_)
        for (double x : t.rows)
            if (!std::isfinite(x)) return false;
    return true;
}

void FlightLog::summary(std::FILE* out) const {
    for (const Track& t : tracks_) {
        std::fprintf(out, "\n%s (%s)\n", t.name.c_str(), t.plugin.c_str());
        std::fprintf(out, "  %-14s %10.1f s\n", "flight time", t.end_time);
        std::fprintf(out, "  %-14s %10.2f km\n", "distance", t.distance / 1000);
        std::fprintf(out, "  %-14s %10.0f m\n", "top altitude", t.top_altitude);
        std::fprintf(out, "  %-14s %10.1f m/s\n", "top airspeed", t.top_airspeed);
        std::fprintf(out, "  %-14s %10.0f kg\n", "fuel left", t.last.fuel);
        if (t.events.empty()) continue;
        std::fprintf(out, "  events\n");
        for (const Event& e : t.events)
            std::fprintf(out, "  %12.2f s  %s%s\n", e.time, e.pilot ? "pilot: " : "",
                         e.what.c_str());
    }
}

}  // namespace vmhost
