// The table of the aircraft vmhost knows by name.
#include "aircraft.h"

#include "flights.h"

namespace vmhost {
namespace {

const Aircraft kAircraft[] = {
    {"tarvik",
     "Tarvik",
     flights::tarvik,
     {"wheels", "rudder", "elevator", "aileron_left", "aileron_right", "propeller", "flaps",
      "pitch_gauge", "heading", "throttle", "airspeed", "clock_seconds", "clock_minutes",
      "clock_hours", "fuel_gauge", "altimeter_100", "altimeter_1000", "horizon_pitch",
      "horizon_bank"},
     -1,
     {177},
     {7000}},
    {"olumbra",
     "Olumbra",
     flights::olumbra,
     {"wheels",       "gear",          "rudder",         "elevator",
      "aileron_left", "aileron_right", "alt_needle",     "alt_digit_1",
      "alt_digit_10", "alt_digit_100", "alt_digit_1000", "alt_digit_10000",
      "aoa",          "heading",       "gear_lever",     "throttle",
      "airspeed",     "bank",          "clock_sec",      "clock_min",
      "clock_hour"},
     1,
     {200, 230},
     {17000, 20000}},
};

}  // namespace

std::span<const Aircraft> all_aircraft() {
    return kAircraft;
}

const Aircraft* find_aircraft(std::string_view name) {
    for (const Aircraft& a : kAircraft)
        if (name == a.name) return &a;
    return nullptr;
}

std::string aircraft_names(const char* separator, const char* last) {
    std::string names;
    const std::size_t n = std::size(kAircraft);
    for (std::size_t i = 0; i < n; ++i) {
        if (i > 0) names += i + 1 == n ? last : separator;
        names += kAircraft[i].name;
    }
    return names;
}

}  // namespace vmhost
