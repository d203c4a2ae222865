// The table of the aircraft vmhost knows by name.
#include "aircraft.h"

#include <utility>

#include "flights.h"

namespace vmhost {
namespace {

constexpr double kStall = 15 / kDegrees;  // the wing's greatest lift, frame/airfoil.cpp

// Builders for the rows of a panel. `anim` shows offset + scale * state of the
// animation NAME, wrapped into 0..period when a period is given.
Indicator anim(const char* name, double offset, double scale, double period = 0) {
    return {std::string("anim_") + name, offset, scale, period};
}
Gauge dial(const char* label, const char* unit, int decimals, Face face,
           std::vector<Indicator> needles) {
    return {GaugeKind::dial, label, unit, decimals, face, std::move(needles)};
}
// Something that turns round, one turn per state 1: a wheel, a propeller.
Gauge spinner(const char* label, const char* name) {
    return dial(label, "°", 0, {0, 360, 0, 360, 90, 0}, {anim(name, 0, 360, 360)});
}
// The horizon's pitch or bank: the state is (angle + 3 rad) / 6, 0.5 when level.
Indicator attitude(const char* name, const char* role, const char* reading) {
    return anim(name, -3 * kDegrees, 6 * kDegrees).named(role).like(reading, kDegrees);
}
Gauge horizon(const char* label, std::vector<Indicator> pitch_and_bank) {
    return {GaugeKind::horizon, label, "°", 0, {}, std::move(pitch_and_bank)};
}
Gauge drum(const char* label, const char* unit, std::vector<Indicator> ones_first) {
    return {GaugeKind::drum, label, unit, 0, {}, std::move(ones_first)};
}
Gauge bar(const char* label, const char* unit, int decimals, double lo, double hi, Indicator marker,
          std::vector<Meaning> meanings = {}) {
    return {GaugeKind::bar,     label, unit, decimals, {lo, hi}, {std::move(marker)},
            std::move(meanings)};
}
// A control surface, -1..1 over the states 0..1 as the host moves it.
Gauge surface(const char* label, const char* name) {
    return bar(label, "", 2, -1, 1, anim(name, -1, 2));
}
Gauge lamp(const char* label, const char* column) {
    return {GaugeKind::lamp, label, "", 0, {}, {{column}}};
}

// What the two aircraft have in common: the heading indicator turns its card
// once per state 1 (the plug-ins give it 0.16 per radian), and the clock's
// hands each turn once per state 1, the fastest once in 5000 steps of 0.02 s,
// 100 s, each turn moving the next hand on by a sixtieth: 100 minutes a turn
// for the next, 100 hours for the slowest. So the face counts to 100 s, and
// the three hands read together give the flight's time.
Gauge heading_indicator() {
    return dial("heading", "°", 0, {0, 360, 0, 360, 10, 90},
                {anim("heading", 0, 360, 360).like("heading_rad", kDegrees)});
}
Gauge clock(const char* sec, const char* min, const char* hour) {
    return dial("clock", "s", 0, {0, 100, 0, 360, 5, 25},
                {anim(sec, 0, 100, 100).named("fast hand").like("time_s"),
                 anim(min, 0, 6000, 6000).named("minute hand").like("time_s").stepping(),
                 anim(hour, 0, 360000, 360000).named("hour hand").like("time_s").stepping()});
}

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
     {7000},
     kStall,
     // clang-format off
     {dial("airspeed", "m/s", 0, {0, 220, 0, 360, 10, 40},
           {anim("airspeed", 220, -220).like("airspeed_ms")}),
      horizon("horizon", {attitude("horizon_pitch", "pitch", "pitch_rad"),
                          attitude("horizon_bank", "bank", "bank_rad")}),
      dial("altimeter", "m", 0, {0, 10, 0, 360, 1, 1},
           {anim("altimeter_100", 0, 100, 100).named("100 m").like("altitude_m"),
            anim("altimeter_1000", 0, 1000, 1000).named("1000 m").like("altitude_m")}),
      heading_indicator(),
      dial("pitch", "°", 0, {-kDegrees, kDegrees, -90, 180, 10, 30},
           {anim("pitch_gauge", -kDegrees, 2 * kDegrees).like("pitch_rad", kDegrees)}),
      clock("clock_seconds", "clock_minutes", "clock_hours"),
      dial("fuel", "kg", 0, {0, 10000, -45, 90, 1000, 5000},
           {anim("fuel_gauge", 10000, -40000).like("fuel_kg")}),
      spinner("wheels", "wheels"),
      spinner("propeller", "propeller"),
      bar("throttle", "%", 0, 0, 100, anim("throttle", 0, 100).like("thrust_level", 100)),
      bar("flaps", "", 2, 0, 1, anim("flaps", 0, 1).like("flaps"), {{0, "in"}, {1, "out"}}),
      surface("elevator", "elevator"),
      surface("rudder", "rudder"),
      surface("left aileron", "aileron_left"),
      surface("right aileron", "aileron_right"),
      lamp("lights", "lights")}},
    // clang-format on
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
     {17000, 20000},
     kStall,
     // clang-format off
     {dial("airspeed", "m/s", 0, {0, 600, 0, 360, 25, 100},
           {anim("airspeed", 600, -600).like("airspeed_ms")}),
      {GaugeKind::bank, "bank indicator", "°", 0, {}, {attitude("bank", "bank", "bank_rad")}},
      dial("altimeter", "m", 0, {0, 10, 0, 360, 1, 1},
           {anim("alt_needle", 0, 100, 100).named("100 m").like("altitude_m")}),
      // Each drum shows a digit times 0.1.
      drum("altitude", "m", {anim("alt_digit_1", 0, 10, 10).like("altitude_m"),
                             anim("alt_digit_10", 0, 10, 10).like("altitude_m", 0.1),
                             anim("alt_digit_100", 0, 10, 10).like("altitude_m", 0.01),
                             anim("alt_digit_1000", 0, 10, 10).like("altitude_m", 0.001),
                             anim("alt_digit_10000", 0, 10, 10).like("altitude_m", 1e-4)}),
      // A state of 1 is 1/6 rad, and turns the needle by 311 degrees.
      dial("angle of attack", "°", 1, {0, kDegrees / 6, -155.5, 311, 1, 2},
           {anim("aoa", 0, kDegrees / 6).like("aoa_rad", kDegrees)}),
      heading_indicator(),
      clock("clock_sec", "clock_min", "clock_hour"),
      spinner("wheels", "wheels"),
      bar("throttle", "%", 0, 0, 100, anim("throttle", 0, 100).like("thrust_level", 100)),
      // The gear and its lever are the plug-in's own: no flight model reading.
      bar("gear", "", 2, 0, 1, anim("gear", 0, 1), {{0, "down"}, {1, "up"}}),
      bar("gear lever", "", 2, 0, 1, anim("gear_lever", 0, 1), {{0, "down"}, {1, "up"}}),
      surface("elevator", "elevator"),
      surface("rudder", "rudder"),
      surface("left aileron", "aileron_left"),
      surface("right aileron", "aileron_right"),
      lamp("lights", "lights")}},
    // clang-format on
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

std::string_view example_scenario(const Aircraft& a) {
    for (const auto& e : examples::kExamples)
        if (e.aircraft && std::string_view(e.aircraft) == a.name) return e.text;
    return {};
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
